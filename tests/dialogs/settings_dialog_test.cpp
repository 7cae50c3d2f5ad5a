// The settings dialog offscreen: its controls are the station's settings,
// bound to Setting_Prog.ini and to a real database file.

#include "data/datasets.h"
#include "data/station_store.h"
#include "dialogs/settings_dialog.h"
#include "model/station_model.h"
#include "platform/text/codec.h"
#include "platform/text/currency.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/responders.h"
#include "station/main_window.h"
#include "station/station.h"
#include "station/windows.h"
#include "support/station_folder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using tarvik::testing::StationFolder;

namespace {

class SettingsDialogTest : public ::testing::Test {
protected:
    void start(const QByteArray& settings = {})
    {
        // Grams with one place: the form of the default scale type "2,5 кг".
        folder.scriptScale({QStringLiteral("1000.0;S;"), QStringLiteral("2000.0;S;"), QStringLiteral("3000.0;S;"),
                            QStringLiteral("4000.0;S;"), QStringLiteral("5000.0;S;")});
        if (!settings.isEmpty())
            folder.write(QStringLiteral("Setting_Prog.ini"), settings);
        station = std::make_unique<tarvik::station::Station>(folder.programDir());
        ASSERT_TRUE(frMain->model().databaseOrNull()) << "no database";
    }

    void addProduct(int id, const QString& name)
    {
        auto& t = frMain->model().table();
        t.append();
        t.setValue(QStringLiteral("ID_TOB"), id);
        t.setValue(QStringLiteral("NAME"), name);
        t.setValue(QStringLiteral("PRICE"), QStringLiteral("1"));
        t.post();
    }

    // Runs the dialog as the menu does; `act` closes it one way or another.
    void showDialog(const std::function<void(TfrSetting&)>& act)
    {
        prompts->onDialog = [&](QDialog&) {
            act(*frSetting);
            return frSetting->result();
        };
        frMain->N4Click();
    }

