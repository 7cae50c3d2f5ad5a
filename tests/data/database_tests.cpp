#include "data/database.h"
#include "data/datasets.h"
#include "data/station_connection.h"
#include "data/station_store.h"
#include "db_test_support.h"

#include <QFile>
#include <QMap>
#include <QProcess>

#include <gtest/gtest.h>

using namespace tarvik::data;
using tarvik::data::testing::TempLine;
using tarvik::data::testing::pumpUntil;
using tarvik::data::testing::scalar;

namespace {

LogRow sampleRow(const QString& scale = QStringLiteral("Ваги 1"))
{
    return LogRow{QStringLiteral("Ковбаса 'Лікарська'"), QDate(2010, 12, 8), QStringLiteral("1,233"),
                  QStringLiteral("15,41"), QStringLiteral("2    "), scale};
}

// Column name, type code and length of a table in field order, from the system tables.
QStringList describeTable(Database& db, const QString& table)
{
    PreparedStatement s(db, QStringLiteral(
                                "SELECT TRIM(RF.RDB$FIELD_NAME), F.RDB$FIELD_TYPE, F.RDB$CHARACTER_LENGTH "
                                "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
                                "WHERE RF.RDB$RELATION_NAME = ? ORDER BY RF.RDB$FIELD_POSITION"));
    QStringList out;
    for (const Row& r : s.select({table})) {
        static const QMap<int, QString> types = {{8, QStringLiteral("INTEGER")}, {16, QStringLiteral("BIGINT")},
                                                 {12, QStringLiteral("DATE")},   {14, QStringLiteral("CHAR")},
                                                 {37, QStringLiteral("VARCHAR")}};
        QString t = types.value(r[1].toInt(), QString::number(r[1].toInt()));
        if (!r[2].isNull())
            t += QStringLiteral("(%1)").arg(r[2].toInt());
        out.append(r[0].toString() + u' ' + t);
    }
    return out;
}

class Db : public ::testing::Test {
protected:
    void SetUp() override { db = Database::openOrCreate(line.params()); }
    qint64 count(const QString& table) { return scalar(*db, QStringLiteral("SELECT COUNT(*) FROM ") + table); }

    TempLine line;
    std::unique_ptr<Database> db;
};

}  // namespace

TEST(DatabasePath, IsTheParentOfTheProgramFolderThenDatabase)
{
    EXPECT_EQ(stationDatabasePath(QStringLiteral("/srv/line/bin/")), QStringLiteral("/srv/line/DATABASE/VELM.GDB"));
    EXPECT_EQ(stationDatabasePath(QStringLiteral("/srv/line/bin")), QStringLiteral("/srv/line/DATABASE/VELM.GDB"));
    EXPECT_EQ(stationDatabasePath(QStringLiteral("/D/LINE/BIN/")), QStringLiteral("/D/LINE/DATABASE/VELM.GDB"));
}

TEST(DatabasePath, ServerPathsAreToldFromFiles)
{
    for (const char* server : {"dbhost:/srv/line/DATABASE/VELM.GDB", "127.0.0.1/3051:/tmp/x.gdb",
                               "dbhost/gds_db:/srv/VELM.GDB", "inet://dbhost/srv/VELM.GDB", "localhost:VELM"})
        EXPECT_TRUE(isServerPath(QString::fromLatin1(server))) << server;
    for (const char* file : {"/srv/line/DATABASE/VELM.GDB", "D:\\LINE\\DATABASE\\VELM.GDB", "D:/LINE/VELM.GDB",
                             "relative/VELM.GDB", "VELM.GDB"})
        EXPECT_FALSE(isServerPath(QString::fromLatin1(file))) << file;
}

