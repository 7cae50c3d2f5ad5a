// Labels prepared and printed on a real station folder: the database's
// catalogue, the resources' templates and layout, the "Tarvik PDF" printer,
// and the output read back with poppler and zbar.

#include "label_fixture.h"

#include "data/settings_files.h"
#include "platform/text/codec.h"
#include "platform/text/currency.h"

#include "platform/richtext/rich_text.h"

#include <QFileInfo>
#include <QImage>
#include <QPrinter>
#include <QRegularExpression>

using namespace tarvik::labels;
using namespace tarvik::labels::testing;

namespace {

// What the weighing cycle does around PrepareLabel for label 1.
tarvik::printing::PrintJob weighLabel1(StationLabels& st, const QString& net)
{
    const ProductRecord p = st.pages->moveToProduct(1);
    const QString content = BuildBarcodeContent(st.settings.s.barTemplate1, net, p.barcode);
    st.pages->MakeBarcodePicture(content, QStringLiteral("Barcod1.bmp"), kLabel1Barcode);
    st.pages->loadPicture(1, QStringLiteral("Barcod1.bmp"));
    auto job = st.pages->PrepareLabel(1);
    st.pages->loadPicture(1, QStringLiteral("Barcod.bmp"));
    return job;
}

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
    EXPECT_FALSE(st.pages->label(1).head.enabled);
    EXPECT_FALSE(st.pages->label(1).barcode.enabled);
    EXPECT_EQ(st.pages->currentLabel(), 1);
    EXPECT_EQ(st.pages->label(1).barcode.picture, QImage(st.path(QStringLiteral("Barcod.bmp"))).convertToFormat(st.pages->label(1).barcode.picture.format()));
}

