#include "data/settings_files.h"

#include "platform/ini/ini_file.h"
#include "platform/text/error.h"

#include <QFileInfo>

namespace tarvik::data {
namespace {

using ini::IniDocument;

const QString kPrinter = QStringLiteral("Printer_USE");
const QString kTovar = QStringLiteral("Tovar");
const QString kProg = QStringLiteral("Prog");
const QString kTimer = QStringLiteral("Timer");
const QString kWeigth = QStringLiteral("Weigth");
const QString kDatabase = QStringLiteral("Database");

// A layout file asking for more lines than this is damaged, not a layout.
constexpr int kMaxLayoutLines = 1000;

int readInt(const IniDocument& doc, const QString& section, const QString& key, const QString& fallback)
{
    return ini::toInt(doc.readString(section, key, fallback));
}

bool readFlag(const IniDocument& doc, const QString& section, const QString& key, const QString& fallback)
{
    return ini::toFlag(doc.readString(section, key, fallback));
}

const QString kLayoutNames[18] = {
    QStringLiteral("Ширина етикетки"),  QStringLiteral("Висота етикетки"),
    QStringLiteral("Ширина заголовка"), QStringLiteral("Висота заголовка"),
    QStringLiteral("Х заголовка"),      QStringLiteral("Y заголовка"),  // Cyrillic Ha, then Latin Y
    QStringLiteral("Ширина тіла"),      QStringLiteral("Висота тіла"),
    QStringLiteral("X тіла"),           QStringLiteral("Y тіла"),       // Latin X
    QStringLiteral("Ширина підпису"),   QStringLiteral("Висота підпису"),
    QStringLiteral("X підпису"),        QStringLiteral("Y підпису"),
    QStringLiteral("Ширина штрихкоду"), QStringLiteral("Висота штрихкоду"),
    QStringLiteral("X штрихкоду"),      QStringLiteral("Y штрихкоду"),
};
constexpr int kFreshLayoutValues[18] = {50, 80, 40, 10, 8, 10, 20, 30, 20, 20, 50, 10, 10, 10, 50, 30, 30, 30};

}  // namespace

void LoadSettings(const QString& path, ProgSettings& s)
{
    const IniDocument doc = IniDocument::load(path);
    const QString zero = QStringLiteral("0");
    s.printer1 = readInt(doc, kPrinter, QStringLiteral("Printer_1"), zero);
    s.printer2 = readInt(doc, kPrinter, QStringLiteral("Printer_2"), zero);
    s.tovar1 = readInt(doc, kTovar, QStringLiteral("Tovar_1"), zero);
    s.tovar2 = readInt(doc, kTovar, QStringLiteral("Tovar_2"), zero);
    s.barType1 = readInt(doc, kTovar, QStringLiteral("Bar_Type_1"), zero);
    s.barType2 = readInt(doc, kTovar, QStringLiteral("Bar_Type_2"), zero);
    s.barSummCheckMetod1 = readInt(doc, kTovar, QStringLiteral("Bar_SummCheckMetod_1"), zero);
    s.barSummCheckMetod2 = readInt(doc, kTovar, QStringLiteral("Bar_SummCheckMetod_2"), zero);
    s.barCheck1 = readFlag(doc, kTovar, QStringLiteral("Bar_Check_1"), QStringLiteral("true"));
    s.barCheck2 = readFlag(doc, kTovar, QStringLiteral("Bar_Check_2"), QStringLiteral("true"));
    s.tara1 = doc.readString(kTovar, QStringLiteral("Tara_1"), QString());
    s.tara2 = doc.readString(kTovar, QStringLiteral("Tara_2"), QString());
    s.bar1 = doc.readString(kTovar, QStringLiteral("Bar_1"), QString());
    s.bar2 = doc.readString(kTovar, QStringLiteral("Bar_2"), QString());
    s.sumEtic = doc.readString(kProg, QStringLiteral("Sum_etic"), QString());
    s.kilGolovok = doc.readString(kProg, QStringLiteral("Kil_golovok"), QString());
    s.numBox = doc.readString(kProg, QStringLiteral("Num_Box"), QStringLiteral("1"));
    s.weightZero = doc.readString(kProg, QStringLiteral("Weight_Zero"), QStringLiteral("10"));
    s.nameWeight = doc.readString(kProg, QStringLiteral("Name_Weight"), QStringLiteral("Name"));
}

void LoadStartupSettings(const QString& path, StartupSettings& s)
{
    const IniDocument doc = IniDocument::load(path);
    s.interval = readInt(doc, kTimer, QStringLiteral("interval"), QStringLiteral("1000"));
    s.comPort = readInt(doc, kProg, QStringLiteral("Com_port"), QStringLiteral("0"));
    s.typeScale = readInt(doc, kProg, QStringLiteral("Type_Scale"), QStringLiteral("0"));
    const QString divisor = QStringLiteral("1000");
    const QString digits = QStringLiteral("2");
    struct Key {
        const char* name;
        QString StartupSettings::*member;
        const QString* fallback;
    };
    const Key keys[] = {
        {"KG_1", &StartupSettings::kg1, &divisor},
        {"KG_Num_Sim_1", &StartupSettings::kgNumSim1, &digits},
        {"KG_2", &StartupSettings::kg2, &divisor},
        {"KG_Num_Sim_2", &StartupSettings::kgNumSim2, &digits},
        {"Netto_1", &StartupSettings::netto1, &divisor},
        {"Netto_Num_Sim_1", &StartupSettings::nettoNumSim1, &digits},
        {"Netto_2", &StartupSettings::netto2, &divisor},
        {"Netto_Num_Sim_2", &StartupSettings::nettoNumSim2, &digits},
        {"Tara_1", &StartupSettings::tara1, &divisor},
        {"Tara_Num_Sim_1", &StartupSettings::taraNumSim1, &digits},
        {"Tara_2", &StartupSettings::tara2, &divisor},
        {"Tara_Num_Sim_2", &StartupSettings::taraNumSim2, &digits},
        {"Weigth_1", &StartupSettings::weigth1, &divisor},
        {"Weigth_Num_Sim_1", &StartupSettings::weigthNumSim1, &digits},
        {"Weigth_2", &StartupSettings::weigth2, &divisor},
        {"Weigth_Num_Sim_2", &StartupSettings::weigthNumSim2, &digits},
    };
    for (const Key& k : keys)
        s.*k.member = doc.readString(kWeigth, QString::fromLatin1(k.name), *k.fallback);
}

void SaveSettings(const QString& path, const ProgSettings& s)
{
    IniDocument doc = IniDocument::load(path);
    const auto num = [](int v) { return QString::number(v); };
    doc.writeString(kPrinter, QStringLiteral("Printer_1"), num(s.printer1));
    doc.writeString(kPrinter, QStringLiteral("Printer_2"), num(s.printer2));
    doc.writeString(kTovar, QStringLiteral("Tovar_1"), num(s.tovar1));
    doc.writeString(kTovar, QStringLiteral("Tovar_2"), num(s.tovar2));
    doc.writeString(kTovar, QStringLiteral("Tara_1"), s.tara1);
    doc.writeString(kTovar, QStringLiteral("Tara_2"), s.tara2);
    doc.writeString(kTovar, QStringLiteral("Bar_1"), s.bar1);
    doc.writeString(kTovar, QStringLiteral("Bar_2"), s.bar2);
    doc.writeString(kTovar, QStringLiteral("Bar_Type_1"), num(s.barType1));
    doc.writeString(kTovar, QStringLiteral("Bar_Type_2"), num(s.barType2));
    doc.writeString(kTovar, QStringLiteral("Bar_SummCheckMetod_1"), num(s.barSummCheckMetod1));
    doc.writeString(kTovar, QStringLiteral("Bar_SummCheckMetod_2"), num(s.barSummCheckMetod2));
    doc.writeString(kTovar, QStringLiteral("Bar_Check_1"), ini::flagText(s.barCheck1));
    doc.writeString(kTovar, QStringLiteral("Bar_Check_2"), ini::flagText(s.barCheck2));
    doc.writeString(kProg, QStringLiteral("Sum_etic"), s.sumEtic);
    doc.writeString(kProg, QStringLiteral("Kil_golovok"), s.kilGolovok);
    doc.writeString(kProg, QStringLiteral("Num_Box"), s.numBox);
    doc.writeString(kProg, QStringLiteral("Weight_Zero"), s.weightZero);
    doc.writeString(kProg, QStringLiteral("Name_Weight"), s.nameWeight);
    doc.writeString(kProg, QStringLiteral("Com_port"), num(s.comPort));
    doc.writeString(kProg, QStringLiteral("Type_Scale"), num(s.typeScale));
    // One atomic replace: a text refused above leaves the file untouched.
    doc.save(path);
}

DatabaseSettings LoadDatabaseSettings(const QString& path)
{
    const IniDocument doc = IniDocument::load(path);
    DatabaseSettings d;
    d.path = doc.readString(kDatabase, QStringLiteral("Path"), QString());
    d.user = doc.readString(kDatabase, QStringLiteral("User"), d.user);
    d.password = doc.readString(kDatabase, QStringLiteral("Password"), d.password);
    return d;
}

int clampListPosition(int position, int count)
{
    return position >= 0 && position < count ? position : -1;
}

QStringList freshLayoutLines(int label)
{
    Q_UNUSED(label);  // both labels start from the same layout
    QStringList lines;
    for (int i = 0; i < 18; ++i)
        lines.append(kLayoutNames[i] + u'=' + QString::number(kFreshLayoutValues[i]));
    return lines;
}

LayoutLoad LoadLayoutFile(const QString& path, QStringList& lines)
{
    if (!QFileInfo::exists(path)) {
        SaveLayoutFile(path, lines);
        return LayoutLoad::WroteFresh;
    }
    const IniDocument doc = IniDocument::load(path);
    const auto count = doc.value(QStringLiteral("count"), QStringLiteral("count"));
    if (!count)
        return LayoutLoad::KeptNoCount;
    const int n = ini::toInt(*count);
    if (n > kMaxLayoutLines)
        throw Error(QStringLiteral("Файл розмітки \"%1\" пошкоджений: %2 рядків").arg(path).arg(n));
    for (int i = 0; i < n; ++i) {
        const QString id = QString::number(i);
        const QString line = doc.readString(id, id, QString());
        if (i < lines.size())
            lines[i] = line;
        else
            lines.append(line);
    }
    return LayoutLoad::Read;
}

void SaveLayoutFile(const QString& path, const QStringList& lines)
{
    IniDocument doc = IniDocument::load(path);
    doc.writeString(QStringLiteral("count"), QStringLiteral("count"), QString::number(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString id = QString::number(i);
        doc.writeString(id, id, lines[i]);
    }
    doc.save(path);
}

}  // namespace tarvik::data
