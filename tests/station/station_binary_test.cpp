// The built station end to end: `tarvik --headless --quit-after N` on a line
// folder with a scripted scale, its own label templates and a catalogue in a
// real database file; then the PDFs, the log, the box number and the settings
// file it left behind.

#include "data/database.h"
#include "data/product_import.h"
#include "data/station_store.h"
#include "platform/text/codec.h"
#include "support/station_folder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QThread>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <algorithm>

using tarvik::testing::StationFolder;

namespace {

QByteArray runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return p.readAllStandardOutput();
}

QString pdfText(const QString& pdf)
{
    return QString::fromUtf8(runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")})).simplified();
}

QString pdfBarcode(const QString& pdf)
{
    const QString png = pdf.chopped(4);
    runTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, png});
    return QString::fromUtf8(runTool(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"),
                                                                  png + QStringLiteral(".png")}))
        .trimmed();
}

// A template block: plain text with placeholders, in the station's rich text.
QByteArray rtf(const char* text)
{
    return QByteArray("{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs24 ") + text + "\\par}";
}

int eanCheckDigit(const QString& twelve)
{
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += twelve[i].digitValue() * (i % 2 ? 3 : 1);
    return (10 - sum % 10) % 10;
}

class StationBinary : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.write(QStringLiteral("Head_1.rtf"), rtf("PRODUCT $name"));
        folder.write(QStringLiteral("Body_1.rtf"), rtf("NETTO $netto KG PRICE $price"));
        folder.write(QStringLiteral("Button_1.rtf"), rtf("BATCH $partia BOX $numbox"));
        folder.write(QStringLiteral("Head_2.rtf"), rtf("BOXLABEL $name"));
        folder.write(QStringLiteral("Body_2.rtf"), rtf("BOXNO $numbox GROSS $weight"));
        folder.write(QStringLiteral("Button_2.rtf"), rtf("HEADS $heads"));
        // A box of three; label 1 EAN-13 with its check digit, label 2 Code 128.
        folder.write(QStringLiteral("Setting_Prog.ini"),
                     "[Printer_USE]\r\nPrinter_1=0\r\nPrinter_2=0\r\n"
                     "[Tovar]\r\nTovar_1=0\r\nTovar_2=1\r\nTara_1=4\r\nTara_2=250\r\n"
                     "Bar_1=20CCCCCWWWWW\r\nBar_2=21CCCCCWWWWWW\r\nBar_Type_1=14\r\nBar_Type_2=6\r\n"
                     "Bar_SummCheckMetod_1=1\r\nBar_Check_1=-1\r\nBar_Check_2=0\r\n"
                     "[Prog]\r\nSum_etic=3\r\nKil_golovok=2\r\nNum_Box=7\r\nWeight_Zero=10\r\n"
                     "Name_Weight=Line7\r\nType_Scale=1\r\n[Timer]\r\ninterval=20\r\n");
        {
            auto db = tarvik::data::Database::openOrCreate(tarvik::data::stationConnectParams(folder.programDir()));
            tarvik::data::importProducts(*db, QStringLiteral("ID_TOB\tNAME\tPRICE\tBARCOD\tSELL_DATE\n"
                                                             "1\tСир Едам\t172.00\t15\t45\n"
                                                             "2\tКоробка Едам\t0\t777\t45\n"));
            tarvik::data::StationStore(*db).setBoxNumber(QStringLiteral("7"));
            db->transaction().hardCommit();
        }  // the station opens the file itself
    }

    // Starts the headless station on the folder, with more options if given.
    void startStation(QProcess& p, const QStringList& more = {}, const QString& killAt = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CUPS_SERVER"), folder.path(QStringLiteral("no-cups.sock")));
        if (!killAt.isEmpty())
            env.insert(QStringLiteral("TARVIK_KILL_AT"), killAt);
        env.remove(QStringLiteral("DISPLAY"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TARVIK_BIN_DIR "/tarvik"),
                QStringList{QStringLiteral("--station-dir"), folder.programDir(), QStringLiteral("--headless")} + more);
    }

    // Waits until at least `n` PDFs are there; whether they are.
    bool waitForPdfs(qsizetype n) const
    {
        QDeadlineTimer limit(60000);
        while (pdfs().size() < n && !limit.hasExpired())
            QThread::msleep(20);
        return pdfs().size() >= n;
    }

    // Runs the station to the end of `runs` label runs; returns its standard error.
    QString runStation(int runs)
    {
        QProcess p;
        startStation(p, {QStringLiteral("--quit-after"), QString::number(runs)});
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            ADD_FAILURE() << "the station did not quit";
        }
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        return QString::fromUtf8(p.readAllStandardError());
    }

    QStringList pdfs() const
    {
        return QDir(folder.path(QStringLiteral("PDF"))).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    }

    StationFolder folder;
};