TEST(DatabasePath, TheSettingsFileMayNameASharedServer)
{
    TempLine line;
    EXPECT_EQ(stationConnectParams(line.programDir).path, line.dbPath);
    EXPECT_EQ(stationConnectParams(line.programDir).user, QStringLiteral("sysdba"));
    EXPECT_EQ(stationConnectParams(line.programDir).password, QStringLiteral("quillmoss"));
    QFile ini(line.programDir + QStringLiteral("Setting_Prog.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Prog]\r\nName_Weight=A\r\n[Database]\r\nPath=dbhost:/srv/line/DATABASE/VELM.GDB\r\nUser=line\r\n");
    ini.close();
    const ConnectParams p = stationConnectParams(line.programDir);
    EXPECT_EQ(p.path, QStringLiteral("dbhost:/srv/line/DATABASE/VELM.GDB"));
    EXPECT_EQ(p.user, QStringLiteral("line"));
    EXPECT_EQ(p.password, QStringLiteral("quillmoss"));
}

TEST_F(Db, ANewFileGetsTheTablesInTheirOrderWithIndexesAndTheBoxRow)
{
    EXPECT_TRUE(QFile::exists(line.dir.path() + QStringLiteral("/LINE/DATABASE/VELM.GDB")));
    QStringList tobap = {QStringLiteral("ID_TOB INTEGER"), QStringLiteral("NAME VARCHAR(50)"),
                         QStringLiteral("SKLAD VARCHAR(2000)"), QStringLiteral("BARCOD VARCHAR(13)"),
                         QStringLiteral("PRICE VARCHAR(6)"), QStringLiteral("SELL_DATE VARCHAR(6)")};
    for (int i = 1; i <= 8; ++i)
        tobap.append(QStringLiteral("TEXT%1 VARCHAR(100)").arg(i));
    EXPECT_EQ(describeTable(*db, QStringLiteral("TOBAP")), tobap);
    EXPECT_EQ(describeTable(*db, QStringLiteral("DB_ZVIT")),
              (QStringList{QStringLiteral("ID INTEGER"), QStringLiteral("NAME CHAR(50)"), QStringLiteral("DATE_IN DATE"),
                           QStringLiteral("WEIGHT CHAR(6)"), QStringLiteral("PRICE CHAR(10)"),
                           QStringLiteral("PARTIA INTEGER"), QStringLiteral("NAME_W CHAR(10)")}));
    EXPECT_EQ(describeTable(*db, QStringLiteral("KOPOBKA")),
              (QStringList{QStringLiteral("ID_NUM INTEGER"), QStringLiteral("NUM BIGINT")}));
    EXPECT_EQ(describeTable(*db, QStringLiteral("MESSAGES")),
              (QStringList{QStringLiteral("ID INTEGER"), QStringLiteral("MESSAGES CHAR(100)")}));

    PreparedStatement idx(*db, QStringLiteral("SELECT TRIM(RDB$INDEX_NAME), RDB$UNIQUE_FLAG, RDB$INDEX_TYPE "
                                              "FROM RDB$INDICES WHERE RDB$SYSTEM_FLAG = 0 "
                                              "AND RDB$RELATION_NAME NOT STARTING WITH 'TARVIK_' ORDER BY 1"));
    QStringList indexes;
    for (const Row& r : idx.select())
        indexes.append(QStringLiteral("%1 u%2 d%3").arg(r[0].toString()).arg(r[1].toInt()).arg(r[2].toInt()));
    EXPECT_EQ(indexes, (QStringList{QStringLiteral("DB_ZVIT_NAME_W_DATE u0 d0"),
                                    QStringLiteral("DB_ZVIT_NAME_W_ID u1 d1"),
                                    QStringLiteral("DB_ZVIT_NAME_W_PARTIA u0 d0"), QStringLiteral("TOBAP_IDX1 u1 d0")}));
    // The station's own tables, keyed by the run.
    EXPECT_EQ(describeTable(*db, QStringLiteral("TARVIK_RUNS")),
              (QStringList{QStringLiteral("RUN_ID CHAR(36)"), QStringLiteral("NAME_W CHAR(10)"), QStringLiteral("ID INTEGER")}));
    EXPECT_EQ(describeTable(*db, QStringLiteral("TARVIK_BOXES")),
              (QStringList{QStringLiteral("RUN_ID CHAR(36)"), QStringLiteral("NUM BIGINT")}));
    EXPECT_EQ(describeTable(*db, QStringLiteral("TARVIK_SCALES")),
              (QStringList{QStringLiteral("NAME_W CHAR(10)"), QStringLiteral("LAST_ID INTEGER")}));

    PreparedStatement cs(*db, QStringLiteral("SELECT TRIM(RDB$CHARACTER_SET_NAME) FROM RDB$DATABASE"));
    EXPECT_EQ(cs.select().at(0).at(0).toString(), QStringLiteral("WIN1251"));
    PreparedStatement box(*db, QStringLiteral("SELECT ID_num, NUM FROM KOPOBKA"));
    const auto rows = box.select();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].toInt(), 1);
    EXPECT_EQ(rows[0][1].toLongLong(), 1);
}

TEST_F(Db, AnExistingFileIsOpenedNotRecreated)
{
    StationStore store(*db);
    store.insertLogRow(sampleRow());
    db.reset();  // closing commits
    db = Database::openOrCreate(line.params());
    EXPECT_EQ(count(QStringLiteral("DB_ZVIT")), 1);
}

TEST_F(Db, ConnectingToAMissingFileFailsWithTheDatabasesText)
{
    ConnectParams p{line.dir.path() + QStringLiteral("/nowhere/VELM.GDB")};
    try {
        Database::connect(p);
        FAIL() << "connected";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("nowhere/VELM.GDB"))) << e.text().toStdString();
        EXPECT_FALSE(e.codes().empty());
    }
}

TEST_F(Db, LogRowsAreNumberedPerScaleNameAndReadBackBlankPadded)
{
    StationStore store(*db);
    EXPECT_EQ(store.insertLogRow(sampleRow(QStringLiteral("A"))), 1);
    EXPECT_EQ(store.insertLogRow(sampleRow(QStringLiteral("A"))), 2);
    EXPECT_EQ(store.insertLogRow(sampleRow(QStringLiteral("B"))), 1);
    EXPECT_EQ(store.insertLogRow(sampleRow(QStringLiteral("A"))), 3);
    // A number left by someone else counts as the last one of its name.
    db->executeImmediate(QStringLiteral("INSERT INTO DB_ZVIT (ID, NAME_W) VALUES (41, 'B')"));
    EXPECT_EQ(store.insertLogRow(sampleRow(QStringLiteral("B"))), 42);

    PagedQuery log(*db, QStringLiteral("DB_ZVIT"), QStringLiteral("ID, NAME, DATE_IN, WEIGHT, PRICE, PARTIA, NAME_W"),
                   QStringLiteral("ID"));
    log.setFilter(QStringLiteral("NAME_W = ?"), {QStringLiteral("A")});
    log.open();
    ASSERT_EQ(log.rowCount(), 3);
    const QString name = log.value(0, QStringLiteral("NAME")).toString();
    EXPECT_EQ(name.size(), 50);
    EXPECT_EQ(name, QStringLiteral("Ковбаса 'Лікарська'").leftJustified(50, u' '));
    EXPECT_EQ(log.value(0, QStringLiteral("WEIGHT")).toString(), QStringLiteral("1,233 "));
    EXPECT_EQ(log.value(0, QStringLiteral("PRICE")).toString(), QStringLiteral("15,41     "));
    EXPECT_EQ(log.value(0, QStringLiteral("NAME_W")).toString(), QStringLiteral("A         "));
    EXPECT_EQ(log.value(0, QStringLiteral("DATE_IN")).toDate(), QDate(2010, 12, 8));
    EXPECT_EQ(log.value(0, QStringLiteral("PARTIA")).toInt(), 2);
    EXPECT_EQ(displayText(log.value(0, QStringLiteral("DATE_IN"))), QStringLiteral("08.12.2010"));
}

