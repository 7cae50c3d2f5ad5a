#include "data/settings_files.h"

#include "platform/ini/ini_file.h"
#include "platform/text/currency.h"
#include "platform/text/error.h"

#include <QFileInfo>

#include <array>
#include <type_traits>
#include <variant>

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
    return textToInt(doc.readString(section, key, fallback));
}

// The sixteen "Weigth" keys in the file's order: a divisor, then its digit count.
struct WeigthKey {
    const char* name;
    QString StartupSettings::*member;
    bool digits;
};

const std::array<WeigthKey, 16>& weigthKeys()
{
    static const std::array<WeigthKey, 16> keys = {{
        {"KG_1", &StartupSettings::kg1, false},
        {"KG_Num_Sim_1", &StartupSettings::kgNumSim1, true},
        {"KG_2", &StartupSettings::kg2, false},
        {"KG_Num_Sim_2", &StartupSettings::kgNumSim2, true},
        {"Netto_1", &StartupSettings::netto1, false},
        {"Netto_Num_Sim_1", &StartupSettings::nettoNumSim1, true},
        {"Netto_2", &StartupSettings::netto2, false},
        {"Netto_Num_Sim_2", &StartupSettings::nettoNumSim2, true},
        {"Tara_1", &StartupSettings::tara1, false},
        {"Tara_Num_Sim_1", &StartupSettings::taraNumSim1, true},
        {"Tara_2", &StartupSettings::tara2, false},
        {"Tara_Num_Sim_2", &StartupSettings::taraNumSim2, true},
        {"Weigth_1", &StartupSettings::weigth1, false},
        {"Weigth_Num_Sim_1", &StartupSettings::weigthNumSim1, true},
        {"Weigth_2", &StartupSettings::weigth2, false},
        {"Weigth_Num_Sim_2", &StartupSettings::weigthNumSim2, true},
    }};
    return keys;
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

namespace {

// How a key's value is held: the form its control gives it.
using Member = std::variant<int ProgSettings::*,           // a list position
                            bool ProgSettings::*,          // a flag
                            MaskedDigits ProgSettings::*,  // a masked digit field
                            QString ProgSettings::*>;      // a text of limited length

struct Key {
    const QString& section;
    const char* name;
    Member member;
    const char* fallback;  // what a missing key reads as
    int ListLengths::*list = nullptr;  // a position's list
    const char* control = nullptr;     // the settings dialog's control and its caption,
    const char* caption = nullptr;     // named when a value does not fit it
    int length = 0;                    // the longest text the control takes
    bool loaded = true;                // read by LoadSettings; the others at start-up
    bool optional = false;             // written only when set or already in the file
};

// The keys in the order SaveSettings writes them: the twenty-one of the
// dialog, then the weight limits.
const Key kKeys[] = {
    {kPrinter, "Printer_1", &ProgSettings::printer1, "0", &ListLengths::printers},
    {kPrinter, "Printer_2", &ProgSettings::printer2, "0", &ListLengths::printers},
    {kTovar, "Tovar_1", &ProgSettings::tovar1, "0", &ListLengths::products},
    {kTovar, "Tovar_2", &ProgSettings::tovar2, "0", &ListLengths::products},
    {kTovar, "Tara_1", &ProgSettings::tara1, "", nullptr, "Edit1", "Тара , гр."},
    {kTovar, "Tara_2", &ProgSettings::tara2, "", nullptr, "Edit2", "Тара , гр."},
    {kTovar, "Bar_1", &ProgSettings::bar1, "", nullptr, "Edit5", "Штрих код", kBarcodeTemplateLength},
    {kTovar, "Bar_2", &ProgSettings::bar2, "", nullptr, "Edit6", "Штрих код", kBarcodeTemplateLength},
    {kTovar, "Bar_Type_1", &ProgSettings::barType1, "0", &ListLengths::barcodeTypes},
    {kTovar, "Bar_Type_2", &ProgSettings::barType2, "0", &ListLengths::barcodeTypes},
    {kTovar, "Bar_SummCheckMetod_1", &ProgSettings::barSummCheckMetod1, "0", &ListLengths::checkSumMethods},
    {kTovar, "Bar_SummCheckMetod_2", &ProgSettings::barSummCheckMetod2, "0", &ListLengths::checkSumMethods},
    {kTovar, "Bar_Check_1", &ProgSettings::barCheck1, "true"},
    {kTovar, "Bar_Check_2", &ProgSettings::barCheck2, "true"},
    {kProg, "Sum_etic", &ProgSettings::sumEtic, "", nullptr, "Edit3", "Друкувати сумарну етикетку кожні "},
    {kProg, "Kil_golovok", &ProgSettings::kilGolovok, "", nullptr, "Edit4", "Кількість головок, шт."},
    {kProg, "Num_Box", &ProgSettings::numBox, "1", nullptr, "NumBox", "№ коробки"},
    {kProg, "Weight_Zero", &ProgSettings::weightZero, "10", nullptr, "EditZero", "Вага \"0\""},
    {kProg, "Name_Weight", &ProgSettings::nameWeight, "Name", nullptr, "EditV", "Назва вагів", kScaleNameLength},
    {kProg, "Com_port", &ProgSettings::comPort, "0", &ListLengths::ports, nullptr, nullptr, 0, false},
    {kProg, "Type_Scale", &ProgSettings::typeScale, "0", &ListLengths::scaleTypes, nullptr, nullptr, 0, false},
    {kTovar, "Net_Min_1", &ProgSettings::netMin1, "", nullptr, "EditMin1", "Мін. вага нетто, гр.", 0, true, true},
    {kTovar, "Net_Max_1", &ProgSettings::netMax1, "", nullptr, "EditMax1", "Макс. вага нетто, гр.", 0, true, true},
};

// LoadSettings reads the list positions first, then the flags, then the texts.
int readRank(const Key& k)
{
    return k.member.index() < 2 ? int(k.member.index()) : 2;
}

[[noreturn]] void refuse(const QString& path, const Key& k, const QString& value, const QString& what)
{
    throw Error(QStringLiteral("%1, [%2] %3: значення \"%4\" не вміщується в поле \"%5\" (%6): %7")
                    .arg(QFileInfo(path).fileName(), k.section, QLatin1String(k.name), value,
                         QString::fromUtf8(k.caption), QLatin1String(k.control), what));
}

void readKey(const IniDocument& doc, const QString& path, const Key& k, ProgSettings& s,
             const std::optional<ListLengths>& lists)
{
    const QString name = QLatin1String(k.name);
    const QString value = doc.readString(k.section, name, QString::fromUtf8(k.fallback));
    std::visit(
        [&](auto member) {
            using T = std::remove_cvref_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<T, int>) {
                const int position = textToInt(value);
                s.*member = lists ? clampListPosition(position, (*lists).*k.list) : position;
            } else if constexpr (std::is_same_v<T, bool>) {
                s.*member = ini::toFlag(value);
            } else if constexpr (std::is_same_v<T, MaskedDigits>) {
                const int places = (s.*member).places();
                const auto digits = MaskedDigits::fromText(value, places);
                if (!digits)
                    refuse(path, k, value, QStringLiteral("лише цифри, не більше %1").arg(places));
                s.*member = *digits;
            } else {
                if (value.size() > k.length)
                    refuse(path, k, value,
                           QStringLiteral("не більше %1 символів, а тут %2").arg(k.length).arg(value.size()));
                s.*member = value;
            }
        },
        k.member);
}

QString keyText(const Key& k, const ProgSettings& s)
{
    return std::visit(
        [&](auto member) -> QString {
            using T = std::remove_cvref_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<T, int>)
                return QString::number(s.*member);
            else if constexpr (std::is_same_v<T, bool>)
                return ini::flagText(s.*member);
            else if constexpr (std::is_same_v<T, MaskedDigits>)
                return (s.*member).text();
            else
                return s.*member;
        },
        k.member);
}

