// The main window driven offscreen through a scripted simulated scale.

#include "dialogs/settings_dialog.h"
#include "model/station_model.h"
#include "platform/com/com.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/responders.h"
#include "station/main_window.h"
#include "station/station.h"
#include "station/about_box.h"
#include "station/application.h"
#include "reports/reports_window.h"
#include "station/windows.h"
#include "support/station_folder.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using tarvik::testing::StationFolder;

namespace {

const QString kStable = QStringLiteral("Стабільна");
const QString kUnstable = QStringLiteral("============");

class MainWindowTest : public ::testing::Test {
protected:
    // The zero threshold lies above every reading here: these tests watch
    // the reading, and no load starts a label run.
    void start(const QStringList& readings, int scaleType = 1)
    {
        folder.scriptScale(readings);
        folder.write(QStringLiteral("Setting_Prog.ini"),
                     // Complete, so that the first activation has nothing to say.
                     QStringLiteral("[Tovar]\r\nTara_1=0\r\nTara_2=0\r\nBar_1=20CCCCCWWWWW\r\nBar_2=21CCCCCWWWWWW\r\n"
                                    "[Prog]\r\nSum_etic=3\r\nKil_golovok=1\r\n"
                                    "Type_Scale=%1\r\nWeight_Zero=99999\r\n[Timer]\r\ninterval=50\r\n")
                         .arg(scaleType)
                         .toLatin1());
        station = std::make_unique<tarvik::station::Station>(folder.programDir());
        frMain->FormActivate();
    }

    // One tick as the timer runs it.
    void tick() { frMain->TimerTimer(); }

    StationFolder folder;
    tarvik::ui::ScopedScriptedResponder prompts;
    std::unique_ptr<tarvik::station::Station> station;
};

TEST_F(MainWindowTest, StartsWithItsCaptionsAndInitialTexts)
{
    start({});
    EXPECT_EQ(frMain->windowTitle(), QStringLiteral("Tarvik ver.1.1"));
    EXPECT_EQ(frMain->WEdit->text(), QString());
    EXPECT_EQ(frMain->SEdit->text(), QString());
    EXPECT_FALSE(frMain->WEdit->isEnabled());
    EXPECT_FALSE(frMain->SEdit->isEnabled());
    EXPECT_EQ(frMain->MaskEdit1->text(), QStringLiteral("2    "));
    EXPECT_EQ(frMain->MaskEdit2->text(), QStringLiteral("3    "));
    EXPECT_EQ(frMain->MaskEdit3->text(), QStringLiteral("0    "));
    EXPECT_EQ(frMain->Edit7->text(), QStringLiteral("0"));
    EXPECT_TRUE(frMain->Edit2->text().isEmpty());
    EXPECT_EQ(frMain->ProgramDir(), folder.programDir());

    QStringList menu;
    for (QAction* a : frMain->findChild<QMenuBar*>(QStringLiteral("MMenu"))->actions())
        menu << a->text();
    EXPECT_EQ(menu, (QStringList{QStringLiteral("Файл"), QStringLiteral("Звіти"), QStringLiteral("Налаштування"),
                                 QStringLiteral("Друк етикетки"), QStringLiteral("Про программу")}));
    EXPECT_EQ(frMain->N5->text(), QStringLiteral("Вихід"));
    // The typed batch keeps its blanks: "12" is read as "12   ".
    frMain->MaskEdit1->setText(QStringLiteral("12"));
    EXPECT_EQ(frMain->MaskEdit1->text(), QStringLiteral("12   "));
}

TEST_F(MainWindowTest, WeightAndStabilityFollowTheScale)
{
    start({QStringLiteral("1.234;S;"), QStringLiteral("2.500;U;"), QStringLiteral("Error"),
           QStringLiteral("  0.000;U;7"), QStringLiteral("12.5;S;")});
    EXPECT_TRUE(frMain->Timer->isActive());
    EXPECT_EQ(frMain->Timer->interval(), 50);

    struct {
        const char* weight;
        const QString& stability;
    } expected[] = {{"1234", kStable}, {"2500", kUnstable}, {"2500", kUnstable}, {"0000", kUnstable}, {"125", kStable}};
    for (const auto& e : expected) {
        tick();
        EXPECT_EQ(frMain->WEdit->text(), QString::fromUtf8(e.weight));
        EXPECT_EQ(frMain->SEdit->text(), e.stability);
    }
    // After the script: "Error" for ever, and nothing changes.
    tick();
    EXPECT_EQ(frMain->WEdit->text(), QStringLiteral("125"));
}

TEST_F(MainWindowTest, ScaleTypeIsReadOnEveryTick)
{
    start({QStringLiteral("1.234;S;"), QStringLiteral("1.234;S;")}, 1);
    tick();
    EXPECT_EQ(frMain->WEdit->text(), QStringLiteral("1234"));
    auto settings = frMain->model().settings();
    settings.typeScale = 0;
    frMain->model().setSettings(settings);
    tick();
    EXPECT_EQ(frMain->WEdit->text(), QStringLiteral("134"));
}

TEST_F(MainWindowTest, AWeightThatIsNoNumberUpdatesStabilityButNotTheWeight)
{
    start({QStringLiteral("1.000;S;"), QStringLiteral("error;U;"), QStringLiteral("2.000;S;")});
    tick();
    try {
        tick();
        FAIL() << "no conversion error";
    } catch (const tarvik::ConvertError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Вага від ваг (поле \"ВАГА\"): 'error' is not a valid floating point value"));
    }
    EXPECT_EQ(frMain->SEdit->text(), kUnstable);
    EXPECT_EQ(frMain->WEdit->text(), QStringLiteral("1000"));
    EXPECT_TRUE(frMain->Timer->isActive());  // the next tick tries again
    tick();
    EXPECT_EQ(frMain->WEdit->text(), QStringLiteral("2000"));
}

