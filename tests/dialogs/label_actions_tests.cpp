// What the operator's clicks on labels do: the reprint and its one error box,
// the test barcode's input and preview, and the tab "Етикетки" over the label
// pages of a real station folder, printed to "Tarvik PDF" and read back.

#include "labels/label_fixture.h"

#include "dialogs/label_actions.h"
#include "dialogs/labels_tab.h"
#include "data/settings_files.h"
#include "platform/preview/page_preview.h"
#include "platform/ui/responders.h"
#include "platform/text/currency.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QFileInfo>
#include <QImage>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>

using namespace tarvik::labels;
using namespace tarvik::labels::testing;
using tarvik::dialogs::LabelActions;
using tarvik::dialogs::LabelsTab;

namespace {

QString today() { return labelDateText(QDate::currentDate()); }

}  // namespace

class LabelPrinting : public ::testing::Test {
protected:
    void SetUp() override
    {
        st.openCatalogue();
        st.prepareLabels();
    }
    StationLabels st;
    tarvik::ui::ScopedScriptedResponder prompts;
    LabelActions actions{*st.pages};
};

TEST_F(LabelPrinting, ReprintPrintsTheTypedWeightAndWritesNoLogRow)
{
    st.settings.s.barcode1 = {tarvik::barcode::bcCode128B, false, tarvik::barcode::csmNone, 0.0};
    st.settings.s.barTemplate1 = QStringLiteral("482CCCCCWWWWW");
    ASSERT_TRUE(actions.Button5Click(QStringLiteral(" 1234,5 "), QStringLiteral(" 77 ")));
    ASSERT_TRUE(actions.Button5Click(QStringLiteral("1234,5"), QStringLiteral("77")));
    const QStringList files = st.pdfs();
    ASSERT_EQ(files.size(), 2);
    const QString folder = st.pages->printers().pdfFolder() + u'/';
    const QString first = pdfText(folder + files[0]);
    EXPECT_EQ(first, pdfText(folder + files[1]));
    for (const QString& expected : {QStringLiteral("1,23"), QStringLiteral("0,05"), QStringLiteral("1,18"),
                                    QStringLiteral("Партія: 77"), today()})
        EXPECT_TRUE(first.contains(expected)) << expected.toStdString() << "\n" << first.toStdString();
    EXPECT_TRUE(first.contains(QRegularExpression(QStringLiteral("Коробка №\\s*\\n")))) << first.toStdString();
    // The barcode is made from the net weight text 1184,5.
    EXPECT_EQ(decode(pdfToPng(folder + files[0])), QStringList{QStringLiteral("48200012184,5")});
    EXPECT_EQ(st.logRows(), 0);
    EXPECT_EQ(st.main.log, QStringLiteral("untouched"));
    EXPECT_TRUE(prompts->messages().empty());
}

TEST_F(LabelPrinting, ABadTypedWeightShowsTheOneMessageAndPrintsNothing)
{
    for (const QString& weight : {QStringLiteral("1234.5"), QString(), QStringLiteral("abc")}) {
        prompts->seen.clear();
        EXPECT_FALSE(actions.Button5Click(weight, QStringLiteral("77")));
        const auto seen = prompts->messages();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].caption, QStringLiteral("Помилка"));
        EXPECT_EQ(seen[0].text, QStringLiteral("Введена не коректна інформація"));
    }
    // A product without a price and an empty tare fail the same way.
    st.settings.s.product1 = 2;
    EXPECT_FALSE(actions.Button5Click(QStringLiteral("1234"), QStringLiteral("77")));
    st.settings.s.product1 = 0;
    st.settings.s.tara1 = QStringLiteral("     ");
    EXPECT_FALSE(actions.Button5Click(QStringLiteral("1234"), QStringLiteral("77")));
    EXPECT_TRUE(st.pdfs().isEmpty());
    EXPECT_EQ(prompts->messages().size(), 3u);
}

TEST_F(LabelPrinting, TestBarcodeAsksUntilATextAndPreviewsIt)
{
    prompts->inputs = {QString(), QStringLiteral("482000000000")};
    int previews = 0;
    prompts->onDialog = [&](QDialog&) { ++previews; return 0; };
    actions.BarcodeTestClick(kLabel1Barcode);
    EXPECT_EQ(previews, 1);
    ASSERT_EQ(prompts->seen.size(), 3u);
    EXPECT_EQ(prompts->seen[0].caption, QStringLiteral("Друк тестового штирх коду  "));
    EXPECT_EQ(prompts->seen[0].text, QStringLiteral("Введіть штрих код!"));
    EXPECT_EQ(decode(st.path(QStringLiteral("Test.bmp"))), QStringList{QStringLiteral("4820000000000")});
    EXPECT_EQ(st.pages->testPage().pictures.at(0).picture.size(), QSize(101, 82));
    EXPECT_FALSE(st.pages->testPage().pictures.at(0).stretch);

    // The label 2 settings draw Code 128; ABC with label 1's EAN-13 fails and writes nothing.
    QFile::remove(st.path(QStringLiteral("Test.bmp")));
    prompts->inputs = {QStringLiteral("ABC")};
    actions.BarcodeTestClick(kLabel2Barcode);
    EXPECT_EQ(decode(st.path(QStringLiteral("Test.bmp"))), QStringList{QStringLiteral("ABC")});
    QFile::remove(st.path(QStringLiteral("Test.bmp")));
    prompts->inputs = {QStringLiteral("ABC")};
    try {
        actions.BarcodeTestClick(kLabel1Barcode);
        ADD_FAILURE() << "no error";
    } catch (const tarvik::Error& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Barcode must be numeric"));
    }
    EXPECT_FALSE(QFileInfo::exists(st.path(QStringLiteral("Test.bmp"))));
    // Cancel ends it.
    prompts->inputs = {std::nullopt};
    actions.BarcodeTestClick(kLabel1Barcode);
    EXPECT_EQ(previews, 2);
}