// A conversion error said with its file and key in front, so the operator
// knows which line to mend.
template <class F>
auto atKey(const QString& path, const QString& section, const QString& key, F&& read)
{
    try {
        return read();
    } catch (const ConvertError& e) {
        throw ConvertError(QStringLiteral("%1, [%2] %3: %4").arg(QFileInfo(path).fileName(), section, key, e.text()));
    }
}

}  // namespace

void LoadSettings(const QString& path, ProgSettings& s, const std::optional<ListLengths>& lists)
{
    const IniDocument doc = IniDocument::load(path);
    for (int rank = 0; rank < 3; ++rank)
        for (const Key& k : kKeys)
            if (k.loaded && readRank(k) == rank)
                atKey(path, k.section, QLatin1String(k.name), [&] { readKey(doc, path, k, s, lists); });
}

namespace {

// A decimal figure as the labels read it ("1000", "0,5"); nothing for another text.
std::optional<Currency> figure(const QString& text)
{
    try {
        return Currency::fromText(QString(text).replace(u'.', u','));
    } catch (const ConvertError&) {
        return std::nullopt;
    }
}

}  // namespace

QStringList startupSettingsProblems(const StartupSettings& s)
{
    QStringList problems;
    if (s.interval < 1 || s.interval > kMaxPollInterval)
        problems << QStringLiteral("[Timer] interval: інтервал опитування ваг має бути від 1 до %1 мс, а не %2")
                        .arg(kMaxPollInterval)
                        .arg(s.interval);
    for (const WeigthKey& k : weigthKeys()) {
        const QString& value = s.*k.member;
        const QString where = QStringLiteral("[Weigth] %1").arg(QLatin1String(k.name));
        if (k.digits) {
            const auto n = parseWholeNumber(value.trimmed());
            if (!n || *n < 0 || *n > kMaxFigureDigits)
                problems << QStringLiteral("%1: кількість знаків після коми має бути цілим числом від 0 до %2, а не \"%3\"")
                                .arg(where)
                                .arg(kMaxFigureDigits)
                                .arg(value);
        } else {
            const auto v = figure(value);
            if (!v || *v <= Currency())
                problems << QStringLiteral("%1: дільник має бути числом, більшим за 0, а не \"%2\"").arg(where, value);
        }
    }
    return problems;
}