TEST_F(LabelPrinting, Label2PrintsTheBoxWithItsOwnProductAndBarcode)
{
    st.settings.s.tara1 = QStringLiteral("10   ");
    const ProductRecord p = st.pages->moveToProduct(2);
    const QString content = BuildBarcodeContent(st.settings.s.barTemplate2, QStringLiteral("29470"), p.barcode);
    EXPECT_EQ(content, QStringLiteral("4820077729470"));
    st.pages->MakeBarcodePicture(content, QStringLiteral("Barcod2.bmp"), kLabel2Barcode);
    st.pages->loadPicture(2, QStringLiteral("Barcod2.bmp"));
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
    const auto again = st.pages->printCurrent(1);
    EXPECT_TRUE(again.file.endsWith(QStringLiteral("-label2.pdf")));
    EXPECT_EQ(decode(pdfToPng(again.file)), QStringList{content});
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
    EXPECT_TRUE(st.pages->label(1).head.enabled);
    EXPECT_TRUE(st.pages->label(1).bottom.enabled);
    EXPECT_TRUE(st.pages->label(1).barcode.enabled);
    EXPECT_TRUE(st.pdfs().isEmpty());
    // The next print disables them; -1 is the default printer, here "Tarvik PDF".
    st.settings.s.printer1 = -1;
    EXPECT_EQ(st.pages->printCurrent(1).printer, QStringLiteral("Tarvik PDF"));
    EXPECT_FALSE(st.pages->label(1).head.enabled);
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
    EXPECT_THROW(st.pages->ApplyLayout(), tarvik::ConvertError);
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


namespace {

// A body as LibreOffice writes one: a numbered list from 1 (a list Qt
// counts), one that starts at 3 (its labels kept as text), and a nutrition
// table with placeholders in its cells.
QByteArray listAndTableBody()
{
    const auto cp = [](const char* s) {
        QByteArray out;
        for (const char c : tarvik::text::toCp1251(QString::fromUtf8(s)))
            out += static_cast<unsigned char>(c) < 0x80 ? QByteArray(1, c)
                                                       : "\\'" + QByteArray::number(static_cast<unsigned char>(c), 16);
        return out;
    };
    const QByteArray cell = "\\clbrdrt\\brdrs\\clbrdrl\\brdrs\\clbrdrb\\brdrs\\clbrdrr\\brdrs";
    const QByteArray row = "\\trowd\\trgaph30" + cell + "\\cellx1300" + cell + "\\cellx3000";
    return "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}"
           "{\\*\\listtable{\\list\\listtemplateid1\\listsimple{\\listlevel\\levelnfc0\\levelstartat1{\\leveltext\\'02\\'00.;}"
           "{\\levelnumbers\\'01;}}\\listid1}{\\list\\listtemplateid2\\listsimple{\\listlevel\\levelnfc0\\levelstartat3"
           "{\\leveltext\\'02\\'00);}{\\levelnumbers\\'01;}}\\listid2}}"
           "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}"
           "{\\listoverride\\listid2\\listoverridecount0\\ls2}}\r\n"
           "\\pard\\f0\\fs16 $name\\par\r\n"
           "\\pard{\\listtext 1.\\tab}\\ls1\\fi-200\\li300 " + cp("Зберігати при $text2") + "\\par\r\n"
           "\\pard{\\listtext 2.\\tab}\\ls1\\fi-200\\li300 " + cp("Вжити до $exp") + "\\par\r\n"
           "\\pard{\\listtext 3)\\tab}\\ls2\\fi-200\\li300 " + cp("Партія $partia") + "\\par\r\n"
           "\\pard{\\listtext 4)\\tab}\\ls2\\fi-200\\li300 " + cp("Ціна $price") + "\\par\r\n" +
           row + "\\pard\\intbl " + cp("Стандарт") + "\\cell\\pard\\intbl $text1\\cell\\row\r\n" +
           row + "\\pard\\intbl " + cp("Нетто") + "\\cell\\pard\\intbl $netto " + cp("кг") + "\\cell\\row\r\n" +
           row + "\\pard\\intbl " + cp("Сума") + "\\cell\\pard\\intbl{\\b $summa} " + cp("грн") + "\\cell\\row\r\n"
           "\\pard " + cp("Кінець") + "\\par}";
}

}  // namespace

TEST_F(LabelPrinting, ListsAndTablesPrintWithTheirNumbersCellsAndValues)
{
    st.write(QStringLiteral("Body_1.rtf"), listAndTableBody());
    st.pages->LoadLabelTemplates();
    const auto job = weighLabel1(st, QStringLiteral("1184"));
    const QString text = pdfText(job.file);
    const QStringList lines = text.split(u'\n');
    auto lineWith = [&](const QString& a, const QString& b) {
        for (qsizetype i = 0; i < lines.size(); ++i)
            if (lines[i].contains(a) && lines[i].contains(b))
                return i;
        ADD_FAILURE() << "no line with \"" << a.toStdString() << "\" and \"" << b.toStdString() << "\" in\n"
                      << text.toStdString();
        return qsizetype(-1);
    };
    // The numbers as the editor shows them, the filled values in the items.
    const qsizetype first = lineWith(QStringLiteral("1."), QStringLiteral("Зберігати при Жирність 45%"));
    const qsizetype second = lineWith(QStringLiteral("2."), QStringLiteral("Вжити до ") + labelDateText(QDate::currentDate().addDays(30)));
    const qsizetype third = lineWith(QStringLiteral("3)"), QStringLiteral("Партія 2"));
    const qsizetype fourth = lineWith(QStringLiteral("4)"), QStringLiteral("Ціна 12,50"));
    // Each row's cells side by side on one line, the rows in order.
    const qsizetype standard = lineWith(QStringLiteral("Стандарт"), QStringLiteral("ДСТУ 6003"));
    const qsizetype net = lineWith(QStringLiteral("Нетто"), QStringLiteral("1,18 кг"));
    const qsizetype sum = lineWith(QStringLiteral("Сума"), QStringLiteral("14,75 грн"));
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_LT(third, fourth);
    EXPECT_LT(fourth, standard);
    EXPECT_LT(standard, net);
    EXPECT_LT(net, sum);
    EXPECT_FALSE(text.contains(u'$')) << text.toStdString();
}

namespace {

// Label 1 as it printed before the templates were kept parsed: each block
// read from its template into a scratch document, filled, written to the file
// "temp" and read back into its block; the picture read from "Barcod1.bmp";
// the page drawn from copies of the blocks by Qt's PDF writer.
struct OldLabel {
    TextBlock blocks[3];
    tarvik::printing::LabelPage page;
};

std::unique_ptr<OldLabel> oldLabel1(StationLabels& st)
{
    auto old = std::make_unique<OldLabel>();
    const char* names[] = {"Head_1.rtf", "Body_1.rtf", "Button_1.rtf"};
    for (int b = 0; b < 3; ++b) {
        QTextDocument scratch;
        tarvik::richtext::loadRichTextFile(scratch, st.path(QString::fromLatin1(names[b])));
        for (int i = 0; i < int(kPlaceholders.size()); ++i) {
            QTextCursor found = tarvik::richtext::findText(scratch, QString::fromLatin1(kPlaceholders[std::size_t(i)]), 0,
                                                           {.matchCase = true, .wholeWords = false});
            if (!found.isNull())
                tarvik::richtext::replaceSelection(found, placeholderValue(st.pages->Values, i));
        }
        tarvik::richtext::saveRichTextFile(scratch, st.path(QStringLiteral("temp")), tarvik::richtext::SaveMode::Scratch);
        tarvik::richtext::loadRichTextFile(old->blocks[b].document, st.path(QStringLiteral("temp")));
    }
    old->page = st.pages->page(1);
    for (int b = 0; b < 3; ++b) {
        old->page.texts[std::size_t(b)].document = &old->blocks[b].document;
        old->page.texts[std::size_t(b)].enabled = true;
    }
    old->page.pictures[0].picture = QImage(st.path(QStringLiteral("Barcod1.bmp")));
    old->page.pictures[0].enabled = true;
    return old;
}

QString printWithQt(const tarvik::printing::LabelPage& page, const QString& file)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    tarvik::printing::printPage(printer, page);
    return file;
}

}  // namespace