    StationFolder folder;
    tarvik::ui::ScopedScriptedResponder prompts;
    std::unique_ptr<tarvik::station::Station> station;
};

TEST_F(SettingsDialogTest, AFreshInstallationHasTheDefaults)
{
    start();
    addProduct(1, QStringLiteral("Сир"));
    addProduct(2, QStringLiteral("Масло"));
    frSetting->LoadSettings();
    const auto startup = frMain->model().LoadStartupSettings();

    EXPECT_EQ(frSetting->windowTitle(), QStringLiteral("Налаштування"));
    EXPECT_EQ(frSetting->DBBox1->currentText(), QStringLiteral("Сир"));
    EXPECT_EQ(frSetting->DBBox2->currentText(), QStringLiteral("Сир"));
    EXPECT_EQ(frSetting->Edit9->text(), QStringLiteral("1"));
    EXPECT_EQ(frSetting->Edit10->text(), QStringLiteral("1"));
    EXPECT_EQ(frSetting->TypeBox1->currentText(), QStringLiteral("Code_2_5_interleaved"));
    EXPECT_EQ(frSetting->TypeBox1->count(), 24);
    EXPECT_EQ(frSetting->TypeBox1->itemText(14), QStringLiteral("CodeEAN13"));
    EXPECT_EQ(frSetting->SumBox1->currentText(), QStringLiteral("csmNone"));
    EXPECT_TRUE(frSetting->CheckBox1->isChecked());
    EXPECT_TRUE(frSetting->CheckBox2->isChecked());
    EXPECT_EQ(frSetting->Edit1->text(), QStringLiteral("     "));
    EXPECT_EQ(frSetting->Edit5->text(), QString());
    EXPECT_EQ(frSetting->Edit3->text(), QStringLiteral("     "));
    EXPECT_EQ(frSetting->Edit4->text(), QStringLiteral("     "));
    EXPECT_EQ(frSetting->NumBox->text().trimmed(), QStringLiteral("1"));
    EXPECT_EQ(frSetting->EditZero->text(), QStringLiteral("10   "));
    EXPECT_EQ(frSetting->EditV->text(), QStringLiteral("Name"));
    EXPECT_EQ(frSetting->ComBox->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(frSetting->ComboBox1->currentText(), QStringLiteral("2,5 кг"));
    EXPECT_EQ(startup.interval, 1000);
    EXPECT_EQ(frMain->model().startup().kg1, QStringLiteral("1000"));
    EXPECT_EQ(frMain->model().startup().weigthNumSim2, QStringLiteral("2"));
    EXPECT_EQ(frSetting->Edit7->text(), QStringLiteral("0"));
    EXPECT_EQ(frSetting->Edit8->text(), QStringLiteral("0"));
}

TEST_F(SettingsDialogTest, TabsAndCaptions)
{
    start();
    QStringList tabs;
    for (int i = 0; i < frSetting->PageControl1->count(); ++i)
        tabs << frSetting->PageControl1->tabText(i);
    EXPECT_EQ(tabs, (QStringList{QStringLiteral("Программи"), QStringLiteral("Товари"), QStringLiteral("Етикетки"),
                                 QStringLiteral("Повторний друк")}));
    EXPECT_EQ(frSetting->bOk->text(), QStringLiteral("Ok"));
    EXPECT_EQ(frSetting->bCancel->text(), QStringLiteral("Відмінити"));
    EXPECT_EQ(frSetting->bApply->text(), QStringLiteral("Застосувати"));
    EXPECT_EQ(frSetting->ComboBox1->count(), 4);
    EXPECT_EQ(frSetting->ComBox->count(), 5);
    EXPECT_TRUE(frSetting->Edit9->isReadOnly());
    EXPECT_TRUE(frSetting->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(SettingsDialogTest, OpensOnTheReprintTabFirstThenOnTheLastTab)
{
    start();
    QWidget* shown = nullptr;
    showDialog([&](TfrSetting& d) {
        shown = d.PageControl1->currentWidget();
        d.PageControl1->setCurrentWidget(d.Sheet1);
        d.bCancel->click();
    });
    EXPECT_EQ(shown, frSetting->TabSheet1);
    showDialog([&](TfrSetting& d) {
        shown = d.PageControl1->currentWidget();
        d.bCancel->click();
    });
    EXPECT_EQ(shown, frSetting->Sheet1);
}

TEST_F(SettingsDialogTest, AnUnsavedTareComesBackFromTheFileWhenTheTabsChange)
{
    start("[Tovar]\r\nTara_1=25\r\n");
    frSetting->PageControl1->setCurrentWidget(frSetting->Sheet1);
    EXPECT_EQ(frSetting->Edit1->text(), QStringLiteral("25   "));
    frSetting->Edit1->setText(QStringLiteral("999"));
    frSetting->PageControl1->setCurrentWidget(frSetting->Sheet2);
    frSetting->PageControl1->setCurrentWidget(frSetting->Sheet1);
    EXPECT_EQ(frSetting->Edit1->text(), QStringLiteral("25   "));
    // The reprint tab reloads nothing.
    frSetting->Edit1->setText(QStringLiteral("777"));
    frSetting->PageControl1->setCurrentWidget(frSetting->TabSheet1);
    EXPECT_EQ(frSetting->Edit1->text(), QStringLiteral("777  "));
}

TEST_F(SettingsDialogTest, ApplyWritesTheKeysInPlaceAndKeepsWhatItDoesNotKnow)
{
    const QByteArray before =
        "; written by hand\r\n"
        "[Timer]\r\ninterval=500\r\n"
        "[Prog]\r\nName_Weight=Old\r\nOperator=Іван\r\n"
        "[Weigth]\r\nKG_1=1\r\n";
    start(tarvik::text::toCp1251(QString::fromUtf8(before)));
    addProduct(1, QStringLiteral("Сир"));
    addProduct(2, QStringLiteral("Масло"));
    frSetting->LoadSettings();
    frSetting->DBBox1->setCurrentIndex(1);
    frSetting->Edit1->setText(QStringLiteral("12"));
    frSetting->Edit5->setText(QStringLiteral("482CCCCCWWWWW"));
    frSetting->TypeBox1->setCurrentIndex(14);
    frSetting->SumBox1->setCurrentIndex(1);
    frSetting->CheckBox2->setChecked(false);
    frSetting->Edit3->setText(QStringLiteral("30"));
    frSetting->EditV->setText(QStringLiteral("Ваги 1"));
    frSetting->ComboBox1->setCurrentIndex(1);
    frSetting->bApply->click();

    const QString expected = QStringLiteral(
        "; written by hand\r\n"
        "[Timer]\r\ninterval=500\r\n"
        "[Prog]\r\nName_Weight=Ваги 1\r\nOperator=Іван\r\n"
        "Sum_etic=30   \r\nKil_golovok=     \r\nNum_Box=1              \r\nWeight_Zero=10   \r\n"
        "Com_port=0\r\nType_Scale=1\r\n"
        "[Weigth]\r\nKG_1=1\r\n"
        "[Printer_USE]\r\nPrinter_1=0\r\nPrinter_2=0\r\n"
        "[Tovar]\r\nTovar_1=1\r\nTovar_2=0\r\nTara_1=12   \r\nTara_2=     \r\nBar_1=482CCCCCWWWWW\r\nBar_2=\r\n"
        "Bar_Type_1=14\r\nBar_Type_2=0\r\nBar_SummCheckMetod_1=1\r\nBar_SummCheckMetod_2=0\r\n"
        "Bar_Check_1=-1\r\nBar_Check_2=0\r\n");
    EXPECT_EQ(tarvik::text::fromCp1251(folder.read(QStringLiteral("Setting_Prog.ini"))), expected);
}

TEST_F(SettingsDialogTest, TheWeightLimitsOfLabel1AreShownAndApplied)
{
    start(QByteArray("[Tovar]\r\nNet_Max_1=1000\r\n"));
    frSetting->LoadSettings();
    EXPECT_EQ(frSetting->EditMin1->text(), QStringLiteral("      "));
    EXPECT_EQ(frSetting->EditMax1->text(), QStringLiteral("1000  "));
    // In the label 1 group of the "Программи" tab.
    auto* group = frSetting->Sheet1->findChild<QWidget*>(QStringLiteral("GroupBox1"));
    ASSERT_TRUE(group);
    EXPECT_TRUE(group->isAncestorOf(frSetting->EditMin1));
    EXPECT_TRUE(group->isAncestorOf(frSetting->EditMax1));
    frSetting->EditMin1->setText(QStringLiteral("500"));
    frSetting->EditMax1->setText(QString());
    frSetting->bApply->click();
    EXPECT_EQ(frMain->model().settings().netMin1.trimmed(), QStringLiteral("500"));
    EXPECT_TRUE(frMain->model().settings().netMax1.trimmed().isEmpty());
    const QByteArray saved = folder.read(QStringLiteral("Setting_Prog.ini"));
    EXPECT_TRUE(saved.contains("Net_Min_1=500   \r\n")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("Net_Max_1=      \r\n")) << saved.toStdString();
}

TEST_F(SettingsDialogTest, CancelWritesNothing)
{
    const QByteArray before = "[Prog]\r\nName_Weight=Old\r\n";
    start(before);
    showDialog([](TfrSetting& d) {
        d.EditV->setText(QStringLiteral("New"));
        d.bCancel->click();
    });
    EXPECT_EQ(folder.read(QStringLiteral("Setting_Prog.ini")), before);
    // The control keeps the typed text until the next reload.
    EXPECT_EQ(frSetting->EditV->text(), QStringLiteral("New"));
}

TEST_F(SettingsDialogTest, OkSavesAndCloses)
{
    start();
    showDialog([](TfrSetting& d) {
        d.EditV->setText(QStringLiteral("Line2"));
        d.bOk->click();
    });
    EXPECT_FALSE(frSetting->isVisible());
    EXPECT_TRUE(folder.read(QStringLiteral("Setting_Prog.ini")).contains("Name_Weight=Line2\r\n"));
}

class ClosingResumesPolling : public SettingsDialogTest, public ::testing::WithParamInterface<int> {};

TEST_P(ClosingResumesPolling, WeighingPausesWhileTheDialogIsOpen)
{
    start();
    frMain->FormActivate();
    frMain->TimerTimer();
    ASSERT_EQ(frMain->WEdit->text(), QStringLiteral("1000"));
    bool timerWhileOpen = true;
    showDialog([&](TfrSetting& d) {
        timerWhileOpen = frMain->Timer->isActive();
        // Time passes with the dialog open; no reading is taken.
        QTest::qWait(150);
        switch (GetParam()) {
        case 0: d.bOk->click(); break;
        case 1: d.bCancel->click(); break;
        default: d.close(); break;  // the window's close box
        }
    });
    EXPECT_FALSE(timerWhileOpen);
    EXPECT_EQ(frMain->WEdit->text(), QStringLiteral("1000"));
    EXPECT_TRUE(frMain->Timer->isActive());
    EXPECT_TRUE(QTest::qWaitFor([] { return frMain->WEdit->text() == u"2000"; }, 5000));
}

INSTANTIATE_TEST_SUITE_P(OkCancelCloseBox, ClosingResumesPolling, ::testing::Values(0, 1, 2));

TEST_F(SettingsDialogTest, ChoosingAProductShowsItsId)
{
    start();
    addProduct(7, QStringLiteral("Сир"));
    addProduct(9, QStringLiteral("Кава 'Люкс'"));  // an apostrophe is just a character
    frSetting->LoadSettings();
    frSetting->DBBox1->setCurrentIndex(1);
    frSetting->DBBox1Select();
    EXPECT_EQ(frSetting->Edit9->text(), QStringLiteral("9"));
    frSetting->DBBox2->setCurrentIndex(0);
    frSetting->DBBox2Select();
    EXPECT_EQ(frSetting->Edit10->text(), QStringLiteral("7"));
}

// The IDs come from the product list just read, as the database compares
// names: the first product of the name in ID order, trailing blanks ignored.
TEST_F(SettingsDialogTest, TheIdOfAChosenProductIsTheFirstOfItsNameInTheList)
{
    struct Case {
        const char* what;
        std::vector<std::pair<int, QString>> products;  // in the order they were added
        int position;                                   // of label 1's product in the list (ID order)
        const char* id;
    };
    const Case cases[] = {
        {"a name of its own", {{3, QStringLiteral("Сир")}, {5, QStringLiteral("Масло")}}, 1, "5"},
        {"a name twice, added out of ID order", {{4, QStringLiteral("Сир")}, {2, QStringLiteral("Сир")}}, 1, "2"},
        {"the same name but for trailing blanks", {{8, QStringLiteral("Сир")}, {6, QStringLiteral("Сир  ")}}, 1, "6"},
        {"names differing in case", {{1, QStringLiteral("СИР")}, {2, QStringLiteral("Сир")}}, 1, "2"},
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto& t = frMain->model().table();
        while (t.recordCount() > 0) {
            t.first();
            t.deleteRecord();
        }
        for (const auto& [id, name] : c.products)
            addProduct(id, name);
        QFile ini(folder.path(QStringLiteral("Setting_Prog.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[Tovar]\r\nTovar_1=%1\r\nTovar_2=0\r\n").arg(c.position).toUtf8());
        ini.close();
        frSetting->LoadSettings();
        EXPECT_EQ(frSetting->Edit9->text(), QString::fromLatin1(c.id));
        EXPECT_EQ(frSetting->Edit10->text(), QString::number(std::min(c.products[0].first, c.products[1].first)));
    }
}

TEST_F(SettingsDialogTest, AStoredPositionPastTheCatalogueLeavesNoSelection)
{
    start("[Tovar]\r\nTovar_1=5\r\n");
    addProduct(1, QStringLiteral("Сир"));
    frSetting->Edit9->setText(QStringLiteral("x"));
    frSetting->LoadSettings();
    EXPECT_EQ(frSetting->DBBox1->currentIndex(), -1);
    EXPECT_EQ(frSetting->Edit9->text(), QString());
}

TEST_F(SettingsDialogTest, AFailingKeyStopsTheLoadThere)
{
    start("[Tovar]\r\nTara_1=5\r\nBar_Type_1=abc\r\n[Prog]\r\nName_Weight=Loaded\r\n");
    frSetting->EditV->setText(QStringLiteral("Before"));
    try {
        frSetting->LoadSettings();
        FAIL() << "no conversion error";
    } catch (const std::exception& e) {
        EXPECT_EQ(tarvik::errorText(e),
                  QStringLiteral("Setting_Prog.ini, [Tovar] Bar_Type_1: 'abc' is not a valid integer value"));
    }
    EXPECT_EQ(frSetting->EditV->text(), QStringLiteral("Before"));  // after the failing key
}

TEST_F(SettingsDialogTest, EnterInTheBoxNumberStoresItInTheDatabase)
{
    start();
    frSetting->NumBox->setText(QStringLiteral("12"));
    QTest::keyClick(frSetting->NumBox, Qt::Key_Return);
    EXPECT_EQ(frMain->model().store().boxNumber(), 12);
    // Not written to the settings file.
    EXPECT_TRUE(folder.read(QStringLiteral("Setting_Prog.ini")).isEmpty());
}

// The dialog has no default button: Enter in a field of "Программи" neither
// opens the test-barcode input of "Друк коду" nor closes the dialog.
TEST_F(SettingsDialogTest, EnterInTheFieldsOfTheProgramTabDoesNothing)
{
    start();
    int shownWith = 0;
    showDialog([&](TfrSetting& d) {
        d.PageControl1->setCurrentWidget(d.Sheet1);
        for (QWidget* field : std::initializer_list<QWidget*>{d.Edit5, d.Edit1, d.Edit3, d.EditZero, d.EditV, d.Edit6,
                                                             d.TypeBox1, d.ComBox}) {
            field->setFocus();
            QTest::keyClick(field, Qt::Key_Return);
            QTest::keyClick(field, Qt::Key_Enter);
            shownWith += d.isVisible();
        }
        d.bCancel->click();
    });
    EXPECT_EQ(shownWith, 8);
    // The dialog itself is the only prompt: no input, no preview.
    ASSERT_EQ(prompts->seen.size(), 1u);
    EXPECT_EQ(prompts->seen[0].caption, QStringLiteral("Налаштування"));
}

TEST_F(SettingsDialogTest, AnEmptyBoxNumberIsRefusedAndChangesNothing)
{
    start();
    frSetting->NumBox->setText(QStringLiteral("5"));
    frSetting->NumBoxEnter();
    for (const QString& typed : {QString(), QStringLiteral("1 2")}) {
        frSetting->NumBox->setText(typed);
        try {
            frSetting->NumBoxEnter();
            ADD_FAILURE() << "accepted \"" << typed.toStdString() << '"';
        } catch (const tarvik::ConvertError& e) {
            EXPECT_EQ(e.text(), QStringLiteral("№ коробки: '%1' is not a valid integer value").arg(typed));
        }
    }
    EXPECT_EQ(frMain->model().store().boxNumber(), 5);
}

}  // namespace

TEST_F(SettingsDialogTest, ABoxCountOrMassThatIsNoNumberIsRefusedOnApplyAndNothingIsSaved)
{
    start("[Prog]\r\nName_Weight=Old\r\n");
    frSetting->LoadSettings();
    auto* count = frSetting->findChild<QLineEdit*>(QStringLiteral("Edit7"));
    auto* mass = frSetting->findChild<QLineEdit*>(QStringLiteral("Edit8"));
    auto* name = frSetting->findChild<QLineEdit*>(QStringLiteral("EditV"));
    auto* apply = frSetting->findChild<QPushButton*>(QStringLiteral("bApply"));
    ASSERT_TRUE(count && mass && name && apply);
    const struct {
        const char* count;
        const char* mass;
        const char* field;
    } cases[] = {{"abc", "0", "Надруковано етикеток"}, {"2", "1.5", "Сумарна масса"}, {"", "0", "Надруковано етикеток"}};
    for (const auto& c : cases) {
        prompts->seen.clear();
        count->setText(QString::fromUtf8(c.count));
        mass->setText(QString::fromUtf8(c.mass));
        name->setText(QStringLiteral("New"));
        apply->click();
        ASSERT_EQ(prompts->messages().size(), 1u) << c.count;
        EXPECT_TRUE(prompts->messages()[0].text.contains(QString::fromUtf8(c.field)))
            << prompts->messages()[0].text.toStdString();
        EXPECT_EQ(frMain->model().box(), tarvik::model::BoxState{});
        EXPECT_EQ(frMain->model().settings().nameWeight, QStringLiteral("Old"));
        EXPECT_FALSE(folder.read(QStringLiteral("Setting_Prog.ini")).contains("New"));
    }
    // Numbers go into the model's box, and the main window shows them at the next count.
    count->setText(QStringLiteral("4"));
    mass->setText(QStringLiteral("4000,5"));
    apply->click();
    EXPECT_EQ(frMain->model().box().count, 4);
    EXPECT_EQ(frMain->model().box().mass, Currency::fromText(QStringLiteral("4000,5")));
}

TEST_F(SettingsDialogTest, ASettingItsControlCannotHoldIsShownAsAnErrorNamingTheKey)
{
    start("[Tovar]\r\nTara_1=25\r\n[Prog]\r\nSum_etic=30\r\nWeight_Zero=1,5\r\nName_Weight=Station\r\n");
    auto* tare = frSetting->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    auto* perBox = frSetting->findChild<QLineEdit*>(QStringLiteral("Edit3"));
    auto* zero = frSetting->findChild<QLineEdit*>(QStringLiteral("EditZero"));
    auto* name = frSetting->findChild<QLineEdit*>(QStringLiteral("EditV"));
    auto* tabs = frSetting->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    ASSERT_TRUE(tare && perBox && zero && name && tabs);
    tabs->setCurrentIndex(0);  // "Программи" loads the settings
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].text,
              QStringLiteral("Setting_Prog.ini, [Prog] Weight_Zero: значення \"1,5\" не вміщується в поле "
                             "\"Вага \"0\"\" (EditZero): лише цифри, не більше 5"));
    // The keys before it are loaded; the refused one and those after it are not altered.
    EXPECT_EQ(tare->displayText(), QStringLiteral("25   "));
    EXPECT_EQ(perBox->displayText(), QStringLiteral("30   "));
    EXPECT_EQ(zero->displayText(), QStringLiteral("10   "));
    EXPECT_EQ(name->text(), QStringLiteral("Name"));
}
