// The label PDF as cairo writes it, against the same page on Qt's own PDF
// printer: the same words at the same places, the same bars; and a write that
// fails is an error, not a cut file.

#include "platform/printing/pdf_page.h"
#include "platform/printing/print_checks.h"
#include "platform/text/error.h"

#include <QBuffer>
#include <QImage>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextCursor>
#include <gtest/gtest.h>

#include <functional>

using namespace tarvik::printing;
using namespace tarvik::printing::testing;

namespace {

QString printWithQt(const LabelPage& page, const QString& file)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printPage(printer, page);
    return file;
}

// The columns where ink and paper change along one row of the page, rasterised.
std::vector<int> edgesAlong(const QString& pdf, double rowPoints, int dpi)
{
    const QString base = pdf.chopped(4);
    run("pdftoppm", {"-r", QString::number(dpi), "-gray", "-png", "-singlefile", pdf, base});
    const QImage page = QImage(base + ".png").convertToFormat(QImage::Format_Grayscale8);
    const int y = int(rowPoints * dpi / 72);
    std::vector<int> edges;
    bool ink = false;
    for (int x = 0; x < page.width(); ++x) {
        const bool now = page.constScanLine(y)[x] < 128;
        if (now != ink)
            edges.push_back(x);
        ink = now;
    }
    return edges;
}

// Refuses every byte after the first `room`, as a full disk does.
class FullDisk : public QIODevice {
public:
    explicit FullDisk(qint64 room) : room_(room) { open(WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override
    {
        if (written_ + length > room_) {
            setErrorString("No space left on device");
            return -1;
        }
        written_ += length;
        return length;
    }

private:
    qint64 room_;
    qint64 written_ = 0;
};

struct Styling {
    const char* name;
    std::function<void(QTextDocument&)> apply;
};

void restyle(QTextDocument& d, const std::function<void(QTextCharFormat&)>& change)
{
    QTextCursor all(&d);
    all.select(QTextCursor::Document);
    QTextCharFormat f;
    change(f);
    all.mergeCharFormat(f);
}

}  // namespace

TEST(PdfPage, WordsStandWhereQtsPrinterPutsThem)
{
    // cairo writes glyph widths in whole thousandths of the font size and
    // counts on from its own, finer ones, so a line's later words may stand
    // a little off where Qt laid them: under half a dot of a 203 dpi printer.
    constexpr double kDrift = 72.0 / 203 / 2;
    const Styling stylings[] = {
        {"plain", [](QTextDocument&) {}},
        {"bold italic", [](QTextDocument& d) { restyle(d, [](QTextCharFormat& f) {
             f.setFontWeight(QFont::Bold);
             f.setFontItalic(true);
         }); }},
        {"red, underlined, larger", [](QTextDocument& d) { restyle(d, [](QTextCharFormat& f) {
             f.setForeground(Qt::red);
             f.setFontUnderline(true);
             f.setFontPointSize(14);
         }); }},
        {"another family", [](QTextDocument& d) { restyle(d, [](QTextCharFormat& f) {
             f.setFontFamilies({"DejaVu Serif"});
         }); }},
        {"justified", [](QTextDocument& d) {
             QTextCursor c(&d);
             c.select(QTextCursor::Document);
             QTextBlockFormat b;
             b.setAlignment(Qt::AlignJustify);
             c.mergeBlockFormat(b);
             c.movePosition(QTextCursor::Start);
             c.insertText(QString::fromUtf8("Сир твердий, жирність 45 %, зберігати при температурі до 8 °C. "));
         }},
        {"Latin and Cyrillic look-alikes", [](QTextDocument& d) {
             QTextCursor(&d).insertText(QString::fromUtf8("AА aа OО oо PР CС eе xх 1,5 кг\n"));
         }},
    };
    QTemporaryDir dir;
    for (const Styling& s : stylings) {
        SampleLabel label = sampleLabel(QImage());
        s.apply(*label.body);
        const QString ours = dir.filePath("ours.pdf"), qt = dir.filePath("qt.pdf");
        writePagePdf(label.page, ours, "label1");
        const auto words = pdfWords(ours), expected = pdfWords(printWithQt(label.page, qt));
        ASSERT_EQ(words.size(), expected.size()) << s.name;
        ASSERT_GE(words.size(), 5u) << s.name;
        if (std::string_view(s.name).starts_with("Latin"))
            EXPECT_EQ(words[1].text, QString::fromUtf8("AА")) << "the text as written, letter by letter";
        for (std::size_t i = 0; i < words.size(); ++i) {
            EXPECT_EQ(words[i].text, expected[i].text) << s.name;
            for (const auto& [a, b] : {std::pair{words[i].box.left(), expected[i].box.left()},
                                       std::pair{words[i].box.right(), expected[i].box.right()},
                                       std::pair{words[i].box.top(), expected[i].box.top()}})
                EXPECT_NEAR(a, b, kDrift) << s.name << ": " << words[i].text.toStdString();
        }
    }
}

TEST(PdfPage, BarsHaveTheEdgesOfQtsPrinter)
{
    QTemporaryDir dir;
    for (const auto& [symbology, data] : {std::pair{13, "482000120125"}, std::pair{20, "TARVIK-0042"}}) {
        const SampleLabel label = sampleLabel(zintBarcode(dir.path(), symbology, data));
        const QString ours = dir.filePath("ours.pdf"), qt = dir.filePath("qt.pdf");
        writePagePdf(label.page, ours, "label1");
        printWithQt(label.page, qt);
        // Through the middle of the picture box, 130 to 250 page pixels down.
        const double row = 190 * 0.75;
        for (int dpi : {203, 600}) {
            const auto edges = edgesAlong(ours, row, dpi), expected = edgesAlong(qt, row, dpi);
            ASSERT_EQ(edges.size(), expected.size()) << data << " at " << dpi << " dpi";
            ASSERT_GT(edges.size(), 40u) << data;
            for (std::size_t i = 0; i < edges.size(); ++i)
                EXPECT_NEAR(edges[i], expected[i], 1) << data << " at " << dpi << " dpi, edge " << i;
        }
        run("pdftoppm", {"-r", "203", "-png", "-singlefile", ours, dir.filePath("ours")});
        EXPECT_EQ(decode(dir.filePath("ours.png")).size(), 1) << data;
    }
}

TEST(PdfPage, AWriteThatFailsIsAnErrorNamingTheDocumentAndTheCause)
{
    const SampleLabel label = sampleLabel(QImage());
    QBuffer whole;
    whole.open(QIODevice::WriteOnly);
    writePagePdf(label.page, whole, "label1");
    ASSERT_TRUE(whole.data().trimmed().endsWith("%%EOF"));
    for (qint64 room : {qint64(0), qint64(100), whole.size() / 2, whole.size() - 1}) {
        FullDisk disk(room);
        try {
            writePagePdf(label.page, disk, "label1");
            FAIL() << "a PDF cut at " << room << " bytes was taken as written";
        } catch (const tarvik::Error& e) {
            EXPECT_TRUE(e.text().contains("label1")) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains("No space left on device")) << e.text().toStdString();
        }
    }
}
