#include "config.h"

#include "kaloscale/kaloscale.h"
#include "platform/text/codec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <map>

namespace tarvik::kaloscale {

namespace {

// Section -> key -> value, names folded to lower case; the first occurrence of a key counts.
using IniValues = std::map<QString, std::map<QString, QString>>;

// The driver's sections and their keys; [Ports] takes any port name.
const std::map<QString, QStringList>& knownKeys()
{
    static const std::map<QString, QStringList> keys = {
        {u"ports"_qs, {}},
        {u"line"_qs, {u"baud"_qs, u"databits"_qs, u"parity"_qs, u"stopbits"_qs, u"flowcontrol"_qs}},
        {u"driver"_qs, {u"protocol"_qs, u"unit"_qs, u"decimal"_qs, u"pollinterval"_qs, u"staleafter"_qs, u"reopeninterval"_qs}},
        {u"output"_qs, {u"unit"_qs}},
        {u"simulator"_qs, {u"script"_qs, u"raw"_qs}},
    };
    return keys;
}

// A settings file is small; anything beyond this is not one.
constexpr qint64 MaxIniSize = 1 << 20;

IniValues readIni(const QByteArray& bytes, QStringList& problems)
{
    IniValues values;
    QString section;
    QString sectionAsWritten;
    int number = 0;
    for (const QByteArray& raw : bytes.split('\n')) {
        ++number;
        const QString line = tarvik::text::fromCp1251(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        const auto shown = [&] { return QString::fromLatin1(printableBytes(raw.trimmed().left(40).toStdString())); };
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']')) {
                problems << QStringLiteral("line %1 \"%2\" is no section header").arg(number).arg(shown());
                section = QStringLiteral("?");  // what follows belongs to no section we know
                continue;
            }
            sectionAsWritten = line.mid(1, line.size() - 2).trimmed();
            section = sectionAsWritten.toLower();
            continue;
        }
        const auto eq = line.indexOf(u'=');
        if (eq <= 0) {
            if (section == u"?" || knownKeys().count(section) || section.isEmpty())
                problems << QStringLiteral("line %1 \"%2\" is no setting").arg(number).arg(shown());
            continue;
        }
        const QString key = line.left(eq).trimmed().toLower();
        const auto known = knownKeys().find(section);
        if (known != knownKeys().end() && !known->second.isEmpty() && !known->second.contains(key))
            problems << QStringLiteral("line %1: [%2] has no key \"%3\"").arg(number).arg(sectionAsWritten, line.left(eq).trimmed());
        else if (section.isEmpty())
            problems << QStringLiteral("line %1 \"%2\" stands before any section").arg(number).arg(shown());
        values[section].try_emplace(key, line.mid(eq + 1).trimmed());
    }
    return values;
}

class Reader {
public:
    Reader(IniValues values, QStringList& problems) : values_(std::move(values)), problems_(problems) {}

    std::optional<QString> value(const QString& section, const QString& key) const
    {
        const auto s = values_.find(section.toLower());
        if (s == values_.end())
            return std::nullopt;
        const auto k = s->second.find(key.toLower());
        if (k == s->second.end())
            return std::nullopt;
        return k->second;
    }

    // A whole number within [low, high]; anything else keeps `fallback` and is noted.
    qint64 number(const QString& section, const QString& key, qint64 fallback, qint64 low, qint64 high) const
    {
        const auto text = value(section, key);
        if (!text)
            return fallback;
        bool ok = false;
        const qint64 n = text->toLongLong(&ok);
        if (!ok || n < low || n > high) {
            problem(section, key, *text);
            return fallback;
        }
        return n;
    }

    void problem(const QString& section, const QString& key, const QString& text) const
    {
        problems_ << QStringLiteral("[%1] %2=%3 is not a valid value").arg(section, key, text);
    }

private:
    IniValues values_;
    QStringList& problems_;
};

LineSettings lineDefaults(Protocol protocol)
{
    LineSettings line;
    if (protocol == Protocol::Toledo8217) {
        line.dataBits = QSerialPort::Data7;
        line.parity = QSerialPort::EvenParity;
    }
    return line;
}

QString defaultDevice(const QString& port)
{
    if (!port.startsWith(QStringLiteral("COM"), Qt::CaseInsensitive))
        return {};
    bool ok = false;
    const int n = port.mid(3).toInt(&ok);
    if (!ok || n < 1 || n > 256)
        return {};
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

}  // namespace

DriverConfig loadConfig(const QString& iniPath, const QString& stationDir, const QString& port)
{
    QFile file(iniPath);
    if (!file.exists())
        return parseConfig({}, stationDir, port);
    QStringList problems;
    QByteArray bytes;
    if (!file.open(QIODevice::ReadOnly))
        problems << QStringLiteral("cannot be read: %1").arg(file.errorString());
    else if (file.size() > MaxIniSize)
        problems << QStringLiteral("is %1 bytes; a settings file has at most %2").arg(file.size()).arg(MaxIniSize);
    else
        bytes = file.readAll();
    DriverConfig cfg = parseConfig(bytes, stationDir, port);
    cfg.problems = problems + cfg.problems;
    return cfg;
}

