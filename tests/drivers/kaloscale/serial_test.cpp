// The serial link over real pseudo-terminals: every protocol against the virtual scale, and raw
// bytes of the test's own for split frames, garbage, floods, staleness and a device that comes and
// goes.

#include "scale_fixtures.h"

#include "serial_scale.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <random>

using namespace tarvik::kaloscale;
using namespace tarvik::kaloscale::testing;
using namespace std::chrono_literals;

namespace {

DriverConfig configFor(Protocol protocol, const QString& device)
{
    DriverConfig c;
    c.port = QStringLiteral("COM1");
    c.device = device;
    c.protocol = protocol;
    if (protocol == Protocol::Toledo8217) {
        c.line.dataBits = QSerialPort::Data7;
        c.line.parity = QSerialPort::EvenParity;
    }
    c.pollInterval = 50ms;
    c.staleAfter = 400ms;
    c.reopenInterval = 100ms;
    return c;
}

class Serial : public ::testing::Test {};

const QString Error = QStringLiteral("Error");

class EveryProtocol : public Serial, public ::testing::WithParamInterface<Protocol> {};

TEST_P(EveryProtocol, ShowsTheVirtualScalesWeightAndStability)
{
    VirtualScale vs({QStringLiteral("--protocol"), protocolName(GetParam()), QStringLiteral("--interval"), QStringLiteral("20")});
    SerialScale scale(configFor(GetParam(), vs.device()));
    ASSERT_TRUE(scale.open());
    auto reading = [&] { return scale.reading(); };
    const bool toledo = GetParam() == Protocol::Toledo8217;

    EXPECT_TRUE(waitForReading(reading, QStringLiteral("0.000;S;")));
    vs.type("1.234");
    EXPECT_TRUE(waitForReading(reading, QStringLiteral("1.234;S;")));
    vs.type("d");
    // Toledo gives no weight while the scale moves.
    EXPECT_TRUE(waitForReading(reading, toledo ? Error : QStringLiteral("1.234;U;")));
    vs.type("s");
    EXPECT_TRUE(waitForReading(reading, QStringLiteral("1.234;S;")));
    vs.type("ol");
    EXPECT_TRUE(waitForReading(reading, Error));
    vs.type("ol");
    EXPECT_TRUE(waitForReading(reading, QStringLiteral("1.234;S;")));
    vs.type("-0.25");
    EXPECT_TRUE(waitForReading(reading, toledo ? Error : QStringLiteral("-0.250;S;")));
    vs.type("off");
    EXPECT_TRUE(waitForReading(reading, QStringLiteral("0.000;S;")));
}

TEST_P(EveryProtocol, FollowsAScriptAndHoldsItsLastStep)
{
    QTemporaryDir dir;
    QFile script(dir.filePath(QStringLiteral("steps.txt")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("# a load settles\n0.450 D 100\n\n0.480 S 100\n2.5 S 50\n");
    script.close();
    VirtualScale vs({QStringLiteral("--protocol"), protocolName(GetParam()), QStringLiteral("--script"), script.fileName()});
    SerialScale scale(configFor(GetParam(), vs.device()));
    ASSERT_TRUE(scale.open());
    EXPECT_TRUE(waitForReading([&] { return scale.reading(); }, QStringLiteral("2.500;S;")));
    QTest::qWait(300);  // well past the last step's time
    EXPECT_EQ(scale.reading(), QStringLiteral("2.500;S;"));
}

TEST_P(EveryProtocol, ComesBackWhenTheFarEndClosesAndReopens)
{
    QTemporaryDir dir;
    // Serial ports lock by file name: one of its own for each test that may run beside another.
    const QString link = dir.filePath(QStringLiteral("scale-") + protocolName(GetParam()));
    auto vs = std::make_unique<VirtualScale>(QStringList{QStringLiteral("--protocol"), protocolName(GetParam()),
                                                         QStringLiteral("--link"), link, QStringLiteral("--interval"), QStringLiteral("20")});
    ASSERT_EQ(vs->device(), link);
    SerialScale scale(configFor(GetParam(), link));
    ASSERT_TRUE(scale.open());
    auto reading = [&] { return scale.reading(); };
    vs->type("1.111");
    ASSERT_TRUE(waitForReading(reading, QStringLiteral("1.111;S;")));

    vs.reset();  // the far end goes away
    EXPECT_TRUE(waitForReading(reading, Error));
    vs = std::make_unique<VirtualScale>(QStringList{QStringLiteral("--protocol"), protocolName(GetParam()),
                                                    QStringLiteral("--link"), link, QStringLiteral("--interval"), QStringLiteral("20")});
    vs->type("2.222");
    EXPECT_TRUE(waitForReading(reading, QStringLiteral("2.222;S;")));
    EXPECT_TRUE(scale.isOpen());
}

INSTANTIATE_TEST_SUITE_P(Protocols, EveryProtocol,
                         ::testing::Values(Protocol::Sics, Protocol::Cas, Protocol::Toledo8217),
                         [](const auto& info) { return protocolName(info.param).toStdString(); });

TEST_F(Serial, SicsPollsOneAtATime)
{
    Pty pty;
    SerialScale scale(configFor(Protocol::Sics, pty.device()));
    ASSERT_TRUE(scale.open());
    QByteArray polls;
    ASSERT_TRUE(QTest::qWaitFor([&] { polls += pty.read(); return polls.count("SI\r\n") >= 3; }, 10'000));
    EXPECT_EQ(polls.count("SI\r\n") * 4, polls.size()) << polls.toStdString();
}

// Frames as each protocol puts them on the line, written by the test itself.
struct Wire {
    Protocol protocol;
    QByteArray stable;  // 1.234 kg, stable
    QByteArray other;   // 0.900 kg
    QString otherReading;
};

void PrintTo(const Wire& wire, std::ostream* os) { *os << protocolName(wire.protocol).toStdString(); }

const Wire wires[] = {
    {Protocol::Sics, "S S      1.234 kg\r\n", "S D      0.900 kg\r\n", QStringLiteral("0.900;U;")},
    {Protocol::Cas, "ST,GS,+  1.234kg\r\n", "US,GS,+  0.900kg\r\n", QStringLiteral("0.900;U;")},
    {Protocol::Toledo8217, "\x02" "01.234\r", "\x02" "00.900\r", QStringLiteral("0.900;S;")},
};

class OwnLine : public Serial, public ::testing::WithParamInterface<Wire> {
protected:
    void SetUp() override
    {
        scale = std::make_unique<SerialScale>(configFor(GetParam().protocol, pty.device()));
        ASSERT_TRUE(scale->open());
    }
    bool waitFor(const QString& expected)
    {
        return waitForReading([&] { return scale->reading(); }, expected);
    }
    Pty pty;
    std::unique_ptr<SerialScale> scale;
};

TEST_P(OwnLine, AFrameSplitAcrossReadsIsJoined)
{
    const QByteArray frame = GetParam().stable;
    pty.write(frame.left(5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return scale->pendingBytes() > 0; }, 10'000));
    EXPECT_EQ(scale->reading(), Error);
    pty.write(frame.mid(5));
    EXPECT_TRUE(waitFor(QStringLiteral("1.234;S;")));
}

TEST_P(OwnLine, GarbageGivesErrorUntilGoodFramesReturn)
{
    pty.write(GetParam().stable);
    ASSERT_TRUE(waitFor(QStringLiteral("1.234;S;")));
    pty.write(QByteArray("\x00\xff\x13\x11zz\r\n", 8));
    EXPECT_TRUE(waitFor(Error));
    pty.write(QByteArray(5000, 'x'));  // overlong: dropped, not kept
    pty.write("\r\n" + GetParam().other);
    EXPECT_TRUE(waitFor(GetParam().otherReading));
    EXPECT_EQ(scale->pendingBytes(), 0u);
}

TEST_P(OwnLine, AFloodOfFramesLeavesTheLatest)
{
    QByteArray flood;
    for (int i = 0; i < 5000; ++i)
        flood += GetParam().other;
    flood += GetParam().stable;  // the only frame that reads 1.234, and the last
    pty.write(flood);
    EXPECT_TRUE(waitFor(QStringLiteral("1.234;S;")));
    EXPECT_EQ(scale->pendingBytes(), 0u);
}

TEST_P(OwnLine, AReadingGoesStaleWhenTheScaleFallsSilent)
{
    pty.write(GetParam().stable);
    ASSERT_TRUE(waitFor(QStringLiteral("1.234;S;")));
    // A cable pulled: nothing arrives any more, and nothing says so.
    EXPECT_TRUE(waitFor(Error));
    EXPECT_TRUE(scale->isOpen());
    pty.write(GetParam().stable);
    EXPECT_TRUE(waitFor(QStringLiteral("1.234;S;")));
}

INSTANTIATE_TEST_SUITE_P(Protocols, OwnLine, ::testing::ValuesIn(wires),
                         [](const auto& info) { return protocolName(info.param.protocol).toStdString(); });

TEST_F(Serial, OnlyTheConfiguredUnitIsReadAndItIsConverted)
{
    Pty pty;
    DriverConfig config = configFor(Protocol::Cas, pty.device());
    config.scaleUnit = "lb";
    SerialScale scale(config);
    ASSERT_TRUE(scale.open());
    auto reading = [&] { return scale.reading(); };
    pty.write("ST,GS,+  0.900lb\r\n");
    EXPECT_TRUE(waitForReading(reading, QStringLiteral("0.408;S;")));
    pty.write("ST,GS,+ 1234.0 g\r\n");  // a scale set to another unit than KaloScale.ini says
    EXPECT_TRUE(waitForReading(reading, Error));
    pty.write("ST,GS,+  0.900lb\r\n");
    EXPECT_TRUE(waitForReading(reading, QStringLiteral("0.408;S;")));
    pty.write("ST,GS,+  0.900pc\r\n");  // a count is no weight
    EXPECT_TRUE(waitForReading(reading, Error));
}

TEST_F(Serial, AScaleSendingEveryMillisecondIsFollowed)
{
    VirtualScale vs({QStringLiteral("--protocol"), QStringLiteral("CAS"), QStringLiteral("--interval"), QStringLiteral("1")});
    SerialScale scale(configFor(Protocol::Cas, vs.device()));
    ASSERT_TRUE(scale.open());
    for (const char* load : {"0.5", "1.5", "2.5"}) {
        vs.type(load);
        EXPECT_TRUE(waitForReading([&] { return scale.reading(); }, QString::number(QByteArray(load).toDouble(), 'f', 3) + u";S;"));
        EXPECT_LE(scale.pendingBytes(), MaxLineLength);
    }
}

TEST_F(Serial, ADeviceMissingAtOpenIsTakenUpWhenItAppears)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("scale-later"));
    SerialScale scale(configFor(Protocol::Sics, link));
    EXPECT_FALSE(scale.open());
    EXPECT_EQ(scale.reading(), Error);
    QTest::qWait(250);  // a few attempts at nothing
    EXPECT_EQ(scale.reading(), Error);
    VirtualScale vs({QStringLiteral("--protocol"), QStringLiteral("SICS"), QStringLiteral("--link"), link});
    vs.type("0.321");
    EXPECT_TRUE(waitForReading([&] { return scale.reading(); }, QStringLiteral("0.321;S;")));
}

TEST_F(Serial, ADevicePulledOutIsReported)
{
    auto pty = std::make_unique<Pty>();
    SerialScale scale(configFor(Protocol::Cas, pty->device()));
    QSignalSpy lost(&scale, &SerialScale::lost);
    ASSERT_TRUE(scale.open());
    pty->write("ST,GS,+  1.234kg\r\n");
    ASSERT_TRUE(waitForReading([&] { return scale.reading(); }, QStringLiteral("1.234;S;")));
    pty->hangUp();
    EXPECT_TRUE(lost.wait(10'000) || lost.count() > 0);
    EXPECT_EQ(scale.reading(), Error);
    EXPECT_FALSE(scale.isOpen());
}

TEST_F(Serial, RandomBytesThroughARealLineGiveOnlyReadingsOrError)
{
    Pty pty;
    DriverConfig config = configFor(Protocol::Cas, pty.device());
    config.staleAfter = 60'000ms;  // only the bytes decide here
    SerialScale scale(config);
    ASSERT_TRUE(scale.open());
    const QRegularExpression form(QStringLiteral("^-?\\d+\\.\\d{3};[SU];$"));
    std::mt19937 random(777);
    static constexpr char alphabet[] = "STUGNOL,+- .0123456789kg\r\n";
    int weights = 0;
    for (int i = 0; i < 3000; ++i) {
        QByteArray chunk(static_cast<qsizetype>(random() % 48), '\0');
        for (char& c : chunk)
            c = random() % 5 == 0 ? static_cast<char>(random()) : alphabet[random() % (sizeof alphabet - 1)];
        if (i % 50 == 0)
            chunk += "\r\nST,GS,+  1.234kg\r\n";
        pty.write(chunk);
        QCoreApplication::processEvents();
        const QString r = scale.reading();
        ASSERT_TRUE(r == Error || form.match(r).hasMatch()) << r.toStdString();
        weights += r != Error;
        ASSERT_LE(scale.pendingBytes(), MaxLineLength);
    }
    EXPECT_GT(weights, 0);
}

}  // namespace
