#include "platform/preview/page_preview.h"
#include "platform/printing/print_checks.h"
#include "platform/printing/printer_list.h"
#include "platform/text/error.h"
#include "platform/ui/responders.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QPrintPreviewWidget>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCursor>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <sys/resource.h>

using namespace tarvik::printing;
using namespace tarvik::printing::testing;

namespace {

constexpr double kPt = 0.75;  // points per page pixel

class LabelPrinting : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        programDir_ = dir_.path() + "/LINE/BIN/";
        ASSERT_TRUE(QDir().mkpath(programDir_));
    }
    QString print(const LabelPage& page, const QString& name = "label1") {
        const PrinterList printers(programDir_);
        const PrintJob job = printers.print(page, -1, name);
        EXPECT_EQ(job.printer, "Tarvik PDF");
        EXPECT_TRUE(QFile::exists(job.file)) << job.file.toStdString();
        return job.file;
    }
    QTemporaryDir dir_;
    QString programDir_;
};

bool inside(const QRectF& word, const QRectF& boxPixels) {
    const QRectF box(boxPixels.topLeft() * kPt, boxPixels.size() * kPt);
    // A line may be cut by the box's bottom edge; it must start inside.
    return word.left() >= box.left() - 1 && word.right() <= box.right() + 1 && word.top() >= box.top() - 1 &&
           word.top() < box.bottom();
}

}  // namespace

TEST(PrinterList, WithoutSystemPrintersOnlyThePdfPrinterIsThereAndDefault) {
    ASSERT_TRUE(qEnvironmentVariable("CUPS_SERVER").endsWith("no-cups.sock"));
    const PrinterList printers("/nowhere");
    EXPECT_EQ(printers.names(), QStringList{"Tarvik PDF"});
    EXPECT_EQ(printers.defaultIndex(), 0);
    EXPECT_EQ(printers.pdfIndex(), 0);
    EXPECT_EQ(printers.pdfFolder(), "/nowhere/PDF/");
}

TEST_F(LabelPrinting, PositionsOutsideTheListAreClearErrors) {
    const SampleLabel label = sampleLabel(QImage());
    const PrinterList printers(programDir_);
    for (int position : {1, 7, -2}) {
        try {
            printers.print(label.page, position, "label1");
            FAIL() << position;
        } catch (const tarvik::Error& e) {
            EXPECT_TRUE(e.text().contains(QString::number(position))) << e.text().toStdString();
        }
    }
    EXPECT_FALSE(QDir(programDir_ + "PDF").exists() && !QDir(programDir_ + "PDF").isEmpty());
    EXPECT_EQ(printers.print(label.page, 0, "label1").printer, "Tarvik PDF");
}

TEST_F(LabelPrinting, NoPrinterCanPrintIsAClearError) {
    QFile blocker(programDir_ + "PDF");  // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const SampleLabel label = sampleLabel(QImage());
    try {
        PrinterList(programDir_).print(label.page, -1, "label1");
        FAIL();
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().startsWith("No printer can print")) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(programDir_ + "PDF/")) << e.text().toStdString();
    }
}

TEST_F(LabelPrinting, JobNumbersContinueFromTheHighestFile) {
    ASSERT_TRUE(QDir().mkpath(programDir_ + "PDF"));
    for (const char* name : {"000016-label2.pdf", "000003-label1.pdf", "notes.pdf", "99-x.pdf"})
        QFile(programDir_ + "PDF/" + name).open(QIODevice::WriteOnly);
    const SampleLabel label = sampleLabel(QImage());
    EXPECT_EQ(QFileInfo(print(label.page, "label1")).fileName(), "000017-label1.pdf");
    EXPECT_EQ(QFileInfo(print(label.page, "label1")).fileName(), "000018-label1.pdf");
    EXPECT_EQ(QFileInfo(print(label.page, "a/b\\c")).fileName(), "000019-a_b_c.pdf");
    EXPECT_EQ(QFileInfo(print(label.page, QString::fromUtf8("Етикетка"))).fileName(),
              QString::fromUtf8("000020-Етикетка.pdf"));
}

TEST_F(LabelPrinting, ALabelThatCannotBeWrittenWholeIsAnErrorAndLeavesNoFile) {
    const SampleLabel label = sampleLabel(QImage());
    const PrinterList printers(programDir_);
    // A file size limit makes the disk "full" while the PDF is written.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 1500;
    ::setrlimit(RLIMIT_FSIZE, &small);
    QString error;
    try {
        printers.print(label.page, -1, "label1");
    } catch (const tarvik::Error& e) {
        error = e.text();
    }
    ::setrlimit(RLIMIT_FSIZE, &before);
    EXPECT_TRUE(error.contains("000001-label1.pdf")) << error.toStdString();
    EXPECT_TRUE(QDir(printers.pdfFolder()).entryList(QDir::Files).isEmpty());
    // The next label takes the number and is whole.
    EXPECT_EQ(QFileInfo(print(label.page)).fileName(), "000001-label1.pdf");
}