TEST_F(Db, RefusedLogValuesWriteNothing)
{
    StationStore store(*db);
    store.insertLogRow(sampleRow());
    struct Case {
        const char* what;
        LogRow row;
        const char* mentions;
    };
    auto with = [](auto change) {
        LogRow r = sampleRow();
        change(r);
        return r;
    };
    const Case cases[] = {
        {"weight of 7", with([](LogRow& r) { r.weight = QStringLiteral("1234,56"); }), "WEIGHT"},
        {"cost of 11", with([](LogRow& r) { r.cost = QStringLiteral("12345678,91"); }), "PRICE"},
        {"name of 51", with([](LogRow& r) { r.name = QString(51, u'Ж'); }), "NAME"},
        {"scale name of 11", with([](LogRow& r) { r.scaleName = QStringLiteral("Ваги_номер1"); }), "NAME_W"},
        {"unencodable name", with([](LogRow& r) { r.name = QStringLiteral("Сир ✓"); }), "NAME"},
        {"unencodable scale", with([](LogRow& r) { r.scaleName = QString::fromUtf8("磅"); }), "NAME_W"},
        {"blank batch", with([](LogRow& r) { r.batch = QStringLiteral("     "); }), "PARTIA"},
        {"batch with a gap", with([](LogRow& r) { r.batch = QStringLiteral("2 3  "); }), "PARTIA"},
        {"batch not a number", with([](LogRow& r) { r.batch = QStringLiteral("12a"); }), "PARTIA"},
        {"no date", with([](LogRow& r) { r.date = QDate(); }), "DATE_IN"},
    };
    for (const Case& c : cases) {
        try {
            store.insertLogRow(c.row);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const tarvik::Error& e) {
            EXPECT_TRUE(e.text().contains(QString::fromLatin1(c.mentions))) << c.what << ": " << e.text().toStdString();
        }
        EXPECT_EQ(count(QStringLiteral("DB_ZVIT")), 1) << c.what;
    }
    // Exactly the column widths are accepted, and the numbering goes on.
    LogRow full = sampleRow();
    full.weight = QStringLiteral("123,45");
    full.cost = QStringLiteral("1234567,89");
    full.name = QString(50, u'Ж');
    full.scaleName = QStringLiteral("Ваги 1");
    full.batch = QStringLiteral("  15 ");
    EXPECT_EQ(store.insertLogRow(full), 2);
    EXPECT_EQ(scalar(*db, QStringLiteral("SELECT PARTIA FROM DB_ZVIT WHERE ID = 2")), 15);
}

TEST_F(Db, BatchFieldTexts)
{
    EXPECT_EQ(StationStore::batchNumber(QStringLiteral("2    ")), 2);
    EXPECT_EQ(StationStore::batchNumber(QStringLiteral("99999")), 99999);
    EXPECT_EQ(StationStore::batchNumber(QStringLiteral("  007")), 7);
    EXPECT_THROW(StationStore::batchNumber(QString()), tarvik::Error);
    EXPECT_THROW(StationStore::batchNumber(QStringLiteral("99999999999")), tarvik::Error);
}

TEST_F(Db, BoxNumberAdvancesAndIsSetByTheOperator)
{
    StationStore store(*db);
    EXPECT_EQ(store.boxNumber(), 1);  // a fresh line, as a fresh Num_Box
    EXPECT_EQ(store.advanceBoxNumber(), 2);
    EXPECT_EQ(store.advanceBoxNumber(), 3);
    store.setBoxNumber(QStringLiteral("  7 "));
    EXPECT_EQ(store.advanceBoxNumber(), 8);
    store.setBoxNumber(QStringLiteral("123456789012345"));
    EXPECT_EQ(store.advanceBoxNumber(), 123456789012346);
    for (const char* bad : {"", "1 2", "12a", "'1'; --"}) {
        try {
            store.setBoxNumber(QString::fromLatin1(bad));
            ADD_FAILURE() << bad;
        } catch (const tarvik::ConvertError& e) {
            EXPECT_EQ(e.text(),
                      QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(bad).trimmed()));
        }
    }
    EXPECT_EQ(store.boxNumber(), 123456789012346);
}

TEST_F(Db, ADamagedBoxTableIsAClearErrorAndChangesNothing)
{
    StationStore store(*db);
    auto expectError = [&](const char* what, const char* mentions) {
        try {
            store.advanceBoxNumber();
            ADD_FAILURE() << what << ": advanced";
        } catch (const tarvik::Error& e) {
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(mentions))) << what << ": " << e.text().toStdString();
        }
    };
    db->executeImmediate(QStringLiteral("UPDATE KOPOBKA SET NUM = NULL"));
    expectError("NULL", "NULL");
    store.setBoxNumber(QStringLiteral("5"));  // setting a number mends it
    EXPECT_EQ(store.advanceBoxNumber(), 6);

    db->executeImmediate(QStringLiteral("INSERT INTO KOPOBKA (ID_num, NUM) VALUES (1, 40)"));
    expectError("doubled", "2 рядків");
    EXPECT_THROW(store.setBoxNumber(QStringLiteral("9")), tarvik::Error);
    EXPECT_EQ(scalar(*db, QStringLiteral("SELECT SUM(NUM) FROM KOPOBKA")), 46);

    db->executeImmediate(QStringLiteral("DELETE FROM KOPOBKA"));
    expectError("missing", "немає рядка");
    EXPECT_THROW(store.setBoxNumber(QStringLiteral("9")), tarvik::Error);
    EXPECT_EQ(count(QStringLiteral("KOPOBKA")), 0);
}

TEST_F(Db, ALockedBoxRowIsRetriedThenReportedWithTheDatabasesText)
{
    // A second station on the same database, in this process.
    auto other = Database::connect(line.params());
    StationStore mine(*db), theirs(*other);
    theirs.setConflictRetry(std::chrono::milliseconds(30));
    db->transaction().hardCommit();
    EXPECT_EQ(mine.advanceBoxNumber(), 2);  // not committed yet: the row stays locked
    try {
        theirs.advanceBoxNumber();
        FAIL() << "no conflict";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.isConflict());
        EXPECT_TRUE(e.text().contains(QStringLiteral("concurrent update"), Qt::CaseInsensitive)) << e.text().toStdString();
    }
    db->transaction().commitRetaining();
    EXPECT_EQ(theirs.advanceBoxNumber(), 3);
}