class LabelsTabWidget : public ::testing::Test {
protected:
    void SetUp() override { st.prepareLabels(); }
    StationLabels st;
    LabelActions actions{*st.pages};
    LabelsTab tab{*st.pages, actions};
};

TEST_F(LabelsTabWidget, ShowsBothPagesTheValueListAndThePrinters)
{
    for (const char* name : {"Image1", "Image2", "ValueList", "Box1", "Box2", "Button1", "Button2"})
        EXPECT_NE(tab.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(tab.ValueList->rowCount(), 18);
    EXPECT_EQ(tab.ValueList->item(0, 0)->text(), QStringLiteral("Ширина етикетки"));
    EXPECT_EQ(tab.ValueList->item(0, 1)->text(), QStringLiteral("58"));
    EXPECT_EQ(tab.Box1->itemText(tab.Box1->count() - 1), QStringLiteral("Tarvik PDF"));
    EXPECT_EQ(tab.Image1->page().size, QSizeF(232, 320));
    EXPECT_EQ(tab.Image2->page().size, QSizeF(232, 256));
    EXPECT_EQ(tab.Button1->text(), QStringLiteral("Друкувати"));
    if (qEnvironmentVariableIsSet("LABELS_KEEP_OUTPUT")) {
        tab.resize(908, 560);
        tab.grab().save(st.path(QStringLiteral("labels-tab.png")));
    }

    // A print from the tab goes through the page the tab shows.
    tarvik::ui::ScopedScriptedResponder prompts;
    tab.Button1->click();
    EXPECT_EQ(st.pdfs().size(), 1);
    EXPECT_TRUE(prompts->messages().empty());
}

TEST_F(LabelsTabWidget, EnterInTheValueListSavesAndAppliesTheEditorLabel)
{
    tab.show();
    tarvik::ui::ScopedScriptedResponder prompts;
    // A label 2 print made label 2 current; the list still shows label 1's values.
    st.pages->makeCurrent(2);
    tab.ValueList->item(1, 1)->setText(QStringLiteral("70"));
    QTest::keyClick(tab.ValueList, Qt::Key_Return);
    EXPECT_EQ(st.pages->currentLabel(), 1);
    EXPECT_EQ(tab.Image1->page().size, QSizeF(232, 280));
    EXPECT_EQ(tab.Image1->page().bandHeight, 280);
    EXPECT_EQ(tab.Image2->page().size, QSizeF(232, 256));
    QStringList lines;
    tarvik::data::LoadLayoutFile(st.path(QStringLiteral("St_Tick_1.ini")), lines);
    EXPECT_EQ(lines.value(1), QStringLiteral("Висота етикетки=70"));

    // Typed through a cell's editor, Enter commits and applies at once.
    tab.ValueList->setCurrentCell(0, 1);
    tab.ValueList->editItem(tab.ValueList->item(0, 1));
    auto* line = tab.ValueList->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    line->setText(QStringLiteral("40"));
    QTest::keyClick(line, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor commits on a queued call
    EXPECT_EQ(tab.Image1->page().size.width(), 160);

    // A bad value is refused, naming its line, before anything is saved or applied.
    tab.ValueList->item(2, 1)->setText(QStringLiteral("abc"));
    QTest::keyClick(tab.ValueList, Qt::Key_Return);
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_TRUE(prompts->messages()[0].text.contains(QStringLiteral("abc")));
    EXPECT_TRUE(prompts->messages()[0].text.contains(QStringLiteral("Ширина заголовка")));
    tarvik::data::LoadLayoutFile(st.path(QStringLiteral("St_Tick_1.ini")), lines);
    EXPECT_EQ(lines.value(2), QStringLiteral("Ширина заголовка=54"));
    EXPECT_EQ(lines.value(0), QStringLiteral("Ширина етикетки=40"));
    EXPECT_EQ(tab.Image1->page().size.width(), 160);
}

namespace {

std::vector<QWidget*> progressWindows()
{
    std::vector<QWidget*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("PrintProgress"))
            found.push_back(w);
    return found;
}

}  // namespace

TEST(PrintProgress, OneWindowForEveryLabelAndNoneWithoutADisplay)
{
    StationLabels st;
    st.openCatalogue();
    st.prepareLabels();
    // The tests run offscreen: no display, no window.
    EXPECT_FALSE(LabelActions::hasDisplay());
    {
        LabelActions headless(*st.pages);
        headless.Button1Click();
        EXPECT_TRUE(progressWindows().empty());
    }
    LabelActions shown(*st.pages, nullptr, true);
    std::vector<std::pair<QWidget*, QString>> whilePrinting;
    QObject::connect(st.pages.get(), &LabelPages::printStarted, &shown, [&] {
        const auto windows = progressWindows();
        ASSERT_EQ(windows.size(), 1u);
        ASSERT_TRUE(windows[0]->isVisible());
        whilePrinting.emplace_back(windows[0], static_cast<QProgressDialog*>(windows[0])->labelText());
    });
    shown.Button1Click();
    shown.Button2Click();
    ASSERT_EQ(whilePrinting.size(), 2u);
    EXPECT_EQ(whilePrinting[0].first, whilePrinting[1].first);
    EXPECT_EQ(whilePrinting[0].second, QStringLiteral("Друк: label1"));
    EXPECT_EQ(whilePrinting[1].second, QStringLiteral("Друк: label1"));
    const auto after = progressWindows();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_FALSE(after[0]->isVisible());
}