// What runs before a label goes out sees it whole under its unfinished name;
// what it throws keeps the label in, and the number free.
TEST_F(LabelPrinting, BeforeReleaseSeesTheWholeLabelNotYetNamedAndCanStopIt) {
    const SampleLabel label = sampleLabel(QImage());
    const PrinterList printers(programDir_);
    const QString folder = printers.pdfFolder() + "/";
    QStringList seen;
    const PrintJob job = printers.print(label.page, -1, "label1", [&](const QString& name) {
        seen << name;
        QFile part(folder + name + ".part");
        EXPECT_TRUE(part.open(QIODevice::ReadOnly));
        EXPECT_TRUE(part.readAll().trimmed().endsWith("%%EOF"));
        EXPECT_FALSE(QFileInfo::exists(folder + name));
    });
    EXPECT_EQ(seen, QStringList{"000001-label1.pdf"});
    EXPECT_EQ(QFileInfo(job.file).fileName(), "000001-label1.pdf");

    QString error;
    try {
        printers.print(label.page, -1, "label1", [](const QString&) { throw tarvik::Error("журнал повний"); });
    } catch (const tarvik::Error& e) {
        error = e.text();
    }
    EXPECT_EQ(error, "журнал повний");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"000001-label1.pdf"});
    EXPECT_EQ(QFileInfo(print(label.page)).fileName(), "000002-label1.pdf");
}

TEST_F(LabelPrinting, WhatAKilledPrintLeftIsRemovedAndWholeLabelsStay) {
    const SampleLabel label = sampleLabel(QImage());
    const QString whole = print(label.page);
    const QString folder = programDir_ + "PDF/";
    QFile(folder + "000002-label1.pdf").open(QIODevice::WriteOnly);  // reserved, never written
    QFile part(folder + "000002-label1.pdf.part");
    part.open(QIODevice::WriteOnly);
    part.write("%PDF-1.4 cut");
    part.close();
    const PrinterList printers(programDir_);
    EXPECT_EQ(printers.removeBrokenJobs(), QStringList({"000002-label1.pdf", "000002-label1.pdf.part"}));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QFileInfo(whole).fileName()});
    EXPECT_TRUE(printers.removeBrokenJobs().isEmpty());
}

TEST_F(LabelPrinting, OneListCountsOnAndSkipsNumbersAnotherJobTook) {
    const PrinterList printers(programDir_);
    const SampleLabel label = sampleLabel(QImage());
    EXPECT_EQ(QFileInfo(printers.print(label.page, -1, "label1").file).fileName(), "000001-label1.pdf");
    // Another list (another window, another station) prints in between.
    EXPECT_EQ(QFileInfo(print(label.page, "grid")).fileName(), "000002-grid.pdf");
    QFile(programDir_ + "PDF/000003-label2.pdf").open(QIODevice::WriteOnly);
    EXPECT_EQ(QFileInfo(printers.print(label.page, -1, "label1").file).fileName(), "000004-label1.pdf");
    // A number is taken whatever the document name.
    QFile(programDir_ + "PDF/000005-other.pdf").open(QIODevice::WriteOnly);
    EXPECT_EQ(QFileInfo(printers.print(label.page, -1, "label1").file).fileName(), "000006-label1.pdf");
}

// A label holds its number with its unfinished file and takes the job's name
// only when whole: a folder watcher never sees an empty or cut label.
TEST_F(LabelPrinting, AJobsNumberIsHeldByItsUnfinishedFileAndNeverTakenTwice) {
    const SampleLabel label = sampleLabel(QImage());
    const QString folder = programDir_ + "PDF/";
    ASSERT_TRUE(QDir().mkpath(folder));
    // Another station is writing label 1.
    QFile(folder + "000001-label1.pdf.part").open(QIODevice::WriteOnly);
    const PrinterList printers(programDir_);
    EXPECT_EQ(QFileInfo(printers.print(label.page, -1, "label1").file).fileName(), "000002-label1.pdf");
    EXPECT_TRUE(QFileInfo::exists(folder + "000001-label1.pdf.part"));
    EXPECT_FALSE(QFileInfo::exists(folder + "000002-label1.pdf.part"));

    // Jobs the list does not see, because the folder's time was put back
    // (a clock step, a coarse file system): it must not write over them.
    namespace fs = std::filesystem;
    auto behindTheListsBack = [&](const char* name) {
        const fs::path dir(folder.toStdString());
        const auto stamp = fs::last_write_time(dir);
        QFile(folder + name).open(QIODevice::WriteOnly);
        fs::last_write_time(dir, stamp);
    };
    behindTheListsBack("000003-label1.pdf");  // whole, or a report printed to this name
    const QString next = printers.print(label.page, -1, "label1").file;
    EXPECT_EQ(QFileInfo(next).fileName(), "000004-label1.pdf");
    EXPECT_EQ(QFileInfo(folder + "000003-label1.pdf").size(), 0) << "a label was written over another job";
    behindTheListsBack("000005-label1.pdf.part");  // a label being written
    QPrinter printer;
    const PrintJob job = printers.setUpPrinter(printer, -1, "label1");
    EXPECT_EQ(QFileInfo(job.file).fileName(), "000006-label1.pdf");
    EXPECT_EQ(printer.outputFileName(), job.file);
    QStringList left = QDir(folder).entryList(QDir::Files);
    EXPECT_EQ(left, QStringList({"000001-label1.pdf.part", "000002-label1.pdf", "000003-label1.pdf",
                                 "000004-label1.pdf", "000005-label1.pdf.part", "000006-label1.pdf"}));
}