// The same label printed the old way and the station's way: the same text,
// laid out alike, and the same bars.
TEST_F(LabelPrinting, APrintedLabelIsTheOneTheOldRoadPrinted)
{
    struct Case {
        const char* what;
        QByteArray body;  // empty: the station's own template
    } cases[] = {{"the station's templates", {}}, {"lists and a table", listAndTableBody()}};
    for (const Case& c : cases) {
        if (!c.body.isEmpty())
            st.write(QStringLiteral("Body_1.rtf"), c.body);
        const auto job = weighLabel1(st, QStringLiteral("1184"));
        // The blocks as they printed, and the picture that printed on them.
        Label& l = st.pages->label(1);
        const QString content = BuildBarcodeContent(st.settings.s.barTemplate1, QStringLiteral("1184"),
                                                    st.pages->moveToProduct(1).barcode);
        st.pages->putBarcodePicture(1, content, QStringLiteral("Barcod1.bmp"), kLabel1Barcode);
        auto now = st.pages->page(1);
        for (auto& t : now.texts)
            t.enabled = true;
        now.pictures[0].enabled = true;
        const auto old = oldLabel1(st);
        EXPECT_EQ(l.barcode.picture, old->page.pictures[0].picture) << c.what;
        EXPECT_EQ(tarvik::printing::renderPageImage(now, 2.0), tarvik::printing::renderPageImage(old->page, 2.0))
            << c.what;

        const QString before = printWithQt(old->page, st.path(QStringLiteral("before.pdf")));
        EXPECT_EQ(pdfText(job.file), pdfText(before)) << c.what;
        EXPECT_EQ(decode(pdfToPng(job.file)), decode(pdfToPng(before))) << c.what;
        EXPECT_EQ(decode(pdfToPng(job.file)), QStringList{QStringLiteral("4820001211849")}) << c.what;
        st.pages->loadPicture(1, QStringLiteral("Barcod.bmp"));
    }
}
