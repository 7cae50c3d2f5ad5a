// Labels prepared and printed on a real station folder: the database's
// catalogue, the resources' templates and layout, the "Tarvik PDF" printer,
// and the output read back with poppler and zbar.

#include "label_fixture.h"

#include "data/settings_files.h"
#include "labels/labels_tab.h"
#include "platform/printing/page_preview.h"
#include "platform/ui/responders.h"
#include "station/currency.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QFileInfo>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>

using namespace tarvik::labels;
using namespace tarvik::labels::testing;

namespace {

// What the weighing cycle does around PrepareLabel for label 1.
tarvik::printing::PrintJob weighLabel1(StationLabels& st, const QString& net)
{
    const ProductRecord p = st.pages->moveToProduct(1);
    const QString content = BuildBarcodeContent(st.settings.s.barTemplate1, net, p.barcode);
    st.pages->MakeBarcodePicture(content, QStringLiteral("Barcod1.bmp"), kLabel1Barcode);
    st.pages->loadPicture(st.pages->Barcod1, QStringLiteral("Barcod1.bmp"));
    auto job = st.pages->PrepareLabel(1);
    st.pages->loadPicture(st.pages->Barcod1, QStringLiteral("Barcod.bmp"));
    return job;
}

QString today() { return labelDateText(QDate::currentDate()); }

}  // namespace

class LabelPrinting : public ::testing::Test {
protected:
    void SetUp() override
    {
        st.openCatalogue();
        st.pages->layOutLabels();
        st.pages->LoadLabelTemplates();
    }
    StationLabels st;
    tarvik::ui::ScopedScriptedResponder prompts;
};

TEST_F(LabelPrinting, Label1PrintsTheWeighingAtTheLayoutsSize)
{
    const auto job = weighLabel1(st, QStringLiteral("1184"));
    ASSERT_TRUE(QFileInfo::exists(job.file)) << job.file.toStdString();
    EXPECT_EQ(job.printer, QStringLiteral("Tarvik PDF"));
    EXPECT_TRUE(job.file.endsWith(QStringLiteral("-label1.pdf")));
    // 58 x 80 layout millimetres = 232 x 320 page pixels at 96 per inch.
    EXPECT_EQ(pdfPageSize(job.file), QStringLiteral("174 x 240 pts"));

    const QString text = pdfText(job.file);
    for (const QString& expected : {QStringLiteral("Сир Голландський"), QStringLiteral("1,23"), QStringLiteral("0,05"),
                                    QStringLiteral("1,18"), QStringLiteral("12,50"), QStringLiteral("14,75"),
                                    today(), labelDateText(QDate::currentDate().addDays(30)), QStringLiteral("ДСТУ 6003"),
                                    QStringLiteral("Виготовлено в Україні"), QStringLiteral("Зберігати при +2..+6 °C")})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(u'$')) << text.toStdString();
    EXPECT_EQ(st.main.log, QStringLiteral("1,18"));

    // 482 + five code characters (00012) + four weight characters (1184) + the check digit 9.
    EXPECT_EQ(decode(pdfToPng(job.file)), QStringList{QStringLiteral("4820001211849")});

    // Printed, the elements are disabled again; the label is current; the stand-by picture is back.
    EXPECT_FALSE(st.pages->RichHead1.enabled);
    EXPECT_FALSE(st.pages->Barcod1.enabled);
    EXPECT_EQ(st.pages->currentLabel(), 1);
    EXPECT_EQ(st.pages->Barcod1.picture, QImage(st.path(QStringLiteral("Barcod.bmp"))).convertToFormat(st.pages->Barcod1.picture.format()));
}

TEST_F(LabelPrinting, Label2PrintsTheBoxWithItsOwnProductAndBarcode)
{
    st.settings.s.tara1 = QStringLiteral("10   ");
    const ProductRecord p = st.pages->moveToProduct(2);
    const QString content = BuildBarcodeContent(st.settings.s.barTemplate2, QStringLiteral("29470"), p.barcode);
    EXPECT_EQ(content, QStringLiteral("4820077729470"));
    st.pages->MakeBarcodePicture(content, QStringLiteral("Barcod2.bmp"), kLabel2Barcode);
    st.pages->loadPicture(st.pages->Barcod, QStringLiteral("Barcod2.bmp"));
    const auto job = st.pages->PrepareLabel(2);
    ASSERT_TRUE(QFileInfo::exists(job.file));
    EXPECT_TRUE(job.file.endsWith(QStringLiteral("-label2.pdf")));
    EXPECT_EQ(pdfPageSize(job.file), QStringLiteral("174 x 192 pts"));
    const QString text = pdfText(job.file);
    for (const QString& expected : {QStringLiteral("Коробка сиру"), QStringLiteral("30,50"), QStringLiteral("0,80"),
                                    QStringLiteral("29,70"), QStringLiteral("297,00"), QStringLiteral("Коробка № 8"),
                                    labelDateText(QDate::currentDate().addDays(60))})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n" << text.toStdString();
    EXPECT_EQ(decode(pdfToPng(job.file)), QStringList{content});
    EXPECT_EQ(st.main.log, QStringLiteral("29,70"));
    EXPECT_EQ(st.pages->currentLabel(), 2);

    // "Друкувати" beside Box1 now prints label 2's page as it stands.
    const auto again = st.pages->Button1Click();
    EXPECT_TRUE(again.file.endsWith(QStringLiteral("-label2.pdf")));
    EXPECT_EQ(decode(pdfToPng(again.file)), QStringList{content});
}