TEST_F(LabelPrinting, PageHasTheSizeOfItsLayout) {
    struct Case {
        QSizeF pixels;
        const char* points;
    };
    // 4 page pixels per layout millimetre, 96 page pixels per inch: a 50 x 80 layout is 150 x 240 pt.
    for (const Case& c : {Case{{200, 320}, "150 x 240 pts"}, Case{{400, 160}, "300 x 120 pts"},
                          Case{{4, 4}, "3 x 3 pts"}, Case{{800, 1200}, "600 x 900 pts"}}) {
        SampleLabel label = sampleLabel(QImage());
        label.page.size = c.pixels;
        label.page.bandHeight = c.pixels.height();
        const QString pdf = print(label.page);
        EXPECT_EQ(pdfPageSize(pdf), c.points) << c.pixels.width() << "x" << c.pixels.height();
        EXPECT_TRUE(QString::fromUtf8(run("pdfinfo", {pdf})).contains(QRegularExpression("Pages:\\s+1\n")));
    }
}

TEST_F(LabelPrinting, TextIsPrintedClippedToItsBoxes) {
    const SampleLabel label = sampleLabel(QImage());
    const auto words = pdfWords(print(label.page));
    ASSERT_FALSE(words.empty());
    QStringList seen;
    for (const Word& w : words) {
        seen << w.text;
        const bool inSomeBox = std::any_of(label.page.texts.begin(), label.page.texts.end(),
                                           [&](const TextBox& b) { return inside(w.box, b.geometry); });
        EXPECT_TRUE(inSomeBox) << w.text.toStdString() << " at " << w.box.top() << "," << w.box.left();
    }
    EXPECT_TRUE(seen.contains(QString::fromUtf8("ЗАГОЛОВОК")));
    EXPECT_TRUE(seen.contains(QString::fromUtf8("Підпис")));
    EXPECT_TRUE(seen.contains(QString::fromUtf8("Рядок1")));
    EXPECT_TRUE(seen.contains(QString::fromUtf8("Рядок3")));
    // The body box is 60 pixels high: the later lines do not fit and are not printed.
    EXPECT_FALSE(seen.contains(QString::fromUtf8("Рядок%1").arg(SampleLabel::kBodyLines)));
    EXPECT_FALSE(seen.contains(QString::fromUtf8("Рядок8")));
    for (const Word& w : words) {
        if (w.text == QString::fromUtf8("ЗАГОЛОВОК")) {
            EXPECT_TRUE(inside(w.box, label.page.texts[0].geometry));
        }
    }
}

TEST_F(LabelPrinting, DisabledElementsAreLeftOutOfPrintingButShownOnScreen) {
    SampleLabel label = sampleLabel(zintBarcode(dir_.path(), 20, "TARVIK-0042"));
    label.page.texts[1].enabled = false;
    label.page.pictures[0].enabled = false;
    const QString pdf = print(label.page);
    QStringList seen;
    for (const Word& w : pdfWords(pdf))
        seen << w.text;
    EXPECT_TRUE(seen.contains(QString::fromUtf8("ЗАГОЛОВОК")));
    EXPECT_FALSE(seen.contains(QString::fromUtf8("Рядок1")));
    run("pdftoppm", {"-r", "203", "-png", "-singlefile", pdf, dir_.filePath("off")});
    EXPECT_TRUE(decode(dir_.filePath("off.png")).isEmpty());

    // The preview shows every element: the body box has ink there.
    const QImage screen = renderPageImage(label.page);
    const QRect body = label.page.texts[1].geometry.toRect();
    bool ink = false;
    for (int y = body.top(); y <= body.bottom() && !ink; ++y)
        for (int x = body.left(); x <= body.right() && !ink; ++x)
            ink = qGray(screen.pixel(x, y)) < 128;
    EXPECT_TRUE(ink);
}