TEST_F(MainWindowTest, ASecondActivationDoesNotReconnect)
{
    start({QStringLiteral("1.000;S;"), QStringLiteral("2.000;S;"), QStringLiteral("3.000;S;")});
    tick();
    frSetting->EditZero->setText(QStringLiteral("77777"));
    frMain->FormActivate();
    tick();
    // A reconnected simulator would start its script again at 1.000.
    EXPECT_EQ(frMain->WEdit->text(), QStringLiteral("2000"));
    // Nor were the settings loaded again.
    EXPECT_EQ(frSetting->EditZero->text(), QStringLiteral("77777"));
}

TEST_F(MainWindowTest, TimerRunsOnEventsAndErrorsGoToTheErrorDisplay)
{
    start({QStringLiteral("1.000;S;"), QStringLiteral("x;S;"), QStringLiteral("3.000;S;")});
    // Three ticks through the event loop; the bad one is shown, not fatal.
    for (int i = 0; i < 200 && frMain->WEdit->text() != u"3000"; ++i)
        QTest::qWait(20);
    EXPECT_EQ(frMain->WEdit->text(), QStringLiteral("3000"));
    const auto shown = prompts->messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("Вага від ваг (поле \"ВАГА\"): 'x' is not a valid floating point value"));
}

TEST_F(MainWindowTest, PollingPausesWhileTheSettingsDialogIsOpen)
{
    start({QStringLiteral("1.000;S;")});
    bool activeWhileOpen = true;
    prompts->onDialog = [&](QDialog& d) {
        activeWhileOpen = frMain->Timer->isActive();
        d.reject();
        return int(QDialog::Rejected);
    };
    frMain->N4Click();
    EXPECT_FALSE(activeWhileOpen);
    EXPECT_TRUE(frMain->Timer->isActive());
}

TEST_F(MainWindowTest, WeighingGoesOnWhileTheAboutBoxIsOpen)
{
    start({QStringLiteral("1.000;S;"), QStringLiteral("2.000;S;"), QStringLiteral("3.000;S;")});
    QString seenWhileOpen;
    prompts->onDialog = [&](QDialog& d) {
        EXPECT_EQ(&d, static_cast<QDialog*>(Abou));
        // The timer's own ticks, through the event loop, while the box is open.
        QTest::qWaitFor([] { return frMain->WEdit->text() == u"3000"; }, 5000);
        seenWhileOpen = frMain->WEdit->text();
        return int(QDialog::Accepted);
    };
    frMain->N3Click();
    EXPECT_EQ(seenWhileOpen, QStringLiteral("3000"));
    EXPECT_TRUE(frMain->Timer->isActive());
}

// Each window pauses polling for itself: closing the settings leaves it
// paused while the reports window is open, whichever closes first.
TEST_F(MainWindowTest, PollingStaysPausedWhileTheReportsWindowIsOpen)
{
    start({QStringLiteral("1.000;S;")});
    for (bool reportsFirst : {true, false}) {
        SCOPED_TRACE(reportsFirst);
        prompts->onDialog = [](QDialog& d) {
            d.accept();
            return int(QDialog::Accepted);
        };
        frMain->N2Click();
        ASSERT_TRUE(FZvit->isVisible());
        EXPECT_FALSE(frMain->Timer->isActive());
        frMain->N4Click();  // opened and closed with Ok
        EXPECT_FALSE(frMain->Timer->isActive());
        frMain->startPolling();  // a server that comes back does not resume it either
        EXPECT_FALSE(frMain->Timer->isActive());
        if (reportsFirst) {
            FZvit->close();
            EXPECT_TRUE(frMain->Timer->isActive());
        } else {
            prompts->onDialog = [](QDialog& d) {
                // Reports closed while the settings are open: still paused by the settings.
                FZvit->close();
                EXPECT_FALSE(frMain->Timer->isActive());
                d.reject();
                return int(QDialog::Rejected);
            };
            frMain->N4Click();
            EXPECT_TRUE(frMain->Timer->isActive());
        }
    }
}

