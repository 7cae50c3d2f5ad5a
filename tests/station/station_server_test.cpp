// The built station on a Firebird server that is killed while the line runs
// and started again: the station says so once, weighs again by itself when
// the server is back, and no label is left without its row.

#include "data/database.h"
#include "data/product_import.h"
#include "data/station_store.h"
#include "support/station_folder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

using tarvik::testing::StationFolder;

namespace {

const QString kState = QStringLiteral(DATA_TEST_SERVER_DIR);

bool server(const char* action)
{
    QProcess p;
    p.start(QStringLiteral("bash"), {QStringLiteral(TARVIK_SOURCE_DIR "/tests/data/firebird-server.sh"),
                                     QString::fromLatin1(action), kState});
    return p.waitForFinished(60000) && p.exitCode() == 0;
}

QString port()
{
    QFile f(kState + QStringLiteral("/port"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).trimmed() : QString();
}

int labels(const StationFolder& folder)
{
    return int(QDir(folder.path(QStringLiteral("PDF"))).entryList({QStringLiteral("*-label1.pdf")}, QDir::Files).size());
}

TEST(StationOnServer, AKilledServerStopsWeighingOnceAndItResumesByItself)
{
    StationFolder folder;
    ASSERT_FALSE(port().isEmpty()) << "no test server";
    const QString dbPath = folder.databaseDir() + QStringLiteral("SHARED.GDB");
    const tarvik::data::ConnectParams params{QStringLiteral("127.0.0.1/%1:%2").arg(port(), dbPath)};
    {
        auto db = tarvik::data::Database::create(params);
        // Two products: label 2 has its own, as every run now asks.
        tarvik::data::importProducts(
            *db, QStringLiteral("NAME\tPRICE\tBARCOD\tSELL_DATE\nСир\t100\t12\t30\nКоробка\t0\t13\t30\n"));
    }
    QFile demo(QStringLiteral(TARVIK_SOURCE_DIR "/resources/demo/Setting_Prog.ini"));
    ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
    QByteArray ini = demo.readAll();
    ini.replace("Sum_etic=3", "Sum_etic=999");
    ini.replace("interval=200", "interval=40");
    ini += "[Database]\r\nPath=" + params.path.toUtf8() + "\r\nUser=sysdba\r\nPassword=quillmoss\r\n";
    folder.write(QStringLiteral("Setting_Prog.ini"), ini);
    // Three loads, an empty scale for about 10 s while the server is killed and
    // started again, then loads again.
    QStringList readings;
    auto loads = [&](int from, int n) {
        for (int i = from; i < from + n; ++i)
            readings << QStringLiteral("1.%1;S;").arg(100 + i, 3, 10, QLatin1Char('0')) << QStringLiteral("0.000;S;");
    };
    loads(0, 3);
    for (int i = 0; i < 250; ++i)
        readings << QStringLiteral("0.000;S;");
    loads(3, 200);
    folder.scriptScale(readings);

    QProcess station;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), folder.path(QStringLiteral("no-cups.sock")));
    station.setProcessEnvironment(env);
    station.start(QStringLiteral(TARVIK_BIN_DIR "/tarvik"), {QStringLiteral("--station-dir"), folder.programDir(),
                                                             QStringLiteral("--headless"), QStringLiteral("--quit-after"),
                                                             QStringLiteral("8")});
    QDeadlineTimer limit(60000);
    while (labels(folder) < 3 && !limit.hasExpired())
        QThread::msleep(20);
    ASSERT_GE(labels(folder), 3);

    ASSERT_TRUE(server("stop"));
    QThread::msleep(1500);
    const int during = labels(folder);
    ASSERT_EQ(during, 3) << "the scale was to be empty during the outage";
    ASSERT_TRUE(server("start"));
    ASSERT_TRUE(station.waitForFinished(90000)) << "the station did not weigh again";
    const QString said = QString::fromUtf8(station.readAllStandardError());
    EXPECT_EQ(station.exitCode(), 0) << said.toStdString();
    EXPECT_EQ(said.count(QStringLiteral("Немає зв'язку з базою даних")), 1) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("зв'язок з базою даних відновлено"))) << said.toStdString();
    EXPECT_GT(labels(folder), during);

    auto db = tarvik::data::Database::connect(params);
    tarvik::data::PreparedStatement rows(*db, QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT ID) FROM DB_ZVIT"));
    const auto r = rows.select().at(0);
    EXPECT_EQ(r.at(0).toInt(), labels(folder));
    EXPECT_EQ(r.at(1).toInt(), labels(folder));
}

}  // namespace