struct BarcodeCase {
    const char* name;
    int symbology;  // zint -b
    const char* data;
    const char* decoded;
};

class PrintedBarcode : public LabelPrinting, public ::testing::WithParamInterface<BarcodeCase> {};

TEST_P(PrintedBarcode, DecodesAfterRasterisingAt203And300Dpi) {
    const BarcodeCase& c = GetParam();
    const SampleLabel label = sampleLabel(zintBarcode(dir_.path(), c.symbology, c.data));
    const QString pdf = print(label.page);
    for (const char* dpi : {"203", "300"}) {
        const QString base = dir_.filePath(QStringLiteral("page-%1").arg(QLatin1String(dpi)));
        run("pdftoppm", {"-r", dpi, "-png", "-singlefile", pdf, base});
        EXPECT_EQ(decode(base + ".png"), QStringList{QString::fromLatin1(c.decoded)}) << dpi << " dpi";
    }
}

INSTANTIATE_TEST_SUITE_P(Symbologies, PrintedBarcode,
                         ::testing::Values(BarcodeCase{"Code128", 20, "TARVIK-0042", "TARVIK-0042"},
                                           BarcodeCase{"Ean13", 13, "482000120125", "4820001201253"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PageRendering, PicturesAreScaledWithoutSmoothing) {
    QImage picture(2, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(0, 0, 0));
    picture.setPixel(1, 0, qRgb(255, 255, 255));
    LabelPage page;
    page.size = QSizeF(40, 20);
    page.pictures = {{QRectF(0, 0, 40, 20), picture, true, true, true}};
    const QImage out = renderPageImage(page, 3.0);
    ASSERT_EQ(out.size(), QSize(120, 60));
    for (int x = 0; x < out.width(); ++x) {
        const int g = qGray(out.pixel(x, 30));
        EXPECT_TRUE(g == 0 || g == 255) << "grey " << g << " at " << x;
        EXPECT_EQ(g, x < 60 ? 0 : 255) << x;  // stretched over the whole box
    }
}

TEST(PageRendering, UnstretchedPictureIsCentredAndTheBandIsWhite) {
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(Qt::black);
    LabelPage page;
    page.size = QSizeF(100, 100);
    page.margins = QMarginsF(10, 10, 10, 10);
    page.bandHeight = 30;
    page.bandColour = QColor(255, 0, 0);
    page.pictures = {{QRectF(0, 0, 80, 30), picture, true, false, true}};
    const QImage out = renderPageImage(page);
    EXPECT_EQ(out.pixelColor(5, 5), QColor(Qt::white));         // margin
    EXPECT_EQ(out.pixelColor(12, 12), QColor(255, 0, 0));       // band
    EXPECT_EQ(out.pixelColor(50, 25), QColor(Qt::black));       // picture centred in its box
    EXPECT_EQ(out.pixelColor(44, 25), QColor(255, 0, 0));       // left of it, band
    EXPECT_EQ(out.pixelColor(50, 60), QColor(Qt::white));       // below the band
}

TEST(PageRendering, PageViewDrawsThePageAndTakesNoPresses) {
    const SampleLabel label = sampleLabel(QImage());
    PageView view;
    view.setPage(label.page);
    EXPECT_EQ(view.sizeHint(), QSize(200, 320));
    view.resize(view.sizeHint());
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, renderPageImage(label.page).convertToFormat(QImage::Format_RGB32));
}

TEST(PagePreview, OpensThroughThePromptLayerWithOnePage) {
    tarvik::ui::ScopedScriptedResponder responder;
    int pages = -1;
    responder->onDialog = [&](QDialog& d) {
        auto* preview = d.findChild<QPrintPreviewWidget*>();
        if (preview) {
            preview->updatePreview();
            pages = preview->pageCount();
        }
        return int(QDialog::Accepted);
    };
    SampleLabel label = sampleLabel(QImage());
    label.page.texts[0].enabled = false;  // the preview is a print: enabled elements
    EXPECT_EQ(previewPage(label.page, QString::fromUtf8("Друк тестового штирх коду  ")), QDialog::Accepted);
    EXPECT_EQ(pages, 1);
    ASSERT_EQ(responder->seen.size(), 1u);
    EXPECT_EQ(responder->seen[0].kind, tarvik::ui::ScriptedResponder::Seen::Kind::Dialog);
    EXPECT_EQ(responder->seen[0].caption, QString::fromUtf8("Друк тестового штирх коду  "));
}
