// The system path through a real CUPS: a private scheduler of the test's own
// (its own config root and socket, a file: queue with a PPD of the label
// size), started and stopped by the test, never the machine's queues.

#include "platform/printing/print_checks.h"
#include "platform/printing/printer_list.h"
#include "platform/text/error.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace tarvik::printing;
using namespace tarvik::printing::testing;

namespace {

// A PostScript-level PPD with one named page size (CUPS would cut a custom
// size to whole points) whose queue passes PDF through to the device.
QByteArray labelPpd(int widthPt, int heightPt) {
    const QByteArray size = QByteArray::number(widthPt) + ' ' + QByteArray::number(heightPt);
    return "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
           "*LanguageEncoding: ISOLatin1\n*PCFileName: \"TARVIKL.PPD\"\n*Manufacturer: \"Tarvik\"\n"
           "*Product: \"(Tarvik Label)\"\n*ModelName: \"Tarvik Label\"\n*ShortNickName: \"Tarvik Label\"\n"
           "*NickName: \"Tarvik Label\"\n*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n"
           "*ColorDevice: False\n*DefaultColorSpace: Gray\n*FileSystem: False\n*Throughput: \"1\"\n"
           "*LandscapeOrientation: Plus90\n*TTRasterizer: Type42\n"
           "*cupsFilter2: \"application/vnd.cups-pdf application/pdf 0 -\"\n"
           "*OpenUI *PageSize/Page Size: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n"
           "*DefaultPageSize: Label\n*PageSize Label/Label: \"<</PageSize[" + size + "]/ImagingBBox null>>setpagedevice\"\n"
           "*CloseUI: *PageSize\n*OpenUI *PageRegion: PickOne\n*OrderDependency: 10 AnySetup *PageRegion\n"
           "*DefaultPageRegion: Label\n*PageRegion Label/Label: \"<</PageSize[" + size + "]/ImagingBBox null>>setpagedevice\"\n"
           "*CloseUI: *PageRegion\n*DefaultImageableArea: Label\n*ImageableArea Label/Label: \"0 0 " + size + "\"\n"
           "*DefaultPaperDimension: Label\n*PaperDimension Label/Label: \"" + size + "\"\n";
}

void write(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(data);
}

class PrivateCups : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        const QString d = root_.path();
        for (const char* sub : {"conf", "spool", "tmp", "cache", "state", "log", "out", "station"})
            ASSERT_TRUE(QDir(d).mkpath(sub));
        // As root, cupsd hands jobs to user lp, who must reach these folders.
        const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QFile::setPermissions(d, open);
        QFile::setPermissions(d + "/out", open | QFile::WriteGroup | QFile::WriteOther);
        socket_ = d + "/cups.sock";
        write(d + "/conf/cupsd.conf",
              "Listen " + socket_.toUtf8() +
                  "\nBrowsing No\nWebInterface No\nLogLevel warn\nDefaultAuthType None\n"
                  "<Location />\n Order allow,deny\n Allow all\n</Location>\n"
                  "<Location /admin>\n Order allow,deny\n Allow all\n</Location>\n"
                  "<Policy default>\n <Limit All>\n  Order allow,deny\n  Allow all\n </Limit>\n</Policy>\n");
        QByteArray files = "ServerRoot " + d.toUtf8() + "/conf\nRequestRoot " + d.toUtf8() + "/spool\nTempDir " +
                           d.toUtf8() + "/tmp\nCacheDir " + d.toUtf8() + "/cache\nStateDir " + d.toUtf8() +
                           "/state\nAccessLog " + d.toUtf8() + "/log/access_log\nPageLog " + d.toUtf8() +
                           "/log/page_log\nErrorLog stderr\nPrintcap " + d.toUtf8() +
                           "/printcap\nFileDevice Yes\n";
        if (geteuid() == 0)
            files += "User lp\nGroup lp\nSystemGroup root\n";
        write(d + "/conf/cups-files.conf", files);
        write(d + "/label.ppd", labelPpd(150, 240));

