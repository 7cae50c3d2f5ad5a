// A line set up for several stations by scripts/server-setup.sh on the private
// Firebird server of tests/data (which requires wire encryption): the script
// is idempotent, the station weighs as the station user, that user cannot
// change the schema or the server's users, the password stays where it was
// put, and `tarvik --check-database` tells a good set-up from a broken one.

#include "data/database.h"
#include "data/product_import.h"
#include "data/station_store.h"
#include "support/station_folder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using tarvik::testing::StationFolder;
using namespace tarvik::data;

namespace {

const QString kState = QStringLiteral(DATA_TEST_SERVER_DIR);
// A quote and a blank in it: the script must carry it into SQL whole.
const QString kPassword = QStringLiteral("Ln'7 kqzv");

QString port()
{
    QFile f(kState + QStringLiteral("/port"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).trimmed() : QString();
}

struct Ran {
    int code = -1;
    QString out, err;
};

Ran run(const QString& program, const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Ran r;
    if (!p.waitForFinished(120000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

class StationUser : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(port().isEmpty()) << "no test server";
        dbPath = folder.databaseDir() + QStringLiteral("LINE.FDB");
        remote = QStringLiteral("127.0.0.1/%1:%2").arg(port(), dbPath);
        passwordFile = folder.databaseDir() + QStringLiteral("station-password");
        QFile f(passwordFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kPassword.toUtf8() + '\n');
    }

    Ran setUpServer()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ISC_PASSWORD"), QStringLiteral("quillmoss"));
        return run(QStringLiteral("bash"), {QStringLiteral(TARVIK_SOURCE_DIR "/scripts/server-setup.sh"),
                                            QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                                            QStringLiteral("--port"), port(), QStringLiteral("--password-file"),
                                            passwordFile, dbPath},
                   env);
    }

    ConnectParams as(const QString& user, const QString& password) const { return ConnectParams{remote, user, password}; }

    // The station's settings: the demo's, and the section the script printed.
    void writeSettings(const QString& section, QFile::Permissions passwordMode)
    {
        QFile demo(QStringLiteral(TARVIK_SOURCE_DIR "/resources/demo/Setting_Prog.ini"));
        ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
        QByteArray ini = demo.readAll();
        ini.replace("interval=200", "interval=40");
        ini.replace("Sum_etic=3", "Sum_etic=999");  // no box closes within the test
        folder.write(QStringLiteral("Setting_Prog.ini"), ini + section.toUtf8().replace("\n", "\r\n"));
        folder.write(QStringLiteral("db-password"), kPassword.toUtf8() + '\n');
        QFile(folder.path(QStringLiteral("db-password"))).setPermissions(passwordMode);
    }

    Ran check() const
    {
        return run(QStringLiteral(TARVIK_BIN_DIR "/tarvik"),
                   {QStringLiteral("--station-dir"), folder.programDir(), QStringLiteral("--check-database")});
    }

    StationFolder folder;
    QString dbPath, remote, passwordFile;
};

// What the script printed from the line "[Database]" to the first comment after it.
QString section(const QString& printed)
{
    QStringList lines;
    for (const QString& l : printed.split(u'\n')) {
        if (lines.isEmpty() && l != QStringLiteral("[Database]"))
            continue;
        if (l.startsWith(u';'))
            break;
        lines << l;
    }
    return lines.join(u'\n') + u'\n';
}

TEST_F(StationUser, TheScriptSetsUpOnceAndTheStationWeighsAsItsUser)
{
    const Ran first = setUpServer();
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    EXPECT_TRUE(first.err.contains(QStringLiteral("created the database"))) << first.err.toStdString();
    const QString printed = section(first.out);
    EXPECT_TRUE(printed.contains(QStringLiteral("Path=") + remote + u'\n')) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("User=TARVIK\n"))) << printed.toStdString();
    EXPECT_FALSE(first.out.contains(kPassword));

    const Ran second = setUpServer();
    ASSERT_EQ(second.code, 0) << second.err.toStdString();
    EXPECT_TRUE(second.err.contains(QStringLiteral("Nothing was changed"))) << second.err.toStdString();
    EXPECT_FALSE(second.err.contains(QStringLiteral("created"))) << second.err.toStdString();

    {
        // The catalogue is filled by the line's administrator.
        auto admin = Database::connect(as(QStringLiteral("sysdba"), QStringLiteral("quillmoss")));
        importProducts(*admin, QStringLiteral("NAME\tPRICE\tBARCOD\tSELL_DATE\nСир\t100\t12\t30\nКоробка\t0\t13\t30\n"));
    }
    {
        // The station user has what a station needs, and no more.
        auto db = Database::connect(as(QStringLiteral("TARVIK"), kPassword));
        StationStore store(*db);
        EXPECT_EQ(store.advanceBoxNumber(), 2);
        db->transaction().hardCommit();
        for (const char* sql : {"DROP TABLE DB_ZVIT", "CREATE TABLE MINE (A INTEGER)", "ALTER TABLE KOPOBKA ADD X INTEGER",
                                "CREATE USER INTRUDER PASSWORD 'x1'", "GRANT SELECT ON TOBAP TO USER PUBLIC"}) {
            EXPECT_THROW(db->executeImmediate(QString::fromLatin1(sql)), DatabaseError) << sql;
            db->transaction().rollback();
        }
    }