void LoadStartupSettings(const QString& path, StartupSettings& s)
{
    const IniDocument doc = IniDocument::load(path);
    auto integer = [&](const QString& section, const char* key, const char* fallback) {
        const QString name = QLatin1String(key);
        return atKey(path, section, name, [&] { return readInt(doc, section, name, QLatin1String(fallback)); });
    };
    s.interval = integer(kTimer, "interval", "1000");
    s.comPort = integer(kProg, "Com_port", "0");
    s.typeScale = integer(kProg, "Type_Scale", "0");
    for (const WeigthKey& k : weigthKeys())
        s.*k.member = doc.readString(kWeigth, QString::fromLatin1(k.name), QLatin1String(k.digits ? "2" : "1000"));
    // Read whole first, then refused whole: every bad key in one message.
    if (const QStringList problems = startupSettingsProblems(s); !problems.isEmpty())
        throw Error(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), problems.join(QStringLiteral("; "))));
}

void SaveSettings(const QString& path, const ProgSettings& s)
{
    IniDocument doc = IniDocument::load(path);
    for (const Key& k : kKeys) {
        const QString text = keyText(k, s);
        if (k.optional && text.trimmed().isEmpty() && !doc.value(k.section, QLatin1String(k.name)))
            continue;
        doc.writeString(k.section, QLatin1String(k.name), text);
    }
    // One atomic replace: a text refused above leaves the file untouched.
    doc.save(path);
}

DatabaseSettings LoadDatabaseSettings(const QString& path)
{
    const IniDocument doc = IniDocument::load(path);
    DatabaseSettings d;
    d.path = doc.readString(kDatabase, QStringLiteral("Path"), QString());
    d.user = doc.readString(kDatabase, QStringLiteral("User"), d.user);
    const QString given = doc.readString(kDatabase, QStringLiteral("Password"), QString());
    d.passwordGiven = !given.isEmpty();
    if (d.passwordGiven)
        d.password = given;
    d.passwordFile = doc.readString(kDatabase, QStringLiteral("PasswordFile"), QString()).trimmed();
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

QString layoutLineName(int index)
{
    if (index < 0 || index >= 18)
        throw Error(QStringLiteral("Немає рядка розмітки з номером %1").arg(index));
    return kLayoutNames[index];
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
    const int n = atKey(path, QStringLiteral("count"), QStringLiteral("count"), [&] { return textToInt(*count); });
    if (n < 0 || n > kMaxLayoutLines)
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
