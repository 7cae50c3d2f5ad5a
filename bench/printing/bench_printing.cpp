// The cost of one label page: filling three blocks from rich-text templates
// (load, replace the placeholders, save to the scratch file, load back) and
// rendering the page with its barcode picture to a PDF.

#include "platform/printing/label_page.h"
#include "platform/printing/pdf_page.h"
#include "platform/printing/printer_list.h"
#include "platform/richtext/rich_text.h"
#include "platform/richtext/rtf_reader.h"
#include "platform/richtext/rtf_writer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <benchmark/benchmark.h>

#include <array>
#include <memory>

using namespace tarvik;

namespace {

const QStringList kPlaceholders = {"$name",  "$date",  "$weight", "$price", "$partia", "$message",
                                   "$exp",   "$heads", "$place",  "$tara",  "$netto",  "$summa",
                                   "$text1", "$text2", "$text3",  "$text4", "$text5",  "$text6",
                                   "$text7", "$text8", "$numbox", "$KG_Weight"};

struct Station {
    QTemporaryDir dir;
    QString programDir;
    std::array<QString, 3> templates;
    std::array<std::unique_ptr<QTextDocument>, 3> blocks;
    QTextDocument scratch;
    printing::LabelPage page;

    Station() {
        programDir = dir.path() + "/";
        const char* fixtures[] = {"wordpad_label.rtf", "libreoffice_label.rtf", "wordpad_label.rtf"};
        const char* names[] = {"Head_1.rtf", "Body_1.rtf", "Button_1.rtf"};
        for (int i = 0; i < 3; ++i) {
            templates[i] = programDir + names[i];
            QFile::copy(QStringLiteral(TARVIK_SOURCE_DIR "/tests/platform/richtext/fixtures/") + fixtures[i],
                        templates[i]);
            blocks[i] = std::make_unique<QTextDocument>();
        }
        // A barcode-like picture: 95 modules of one pixel, as an EAN-13 at module 1.
        QImage bars(101, 82, QImage::Format_RGB32);
        bars.fill(Qt::white);
        for (int x = 3; x < 98; ++x)
            if ((x * 7 + x / 3) % 3 == 0)
                for (int y = 1; y < 81; ++y)
                    bars.setPixel(x, y, qRgb(0, 0, 0));
        page.size = QSizeF(200, 320);
        page.bandHeight = 320;
        page.texts = {{QRectF(32, 40, 160, 40), blocks[0].get(), true, Qt::white},
                      {QRectF(8, 80, 184, 120), blocks[1].get(), true, Qt::white},
                      {QRectF(8, 270, 184, 40), blocks[2].get(), true, Qt::white}};
        page.pictures = {{QRectF(8, 200, 184, 64), bars, true, true, true}};
    }

    void fill() {
        for (int i = 0; i < 3; ++i) {
            richtext::loadRichTextFile(scratch, templates[i]);
            for (const QString& p : kPlaceholders) {
                QTextCursor c = richtext::findText(scratch, p, 0, {true, false});
                if (!c.isNull())
                    richtext::replaceSelection(c, QStringLiteral("12,34"));
            }
            richtext::saveRichTextFile(scratch, programDir + "temp");
            richtext::loadRichTextFile(*blocks[i], programDir + "temp");
        }
    }
};

void BM_FillThreeBlocks(benchmark::State& state) {
    Station s;
    for (auto _ : state)
        s.fill();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FillThreeBlocks)->Unit(benchmark::kMillisecond);

void BM_ReadRtf(benchmark::State& state) {
    QFile f(QStringLiteral(TARVIK_SOURCE_DIR "/tests/platform/richtext/fixtures/libreoffice_label.rtf"));
    f.open(QIODevice::ReadOnly);
    const QByteArray data = f.readAll();
    QTextDocument doc;
    for (auto _ : state)
        richtext::readRtf(data, doc);
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMicrosecond);

void BM_WriteRtf(benchmark::State& state) {
    QFile f(QStringLiteral(TARVIK_SOURCE_DIR "/tests/platform/richtext/fixtures/libreoffice_label.rtf"));
    f.open(QIODevice::ReadOnly);
    QTextDocument doc;
    richtext::readRtf(f.readAll(), doc);
    for (auto _ : state)
        benchmark::DoNotOptimize(richtext::writeRtf(doc));
}
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMicrosecond);

