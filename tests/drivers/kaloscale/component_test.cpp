// The KaloScale plugin end to end, as the station reaches it: CoCreateInstance from the components
// folder, OpenPort with a port name, get_Data on a station folder's KaloScale.ini.

#include "scale_fixtures.h"

#include "kaloscale/kaloscale.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tarvik::com;
using namespace tarvik::kaloscale::testing;

namespace {

class Component : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(); }

    void SetUp() override
    {
        qputenv(KaloScaleStationDirVariable, station.path().toLocal8Bit());
        components = std::make_unique<ScopedComponentDirectory>(QStringLiteral(TARVIK_BIN_DIR "/components"));
    }
    void TearDown() override { qunsetenv(KaloScaleStationDirVariable); }

    void writeIni(const QByteArray& text)
    {
        QFile f(QDir(station.path()).filePath(QStringLiteral("KaloScale.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    ComPtr<IKaloScale> create()
    {
        ComPtr<IKaloScale> scale;
        EXPECT_EQ(CoCreateInstance(CLSID_KaloScale, nullptr, CLSCTX_ALL, IID_IKaloScale, scale.putVoid()), S_OK);
        return scale;
    }

    static QString data(IKaloScale& scale)
    {
        QVariant v;
        EXPECT_EQ(scale.get_Data(&v), S_OK);
        EXPECT_EQ(v.typeId(), QMetaType::QString);
        return v.toString();
    }

    QTemporaryDir station;
    std::unique_ptr<ScopedComponentDirectory> components;
};

TEST_F(Component, ReadsEveryProtocolFromTheVirtualScaleThroughItsPortName)
{
    for (const char* protocol : {"SICS", "CAS", "Toledo8217"}) {
        SCOPED_TRACE(protocol);
        VirtualScale vs({QStringLiteral("--protocol"), QString::fromLatin1(protocol)});
        writeIni("[Ports]\nCOM3=" + vs.device().toLocal8Bit() + "\n[Driver]\nProtocol=" + protocol
                 + "\nPollInterval=50\n");
        ComPtr<IKaloScale> scale = create();
        ASSERT_TRUE(scale);
        EXPECT_EQ(scale->OpenPort(u"COM3"), S_OK);
        vs.type("1.234");
        EXPECT_TRUE(waitForReading([&] { return data(*scale); }, QStringLiteral("1.234;S;")));
    }
}

TEST_F(Component, WritesGramsWithOnePlaceForTheSmallScaleType)
{
    VirtualScale vs({QStringLiteral("--protocol"), QStringLiteral("CAS"), QStringLiteral("--interval"), QStringLiteral("20")});
    writeIni("[Ports]\nCOM1=" + vs.device().toLocal8Bit() + "\n[Driver]\nProtocol=CAS\n[Output]\nUnit=g\n");
    ComPtr<IKaloScale> scale = create();
    scale->OpenPort(u"COM1");
    vs.type("1.234");
    EXPECT_TRUE(waitForReading([&] { return data(*scale); }, QStringLiteral("1234.0;S;")));
}

TEST_F(Component, AMissingDeviceGivesErrorAndAnOpenPortThatSaysSo)
{
    writeIni("[Ports]\nCOM2=" + QDir(station.path()).filePath(QStringLiteral("nothing")).toLocal8Bit() + "\n");
    ComPtr<IKaloScale> scale = create();
    EXPECT_EQ(scale->OpenPort(u"COM2"), S_FALSE);
    EXPECT_EQ(data(*scale), QStringLiteral("Error"));
    EXPECT_EQ(scale->OpenPort(u"COM0"), S_FALSE);  // no port chosen
    EXPECT_EQ(data(*scale), QStringLiteral("Error"));
}

TEST_F(Component, ABadSettingOpensNothing)
{
    writeIni("[Driver]\nProtocol=Simulator\n[Output]\nUnit=stone\n");
    ComPtr<IKaloScale> scale = create();
    EXPECT_EQ(scale->OpenPort(u"COM1"), E_INVALIDARG);
    EXPECT_EQ(data(*scale), QStringLiteral("Error"));
}

// What the driver says on standard error, through a real pseudo-terminal: once per change of state.
TEST_F(Component, SaysOnStandardErrorWhatIsWrongWithTheLineOncePerChange)
{
    StderrCapture err;
    auto pty = std::make_unique<Pty>();
    writeIni("[Ports]\nCOM1=" + pty->device().toLocal8Bit()
             + "\n[Driver]\nProtocol=CAS\nStaleAfter=300\nReopenInterval=100\n");
    ComPtr<IKaloScale> scale = create();
    ASSERT_EQ(scale->OpenPort(u"COM1"), S_OK);
    auto reading = [&] { return data(*scale); };
    const QString line = QStringLiteral("KaloScale: COM1 (%1): ").arg(pty->device());

    pty->write("ST,GS,+  1.234kg\r\n");
    ASSERT_TRUE(waitForReading(reading, QStringLiteral("1.234;S;")));
    EXPECT_TRUE(err.lines().isEmpty()) << err.lines().join(u'\n').toStdString();  // all well: nothing said

    // A decimal comma on a scale set to a point: not understood, said once for many frames.
    for (int i = 0; i < 5; ++i)
        pty->write("ST,GS,+  0,050kg\r\n");
    ASSERT_TRUE(err.waitFor(QStringLiteral("frames not understood")));
    EXPECT_EQ(reading(), QStringLiteral("Error"));
    // Good frames until the line has been clean for a while.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        pty->write("ST,GS,+  1.234kg\r\n");
        return !err.linesWith(QStringLiteral("back to normal")).isEmpty();
    }, 10'000));
    // Then silence.
    ASSERT_TRUE(err.waitFor(QStringLiteral("no frame for")));
    // Then the device goes away, and stays away while the driver tries again.
    pty->hangUp();
    ASSERT_TRUE(err.waitFor(QStringLiteral("the port was lost")));
    QTest::qWait(400);

    EXPECT_EQ(err.lines(), (QStringList{
        line + QStringLiteral("frames not understood: \"ST,GS,+  0,050kg\": a comma in the weight, but the scale is set to a decimal point"),
        line + QStringLiteral("back to normal: 1.234;S;"),
        line + QStringLiteral("no frame for 0.3 s"),
        err.linesWith(QStringLiteral("the port was lost")).value(0),
    })) << err.lines().join(u'\n').toStdString();
}

TEST_F(Component, SaysWhenThePortCannotBeOpenedWithTheSystemsReason)
{
    StderrCapture err;
    const QByteArray missing = QDir(station.path()).filePath(QStringLiteral("no-such-tty")).toLocal8Bit();
    writeIni("[Ports]\nCOM2=" + missing + "\n[Driver]\nReopenInterval=50\n");
    ComPtr<IKaloScale> scale = create();
    EXPECT_EQ(scale->OpenPort(u"COM2"), S_FALSE);
    QTest::qWait(300);  // several attempts, one message
    const QStringList said = err.lines();
    ASSERT_EQ(said.size(), 1) << said.join(u'\n').toStdString();
    EXPECT_TRUE(said[0].startsWith(QStringLiteral("KaloScale: COM2 (%1): the port cannot be opened: ").arg(QString::fromLocal8Bit(missing))));
    EXPECT_TRUE(said[0].contains(QStringLiteral("No such file or directory"))) << said[0].toStdString();

    EXPECT_EQ(scale->OpenPort(u"COM0"), S_FALSE);
    EXPECT_TRUE(err.waitFor(QStringLiteral("KaloScale: COM0: no device is set for this port")));
}

TEST_F(Component, SaysWhatIsWrongWithItsSettingsAndItsScript)
{
    struct Case { QByteArray ini; QStringList said; };
    const Case cases[] = {
        {"[Driver]\nProtocol=CAS\n\x01\x02garbage\xff\n[Line]\nBaud=fast\n",
         {QStringLiteral("KaloScale.ini: line 3 \"\\x01\\x02garbage\\xFF\" is no setting"),
          QStringLiteral("KaloScale.ini: [Line] Baud=fast is not a valid value")}},
        {"[Driver]\nProtocol=Simulator\n[Simulator]\nScript=missing.txt\n",
         {QStringLiteral("KaloScale.ini: [Simulator] Script=missing.txt: %1 cannot be read")
              .arg(QDir(station.path()).filePath(QStringLiteral("missing.txt")))}},
    };
    for (const auto& c : cases) {
        StderrCapture err;
        writeIni(c.ini);
        ComPtr<IKaloScale> scale = create();
        EXPECT_EQ(scale->OpenPort(u"COM1"), E_INVALIDARG);
        EXPECT_EQ(data(*scale), QStringLiteral("Error"));
        QStringList said = err.lines();
        ASSERT_FALSE(said.isEmpty());
        EXPECT_TRUE(said.takeLast().startsWith(QStringLiteral("KaloScale: COM1: nothing opened")));
        EXPECT_EQ(said, c.said);
    }
}

TEST_F(Component, TheSimulatorSaysWhichScriptLinesItRefuses)
{
    StderrCapture err;
    QFile script(QDir(station.path()).filePath(QStringLiteral("r.txt")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("1.000;S;\n1.5;S;\nx\n2.000;S;\n");
    script.close();
    writeIni("[Driver]\nProtocol=Simulator\n[Simulator]\nScript=r.txt\n");
    ComPtr<IKaloScale> scale = create();
    ASSERT_EQ(scale->OpenPort(u"COM1"), S_OK);
    const QStringList readings = {data(*scale), data(*scale), data(*scale), data(*scale)};
    EXPECT_EQ(readings, (QStringList{QStringLiteral("1.000;S;"), QStringLiteral("Error"), QStringLiteral("Error"),
                                     QStringLiteral("2.000;S;")}));
    EXPECT_EQ(err.lines(), (QStringList{
        QStringLiteral("KaloScale: COM1 (simulator): frames not understood: \"1.5;S;\": not a reading in kilograms with three places, such as 1.234;S;"),
        QStringLiteral("KaloScale: COM1 (simulator): back to normal: 2.000;S;")}));
}

TEST_F(Component, BeforeOpenPortAndAfterClosePortTheReadingIsError)
{
    QFile script(QDir(station.path()).filePath(QStringLiteral("r.txt")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("1.000;S;\n");
    script.close();
    writeIni("[Driver]\nProtocol=Simulator\n[Simulator]\nScript=r.txt\n");
    ComPtr<IKaloScale> scale = create();
    EXPECT_EQ(data(*scale), QStringLiteral("Error"));
    EXPECT_EQ(scale->OpenPort(u"COM1"), S_OK);
    EXPECT_EQ(data(*scale), QStringLiteral("1.000;S;"));
    EXPECT_EQ(data(*scale), QStringLiteral("Error"));  // the script has ended
    EXPECT_EQ(scale->OpenPort(u"COM1"), S_OK);           // opening again starts it again
    EXPECT_EQ(data(*scale), QStringLiteral("1.000;S;"));
    EXPECT_EQ(scale->ClosePort(), S_OK);
    EXPECT_EQ(data(*scale), QStringLiteral("Error"));
    EXPECT_EQ(scale->get_Data(nullptr), E_POINTER);
}

TEST_F(Component, TheRandomSimulatorIsTheDemosScale)
{
    writeIni("[Driver]\nProtocol=Simulator\n");
    ComPtr<IKaloScale> scale = create();
    EXPECT_EQ(scale->OpenPort(u"COM1"), S_OK);
    EXPECT_EQ(data(*scale), QStringLiteral("0.000;S;"));  // it starts empty
}

TEST_F(Component, OffersItsInterfacesAndLateBinding)
{
    writeIni("[Driver]\nProtocol=Simulator\n");
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(CoCreateInstance(CLSID_KaloScale, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, dispatch.putVoid()), S_OK);
    ComPtr<IKaloScale> scale;
    EXPECT_EQ(dispatch.queryInterface(IID_IKaloScale, scale), S_OK);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(dispatch.queryInterface(IID_IUnknown, unknown), S_OK);
    ComPtr<IUnknown> none;
    EXPECT_EQ(dispatch.queryInterface(CLSID_KaloScale, none), E_NOINTERFACE);
    EXPECT_FALSE(none);

    QList<DISPID> ids;
    EXPECT_EQ(dispatch->GetIDsOfNames({QStringLiteral("openport"), QStringLiteral("Data")}, 0, &ids), S_OK);
    ASSERT_EQ(ids.size(), 2);
    QVariantList args{QStringLiteral("COM1")};
    EXPECT_EQ(dispatch->Invoke(ids[0], 0, args, nullptr), S_OK);
    QVariantList noArgs;
    QVariant result;
    EXPECT_EQ(dispatch->Invoke(ids[1], 0, noArgs, &result), S_OK);
    EXPECT_EQ(result.toString(), QStringLiteral("0.000;S;"));
    QVariantList wrong{42};
    EXPECT_EQ(dispatch->Invoke(ids[0], 0, wrong, nullptr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(dispatch->Invoke(ids[0], 0, noArgs, nullptr), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(dispatch->Invoke(99, 0, noArgs, nullptr), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(dispatch->GetIDsOfNames({QStringLiteral("Weigh")}, 0, &ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids, QList<DISPID>{-1});
}

TEST_F(Component, RefusesAggregation)
{
    writeIni("[Driver]\nProtocol=Simulator\n");
    ComPtr<IKaloScale> first = create();
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_KaloScale, first.get(), CLSCTX_ALL, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
}

}  // namespace

namespace {

// The stand-in the station's tests use (station_test_component.cpp).
class StandIn : public Component {
protected:
    void SetUp() override
    {
        Component::SetUp();
        components.reset();  // scopes end in the reverse order they began
        components = std::make_unique<ScopedComponentDirectory>(QStringLiteral(TARVIK_BINARY_DIR "/test-components"));
    }
    QStringList calls() const
    {
        QFile f(QDir(station.path()).filePath(QStringLiteral("KaloScale.calls")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
};

TEST_F(StandIn, RefusesARemoteContextSoTheRetryWithoutItSucceeds)
{
    writeIni("[Driver]\nProtocol=Simulator\n");
    ComPtr<IKaloScale> scale;
    EXPECT_EQ(CoCreateInstance(CLSID_KaloScale, nullptr, CLSCTX_ALL, IID_IKaloScale, scale.putVoid()), E_INVALIDARG);
    EXPECT_EQ(CoCreateInstance(CLSID_KaloScale, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IKaloScale,
                               scale.putVoid()),
              S_OK);
    ASSERT_TRUE(scale);
    scale->OpenPort(u"COM4");
    EXPECT_EQ(data(*scale), QStringLiteral("0.000;S;"));
    EXPECT_EQ(calls(), (QStringList{QStringLiteral("create 00000015 80070057"), QStringLiteral("create 00000005 00000000"),
                                    QStringLiteral("OpenPort COM4"), QStringLiteral("get_Data 00000000")}));
}

TEST_F(StandIn, FailsAsItsSettingsSay)
{
    writeIni("[Test]\nGetDataResult=80004005\n");
    ComPtr<IKaloScale> scale;
    ASSERT_EQ(CoCreateInstance(CLSID_KaloScale, nullptr, CLSCTX_INPROC_SERVER, IID_IKaloScale, scale.putVoid()), S_OK);
    QVariant v = QStringLiteral("stale");
    EXPECT_EQ(scale->get_Data(&v), E_FAIL);
    EXPECT_FALSE(v.isValid());

    writeIni("[Test]\nCreateResult=80040154\n");
    EXPECT_EQ(CoCreateInstance(CLSID_KaloScale, nullptr, CLSCTX_INPROC_SERVER, IID_IKaloScale, scale.putVoid()),
              REGDB_E_CLASSNOTREG);
}

}  // namespace
