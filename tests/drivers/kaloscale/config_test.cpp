// KaloScale.ini: defaults, what each key changes, and values the driver refuses to guess at.

#include "config.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarvik::kaloscale;
using namespace std::chrono_literals;

namespace {

class Config : public ::testing::Test {
protected:
    DriverConfig load(const QByteArray& ini, const QString& port = QStringLiteral("COM1"))
    {
        QFile f(dir.filePath(QStringLiteral("KaloScale.ini")));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ini);
        f.close();
        return loadConfig(f.fileName(), dir.path(), port);
    }
    QTemporaryDir dir;
};

TEST_F(Config, AMissingFileGivesSicsOnTheFirstSerialPort)
{
    const DriverConfig c = loadConfig(dir.filePath(QStringLiteral("absent.ini")), dir.path(), QStringLiteral("COM1"));
    EXPECT_TRUE(c.problems.isEmpty());
    EXPECT_EQ(c.protocol, Protocol::Sics);
    EXPECT_EQ(c.device, QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(c.line.baud, 9600);
    EXPECT_EQ(c.line.dataBits, QSerialPort::Data8);
    EXPECT_EQ(c.line.parity, QSerialPort::NoParity);
    EXPECT_EQ(c.line.stopBits, QSerialPort::OneStop);
    EXPECT_EQ(c.pollInterval, 200ms);
    EXPECT_EQ(c.staleAfter, 1000ms);
    EXPECT_EQ(c.output, OutputUnit::Kilograms);
    EXPECT_TRUE(c.script.isEmpty());
}

TEST_F(Config, PortNamesMapToDevices)
{
    const QByteArray ini = "[Ports]\r\ncom3 = /dev/ttyUSB0\r\n";
    const struct { const char* port; const char* device; } cases[] = {
        {"COM1", "/dev/ttyS0"}, {"COM2", "/dev/ttyS1"}, {"COM5", "/dev/ttyS4"},
        {"COM3", "/dev/ttyUSB0"},  // matched without regard to case
        {"COM0", ""},              // no port chosen: no device
        {"LPT1", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(load(ini, QString::fromLatin1(c.port)).device, QString::fromLatin1(c.device)) << c.port;
}

TEST_F(Config, EachProtocolHasItsOwnLineDefaultsAndKeysOverrideThem)
{
    DriverConfig c = load("[driver]\nprotocol=toledo8217\n");
    EXPECT_EQ(c.protocol, Protocol::Toledo8217);
    EXPECT_EQ(c.line.dataBits, QSerialPort::Data7);
    EXPECT_EQ(c.line.parity, QSerialPort::EvenParity);

    c = load("[Driver]\nProtocol=CAS\nPollInterval=50\n[Line]\nBaud=19200\nDataBits=7\nParity=Odd\nStopBits=2\n"
             "FlowControl=Hardware\n[Output]\nUnit=g\n");
    EXPECT_TRUE(c.problems.isEmpty()) << c.problems.join(u'\n').toStdString();
    EXPECT_EQ(c.protocol, Protocol::Cas);
    EXPECT_EQ(c.line.baud, 19200);
    EXPECT_EQ(c.line.dataBits, QSerialPort::Data7);
    EXPECT_EQ(c.line.parity, QSerialPort::OddParity);
    EXPECT_EQ(c.line.stopBits, QSerialPort::TwoStop);
    EXPECT_EQ(c.line.flowControl, QSerialPort::HardwareControl);
    EXPECT_EQ(c.staleAfter, 250ms);  // five poll intervals
    EXPECT_EQ(c.output, OutputUnit::Grams);
}

TEST_F(Config, TheSimulatorsScriptLiesInTheStationFolder)
{
    const DriverConfig c = load("; demo\n[Driver]\nProtocol = Simulator\n[Simulator]\nScript = readings.txt\n");
    EXPECT_EQ(c.protocol, Protocol::Simulator);
    EXPECT_EQ(c.script, dir.filePath(QStringLiteral("readings.txt")));
}

TEST_F(Config, ValuesItCannotUseAreNamed)
{
    const char* bad[] = {
        "[Driver]\nProtocol=Modbus\n", "[Line]\nBaud=fast\n", "[Line]\nDataBits=9\n", "[Line]\nParity=maybe\n",
        "[Line]\nStopBits=3\n", "[Line]\nFlowControl=pigeon\n", "[Driver]\nUnit=pcs\n", "[Driver]\nStaleAfter=-5\n",
        "[Driver]\nPollInterval=0\n", "[Output]\nUnit=lb\n",
    };
    for (const char* ini : bad) {
        const DriverConfig c = load(ini);
        ASSERT_EQ(c.problems.size(), 1) << ini;
        EXPECT_TRUE(c.problems[0].contains(QString::fromLatin1(ini).section(u'\n', 1, 1).section(u'=', 0, 0))) << ini;
    }
}

}  // namespace

namespace {

TEST_F(Config, GarbledFilesMisspeltKeysAndMissingScriptsAreNamed)
{
    struct Case { QByteArray ini; const char* says; };
    const Case cases[] = {
        {"[Driver]\nProtocl=CAS\n", "[Driver] has no key \"Protocl\""},
        {"[Driver\nProtocol=CAS\n", "line 1 \"[Driver\" is no section header"},
        {QByteArray("\x89PNG\r\n\x1a\n\0\0IHDR", 14), "line 1 \"\\x89PNG\" is no setting"},
        {"Protocol=CAS\n", "stands before any section"},
        {"[Driver]\nProtocol=CAS\nbaud 9600\n", "line 3 \"baud 9600\" is no setting"},
        {"[Driver]\nProtocol=Simulator\n[Simulator]\nScript=absent.txt\n", "absent.txt cannot be read"},
        {"[Driver]\nProtocol=SICS\nDecimal=Comma\n", "[Driver] Decimal=Comma"},  // SICS writes a point
        {"[Driver]\nDecimal=dot\n", "[Driver] Decimal=dot"},
        {"[Simulator]\nRaw=yes\n", "[Simulator] Raw=yes"},
        {QByteArray(2 << 20, 'x'), "bytes; a settings file has at most"},
    };
    for (const auto& c : cases) {
        const DriverConfig cfg = load(c.ini);
        ASSERT_FALSE(cfg.problems.isEmpty()) << c.says;
        EXPECT_TRUE(cfg.problems.join(u'\n').contains(QString::fromLatin1(c.says)))
            << cfg.problems.join(u'\n').toStdString();
    }
}

TEST_F(Config, ACommaScaleAndSectionsOfOtherProgramsAreTakenAsTheyAre)
{
    const DriverConfig c = load("[Test]\nGetDataResult=80004005\nnote without a value\n[Driver]\nProtocol=CAS\n"
                                "Decimal=Comma\nUnit=g\n");
    EXPECT_TRUE(c.problems.isEmpty()) << c.problems.join(u'\n').toStdString();
    EXPECT_EQ(c.frameFormat().decimal, ',');
    EXPECT_EQ(c.frameFormat().unit, "g");
}

}  // namespace
