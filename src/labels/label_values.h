#pragma once
// The values a label prints: the 22 placeholder texts, computed from the
// product, the settings and the weighing as plain inputs, so the rules can
// be checked without windows or a database.

#include "data/settings_files.h"

#include <QDate>
#include <QString>

#include <array>
#include <functional>

namespace tarvik::labels {

// The 22 placeholder texts of a label, in the record's own field order.
struct ReplParam {
    QString name, message, price, date, partia, weight, netto, tara, heads, place, exp, summa;
    std::array<QString, 8> text;
    QString numbox, KG_Weight;

    bool operator==(const ReplParam&) const = default;
};

// The placeholders in the order the blocks are filled: "$name" first,
// "$KG_Weight" last.
inline constexpr std::array<const char*, 22> kPlaceholders = {
    "$name", "$date", "$weight", "$price", "$partia", "$message", "$exp", "$heads",
    "$place", "$tara", "$netto", "$summa", "$text1", "$text2", "$text3", "$text4",
    "$text5", "$text6", "$text7", "$text8", "$numbox", "$KG_Weight"};

// The value of kPlaceholders[index].
const QString& placeholderValue(const ReplParam& values, int index);

// The product record's fields as stored (null fields give empty texts).
struct ProductRecord {
    QString name;      // NAME
    QString message;   // SKLAD
    QString price;     // PRICE, a text
    QString sellDate;  // SELL_DATE, a number of days as text
    QString barcode;   // BARCOD
    std::array<QString, 8> text;  // TEXT1 ... TEXT8
};

// Divisor and digit count of one figure on one label, as the "Weigth" texts hold them.
struct FigureFormat {
    QString divisor = QStringLiteral("1000");
    QString digits = QStringLiteral("2");
};

struct LabelFormats {
    FigureFormat weight, tara, netto, kg;
};

// The formats of label 1 or 2 from the start-up settings.
LabelFormats labelFormats(const data::StartupSettings& s, int label);

// Everything a label's values are made of, as the fields show it.
struct LabelInputs {
    ProductRecord product;       // the label's product
    QString numBox;              // NumBox as shown, blanks included
    QString heads;               // Edit4 as shown
    QString tara1;               // Edit1 as shown (tare of one load, grams)
    QString tara2;               // Edit2 as shown (box tare, grams)
    QString perBox;              // Edit3 as shown (loads per box)
    QString boxMass;             // Edit8 (summed gross mass of the box, grams)
    QString weight;              // WEdit (current weight, grams)
    QString batch;               // MaskEdit1 as shown
    QString place;               // MaskEdit2 as shown
    LabelFormats formats1, formats2;
    QDate today;
};

// Writes a decimal text with exactly `digits` decimals: "." read as ",",
// missing decimals padded with zeros, extra ones cut (no rounding); with 0
// digits the text ends with the comma. A negative count is refused.
QString FormatDecimals(const QString& text, int digits);

// A date as labels show it: the short date form with a two-digit year (08.12.10).
QString labelDateText(const QDate& date);
// The shelf life in days as SELL_DATE holds it: blanks skipped, an optional
// sign, digits up to the first other character; no number gives 0.
// More than kMaxShelfLifeDays either way is refused.
int shelfLifeDays(const QString& sellDate);
inline constexpr int kMaxShelfLifeDays = 36500;

// Label 1 (a weighing) or 2 (a closed box), filling `out` in the order of
// the rules: on an error the values before it are already set. The net
// weight text is handed to `setLogWeightText` as soon as it is known.
void ComputeLabelValues(int label, const LabelInputs& in, ReplParam& out,
                        const std::function<void(const QString&)>& setLogWeightText = {});

// Label 1 for a weight and batch typed by hand, into a fresh record; "$numbox" stays empty.
ReplParam ComputeReprintValues(const QString& batch, const QString& weight, const LabelInputs& in);

}  // namespace tarvik::labels
