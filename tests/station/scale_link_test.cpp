// The station's scale link against the real driver: a virtual scale on a
// pseudo-terminal, and the stand-in component for the connection's failures.

#include "dialogs/settings_dialog.h"
#include "drivers/kaloscale/scale_fixtures.h"
#include "platform/com/com.h"
#include "platform/ui/responders.h"
#include "model/station_model.h"
#include "station/main_window.h"
#include "station/station.h"
#include "station/windows.h"
#include "support/station_folder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using tarvik::kaloscale::testing::VirtualScale;
using tarvik::testing::StationFolder;

namespace {

class ScaleLinkTest : public ::testing::Test {
protected:
    void startStation(const QByteArray& kaloScaleIni, int scaleType = 1)
    {
        folder.write(QStringLiteral("KaloScale.ini"), kaloScaleIni);
        folder.write(QStringLiteral("Setting_Prog.ini"),
                     // Complete, so that the first activation has nothing to say.
                     QStringLiteral("[Tovar]\r\nTara_1=0\r\nTara_2=0\r\nBar_1=20CCCCCWWWWW\r\nBar_2=21CCCCCWWWWWW\r\n"
                                    "[Prog]\r\nSum_etic=3\r\nKil_golovok=1\r\n"
                                    "Type_Scale=%1\r\nCom_port=2\r\nWeight_Zero=99999\r\n[Timer]\r\ninterval=20\r\n")
                         .arg(scaleType)
                         .toLatin1());
        station = std::make_unique<tarvik::station::Station>(folder.programDir());
    }

    bool waitForWeight(const QString& weight, const QString& stability)
    {
        return QTest::qWaitFor([&] { return frMain->WEdit->text() == weight && frMain->SEdit->text() == stability; },
                               15'000);
    }

    QStringList calls() const { return QString::fromUtf8(folder.read(QStringLiteral("KaloScale.calls"))).split(u'\n', Qt::SkipEmptyParts); }

    StationFolder folder;
    tarvik::ui::ScopedScriptedResponder prompts;
    std::unique_ptr<tarvik::station::Station> station;
};

TEST_F(ScaleLinkTest, ShowsTheWeightOfAVirtualScaleOnASerialLine)
{
    VirtualScale scale({QStringLiteral("--protocol"), QStringLiteral("SICS")});
    // The port chosen in the settings (COM3) names the virtual scale's terminal.
    startStation("[Ports]\r\nCOM3=" + scale.device().toUtf8() + "\r\n[Driver]\r\nProtocol=SICS\r\n");
    frMain->FormActivate();
    scale.type("1.234");
    EXPECT_TRUE(waitForWeight(QStringLiteral("1234"), QStringLiteral("Стабільна")));
    scale.type("d");
    EXPECT_TRUE(waitForWeight(QStringLiteral("1234"), QStringLiteral("============")));
    scale.type("0.250");
    EXPECT_TRUE(waitForWeight(QStringLiteral("0250"), QStringLiteral("Стабільна")));
    EXPECT_TRUE(prompts->seen.empty());
}

TEST_F(ScaleLinkTest, RetriesWithoutTheRemoteServerWhenTheFirstCreationIsRefused)
{
    tarvik::com::ScopedComponentDirectory dir(QStringLiteral(TARVIK_BINARY_DIR "/test-components"));
    startStation("[Driver]\r\nProtocol=Simulator\r\n");
    frMain->FormActivate();
    ASSERT_TRUE(frMain->Scale().isConnected());
    const QStringList c = calls();
    ASSERT_GE(c.size(), 3);
    EXPECT_EQ(c[0], QStringLiteral("create 00000015 80070057"));  // in-process, local and remote: refused
    EXPECT_EQ(c[1], QStringLiteral("create 00000005 00000000"));  // in-process and local only
    EXPECT_EQ(c[2], QStringLiteral("OpenPort COM3"));             // Com_port 2 is "COM3"
}

TEST_F(ScaleLinkTest, AFailingCreationRaisesTheComponentErrorWithTheSystemText)
{
    tarvik::com::ScopedComponentDirectory dir(QStringLiteral(TARVIK_BINARY_DIR "/test-components"));
    startStation("[Driver]\r\nProtocol=Simulator\r\n[Test]\r\nCreateResult=80040154\r\n");
    try {
        frMain->FormActivate();
        FAIL() << "connected";
    } catch (const tarvik::com::EOleSysError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Class not registered"));
    }
    EXPECT_FALSE(frMain->Timer->isActive());
}

class HrCheck : public ScaleLinkTest, public ::testing::WithParamInterface<tarvik::ui::Button> {};

TEST_P(HrCheck, AFailingReadAsksAndTheAnswerDecides)
{
    tarvik::com::ScopedComponentDirectory dir(QStringLiteral(TARVIK_BINARY_DIR "/test-components"));
    startStation("[Driver]\r\nProtocol=Simulator\r\n[Test]\r\nGetDataResult=80004005\r\n");
    frMain->FormActivate();
    frMain->Timer->stop();
    frMain->model().setWeight(QStringLiteral("before"));
    prompts->buttons.push_back(GetParam());
    QString raised;
    try {
        frMain->TimerTimer();
    } catch (const std::exception& e) {
        raised = tarvik::errorText(e);
    }
    const auto asked = prompts->messages();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].caption, QStringLiteral("HRCHECK: "));
    EXPECT_TRUE(asked[0].text.startsWith(
        QStringLiteral("'this->get_Data((Variant*)&Value)': Unspecified error @ KaloScale_TLB.h/253\n")))
        << asked[0].text.toStdString();
    if (GetParam() == tarvik::ui::Button::Yes) {
        EXPECT_EQ(raised, asked[0].text);  // the component error with the question's text
    } else {
        // No: an empty reading, which fails as a number.
        EXPECT_EQ(raised, QStringLiteral("Вага від ваг (поле \"ВАГА\"): '' is not a valid floating point value"));
    }
    EXPECT_EQ(frMain->WEdit->text(), QStringLiteral("before"));
}

INSTANTIATE_TEST_SUITE_P(Answers, HrCheck, ::testing::Values(tarvik::ui::Button::Yes, tarvik::ui::Button::No));

}  // namespace
