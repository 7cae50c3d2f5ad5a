// Through a Firebird server on loopback, as several stations share a database.
// The server is started and stopped by the ctest fixture (firebird-server.sh);
// DATA_TEST_SERVER_DIR names its state folder, which holds the port.

#include "data/database.h"
#include "data/station_store.h"
#include "db_test_support.h"

#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace tarvik::data;
using tarvik::data::testing::TempLine;
using tarvik::data::testing::pumpUntil;
using tarvik::data::testing::scalar;

namespace {

class ServerDb : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString state = QStringLiteral(DATA_TEST_SERVER_DIR);
        QFile portFile(state + QStringLiteral("/port"));
        ASSERT_TRUE(portFile.open(QIODevice::ReadOnly)) << "no server: " << state.toStdString();
        const QString port = QString::fromLatin1(portFile.readAll()).trimmed();
        QDir().mkpath(QFileInfo(line.dbPath).path());
        params.path = QStringLiteral("127.0.0.1/%1:%2").arg(port, line.dbPath);
        Database::create(params);  // made through the server, then closed
    }

    TempLine line;
    ConnectParams params;
};

LogRow row(const QString& scale)
{
    return LogRow{QStringLiteral("Молоко"), QDate::currentDate(), QStringLiteral("1,000"), QStringLiteral("12,5"),
                  QStringLiteral("1    "), scale};
}

}  // namespace

TEST_F(ServerDb, ANewRowIsSeenByAnotherStationAfterTheIdleCommit)
{
    auto station = Database::connect(params);
    auto other = Database::connect(params);
    StationStore store(*station);
    const QString countSql = QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT");
    EXPECT_EQ(scalar(*other, countSql), 0);

    store.insertLogRow(row(QStringLiteral("A")));
    // The event loop has not run: the row is not committed yet.
    EXPECT_TRUE(station->transaction().pending());
    EXPECT_EQ(scalar(*other, countSql), 0);

    ASSERT_TRUE(pumpUntil([&] { return !station->transaction().pending(); }));
    EXPECT_EQ(scalar(*other, countSql), 1);

    // The box number the same way.
    store.advanceBoxNumber();
    EXPECT_EQ(scalar(*other, QStringLiteral("SELECT NUM FROM KOPOBKA")), 1);
    ASSERT_TRUE(pumpUntil([&] { return scalar(*other, QStringLiteral("SELECT NUM FROM KOPOBKA")) == 2; }));
}

TEST_F(ServerDb, StationsAdvancingTheBoxNumberTogetherNeverShareANumber)
{
    constexpr int kStations = 3;
    constexpr int kBoxes = 40;
    std::vector<std::vector<qint64>> got(kStations);
    std::vector<std::vector<int>> rows(kStations);
    std::vector<QString> failures(kStations);
    std::vector<std::unique_ptr<QThread>> threads;
    for (int s = 0; s < kStations; ++s) {
        threads.emplace_back(QThread::create([&, s] {
            try {
                auto db = Database::connect(params);
                StationStore store(*db);
                store.setConflictRetry(std::chrono::seconds(20));
                for (int i = 0; i < kBoxes; ++i) {
                    got[size_t(s)].push_back(store.advanceBoxNumber());
                    // Both stations log under one scale name: numbers must stay apart too.
                    rows[size_t(s)].push_back(store.insertLogRow(row(QStringLiteral("Same"))));
                    // What the idle commit does on a station's event loop.
                    db->transaction().commitRetaining();
                }
            } catch (const std::exception& e) {
                failures[size_t(s)] = QString::fromStdString(e.what());
            }
        }));
    }
    for (auto& t : threads)
        t->start();
    for (auto& t : threads)
        ASSERT_TRUE(t->wait(QDeadlineTimer(120000)));
    for (const QString& f : failures)
        EXPECT_TRUE(f.isEmpty()) << f.toStdString();

    std::vector<qint64> all;
    std::vector<int> ids;
    for (int s = 0; s < kStations; ++s) {
        EXPECT_TRUE(std::is_sorted(got[size_t(s)].begin(), got[size_t(s)].end()));
        all.insert(all.end(), got[size_t(s)].begin(), got[size_t(s)].end());
        ids.insert(ids.end(), rows[size_t(s)].begin(), rows[size_t(s)].end());
    }
    std::sort(all.begin(), all.end());
    std::sort(ids.begin(), ids.end());
    std::vector<qint64> expectedBoxes(kStations * kBoxes);
    std::vector<int> expectedIds(kStations * kBoxes);
    for (int i = 0; i < kStations * kBoxes; ++i) {
        expectedBoxes[size_t(i)] = i + 2;  // a fresh line is at box 1
        expectedIds[size_t(i)] = i + 1;
    }
    EXPECT_EQ(all, expectedBoxes);
    EXPECT_EQ(ids, expectedIds);

    auto check = Database::connect(params);
    EXPECT_EQ(scalar(*check, QStringLiteral("SELECT NUM FROM KOPOBKA")), 1 + kStations * kBoxes);
    EXPECT_EQ(scalar(*check, QStringLiteral("SELECT COUNT(DISTINCT ID) FROM DB_ZVIT")), kStations * kBoxes);
}