TEST_F(LabelPrinting, ReprintPrintsTheTypedWeightAndWritesNoLogRow)
{
    st.settings.s.barcode1 = {tarvik::barcode::bcCode128B, false, tarvik::barcode::csmNone, 0.0};
    st.settings.s.barTemplate1 = QStringLiteral("482CCCCCWWWWW");
    ASSERT_TRUE(st.pages->Button5Click(QStringLiteral(" 1234,5 "), QStringLiteral(" 77 ")));
    ASSERT_TRUE(st.pages->Button5Click(QStringLiteral("1234,5"), QStringLiteral("77")));
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
        EXPECT_FALSE(st.pages->Button5Click(weight, QStringLiteral("77")));
        const auto seen = prompts->messages();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].caption, QStringLiteral("Помилка"));
        EXPECT_EQ(seen[0].text, QStringLiteral("Введена не коректна інформація"));
    }
    // A product without a price and an empty tare fail the same way.
    st.settings.s.product1 = 2;
    EXPECT_FALSE(st.pages->Button5Click(QStringLiteral("1234"), QStringLiteral("77")));
    st.settings.s.product1 = 0;
    st.settings.s.tara1 = QStringLiteral("     ");
    EXPECT_FALSE(st.pages->Button5Click(QStringLiteral("1234"), QStringLiteral("77")));
    EXPECT_TRUE(st.pdfs().isEmpty());
    EXPECT_EQ(prompts->messages().size(), 3u);
}

TEST_F(LabelPrinting, AProductThatCannotBeFoundIsAClearErrorAndNothingPrints)
{
    struct Case {
        int position;
        const char* message;
    } cases[] = {{-1, "Не вибрано товар для етикетки 1"}, {3, "відсутній у каталозі"}};
    for (const auto& c : cases) {
        st.settings.s.product1 = c.position;
        try {
            st.pages->PrepareLabel(1);
            ADD_FAILURE() << "no error for " << c.position;
        } catch (const tarvik::Error& e) {
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(c.message))) << e.text().toStdString();
        }
    }
    st.settings.s.product1 = 0;
    st.db->executeImmediate(QStringLiteral("DELETE FROM TOBAP"));
    st.table->refresh();
    try {
        st.pages->PrepareLabel(1);
        ADD_FAILURE() << "no error for an empty catalogue";
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("порожній"))) << e.text().toStdString();
    }
    st.settings.table = nullptr;
    EXPECT_THROW(st.pages->PrepareLabel(1), tarvik::Error);
    EXPECT_TRUE(st.pdfs().isEmpty());
    EXPECT_EQ(st.main.log, QStringLiteral("untouched"));
}

TEST_F(LabelPrinting, APrinterErrorLeavesTheElementsEnabled)
{
    st.settings.s.printer1 = st.pages->printers().count() + 3;
    EXPECT_THROW(weighLabel1(st, QStringLiteral("1184")), tarvik::Error);
    EXPECT_TRUE(st.pages->RichHead1.enabled);
    EXPECT_TRUE(st.pages->RichButton1.enabled);
    EXPECT_TRUE(st.pages->Barcod1.enabled);
    EXPECT_TRUE(st.pdfs().isEmpty());
    // The next print disables them; -1 is the default printer, here "Tarvik PDF".
    st.settings.s.printer1 = -1;
    EXPECT_EQ(st.pages->Button1Click().printer, QStringLiteral("Tarvik PDF"));
    EXPECT_FALSE(st.pages->RichHead1.enabled);
}

TEST_F(LabelPrinting, TestBarcodeAsksUntilATextAndPreviewsIt)
{
    prompts->inputs = {QString(), QStringLiteral("482000000000")};
    int previews = 0;
    prompts->onDialog = [&](QDialog&) { ++previews; return 0; };
    st.pages->BarcodeTestClick(kLabel1Barcode);
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
    st.pages->BarcodeTestClick(kLabel2Barcode);
    EXPECT_EQ(decode(st.path(QStringLiteral("Test.bmp"))), QStringList{QStringLiteral("ABC")});
    QFile::remove(st.path(QStringLiteral("Test.bmp")));
    prompts->inputs = {QStringLiteral("ABC")};
    try {
        st.pages->BarcodeTestClick(kLabel1Barcode);
        ADD_FAILURE() << "no error";
    } catch (const tarvik::Error& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Barcode must be numeric"));
    }
    EXPECT_FALSE(QFileInfo::exists(st.path(QStringLiteral("Test.bmp"))));
    // Cancel ends it.
    prompts->inputs = {std::nullopt};
    st.pages->BarcodeTestClick(kLabel1Barcode);
    EXPECT_EQ(previews, 2);
}