// Label texts with numbered lists and tables, as LibreOffice and AbiWord write them.
QByteArray corpusFile(int which) {
    static const char* const kFiles[] = {"lo-mixed-label.rtf", "abiword-merged-table.rtf", "hand-word-listtable.rtf"};
    QFile f(QStringLiteral(TARVIK_SOURCE_DIR "/tests/platform/richtext/corpus/") + QLatin1String(kFiles[which]));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void BM_ReadRtfListsAndTables(benchmark::State& state) {
    const QByteArray data = corpusFile(static_cast<int>(state.range(0)));
    QTextDocument doc;
    for (auto _ : state)
        richtext::readRtf(data, doc);
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_ReadRtfListsAndTables)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_WriteRtfListsAndTables(benchmark::State& state) {
    QTextDocument doc;
    richtext::readRtf(corpusFile(static_cast<int>(state.range(0))), doc);
    for (auto _ : state)
        benchmark::DoNotOptimize(richtext::writeRtf(doc));
}
BENCHMARK(BM_WriteRtfListsAndTables)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// A table of N two-cell rows: the cost of a table grows with its cells.
void BM_ReadRtfTableRows(benchmark::State& state) {
    QByteArray data = "{\\rtf1 ";
    for (int64_t r = 0; r < state.range(0); ++r)
        data += "\\trowd\\cellx1000\\cellx2000\\pard\\intbl $name\\cell 12,50\\cell\\row";
    data += "}";
    QTextDocument doc;
    for (auto _ : state)
        richtext::readRtf(data, doc);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadRtfTableRows)->RangeMultiplier(10)->Range(10, 1000)->Unit(benchmark::kMillisecond);

void BM_RenderPageToPdf(benchmark::State& state) {
    Station s;
    s.fill();
    const printing::PrinterList printers(s.programDir);
    for (auto _ : state) {
        const auto job = printers.print(s.page, printers.pdfIndex(), "label1");
        state.PauseTiming();
        QFile::remove(job.file);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RenderPageToPdf)->Unit(benchmark::kMillisecond);

// The page alone to a PDF file: cairo's writer, which the printers use, and
// Qt's own, which embeds its fonts anew for every document.
void BM_PagePdfCairo(benchmark::State& state) {
    Station s;
    s.fill();
    const QString file = s.programDir + "cairo.pdf";
    for (auto _ : state)
        printing::writePagePdf(s.page, file, "label1");
}
BENCHMARK(BM_PagePdfCairo)->Unit(benchmark::kMillisecond);

void BM_PagePdfQtPrinter(benchmark::State& state) {
    Station s;
    s.fill();
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(s.programDir + "qt.pdf");
        printing::printPage(printer, s.page);
    }
}
BENCHMARK(BM_PagePdfQtPrinter)->Unit(benchmark::kMillisecond);

void BM_RenderPagePreview(benchmark::State& state) {
    Station s;
    s.fill();
    for (auto _ : state)
        benchmark::DoNotOptimize(printing::renderPageImage(s.page));
}
BENCHMARK(BM_RenderPagePreview)->Unit(benchmark::kMillisecond);

// One label as the weighing cycle makes it: fill the blocks, print to PDF.
void BM_FillAndPrintLabel(benchmark::State& state) {
    Station s;
    const printing::PrinterList printers(s.programDir);
    for (auto _ : state) {
        s.fill();
        const auto job = printers.print(s.page, printers.pdfIndex(), "label1");
        state.PauseTiming();
        QFile::remove(job.file);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FillAndPrintLabel)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