TEST_F(StationBinary, FiveLoadsGiveFiveProductLabelsOneBoxLabelAndFiveRows)
{
    const int loads[] = {1234, 2004, 1500, 980, 3010};
    QStringList readings;
    for (int g : loads)
        readings << QStringLiteral("%1.%2;S;").arg(g / 1000).arg(g % 1000, 3, 10, QLatin1Char('0'))
                 << QStringLiteral("0.000;S;");
    folder.scriptScale(readings);

    const QString errors = runStation(5);
    // Nothing but the platform's own notes on standard error: no error box was raised.
    EXPECT_FALSE(errors.contains(QStringLiteral("Tarvik ver.1.1"))) << errors.toStdString();

    const QStringList expectedFiles = {
        QStringLiteral("000001-label1.pdf"), QStringLiteral("000002-label1.pdf"), QStringLiteral("000003-label1.pdf"),
        QStringLiteral("000004-label2.pdf"), QStringLiteral("000005-label1.pdf"), QStringLiteral("000006-label1.pdf")};
    ASSERT_EQ(pdfs(), expectedFiles);

    const QString pdf = folder.path(QStringLiteral("PDF/"));
    int label = 0;
    for (const QString& file : expectedFiles) {
        if (!file.endsWith(QStringLiteral("label1.pdf")))
            continue;
        const int net = loads[label++] - 4;
        const QString text = pdfText(pdf + file);
        EXPECT_TRUE(text.contains(QStringLiteral("PRODUCT Сир Едам"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("BATCH 2"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("PRICE 172,00"))) << text.toStdString();
        // The barcode: 20, the product code 00015, the last five digits of the net weight.
        const QString twelve = QStringLiteral("2000015") + QStringLiteral("%1").arg(net, 6, 10, QLatin1Char('0')).right(5);
        EXPECT_EQ(pdfBarcode(pdf + file), twelve + QString::number(eanCheckDigit(twelve))) << file.toStdString();
    }
    // The first three loads fill box 7; its label carries the next number, 8.
    const QString box = pdfText(pdf + QStringLiteral("000004-label2.pdf"));
    EXPECT_TRUE(box.contains(QStringLiteral("BOXLABEL Коробка Едам"))) << box.toStdString();
    EXPECT_TRUE(box.contains(QStringLiteral("BOXNO 8"))) << box.toStdString();
    EXPECT_TRUE(box.contains(QStringLiteral("HEADS 2"))) << box.toStdString();
    // Net box weight: 1234 + 2004 + 1500 - (4 x 3 + 250) = 4476.
    EXPECT_EQ(pdfBarcode(pdf + QStringLiteral("000004-label2.pdf")), QStringLiteral("2100777004476"));

    auto db = tarvik::data::Database::connect(tarvik::data::stationConnectParams(folder.programDir()));
    tarvik::data::PreparedStatement q(*db, QStringLiteral("SELECT ID, NAME, WEIGHT, PRICE, PARTIA, NAME_W FROM DB_ZVIT ORDER BY ID"));
    const auto rows = q.select();
    ASSERT_EQ(rows.size(), 5u);
    const char* weights[] = {"1,23", "2,00", "1,50", "0,98", "3,01"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rows[size_t(i)].at(0).toInt(), i + 1);
        EXPECT_EQ(rows[size_t(i)].at(1).toString().trimmed(), QStringLiteral("Сир Едам"));
        EXPECT_EQ(rows[size_t(i)].at(2).toString().trimmed(), QString::fromUtf8(weights[i])) << i;
        EXPECT_EQ(rows[size_t(i)].at(4).toInt(), 2);
        EXPECT_EQ(rows[size_t(i)].at(5).toString().trimmed(), QStringLiteral("Line7"));
    }
    // (1234 - 4) / 1000 x 172 = 211,56
    EXPECT_EQ(rows[0].at(3).toString().trimmed(), QStringLiteral("211,56"));
    EXPECT_EQ(tarvik::data::StationStore(*db).boxNumber(), 8);

    const QString ini = tarvik::text::fromCp1251(folder.read(QStringLiteral("Setting_Prog.ini")));
    EXPECT_TRUE(ini.contains(QRegularExpression(QStringLiteral("Num_Box=8 *\r\n")))) << ini.toStdString();
    EXPECT_TRUE(ini.contains(QStringLiteral("Name_Weight=Line7\r\n")));
    EXPECT_TRUE(ini.contains(QStringLiteral("interval=20\r\n")));  // a key only the operator writes stays
}

TEST_F(StationBinary, AFailedRunIsReportedAndCountedAndTheStationGoesOn)
{
    // Two loads, the first lying there through three polls; the product's price is no number.
    folder.scriptScale({QStringLiteral("1.000;S;"), QStringLiteral("1.000;S;"), QStringLiteral("1.000;S;"),
                        QStringLiteral("0.000;S;"), QStringLiteral("1.200;S;")});
    {
        auto db = tarvik::data::Database::connect(tarvik::data::stationConnectParams(folder.programDir()));
        tarvik::data::PreparedStatement(*db, QStringLiteral("UPDATE TOBAP SET PRICE = 'x' WHERE ID_TOB = 1")).execute();
        db->transaction().hardCommit();
    }
    const QString errors = runStation(2);
    // Headless, the error box goes to standard error and polling resumes; the
    // load that failed is not run again while it lies there, the next one is,
    // and its failure ends the second counted run.
    EXPECT_EQ(errors.count(QStringLiteral("'x' is not a valid floating point value")), 2) << errors.toStdString();
    EXPECT_TRUE(pdfs().isEmpty());
}

TEST_F(StationBinary, AHeadlessStationThatCannotStartSaysSoAndEnds)
{
    folder.scriptScale({QStringLiteral("1.000;S;")});
    // Another process holds the embedded database.
    QProcess first;
    startStation(first);
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(waitForPdfs(1)) << "the first station did not start";

    QProcess second;
    startStation(second, {QStringLiteral("--quit-after"), QStringLiteral("1")});
    const bool ended = second.waitForFinished(60000);
    if (!ended)
        second.kill();
    first.terminate();
    first.waitForFinished(30000);
    ASSERT_TRUE(ended) << "the second station idled instead of ending";
    EXPECT_EQ(second.exitCode(), 1);
    const QString errors = QString::fromUtf8(second.readAllStandardError());
    EXPECT_TRUE(errors.contains(QStringLiteral("Database already opened"))) << errors.toStdString();
    EXPECT_EQ(first.exitCode(), 0);
}

TEST_F(StationBinary, SigtermEndsAWeighingStationCleanly)
{
    // Three loads, then the scale goes quiet; only the signal ends the station.
    QStringList readings;
    for (int i = 0; i < 3; ++i)
        readings << QStringLiteral("1.500;S;") << QStringLiteral("0.000;S;");
    folder.scriptScale(readings);
    QProcess p;
    startStation(p);
    ASSERT_TRUE(p.waitForStarted(10000));
    ASSERT_TRUE(waitForPdfs(3)) << "no labels came out";
    // The signal finds the station idle, its engine threads asleep.
    QThread::sleep(3);
    p.terminate();  // SIGTERM
    const bool ended = p.waitForFinished(30000);
    if (!ended) {
        p.kill();
        p.waitForFinished();
    }
    ASSERT_TRUE(ended) << "the station did not end on SIGTERM";
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    // Every label printed has its row, and the database was closed properly.
    auto db = tarvik::data::Database::connect(tarvik::data::stationConnectParams(folder.programDir()));
    tarvik::data::PreparedStatement q(*db, QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT"));
    const int rows = q.select().at(0).at(0).toInt();
    int label1 = 0;
    for (const QString& f : pdfs())
        label1 += f.endsWith(QStringLiteral("-label1.pdf")) ? 1 : 0;
    EXPECT_EQ(rows, label1);
}

}  // namespace

namespace {

// A real SIGKILL of the station at a named step of a run that closes a box,
// then a restart that weighs one more load. Whatever the step, no label is
// without its row, no row without its whole label, and every box number the
// database gave has its box label, also in the settings file.
struct KillCase {
    const char* step;
    int firstRow;        // rows of the first load after the restart: 0 or 1
    int firstBox;        // box labels of the first load: 0 or 1
    const char* report;  // what the restart says; empty: nothing was left to do
    int perBox = 1;      // 1: every load closes a box; else no load does
};

class KilledRun : public StationBinary, public ::testing::WithParamInterface<KillCase> {};

qint64 sqlNumber(const StationFolder& folder, const char* sql)
{
    auto db = tarvik::data::Database::connect(tarvik::data::stationConnectParams(folder.programDir()));
    return tarvik::data::PreparedStatement(*db, QString::fromLatin1(sql)).select().at(0).at(0).toLongLong();
}

TEST_P(KilledRun, IsFinishedAtTheNextStartAndAnnounced)
{
    const KillCase& c = GetParam();
    QByteArray ini = folder.read(QStringLiteral("Setting_Prog.ini"));
    ini.replace(QByteArray("Sum_etic=3"), QByteArray("Sum_etic=").append(QByteArray::number(c.perBox)));
    folder.write(QStringLiteral("Setting_Prog.ini"), ini);
    folder.scriptScale({QStringLiteral("1.234;S;")});
    QProcess first;
    startStation(first, {}, QString::fromLatin1(c.step));
    ASSERT_TRUE(first.waitForFinished(60000));
    ASSERT_EQ(first.exitStatus(), QProcess::CrashExit) << first.readAllStandardError().toStdString();

    folder.scriptScale({QStringLiteral("0.000;S;"), QStringLiteral("2.004;S;")});
    const QString said = runStation(1);
    const QString report = QString::fromUtf8(c.report);
    EXPECT_EQ(said.contains(QStringLiteral("Перерваний друк")), !report.isEmpty()) << said.toStdString();
    EXPECT_TRUE(said.contains(report)) << said.toStdString();

    QStringList label1, label2;
    for (const QString& f : pdfs()) {
        QFile pdf(folder.path(QStringLiteral("PDF/") + f));
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
        EXPECT_TRUE(pdf.readAll().trimmed().endsWith("%%EOF")) << f.toStdString();
        (f.endsWith(QStringLiteral("label1.pdf")) ? label1 : label2) << f;
    }
    EXPECT_TRUE(QDir(folder.path(QStringLiteral("PDF"))).entryList({QStringLiteral("*.part")}).isEmpty());
    const qint64 rows = sqlNumber(folder, "SELECT COUNT(*) FROM DB_ZVIT");
    EXPECT_EQ(rows, 1 + c.firstRow);
    EXPECT_EQ(label1.size(), rows);
    EXPECT_EQ(sqlNumber(folder, "SELECT COUNT(DISTINCT ID) FROM DB_ZVIT"), rows);
    // Box 7 was current. With a box per load the second load closes a box; the
    // first one did if it got as far as closing it (the box count starts again
    // at every start).
    const int boxes = c.perBox == 1 ? 1 + c.firstBox : 0;
    const qint64 box = sqlNumber(folder, "SELECT NUM FROM KOPOBKA WHERE ID_num = 1");
    EXPECT_EQ(box, 7 + boxes);
    ASSERT_EQ(label2.size(), boxes);
    if (boxes > 0) {
        EXPECT_TRUE(pdfText(folder.path(QStringLiteral("PDF/") + label2.last())).contains(QStringLiteral("BOXNO %1").arg(box)));
        EXPECT_TRUE(folder.read(QStringLiteral("Setting_Prog.ini")).contains(QStringLiteral("Num_Box=%1 ").arg(box).toLatin1()));
    }
    EXPECT_TRUE(folder.read(QStringLiteral("RunJournal.log")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, KilledRun,
    ::testing::Values(KillCase{"journal", 0, 0, "не надруковано"},
                      // Its line is on the disk, its PDF not yet named.
                      KillCase{"released", 0, 0, "не надруковано"},
                      KillCase{"label1", 1, 0, "запис додано"},
                      // The commit on its own thread, the next load not yet there.
                      KillCase{"committed", 1, 0, "", 3},
                      KillCase{"row", 1, 0, "", 3},
                      KillCase{"committed", 1, 0, ""},
                      KillCase{"row", 1, 0, ""},
                      KillCase{"box-number", 1, 1, "надруковано етикетку коробки № 8"},
                      // Label 2's line is on the disk, its PDF not yet named: printed
                      // again at the restart, under the same box number, and only once.
                      KillCase{"box-released", 1, 1, "надруковано етикетку коробки № 8"},
                      KillCase{"label2", 1, 1, ""}),
    [](const ::testing::TestParamInfo<KillCase>& i) {
        std::string s = i.param.step;
        std::replace(s.begin(), s.end(), '-', '_');
        return i.param.perBox == 1 ? s : s + "_of_" + std::to_string(i.param.perBox);
    });

}  // namespace

namespace {

// A station on a display, its start-up stopped at a box nobody answers (the
// database is held by another process): SIGTERM ends it. The box has no
// close button and refused the polite request to close all windows.
TEST_F(StationBinary, SigtermEndsAStationWaitingAtAStartUpBox)
{
    folder.scriptScale({QStringLiteral("1.000;S;")});
    QProcess first;
    startStation(first);
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(waitForPdfs(1)) << "the first station did not start";

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), folder.path(QStringLiteral("no-cups.sock")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(TARVIK_BIN_DIR "/tarvik"), {QStringLiteral("--station-dir"), folder.programDir()});
    ASSERT_TRUE(second.waitForStarted(10000));
    // The first box is up, waiting.
    QThread::sleep(3);
    second.terminate();
    const bool ended = second.waitForFinished(30000);
    if (!ended) {
        second.kill();
        second.waitForFinished();
    }
    first.terminate();
    first.waitForFinished(30000);
    ASSERT_TRUE(ended) << "the station waited at its boxes after SIGTERM";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
}

}  // namespace