// Two stations of one scale name on a line's database made by other software,
// whose log already holds a pair of rows of one number: the unique index
// cannot be made, and still no number is stored twice.
TEST_F(ServerDb, TwoStationsOfOneNameOnACustomerDatabaseNeverStoreOneNumberTwice)
{
    const QString customer = QFileInfo(line.dbPath).path() + QStringLiteral("/CUSTOMER.GDB");
    ConnectParams p = params;
    p.path = params.path.left(params.path.indexOf(u':') + 1) + customer;
    {
        auto made = Database::create(p, SchemaPart::TablesOnly);
        PreparedStatement old(*made, QStringLiteral("INSERT INTO DB_ZVIT (ID, NAME, DATE_IN, WEIGHT, PRICE, PARTIA, "
                                                    "NAME_W) VALUES (?, 'Сир', '2019-01-02', '1,000', '10', 1, 'Same')"));
        for (int id : {1, 2, 2, 3})
            old.execute({id});
        made->transaction().hardCommit();
    }
    {
        auto first = Database::connect(p);  // adds the indexes, the unique one as a plain one
        ASSERT_EQ(first->schemaNotes().size(), 1);
        EXPECT_EQ(scalar(*first, QStringLiteral("SELECT RDB$UNIQUE_FLAG FROM RDB$INDICES "
                                                "WHERE RDB$INDEX_NAME = 'DB_ZVIT_NAME_W_ID'")),
                  0);
    }

    constexpr int kStations = 2;
    constexpr int kLoads = 100;
    std::vector<std::vector<int>> ids(kStations);
    std::vector<QString> failures(kStations);
    std::vector<std::unique_ptr<QThread>> threads;
    for (int s = 0; s < kStations; ++s) {
        threads.emplace_back(QThread::create([&, s] {
            try {
                auto db = Database::connect(p);
                StationStore store(*db);
                store.setConflictRetry(std::chrono::seconds(20));
                for (int i = 0; i < kLoads; ++i) {
                    ids[size_t(s)].push_back(store.insertLogRow(row(QStringLiteral("Same"))));
                    db->transaction().commitRetaining();
                }
            } catch (const std::exception& e) {
                failures[size_t(s)] = QString::fromStdString(e.what());
            }
        }));
    }
    for (auto& t : threads)
        t->start();
    for (auto& t : threads)
        ASSERT_TRUE(t->wait(QDeadlineTimer(120000)));
    for (const QString& f : failures)
        EXPECT_TRUE(f.isEmpty()) << f.toStdString();

    std::vector<int> all;
    for (const auto& v : ids)
        all.insert(all.end(), v.begin(), v.end());
    std::sort(all.begin(), all.end());
    std::vector<int> expected(kStations * kLoads);
    for (int i = 0; i < kStations * kLoads; ++i)
        expected[size_t(i)] = i + 4;  // after the old rows 1..3
    EXPECT_EQ(all, expected);
    auto check = Database::connect(p);
    // Only the old pair shares a number.
    EXPECT_EQ(scalar(*check, QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT ID) FROM DB_ZVIT")), 1);
}

namespace {

// The server process of the test fixture, killed and started again in place.
void restartServer(bool start)
{
    const QString script = QStringLiteral(TARVIK_SOURCE_DIR "/tests/data/firebird-server.sh");
    QProcess p;
    p.start(QStringLiteral("bash"), {script, start ? QStringLiteral("start") : QStringLiteral("stop"),
                                     QStringLiteral(DATA_TEST_SERVER_DIR)});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}

QString serverPort()
{
    QFile portFile(QStringLiteral(DATA_TEST_SERVER_DIR "/port"));
    return portFile.open(QIODevice::ReadOnly) ? QString::fromLatin1(portFile.readAll()).trimmed() : QString();
}

}  // namespace

TEST_F(ServerDb, ALostServerIsNamedAsSuchAndTheConnectionComesBackWithItsStatements)
{
    auto station = Database::connect(params);
    StationStore store(*station);
    store.insertLogRow(row(QStringLiteral("A")));
    station->transaction().commitRetaining();
    const QString port = serverPort();

    restartServer(false);
    try {
        store.insertLogRow(row(QStringLiteral("A")));
        FAIL() << "written without a server";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.isConnectionLost()) << e.text().toStdString();
    }
    EXPECT_THROW(station->reconnect(), DatabaseError);  // still away

    restartServer(true);
    ASSERT_EQ(serverPort(), port) << "the server came back on another port";
    station->reconnect();
    EXPECT_EQ(store.insertLogRow(row(QStringLiteral("A"))), 2);  // the statement prepares itself again
    station->transaction().commitRetaining();
    EXPECT_EQ(scalar(*station, QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT")), 2);
}

// The server goes away while a label run's commit is on its way: whoever waits
// for the commit hears that the connection was lost, the follow-up (the
// journal's "logged") never runs, and the row waits in the journal.
TEST_F(ServerDb, ABackgroundCommitCutOffByALostServerIsThrownAndItsFollowUpNeverRuns)
{
    for (const bool throughTheEventLoop : {false, true}) {
        SCOPED_TRACE(throughTheEventLoop ? "through the event loop" : "waited for");
        auto station = Database::connect(params);
        StationStore store(*station);
        store.insertLogRow(row(QStringLiteral("A")));
        restartServer(false);
        bool followedUp = false;
        QStringList failures;
        QObject::connect(&station->transaction(), &Transaction::commitFailed,
                         [&](const QString& text) { failures << text; });
        station->transaction().commitInBackground([&] { followedUp = true; });
        if (throughTheEventLoop) {
            EXPECT_TRUE(pumpUntil([&] { return !failures.isEmpty(); }));
        } else {
            try {
                station->transaction().settle();
                ADD_FAILURE() << "committed without a server";
            } catch (const DatabaseError& e) {
                EXPECT_TRUE(e.isConnectionLost()) << e.text().toStdString();
            }
        }
        EXPECT_FALSE(followedUp);
        EXPECT_FALSE(station->transaction().committingInBackground());
        EXPECT_TRUE(station->transaction().pending()) << "the row is not committed";
        restartServer(true);
        station->reconnect();
        EXPECT_EQ(scalar(*station, QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT")), 0);
    }
}