    // Weighs with the password in a file that others may read: warned once.
    writeSettings(printed, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    QStringList readings = {QStringLiteral("0.000;S;")};
    for (int i = 0; i < 3; ++i)
        readings << QStringLiteral("1.%1;S;").arg(200 + i) << QStringLiteral("0.000;S;");
    folder.scriptScale(readings);
    QProcess station;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), folder.path(QStringLiteral("no-cups.sock")));
    station.setProcessEnvironment(env);
    station.start(QStringLiteral(TARVIK_BIN_DIR "/tarvik"), {QStringLiteral("--station-dir"), folder.programDir(),
                                                             QStringLiteral("--headless"), QStringLiteral("--quit-after"),
                                                             QStringLiteral("3")});
    ASSERT_TRUE(station.waitForFinished(90000));
    const QString said = QString::fromUtf8(station.readAllStandardError());
    EXPECT_EQ(station.exitCode(), 0) << said.toStdString();
    EXPECT_EQ(said.count(QStringLiteral("chmod 600 ") + folder.path(QStringLiteral("db-password"))), 1)
        << said.toStdString();
    EXPECT_FALSE(said.contains(QStringLiteral("SYSDBA"))) << said.toStdString();
    EXPECT_FALSE(said.contains(kPassword));
    auto admin = Database::connect(as(QStringLiteral("sysdba"), QStringLiteral("quillmoss")));
    PreparedStatement rows(*admin, QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT ID) FROM DB_ZVIT"));
    EXPECT_EQ(rows.select().at(0).at(0).toInt(), 3) << said.toStdString();
    EXPECT_EQ(rows.select().at(0).at(1).toInt(), 3);

    // The password is nowhere the station writes: its folder, the database.
    const QByteArray secret = kPassword.toUtf8();
    for (const QString& top : {folder.programDir(), folder.databaseDir()}) {
        QDirIterator it(top, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            if (f == folder.path(QStringLiteral("db-password")) || f == passwordFile)
                continue;
            QFile file(f);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << f.toStdString();
            EXPECT_FALSE(file.readAll().contains(secret)) << f.toStdString();
        }
    }

    // The check on a good set-up, then with a right taken away.
    QFile(folder.path(QStringLiteral("db-password"))).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const Ran good = check();
    EXPECT_EQ(good.code, 0) << good.out.toStdString();
    for (const char* found : {"127.0.0.1/", "Підключено як: TARVIK", "зашифроване", "Таблиці: усі 7",
                              "DB_ZVIT_NAME_W_ID (унікальний)", "рівно потрібні права", "Номер коробки: 2"})
        EXPECT_TRUE(good.out.contains(QString::fromUtf8(found))) << found << "\n" << good.out.toStdString();
    EXPECT_FALSE(good.out.contains(QStringLiteral("УВАГА"))) << good.out.toStdString();

    admin->executeImmediate(QStringLiteral("REVOKE UPDATE ON KOPOBKA FROM USER TARVIK"));
    admin->transaction().hardCommit();
    const Ran broken = check();
    EXPECT_EQ(broken.code, 1) << broken.out.toStdString();
    EXPECT_TRUE(broken.out.contains(QStringLiteral("бракує прав на KOPOBKA: зміна"))) << broken.out.toStdString();

    folder.write(QStringLiteral("db-password"), "not the password\n");
    const Ran refused = check();
    EXPECT_EQ(refused.code, 1) << refused.out.toStdString();
    EXPECT_TRUE(refused.out.contains(QStringLiteral("не вдалося підключитися"))) << refused.out.toStdString();
    EXPECT_FALSE(refused.out.contains(QStringLiteral("not the password")));
}

TEST_F(StationUser, TheSuperuserWorksWithOneWarning)
{
    ASSERT_EQ(setUpServer().code, 0);
    writeSettings(QStringLiteral("[Database]\nPath=%1\nUser=SYSDBA\nPasswordFile=su-password\n").arg(remote),
                  QFile::ReadOwner | QFile::WriteOwner);
    folder.write(QStringLiteral("su-password"), "quillmoss\n");
    QFile(folder.path(QStringLiteral("su-password"))).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const Ran r = check();
    EXPECT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_EQ(r.out.count(QStringLiteral("SYSDBA, адміністратор сервера")), 1) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("SYSDBA має всі права"))) << r.out.toStdString();
}

}  // namespace