        cupsd_.setProcessChannelMode(QProcess::MergedChannels);
        cupsd_.start("cupsd", {"-f", "-c", d + "/conf/cupsd.conf", "-s", d + "/conf/cups-files.conf"});
        ASSERT_TRUE(cupsd_.waitForStarted()) << "cupsd (package cups) is not installed";
        bool up = false;
        for (int i = 0; i < 100 && !up && cupsd_.state() == QProcess::Running; ++i) {
            QThread::msleep(50);
            up = QFile::exists(socket_);
        }
        ASSERT_TRUE(up) << "cupsd did not start: " << cupsd_.readAll().toStdString();
        qputenv("CUPS_SERVER", socket_.toUtf8());
    }

    void TearDown() override {
        if (cupsd_.state() == QProcess::Running) {
            cupsd_.terminate();
            if (!cupsd_.waitForFinished(10000))
                cupsd_.kill();
        }
        cupsd_.waitForFinished(5000);
        const QByteArray log = cupsd_.readAll();
        if (HasFailure())
            std::cerr << "cupsd said:\n" << log.toStdString();
    }

    void addQueue(const QString& name, const QString& device) {
        run("lpadmin", {"-h", socket_, "-p", name, "-E", "-v", "file://" + device, "-P", root_.filePath("label.ppd")});
    }

    // Waits until the scheduler has no job left.
    void waitForJobs() {
        for (int i = 0; i < 600; ++i) {
            if (run("lpstat", {"-h", socket_, "-o"}).trimmed().isEmpty())
                return;
            QThread::msleep(50);
        }
        FAIL() << "the job did not finish";
    }

    QTemporaryDir root_;
    QString socket_;
    QProcess cupsd_;
};

}  // namespace

TEST_F(PrivateCups, LabelPrintsThroughTheSystemQueue) {
    const QString out = root_.filePath("out/label.pdf");
    addQueue("TarvikLabel", out);
    addQueue("alpha", root_.filePath("out/alpha.pdf"));
    run("lpadmin", {"-h", socket_, "-d", "TarvikLabel"});

    const PrinterList printers(root_.filePath("station"));
    // The system's order (CUPS: alphabetical without regard to case), then ours.
    ASSERT_EQ(printers.names(), (QStringList{"alpha", "TarvikLabel", "Tarvik PDF"}));
    EXPECT_EQ(printers.defaultIndex(), 1);

    const SampleLabel label = sampleLabel(zintBarcode(root_.path(), 13, "482000120125"));
    const PrintJob job = printers.print(label.page, -1, "label1");
    EXPECT_EQ(job.printer, "TarvikLabel");
    EXPECT_TRUE(job.file.isEmpty());
    waitForJobs();
    ASSERT_TRUE(QFile::exists(out)) << "the queue wrote nothing";
    EXPECT_FALSE(QFile::exists(root_.filePath("out/alpha.pdf")));

    EXPECT_EQ(pdfPageSize(out), "150 x 240 pts");
    QStringList words;
    for (const Word& w : pdfWords(out))
        words << w.text;
    EXPECT_TRUE(words.contains(QString::fromUtf8("ЗАГОЛОВОК")));
    EXPECT_TRUE(words.contains(QString::fromUtf8("Рядок1")));
    EXPECT_FALSE(words.contains(QString::fromUtf8("Рядок%1").arg(SampleLabel::kBodyLines)));
    const QString png = root_.filePath("out/label");
    run("pdftoppm", {"-r", "203", "-png", "-singlefile", out, png});
    EXPECT_EQ(decode(png + ".png"), QStringList{"4820001201253"});

    // A queue removed after the list was read is a clear error, not a print
    // on whatever Qt would choose instead.
    run("lpadmin", {"-h", socket_, "-x", "alpha"});
    try {
        printers.print(label.page, 0, "label1");
        FAIL() << "printed to a removed queue";
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().contains("alpha")) << e.text().toStdString();
    }
}