DriverConfig parseConfig(const QByteArray& bytes, const QString& stationDir, const QString& port)
{
    DriverConfig cfg;
    cfg.port = port;
    const Reader ini(readIni(bytes, cfg.problems), cfg.problems);

    if (const auto name = ini.value(u"Driver"_qs, u"Protocol"_qs)) {
        if (const auto p = protocolFromName(*name))
            cfg.protocol = *p;
        else
            ini.problem(u"Driver"_qs, u"Protocol"_qs, *name);
    }
    cfg.device = ini.value(u"Ports"_qs, port).value_or(defaultDevice(port));

    cfg.line = lineDefaults(cfg.protocol);
    cfg.line.baud = static_cast<qint32>(ini.number(u"Line"_qs, u"Baud"_qs, cfg.line.baud, 50, 4'000'000));
    cfg.line.dataBits = static_cast<QSerialPort::DataBits>(ini.number(u"Line"_qs, u"DataBits"_qs, cfg.line.dataBits, 5, 8));
    if (const auto parity = ini.value(u"Line"_qs, u"Parity"_qs)) {
        const QString p = parity->toLower();
        if (p == u"none" || p == u"n")
            cfg.line.parity = QSerialPort::NoParity;
        else if (p == u"even" || p == u"e")
            cfg.line.parity = QSerialPort::EvenParity;
        else if (p == u"odd" || p == u"o")
            cfg.line.parity = QSerialPort::OddParity;
        else if (p == u"space" || p == u"s")
            cfg.line.parity = QSerialPort::SpaceParity;
        else if (p == u"mark" || p == u"m")
            cfg.line.parity = QSerialPort::MarkParity;
        else
            ini.problem(u"Line"_qs, u"Parity"_qs, *parity);
    }
    if (const auto stop = ini.value(u"Line"_qs, u"StopBits"_qs)) {
        if (*stop == u"1")
            cfg.line.stopBits = QSerialPort::OneStop;
        else if (*stop == u"1.5" || *stop == u"1,5")
            cfg.line.stopBits = QSerialPort::OneAndHalfStop;
        else if (*stop == u"2")
            cfg.line.stopBits = QSerialPort::TwoStop;
        else
            ini.problem(u"Line"_qs, u"StopBits"_qs, *stop);
    }
    if (const auto flow = ini.value(u"Line"_qs, u"FlowControl"_qs)) {
        const QString f = flow->toLower();
        if (f == u"none")
            cfg.line.flowControl = QSerialPort::NoFlowControl;
        else if (f == u"hardware" || f == u"rts/cts")
            cfg.line.flowControl = QSerialPort::HardwareControl;
        else if (f == u"software" || f == u"xon/xoff")
            cfg.line.flowControl = QSerialPort::SoftwareControl;
        else
            ini.problem(u"Line"_qs, u"FlowControl"_qs, *flow);
    }

    if (const auto unit = ini.value(u"Driver"_qs, u"Unit"_qs)) {
        if (isKnownUnit(unit->toStdString()))
            cfg.scaleUnit = unit->toLower().toStdString();
        else
            ini.problem(u"Driver"_qs, u"Unit"_qs, *unit);
    }
    if (const auto decimal = ini.value(u"Driver"_qs, u"Decimal"_qs)) {
        // Only CAS scales are known to write a decimal comma; the other protocols fix the point.
        if (decimal->compare(u"Point", Qt::CaseInsensitive) == 0)
            cfg.decimal = '.';
        else if (decimal->compare(u"Comma", Qt::CaseInsensitive) == 0 && cfg.protocol == Protocol::Cas)
            cfg.decimal = ',';
        else
            ini.problem(u"Driver"_qs, u"Decimal"_qs, *decimal);
    }
    using std::chrono::milliseconds;
    cfg.pollInterval = milliseconds(ini.number(u"Driver"_qs, u"PollInterval"_qs, 200, 10, 60'000));
    cfg.staleAfter = milliseconds(ini.number(u"Driver"_qs, u"StaleAfter"_qs, 5 * cfg.pollInterval.count(), 10, 600'000));
    cfg.reopenInterval = milliseconds(ini.number(u"Driver"_qs, u"ReopenInterval"_qs, 1000, 50, 600'000));

    if (const auto unit = ini.value(u"Output"_qs, u"Unit"_qs)) {
        if (unit->compare(u"kg", Qt::CaseInsensitive) == 0)
            cfg.output = OutputUnit::Kilograms;
        else if (unit->compare(u"g", Qt::CaseInsensitive) == 0)
            cfg.output = OutputUnit::Grams;
        else
            ini.problem(u"Output"_qs, u"Unit"_qs, *unit);
    }

    if (const auto script = ini.value(u"Simulator"_qs, u"Script"_qs); script && !script->isEmpty())
        cfg.script = QDir(stationDir).absoluteFilePath(*script);
    cfg.rawScript = ini.number(u"Simulator"_qs, u"Raw"_qs, 0, 0, 1) == 1;
    if (cfg.protocol == Protocol::Simulator && !cfg.script.isEmpty()) {
        const QFileInfo info(cfg.script);
        if (!info.isFile() || !info.isReadable())
            cfg.problems << QStringLiteral("[Simulator] Script=%1: %2 cannot be read")
                                .arg(*ini.value(u"Simulator"_qs, u"Script"_qs), cfg.script);
        else if (info.size() > MaxScriptSize)
            cfg.problems << QStringLiteral("[Simulator] Script=%1: %2 bytes; a script has at most %3")
                                .arg(*ini.value(u"Simulator"_qs, u"Script"_qs)).arg(info.size()).arg(MaxScriptSize);
    }
    return cfg;
}

QString DriverConfig::lineName() const
{
    if (protocol == Protocol::Simulator)
        return port + QStringLiteral(" (simulator)");
    return device.isEmpty() ? port : QStringLiteral("%1 (%2)").arg(port, device);
}

QString stationDirectory()
{
    const QString dir = qEnvironmentVariable(KaloScaleStationDirVariable);
    if (!dir.isEmpty())
        return dir;
    return QCoreApplication::applicationDirPath();
}

}  // namespace tarvik::kaloscale
