#pragma once
// The station's settings files: Setting_Prog.ini and the layout files
// St_Tick_1.ini / St_Tick_2.ini, as plain values the settings dialog binds to
// its controls.
//
// Reads update a struct in place, key by key, in the station's reading order; a value
// that does not convert throws tarvik::ConvertError at its key and leaves the
// members after it as they were. A missing file, section or key reads as its
// default. The station model therefore reads into its own values, and
// applies the struct to the controls whether or not the read threw: on an error
// the members before the failing key already hold the file's values, as the
// controls would. Every key of Setting_Prog.ini is read and written through
// one key table.

#include "platform/text/masked_digits.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tarvik::data {

inline constexpr const char* kSettingsFileName = "Setting_Prog.ini";
inline constexpr const char* kLayoutFileName1 = "St_Tick_1.ini";
inline constexpr const char* kLayoutFileName2 = "St_Tick_2.ini";

// The twenty-one keys the settings dialog writes, as the values its controls
// hold; members in the order of the file, initialised to the values a missing
// key reads as. Masked digit fields keep their text as the field shows it.
struct ProgSettings {
    // [Printer_USE]
    int printer1 = 0;                // "Printer_1", list position (Box1)
    int printer2 = 0;                // "Printer_2" (Box2)
    // [Tovar]
    int tovar1 = 0;                  // "Tovar_1", position in the product list (DBBox1)
    int tovar2 = 0;                  // "Tovar_2" (DBBox2)
    MaskedDigits tara1{5};           // "Tara_1" (Edit1), tare of one load, grams
    MaskedDigits tara2{5};           // "Tara_2" (Edit2), tare of the box, grams
    QString bar1;                    // "Bar_1" (Edit5), at most kBarcodeTemplateLength characters
    QString bar2;                    // "Bar_2" (Edit6)
    int barType1 = 0;                // "Bar_Type_1" (TypeBox1)
    int barType2 = 0;                // "Bar_Type_2" (TypeBox2)
    int barSummCheckMetod1 = 0;      // "Bar_SummCheckMetod_1" (SumBox1)
    int barSummCheckMetod2 = 0;      // "Bar_SummCheckMetod_2" (SumBox2)
    bool barCheck1 = true;           // "Bar_Check_1" (CheckBox1)
    bool barCheck2 = true;           // "Bar_Check_2" (CheckBox2)
    // [Prog]
    MaskedDigits sumEtic{5};         // "Sum_etic" (Edit3), loads per box
    MaskedDigits kilGolovok{5};      // "Kil_golovok" (Edit4), number of heads
    MaskedDigits numBox = MaskedDigits::of(QStringLiteral("1"), 15);      // "Num_Box" (NumBox)
    MaskedDigits weightZero = MaskedDigits::of(QStringLiteral("10"), 5);  // "Weight_Zero" (EditZero)
    QString nameWeight = QStringLiteral("Name");  // "Name_Weight" (EditV), at most kScaleNameLength
    int comPort = 0;                 // "Com_port" (ComBox); saved here, read by LoadStartupSettings
    int typeScale = 0;               // "Type_Scale" (ComboBox1); likewise
    // [Tovar], written only once set: the net weight limits of label 1's
    // loads, grams; blank for no limit.
    MaskedDigits netMin1{6};         // "Net_Min_1" (EditMin1)
    MaskedDigits netMax1{6};         // "Net_Max_1" (EditMax1)

    bool operator==(const ProgSettings&) const = default;
};

// Long enough for a GS1 element string with its fields; 40 before those.
inline constexpr int kBarcodeTemplateLength = 80;
inline constexpr int kScaleNameLength = 10;

// The lengths of the lists whose positions the settings store. A stored
// position outside its list becomes -1 (no selection) when loaded.
struct ListLengths {
    int printers = 0;
    int products = 0;
    int barcodeTypes = 0;
    int checkSumMethods = 2;
    int ports = 5;
    int scaleTypes = 4;
};