// Qt's own buttons and the calendar speak the station's language.
TEST(StationLanguage, QtsOwnButtonsAndCalendarAreUkrainian)
{
    auto* app = qobject_cast<tarvik::station::StationApplication*>(QCoreApplication::instance());
    ASSERT_TRUE(app);
    ASSERT_TRUE(app->speakUkrainian()) << "qtbase_uk.qm (qt6-translations-l10n) is missing";
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                         QDialogButtonBox::No);
    const auto text = [&](QDialogButtonBox::StandardButton b) { return box.button(b)->text().remove(u'&'); };
    EXPECT_EQ(text(QDialogButtonBox::Cancel), QStringLiteral("Скасувати"));
    EXPECT_EQ(text(QDialogButtonBox::Yes), QStringLiteral("Так"));
    EXPECT_EQ(text(QDialogButtonBox::No), QStringLiteral("Ні"));
    // The print dialog and the print preview.
    EXPECT_NE(QCoreApplication::translate("QPrintDialog", "Print"), QStringLiteral("Print"));
    EXPECT_NE(QCoreApplication::translate("QPrintPreviewDialog", "Page setup"), QStringLiteral("Page setup"));
    QCalendarWidget calendar;
    calendar.setCurrentPage(2026, 12);
    const QLocale shown = calendar.locale();
    EXPECT_EQ(shown.standaloneMonthName(12).toLower(), QStringLiteral("грудень"));
    EXPECT_EQ(shown.dayName(1, QLocale::ShortFormat).toLower(), QStringLiteral("пн"));
    // The station's own numbers and dates keep their fixed forms.
    EXPECT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
}

TEST_F(MainWindowTest, NoComponentMeansNoPollingUntilTheNextActivation)
{
    folder.scriptScale({QStringLiteral("1.000;S;")});
    station = std::make_unique<tarvik::station::Station>(folder.programDir());
    {
        QTemporaryDir empty;
        tarvik::com::ScopedComponentDirectory dir(empty.path());
        try {
            frMain->FormActivate();
            FAIL() << "connected without a component";
        } catch (const tarvik::com::EOleSysError& e) {
            EXPECT_EQ(e.errorCode(), tarvik::com::REGDB_E_CLASSNOTREG);
        }
        EXPECT_FALSE(frMain->Timer->isActive());
        EXPECT_FALSE(frMain->Scale().isConnected());
    }
    frMain->FormActivate();
    EXPECT_TRUE(frMain->Scale().isConnected());
    EXPECT_TRUE(frMain->Timer->isActive());
}

TEST_F(MainWindowTest, PrintLabelMenuItemDoesNothing)
{
    start({});
    frMain->N6->trigger();
    EXPECT_TRUE(prompts->seen.empty());
}

}  // namespace

namespace {

// A first start with incomplete settings: one message names them all, and
// what stops the ticks themselves stops the activation.
TEST_F(MainWindowTest, AFirstStartTellsEveryMissingSettingInOneMessage)
{
    struct Row {
        const char* ini;
        bool polls;  // the activation goes on and the timer runs
        std::vector<const char*> named;
    } rows[] = {
        {"[Timer]\r\ninterval=50\r\n", true,
         {"Tara_1", "Tara_2", "Sum_etic", "Kil_golovok", "Bar_1", "Bar_2"}},
        {"[Tovar]\r\nTara_1=0\r\nTara_2=0\r\nBar_1=20CCCCCWWWWW\r\n[Prog]\r\nSum_etic=0\r\nKil_golovok=1\r\n"
         "[Timer]\r\ninterval=50\r\n",
         true, {"Sum_etic", "Bar_2"}},
        {"[Prog]\r\nWeight_Zero=\r\n[Timer]\r\ninterval=-5\r\n[Weigth]\r\nWeigth_Num_Sim_1=1000000000\r\n", false,
         {"Weight_Zero", "[Timer] interval", "Weigth_Num_Sim_1", "Tara_1", "Bar_2"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.ini);
        folder.scriptScale({});
        folder.write(QStringLiteral("Setting_Prog.ini"), r.ini);
        station = std::make_unique<tarvik::station::Station>(folder.programDir());
        const auto before = prompts->messages().size();
        QString text;
        try {
            frMain->FormActivate();
            ASSERT_EQ(prompts->messages().size(), before + 1);
            text = prompts->messages().back().text;
        } catch (const tarvik::Error& e) {
            text = e.text();
            EXPECT_EQ(prompts->messages().size(), before);
        }
        EXPECT_EQ(frMain->Timer->isActive(), r.polls);
        EXPECT_TRUE(text.startsWith(QStringLiteral("Налаштування станції неповні"))) << text.toStdString();
        for (const char* key : r.named)
            EXPECT_TRUE(text.contains(QString::fromUtf8(key))) << key << ": " << text.toStdString();
        station.reset();
    }
}

}  // namespace