TEST_F(Db, ProductLookups)
{
    StationStore store(*db);
    EXPECT_EQ(store.highestProductId(), std::nullopt);
    PreparedStatement add(*db, QStringLiteral("INSERT INTO TOBAP (ID_TOB, NAME) VALUES (?, ?)"));
    add.execute({1, QStringLiteral("Молоко")});
    add.execute({2, QStringLiteral("Сир 'Голландський'")});
    add.execute({7, QStringLiteral("O'Brien; DROP TABLE TOBAP")});
    EXPECT_EQ(store.highestProductId(), 7);
    EXPECT_EQ(store.productIdByName(QStringLiteral("Сир 'Голландський'")), 2);
    EXPECT_EQ(store.productIdByName(QStringLiteral("O'Brien; DROP TABLE TOBAP")), 7);
    EXPECT_EQ(store.productIdByName(QStringLiteral("молоко")), std::nullopt);  // names match exactly
    EXPECT_EQ(store.productIdByName(QString(60, u'x')), std::nullopt);
    EXPECT_EQ(store.productIdByName(QStringLiteral("✓")), std::nullopt);
    EXPECT_EQ(count(QStringLiteral("TOBAP")), 3);
}

TEST_F(Db, QueryObjectClosesClearsSetsAndOpensOrExecutes)
{
    Query q(*db);
    q.close();
    q.clear();
    q.setSql(QStringLiteral("INSERT INTO MESSAGES (ID, MESSAGES) VALUES (?, ?)"));
    for (int i = 1; i <= 3; ++i) {
        q.setParams({i, QStringLiteral("Фраза %1").arg(i)});
        q.execute();
    }
    q.close();
    q.clear();
    q.setSql(QStringLiteral("SELECT ID, MESSAGES FROM MESSAGES ORDER BY ID"));
    q.open();
    EXPECT_EQ(q.recordCount(), 3);
    q.last();
    EXPECT_EQ(q.field(QStringLiteral("id")).toInt(), 3);
    EXPECT_EQ(q.field(QStringLiteral("MESSAGES")).toString(), QStringLiteral("Фраза 3").leftJustified(100, u' '));
    q.setSql(QStringLiteral("SELECT ID FROM MESSAGES WHERE ID > 5"));
    q.open();
    EXPECT_TRUE(q.isEmpty());
    EXPECT_TRUE(q.field(QStringLiteral("ID")).isNull());
    EXPECT_THROW(q.field(QStringLiteral("NOPE")), tarvik::Error);
    q.setSql(QStringLiteral("SELEKT 1"));
    try {
        q.open();
        FAIL() << "bad text ran";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("SELEKT"))) << e.text().toStdString();
    }
}

TEST_F(Db, CatalogueDatasetNavigatesEditsInsertsAndRefreshes)
{
    PreparedStatement add(*db, QStringLiteral("INSERT INTO TOBAP (ID_TOB, NAME, PRICE) VALUES (?, ?, ?)"));
    add.execute({7, QStringLiteral("Сьомий"), QStringLiteral("7")});
    add.execute({1, QStringLiteral("Перший"), QStringLiteral("12.50")});
    add.execute({2, QStringLiteral("Другий"), QStringLiteral("10")});

    TableDataset t(*db, QStringLiteral("TOBAP"), QStringLiteral("ID_TOB"));
    StationStore store(*db);
    int newRecords = 0;
    t.onNewRecord = [&](TableDataset& ds) {
        ++newRecords;
        ds.setValue(QStringLiteral("ID_TOB"), store.highestProductId().value_or(0) + 1);
    };
    t.open();
    EXPECT_EQ(t.state(), TableDataset::State::Browse);
    EXPECT_EQ(t.fieldNames().size(), 14);
    QStringList names;
    for (t.first(); !t.eof(); t.next())
        names.append(t.text(QStringLiteral("NAME")));
    EXPECT_EQ(names, (QStringList{QStringLiteral("Перший"), QStringLiteral("Другий"), QStringLiteral("Сьомий")}));
    EXPECT_EQ(t.recNo(), 3);
    t.prior();
    EXPECT_EQ(t.recNo(), 2);
    t.first();
    t.prior();
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.recNo(), 1);
    EXPECT_THROW(t.setValue(QStringLiteral("NAME"), QStringLiteral("x")), tarvik::Error);  // browse state

    // A new product proposes the highest ID plus one.
    t.append();
    EXPECT_EQ(t.state(), TableDataset::State::Insert);
    EXPECT_EQ(newRecords, 1);
    EXPECT_EQ(t.value(QStringLiteral("ID_TOB")).toInt(), 8);
    EXPECT_EQ(t.recNo(), 4);
    t.setValue(QStringLiteral("NAME"), QStringLiteral("Сир 'Новий'"));
    t.post();
    EXPECT_EQ(t.state(), TableDataset::State::Browse);
    EXPECT_EQ(store.productIdByName(QStringLiteral("Сир 'Новий'")), 8);

    // A taken ID is refused by the unique index; the record stays being inserted.
    t.append();
    t.setValue(QStringLiteral("ID_TOB"), 2);
    t.setValue(QStringLiteral("NAME"), QStringLiteral("Дубль"));
    try {
        t.post();
        FAIL() << "duplicate posted";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("TOBAP_IDX1"))) << e.text().toStdString();
    }
    EXPECT_EQ(t.state(), TableDataset::State::Insert);
    EXPECT_EQ(t.text(QStringLiteral("NAME")), QStringLiteral("Дубль"));
    t.cancel();
    EXPECT_EQ(t.recordCount(), 4);

    // Editing; an overlong text is refused before anything is written.
    t.setRecNo(2);
    t.edit();
    t.setValue(QStringLiteral("PRICE"), QStringLiteral("1234567"));
    EXPECT_THROW(t.post(), tarvik::Error);
    EXPECT_EQ(t.state(), TableDataset::State::Edit);
    t.setValue(QStringLiteral("PRICE"), QStringLiteral("11,5"));
    t.setValue(QStringLiteral("TEXT3"), QStringLiteral("Зберігати при t ≤ 6°C").replace(u'≤', u'<'));
    t.next();  // moving on posts the change
    EXPECT_EQ(t.state(), TableDataset::State::Browse);
    PreparedStatement price(*db, QStringLiteral("SELECT PRICE, TEXT3 FROM TOBAP WHERE ID_TOB = 2"));
    EXPECT_EQ(price.select().at(0).at(0).toString(), QStringLiteral("11,5"));
    EXPECT_EQ(price.select().at(0).at(1).toString(), QStringLiteral("Зберігати при t < 6°C"));

    // An unchanged new record is dropped, a changed one posted, when leaving it.
    t.insert();
    t.checkBrowseMode();
    EXPECT_EQ(t.recordCount(), 4);
    EXPECT_EQ(count(QStringLiteral("TOBAP")), 4);

    // Refresh sees rows written by others and keeps the record number.
    add.execute({3, QStringLiteral("Третій"), QStringLiteral("3")});
    t.setRecNo(2);
    t.refresh();
    EXPECT_EQ(t.recordCount(), 5);
    EXPECT_EQ(t.recNo(), 2);
    t.setRecNo(3);
    EXPECT_EQ(t.text(QStringLiteral("NAME")), QStringLiteral("Третій"));

    // Rows survive a hard commit of the shared transaction.
    db->transaction().hardCommit();
    EXPECT_EQ(t.recordCount(), 5);
    t.edit();
    t.setValue(QStringLiteral("SELL_DATE"), QStringLiteral("30"));
    t.post();
    EXPECT_EQ(scalar(*db, QStringLiteral("SELECT CAST(SELL_DATE AS INTEGER) FROM TOBAP WHERE ID_TOB = 3")), 30);
}