TEST(LabelLayoutAtCreation, FreshStationGetsFreshLayoutFiles)
{
    StationLabels st(false);
    st.pages->layOutLabels();
    EXPECT_TRUE(QFileInfo::exists(st.path(QStringLiteral("St_Tick_1.ini"))));
    EXPECT_TRUE(QFileInfo::exists(st.path(QStringLiteral("St_Tick_2.ini"))));
    for (int label : {1, 2}) {
        const auto page = st.pages->page(label);
        EXPECT_EQ(page.size, QSizeF(200, 320));
        EXPECT_EQ(page.bandHeight, 320);
        EXPECT_EQ(page.texts.at(0).geometry, QRectF(32, 40, 160, 40));
        EXPECT_EQ(page.texts.at(1).geometry, QRectF(80, 80, 80, 120));
        EXPECT_EQ(page.texts.at(2).geometry, QRectF(40, 40, 200, 40));
        EXPECT_EQ(page.pictures.at(0).geometry, QRectF(120, 120, 200, 120));
    }
    EXPECT_EQ(st.pages->currentLabel(), 1);
    EXPECT_TRUE(st.pages->Label1Active);
    EXPECT_FALSE(st.pages->Label2Active);
}

TEST(LabelLayoutAtCreation, EachLabelFromItsOwnFileAndABadValueStopsThere)
{
    StationLabels st;
    st.pages->layOutLabels();
    EXPECT_EQ(st.pages->page(1).size, QSizeF(232, 320));
    EXPECT_EQ(st.pages->page(2).size, QSizeF(232, 256));
    EXPECT_EQ(st.pages->ValueList.size(), 18);
    EXPECT_EQ(st.pages->ValueList[1], QStringLiteral("Висота етикетки=80"));

    st.pages->ValueList[0] = QStringLiteral("Ширина етикетки=40");
    st.pages->ValueList[3] = QStringLiteral("Висота заголовка=x");
    st.pages->makeCurrent(1);
    EXPECT_THROW(st.pages->ApplyLayout(), EConvertError);
    EXPECT_EQ(st.pages->page(1).size.width(), 160);
    EXPECT_EQ(st.pages->page(2).size.width(), 232);
}

TEST(StationFiles, MissingFilesAreCopiedAndNothingIsOverwritten)
{
    StationLabels st(false);
    st.write(QStringLiteral("Head_1.rtf"), "mine");
    const QStringList copied = installMissingStationFiles(st.programDir(), QStringLiteral(TARVIK_SOURCE_DIR "/resources/station"));
    EXPECT_FALSE(copied.contains(QStringLiteral("Head_1.rtf")));
    for (const char* name : {"Body_1.rtf", "Button_1.rtf", "Head_2.rtf", "Body_2.rtf", "Button_2.rtf", "Barcod.bmp",
                             "Barcod_2.bmp", "St_Tick_1.ini", "St_Tick_2.ini"})
        EXPECT_TRUE(copied.contains(QString::fromLatin1(name))) << name;
    QFile f(st.path(QStringLiteral("Head_1.rtf")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("mine"));
    EXPECT_TRUE(installMissingStationFiles(st.programDir(), QStringLiteral(TARVIK_SOURCE_DIR "/resources/station")).isEmpty());
    EXPECT_TRUE(installMissingStationFiles(st.programDir(), st.path(QStringLiteral("nowhere"))).isEmpty());
    EXPECT_TRUE(stationResourceDirs().contains(QStringLiteral(TARVIK_SOURCE_DIR "/resources/station")));
    EXPECT_FALSE(findStationResources().isEmpty());
}

TEST(LabelsTabWidget, ShowsBothPagesTheValueListAndThePrinters)
{
    StationLabels st;
    st.pages->layOutLabels();
    st.pages->LoadLabelTemplates();
    LabelsTab tab(*st.pages);
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

TEST(LabelsTabWidget, EnterInTheValueListSavesAndAppliesTheEditorLabel)
{
    StationLabels st;
    st.pages->layOutLabels();
    st.pages->LoadLabelTemplates();
    LabelsTab tab(*st.pages);
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

    // A bad value is saved, then stops the apply with the conversion error shown.
    tab.ValueList->item(2, 1)->setText(QStringLiteral("abc"));
    QTest::keyClick(tab.ValueList, Qt::Key_Return);
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_TRUE(prompts->messages()[0].text.contains(QStringLiteral("abc")));
    tarvik::data::LoadLayoutFile(st.path(QStringLiteral("St_Tick_1.ini")), lines);
    EXPECT_EQ(lines.value(2), QStringLiteral("Ширина заголовка=abc"));
}