// The keys read once at start-up; nobody writes them but the operator.
struct StartupSettings {
    int interval = 1000;             // [Timer] "interval", poll interval in ms
    int comPort = 0;                 // [Prog] "Com_port"
    int typeScale = 0;               // [Prog] "Type_Scale"
    // [Weigth]: divisors and digit counts of the label figures, held as text.
    QString kg1 = QStringLiteral("1000");
    QString kgNumSim1 = QStringLiteral("2");
    QString kg2 = QStringLiteral("1000");
    QString kgNumSim2 = QStringLiteral("2");
    QString netto1 = QStringLiteral("1000");
    QString nettoNumSim1 = QStringLiteral("2");
    QString netto2 = QStringLiteral("1000");
    QString nettoNumSim2 = QStringLiteral("2");
    QString tara1 = QStringLiteral("1000");
    QString taraNumSim1 = QStringLiteral("2");
    QString tara2 = QStringLiteral("1000");
    QString taraNumSim2 = QStringLiteral("2");
    QString weigth1 = QStringLiteral("1000");
    QString weigthNumSim1 = QStringLiteral("2");
    QString weigth2 = QStringLiteral("1000");
    QString weigthNumSim2 = QStringLiteral("2");

    bool operator==(const StartupSettings&) const = default;
};

// The optional hand-written [Database] section: a shared server instead of the
// station's own file. The station never writes these keys.
struct DatabaseSettings {
    QString path;       // "Path", e.g. "dbhost:/srv/line/DATABASE/VELM.GDB"; empty: the station's file
    QString user = QStringLiteral("sysdba");        // "User"
    QString password = QStringLiteral("quillmoss"); // "Password"
    bool passwordGiven = false;  // "Password" is in the file
    // "PasswordFile": a file whose first line is the password, instead of
    // "Password"; a relative name is in the station folder.
    QString passwordFile;

    bool operator==(const DatabaseSettings&) const = default;
};

// `path` is the full path of Setting_Prog.ini. A conversion error names the
// file and the key in front of its own text.
// The 19 keys of the dialog it reads: list positions, then flags, then texts.
// A value its control cannot hold (a tare of "1,5", an 11-character scale
// name) throws tarvik::Error naming the key, at that key, as a conversion
// error does: nothing is altered to make it fit. With `lists`, positions
// outside their lists become -1.
void LoadSettings(const QString& path, ProgSettings& s, const std::optional<ListLengths>& lists = std::nullopt);
// The start-up keys; a value that does not convert throws at its key, naming it.
// Then the values are checked whole: any out of bounds throws tarvik::Error
// naming every bad key (startupSettingsProblems).
void LoadStartupSettings(const QString& path, StartupSettings& s);

// The poll interval, milliseconds: from 1 to an hour.
inline constexpr int kMaxPollInterval = 3'600'000;
// The digits after the comma of a label figure: a "Num_Sim" key, 0 to this.
inline constexpr int kMaxFigureDigits = 10;
// What is out of bounds among the start-up values, one line per key naming it:
// the poll interval, the digit counts, the divisors (numbers above 0).
QStringList startupSettingsProblems(const StartupSettings& s);
// The 21 keys in the file's order, then the weight limits where they are set
// or already in the file, so a station that uses none keeps its file as it was.
void SaveSettings(const QString& path, const ProgSettings& s);
// The [Database] section over the station's defaults; "Path" empty when absent.
DatabaseSettings LoadDatabaseSettings(const QString& path);

// -1 for a position outside a list of `count` entries, as a list control shows it.
int clampListPosition(int position, int count);

// The eighteen "name=value" lines of a fresh label layout (the same for both labels).
QStringList freshLayoutLines(int label);
// The name of layout line `index` (0-17), as the value list shows it.
QString layoutLineName(int index);

enum class LayoutLoad {
    Read,          // the file's lines replaced the list's lines
    WroteFresh,    // no file: the list kept its lines and they were written as the file
    KeptNoCount,   // the file has no "count": the list kept its lines, the file was left alone
};

// Reads the layout file into `lines` (line i replaced by section i, key i).
LayoutLoad LoadLayoutFile(const QString& path, QStringList& lines);
void SaveLayoutFile(const QString& path, const QStringList& lines);

}  // namespace tarvik::data