TEST_F(Db, APostedRecordTakesItsPlaceInTheTablesOrderAndAHookCanRefuseIt)
{
    PreparedStatement add(*db, QStringLiteral("INSERT INTO TOBAP (ID_TOB, NAME) VALUES (?, ?)"));
    for (const auto& [id, name] : {std::pair{1, "a"}, std::pair{7, "g"}, std::pair{9, "i"}})
        add.execute({id, QString::fromLatin1(name)});
    TableDataset t(*db, QStringLiteral("TOBAP"), QStringLiteral("ID_TOB"));
    t.open();
    const auto ids = [&] {
        QList<int> out;
        for (int row = 0; row < t.recordCount(); ++row)
            out << t.valueAt(row, QStringLiteral("ID_TOB")).toInt();
        return out;
    };
    const struct {
        int before;  // the record number the new record is inserted before; 0 appends
        int id;
        QList<int> order;
        int recNo;
    } cases[] = {{3, 5, {1, 5, 7, 9}, 2}, {1, 12, {1, 5, 7, 9, 12}, 5}, {0, 3, {1, 3, 5, 7, 9, 12}, 2}};
    for (const auto& c : cases) {
        if (c.before > 0) {
            t.setRecNo(c.before);
            t.insert();
        } else {
            t.append();
        }
        t.setValue(QStringLiteral("ID_TOB"), c.id);
        t.setValue(QStringLiteral("NAME"), QStringLiteral("new"));
        // While it is being filled in, the grid sees it where it was started.
        EXPECT_EQ(t.valueAt(t.recNo() - 1, QStringLiteral("ID_TOB")).toInt(), c.id);
        t.post();
        EXPECT_EQ(ids(), c.order) << c.id;
        EXPECT_EQ(t.recNo(), c.recNo) << c.id;
        EXPECT_EQ(t.value(QStringLiteral("ID_TOB")).toInt(), c.id);
    }
    // The same order as the table read again.
    const QList<int> kept = ids();
    t.refresh();
    EXPECT_EQ(ids(), kept);

    // A hook that refuses keeps the record being edited, with its values.
    t.beforePost = [](const TableDataset& ds) {
        if (ds.value(QStringLiteral("NAME")).toString().isEmpty())
            throw tarvik::Error(QStringLiteral("no name"));
    };
    t.setRecNo(1);
    t.edit();
    t.setValue(QStringLiteral("NAME"), QString());
    EXPECT_THROW(t.post(), tarvik::Error);
    EXPECT_EQ(t.state(), TableDataset::State::Edit);
    EXPECT_EQ(t.valueAt(0, QStringLiteral("NAME")).toString(), QString());
    EXPECT_EQ(scalar(*db, QStringLiteral("SELECT COUNT(*) FROM TOBAP WHERE NAME = 'a'")), 1);
    t.cancel();
    EXPECT_EQ(t.valueAt(0, QStringLiteral("NAME")).toString(), QStringLiteral("a"));
}

TEST_F(Db, DictionaryDatasetKeepsFixedLengthTextsAndDeletes)
{
    TableDataset m(*db, QStringLiteral("MESSAGES"), QStringLiteral("ID"));
    m.onNewRecord = [](TableDataset& ds) { ds.setValue(QStringLiteral("ID"), ds.recordCount()); };
    m.open();
    EXPECT_EQ(m.recNo(), 0);
    EXPECT_TRUE(m.value(QStringLiteral("MESSAGES")).isNull());
    for (const char* text : {"Перше", "Друге", "Третє"}) {
        m.append();
        m.setValue(QStringLiteral("MESSAGES"), QString::fromUtf8(text));
        m.post();
    }
    // ID is the row count (the new row included) — numbers 1, 2, 3.
    m.refresh();
    m.first();
    EXPECT_EQ(m.value(QStringLiteral("ID")).toInt(), 1);
    EXPECT_EQ(m.text(QStringLiteral("MESSAGES")), QStringLiteral("Перше").leftJustified(100, u' '));
    m.next();
    m.deleteRecord();
    EXPECT_EQ(m.recordCount(), 2);
    EXPECT_EQ(count(QStringLiteral("MESSAGES")), 2);
    m.append();
    EXPECT_EQ(m.value(QStringLiteral("ID")).toInt(), 3);  // a duplicate of a number in use, as a count gives
    m.cancel();
    EXPECT_EQ(m.recordCount(), 2);
}

