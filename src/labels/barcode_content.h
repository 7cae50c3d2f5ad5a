#pragma once
// The barcode of a label: its content from a template, the weight text and
// the product code, and the choice of a label's barcode settings.

#include "barcode/barcode_picture.h"
#include "platform/text/currency.h"

#include <QDate>
#include <QString>
#include <optional>

namespace tarvik::labels {

// Every 'C' of the trimmed template takes a character of the product code
// (trimmed, cut to its first 9, or padded with leading zeros to 9), every 'W'
// one of the weight text (cut to its first 6 or padded to 6), both counted
// from the right; other characters stay. A template with more letters than
// the prepared text has characters throws the range error.
QString BuildBarcodeContent(const QString& templ, const QString& weightText, const QString& codeText);

// What the fields of a content template take from the label run.
struct BarcodeFields {
    QDate packed;       // {packed}: the packing date
    QString shelfLife;  // SELL_DATE, days: {expiry} is the packing date + these
    QString batch;      // {batch}: the batch field, blanks removed
    Currency net;       // {net:D}: net weight, grams
    QString unitPrice;  // the product's PRICE text (per kilogram), read when a field needs it
};

// The fields a template may hold besides C and W, all lower case in braces,
// so that no template written before them holds one by accident:
//   {packed} {expiry}   the date as YYMMDD
//   {batch}             the batch number
//   {net:D}             the net weight in kilograms with D decimals (0-5) as
//                       six digits, the value of AI 310D
//   {price} {price:N}   the price of the load (net kilograms x unit price) in
//                       kopiykas, as it stands or as N digits
//   {unitprice} {unitprice:N}  the unit price in kopiykas
//   {pricecheck:N}      N = 4 or 5: the price check digit of variable-measure
//                       EAN-13, then the price as N digits
// C and W fill the rest of the template as in BuildBarcodeContent; a field's
// value is never read for letters. Any other text in braces stays as it is.
// A value that does not fit its field throws tarvik::Error naming the field.
QString BuildBarcodeContent(const QString& templ, const QString& weightText, const QString& codeText,
                            const BarcodeFields& fields);

// The product's price for `net` grams at `unitPrice` per kilogram, each step
// cut at the fourth place, as the weighing cycle computes a load's cost.
Currency amountPayable(Currency net, Currency unitPrice);

// The picture selectors: 13 chooses label 1's barcode settings, 128 label 2's.
inline constexpr int kLabel1Barcode = 13;
inline constexpr int kLabel2Barcode = 128;

// The settings a selector chooses; nothing for any other selector.
std::optional<barcode::BarcodePictureSettings> barcodeSettingsFor(
    int selector, const barcode::BarcodePictureSettings& label1, const barcode::BarcodePictureSettings& label2);

}  // namespace tarvik::labels