TEST_F(Db, PagedLogQueryFiltersInTheDatabaseOrdersAndDeletesByKey)
{
    StationStore store(*db);
    for (int i = 1; i <= 250; ++i) {
        LogRow r = sampleRow(i % 5 == 0 ? QStringLiteral("B") : QStringLiteral("A"));
        r.batch = QString::number(i % 7);
        r.date = QDate(2011, 3, 1).addDays(i % 4);
        r.weight = QStringLiteral("%1,5").arg(i % 10);
        store.insertLogRow(r);
    }
    PagedQuery log(*db, QStringLiteral("DB_ZVIT"), QStringLiteral("ID, NAME, DATE_IN, WEIGHT, PRICE, PARTIA"),
                   QStringLiteral("ID"), 16);
    log.setFilter(QStringLiteral("NAME_W = ?"), {QStringLiteral("A")});
    log.open();
    ASSERT_EQ(log.rowCount(), 200);
    for (int i : {0, 15, 16, 17, 199, 100})
        EXPECT_EQ(log.value(i, QStringLiteral("ID")).toInt(), i + 1) << i;
    EXPECT_THROW(log.row(200), tarvik::Error);

    log.setFilter(QStringLiteral("NAME_W = ? AND PARTIA >= ? AND PARTIA <= ?"), {QStringLiteral("A"), 5, 5});
    EXPECT_EQ(log.rowCount(), int(scalar(*db, QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT WHERE NAME_W = 'A' AND PARTIA = 5"))));
    for (int i = 0; i < log.rowCount(); ++i)
        EXPECT_EQ(log.value(i, QStringLiteral("PARTIA")).toInt(), 5);

    log.setFilter(QStringLiteral("NAME_W = ? AND DATE_IN >= ? AND DATE_IN <= ?"),
                  {QStringLiteral("B"), QDate(2011, 3, 2), QDate(2011, 3, 3)});
    int streamed = 0;
    log.forEachRow([&](const Row& r) {
        EXPECT_GE(r[2].toDate(), QDate(2011, 3, 2));
        ++streamed;
        return true;
    });
    EXPECT_EQ(streamed, log.rowCount());
    EXPECT_EQ(log.aggregate(QStringLiteral("COUNT(*)")).at(0).toInt(), log.rowCount());

    const int before = log.rowCount();
    const int id = log.value(1, QStringLiteral("ID")).toInt();
    log.deleteRow(1);
    EXPECT_EQ(log.rowCount(), before - 1);
    EXPECT_EQ(scalar(*db, QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT WHERE NAME_W = 'B' AND ID = ?"), {id}), 0);
    EXPECT_EQ(count(QStringLiteral("DB_ZVIT")), 249);
}

TEST_F(Db, IdleCommitRunsOnTheEventLoopAfterTheLastStatement)
{
    StationStore store(*db);
    int commits = 0;
    QObject::connect(&db->transaction(), &Transaction::committed, [&] { ++commits; });
    store.insertLogRow(sampleRow());
    EXPECT_TRUE(db->transaction().pending());
    EXPECT_EQ(commits, 0);
    ASSERT_TRUE(pumpUntil([&] { return !db->transaction().pending(); }));
    EXPECT_EQ(commits, 1);
    // Nothing to commit without further statements.
    QCoreApplication::processEvents();
    EXPECT_EQ(commits, 1);
}

TEST(IsqlMadeDatabase, TheTablesAloneAreEnough)
{
    TempLine line;
    QDir().mkpath(QFileInfo(line.dbPath).path());
    const QString ddl = QStringLiteral(
        "CREATE DATABASE '%1' USER 'sysdba' PASSWORD 'quillmoss' DEFAULT CHARACTER SET WIN1251;\n"
        "CREATE TABLE TOBAP (ID_TOB INTEGER, NAME VARCHAR(50), SKLAD VARCHAR(2000), BARCOD VARCHAR(13),\n"
        "  PRICE VARCHAR(6), SELL_DATE VARCHAR(6), TEXT1 VARCHAR(100), TEXT2 VARCHAR(100), TEXT3 VARCHAR(100),\n"
        "  TEXT4 VARCHAR(100), TEXT5 VARCHAR(100), TEXT6 VARCHAR(100), TEXT7 VARCHAR(100), TEXT8 VARCHAR(100));\n"
        "CREATE TABLE DB_ZVIT (ID INTEGER, NAME CHAR(50), DATE_IN DATE, WEIGHT CHAR(6), PRICE CHAR(10),\n"
        "  PARTIA INTEGER, NAME_W CHAR(10));\n"
        "CREATE TABLE KOPOBKA (ID_num INTEGER, NUM INTEGER);\n"
        "CREATE TABLE MESSAGES (ID INTEGER, MESSAGES CHAR(100));\n"
        "CREATE UNIQUE INDEX TOBAP_IDX1 ON TOBAP (ID_TOB);\n"
        "COMMIT;\n"
        "INSERT INTO KOPOBKA VALUES (1, 7);\n"
        "COMMIT;\n").arg(line.dbPath);
    QProcess isql;
    isql.start(QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-b")});
    ASSERT_TRUE(isql.waitForStarted()) << "isql-fb is missing";
    isql.write(ddl.toUtf8());
    isql.closeWriteChannel();
    ASSERT_TRUE(isql.waitForFinished(60000));
    ASSERT_EQ(isql.exitCode(), 0) << isql.readAllStandardError().toStdString() << isql.readAllStandardOutput().toStdString();

    auto db = Database::openOrCreate(line.params());
    StationStore store(*db);
    EXPECT_EQ(store.insertLogRow(sampleRow()), 1);
    EXPECT_EQ(store.insertLogRow(sampleRow()), 2);
    EXPECT_EQ(store.advanceBoxNumber(), 8);
    store.setBoxNumber(QStringLiteral("20"));
    EXPECT_EQ(store.boxNumber(), 20);
    TableDataset t(*db, QStringLiteral("TOBAP"), QStringLiteral("ID_TOB"));
    t.open();
    t.append();
    t.setValue(QStringLiteral("ID_TOB"), 1);
    t.setValue(QStringLiteral("NAME"), QStringLiteral("Хліб"));
    t.post();
    EXPECT_EQ(store.productIdByName(QStringLiteral("Хліб")), 1);
    PagedQuery log(*db, QStringLiteral("DB_ZVIT"), QStringLiteral("ID, NAME_W"), QStringLiteral("ID"));
    log.open();
    EXPECT_EQ(log.rowCount(), 2);
    EXPECT_EQ(log.value(1, QStringLiteral("NAME_W")).toString(), QStringLiteral("Ваги 1    "));
}

namespace {

// Counts what the station would show while its indexes are added.
struct RecordingProgress : SchemaProgress {
    void building(int, int total, const QString&, std::chrono::milliseconds) override
    {
        ++calls;
        lastTotal = total;
    }
    void built() override { ++builtCalls; }
    int calls = 0, lastTotal = -1, builtCalls = 0;
};

// The station's indexes as the database has them: name and unique flag.
QMap<QString, int> stationIndexes(Database& db)
{
    PreparedStatement s(db, QStringLiteral("SELECT TRIM(RDB$INDEX_NAME), COALESCE(RDB$UNIQUE_FLAG, 0) FROM RDB$INDICES "
                                           "WHERE RDB$SYSTEM_FLAG = 0 AND RDB$RELATION_NAME IN ('DB_ZVIT', 'TOBAP')"));
    QMap<QString, int> out;
    for (const Row& r : s.select())
        out.insert(r[0].toString(), r[1].toInt());
    return out;
}

void insertOldRow(Database& db, int id, const QString& scale)
{
    PreparedStatement s(db, QStringLiteral("INSERT INTO DB_ZVIT (ID, NAME, DATE_IN, WEIGHT, PRICE, PARTIA, NAME_W) "
                                           "VALUES (?, 'Сир', '2019-01-02', '1,000', '10', 1, ?)"));
    s.execute({id, scale});
}

}  // namespace

// A line's database made by other software from the table layout alone, with
// or without an old pair of rows of one number under one scale name.
TEST(CustomerDatabase, GetsTheStationsIndexesOnceAndNumbersPastItsRows)
{
    struct Case {
        const char* what;
        bool oldDuplicate;
        int uniqueFlag;  // of DB_ZVIT_NAME_W_ID
    };
    for (const Case& c : {Case{"clean log", false, 1}, Case{"an old duplicate pair", true, 0}}) {
        SCOPED_TRACE(c.what);
        TempLine line;
        QDir().mkpath(QFileInfo(line.dbPath).path());
        {
            auto made = Database::create(line.params(), SchemaPart::TablesOnly);
            EXPECT_TRUE(stationIndexes(*made).isEmpty());
            for (int id : {1, 2, 3})
                insertOldRow(*made, id, QStringLiteral("A"));
            insertOldRow(*made, 9, QStringLiteral("B"));
            if (c.oldDuplicate)
                insertOldRow(*made, 2, QStringLiteral("A"));
            made->transaction().hardCommit();
        }

        RecordingProgress progress;
        auto db = Database::connect(line.params(), &progress);
        const QMap<QString, int> indexes = stationIndexes(*db);
        for (const StationIndex& i : kStationIndexes)
            EXPECT_TRUE(indexes.contains(QLatin1String(i.name))) << i.name;
        EXPECT_EQ(indexes.value(QStringLiteral("DB_ZVIT_NAME_W_ID"), -1), c.uniqueFlag);
        EXPECT_EQ(indexes.value(QStringLiteral("TOBAP_IDX1"), -1), 1);
        EXPECT_GT(progress.calls, 0);
        EXPECT_EQ(progress.lastTotal, int(kStationIndexes.size()));
        EXPECT_EQ(progress.builtCalls, 1);
        ASSERT_EQ(db->schemaNotes().size(), c.oldDuplicate ? 1 : 0) << db->schemaNotes().join(u'\n').toStdString();
        if (c.oldDuplicate) {
            EXPECT_TRUE(db->schemaNotes().at(0).contains(QStringLiteral("DB_ZVIT_NAME_W_ID")));
        }

        StationStore store(*db);
        EXPECT_EQ(store.insertLogRow(sampleRow(QStringLiteral("A"))), 4);
        EXPECT_EQ(store.insertLogRow(sampleRow(QStringLiteral("A"))), 5);
        EXPECT_EQ(store.insertLogRow(sampleRow(QStringLiteral("B"))), 10);
        EXPECT_EQ(store.insertLogRow(sampleRow(QStringLiteral("C"))), 1);
        db->transaction().hardCommit();
        // The old rows stay as they were.
        EXPECT_EQ(scalar(*db, QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT WHERE ID = 2")), c.oldDuplicate ? 2 : 1);
        db.reset();

        // Once: the next start finds them all and builds nothing.
        RecordingProgress again;
        db = Database::connect(line.params(), &again);
        EXPECT_EQ(again.calls, 0);
        EXPECT_TRUE(db->schemaNotes().isEmpty());
        EXPECT_EQ(stationIndexes(*db), indexes);
    }
}

// Where the password comes from, and what the station warns about at start.
TEST(StationConnection, ThePasswordFileAndItsWarnings)
{
    struct Case {
        const char* what;
        const char* section;       // the [Database] section
        const char* passwordFile;  // written as "pw" beside the settings, when set
        QFile::Permissions mode;   // of the file holding the password
        const char* password;
        bool modeWarning;
        bool superuserWarning;
    };
    const auto owner = QFile::ReadOwner | QFile::WriteOwner;
    const Case cases[] = {
        {"the station's own file", "", nullptr, owner | QFile::ReadOther, "quillmoss", false, false},
        {"a password in a settings file others read", "Path=h:/d.fdb\r\nUser=TARVIK\r\nPassword=s3cret\r\n",
         nullptr, owner | QFile::ReadGroup, "s3cret", true, false},
        {"a password in a settings file of the owner alone", "Path=h:/d.fdb\r\nUser=TARVIK\r\nPassword=s3cret\r\n",
         nullptr, owner, "s3cret", false, false},
        {"a password file of the owner alone", "Path=h:/d.fdb\r\nUser=TARVIK\r\nPasswordFile=pw\r\n", "pw", owner,
         "from file", false, false},
        {"a password file others read", "Path=h:/d.fdb\r\nUser=TARVIK\r\nPasswordFile=pw\r\n", "pw",
         owner | QFile::ReadOther, "from file", true, false},
        {"the superuser", "Path=h:/d.fdb\r\nUser=sysdba\r\nPasswordFile=pw\r\n", "pw", owner, "from file", false,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempLine line;
        const QString settings = line.programDir + QStringLiteral("Setting_Prog.ini");
        QFile ini(settings);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QByteArray("[Prog]\r\nName_Weight=A\r\n") + (*c.section ? "[Database]\r\n" : "") + c.section);
        ini.close();
        QString holder = settings;
        if (c.passwordFile) {
            holder = line.programDir + QLatin1String(c.passwordFile);
            QFile pw(holder);
            ASSERT_TRUE(pw.open(QIODevice::WriteOnly));
            pw.write("from file\n");
            pw.close();
            ini.setPermissions(owner);
        }
        QFile(holder).setPermissions(c.mode);

        const StationConnection got = stationConnection(line.programDir);
        EXPECT_EQ(got.params.password, QLatin1String(c.password));
        const QString said = got.warnings.join(u'\n');
        EXPECT_EQ(said.contains(QStringLiteral("chmod 600 ") + holder), c.modeWarning) << said.toStdString();
        EXPECT_EQ(said.contains(QStringLiteral("SYSDBA")), c.superuserWarning) << said.toStdString();
        EXPECT_FALSE(said.contains(QLatin1String(c.password))) << said.toStdString();
    }
}

TEST(StationConnection, AMissingPasswordFileIsNamedWithoutAPassword)
{
    TempLine line;
    QFile ini(line.programDir + QStringLiteral("Setting_Prog.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Database]\r\nPath=h:/d.fdb\r\nUser=TARVIK\r\nPasswordFile=/nonexistent/pw\r\n");
    ini.close();
    try {
        stationConnection(line.programDir);
        FAIL() << "connected without a password";
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("/nonexistent/pw"))) << e.text().toStdString();
    }
}

// A report printed page by page handles events between pages; the periodic
// hard commit, which closes every cursor, waits until the rows are read.
TEST_F(Db, APeriodicHardCommitWaitsForAnOpenCursor)
{
    StationStore store(*db);
    for (int i = 0; i < 5; ++i)
        store.insertLogRow(sampleRow());
    db->transaction().commitRetaining();
    int commits = 0;
    QObject::connect(&db->transaction(), &Transaction::committed, [&] { ++commits; });
    db->transaction().setHardCommitInterval(1);

    PreparedStatement rows(*db, QStringLiteral("SELECT ID FROM DB_ZVIT ORDER BY ID"));
    std::vector<qint64> read;
    EXPECT_NO_THROW(rows.forEach({}, [&](Row&& r) {
        read.push_back(r.at(0).toLongLong());
        // Long enough between rows for the periodic commit to come round.
        QThread::msleep(5);
        QCoreApplication::processEvents();
        return true;
    }));
    EXPECT_EQ(read, (std::vector<qint64>{1, 2, 3, 4, 5}));
    EXPECT_EQ(commits, 0) << "committed under an open cursor";
    // With the cursor closed, the commit comes.
    ASSERT_TRUE(pumpUntil([&] { return commits > 0; }));
    db->transaction().setHardCommitInterval(5 * 60 * 1000);
}

// A label run commits on a thread of its own and goes on; the next load's
// statements run on the same transaction while the commit is under way.
TEST_F(Db, ABackgroundCommitIsWholeBeforeItsFollowUpRunsAndLetsStatementsRunMeanwhile)
{
    StationStore store(*db);
    auto other = Database::attach(line.params());
    const QString countSql = QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT");
    Transaction& t = db->transaction();
    std::vector<qint64> seenByOther;
    int committed = 0;
    QObject::connect(&t, &Transaction::committed, [&] { ++committed; });
    for (int i = 1; i <= 30; ++i) {
        store.insertLogRow(sampleRow());
        t.commitInBackground([&, i] {
            // The other attachment's snapshot is taken here, after the commit.
            other->transaction().commitRetaining();
            seenByOther.push_back(scalar(*other, countSql));
            EXPECT_GE(seenByOther.back(), i);
        });
        // Read in the transaction while its commit may still be on its way.
        EXPECT_EQ(scalar(*db, countSql), i);
        if (i % 3 == 0)
            t.settle();  // else the next commit waits for this one
    }
    ASSERT_TRUE(pumpUntil([&] { return seenByOther.size() == 30u; }));
    EXPECT_FALSE(t.committingInBackground());
    EXPECT_EQ(committed, 30);
    EXPECT_TRUE(std::is_sorted(seenByOther.begin(), seenByOther.end()));
    EXPECT_EQ(seenByOther.back(), 30);
}

// What a station going away does with a commit still on its way: the rows
// are committed, the follow-up (which may touch windows already gone) is not run.
TEST_F(Db, AClosedDatabaseWaitsForItsBackgroundCommitAndDropsItsFollowUp)
{
    {
        StationStore store(*db);
        store.insertLogRow(sampleRow());
    }
    bool followedUp = false;
    db->transaction().commitInBackground([&] { followedUp = true; });
    db.reset();
    EXPECT_FALSE(followedUp);
    db = Database::attach(line.params());
    EXPECT_EQ(count(QStringLiteral("DB_ZVIT")), 1);
}
