#include "data/station_connection.h"

#include "data/schema.h"
#include "data/settings_files.h"
#include "data/station_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <sys/stat.h>

namespace tarvik::data {

const std::vector<TableRights> kStationRights = {
    {"TOBAP", "SIUD"},          // the catalogue is edited at the station
    {"MESSAGES", "SIUD"},       // the phrase dictionary too
    {"DB_ZVIT", "SID"},         // rows are written, read, and deleted in the reports
    {"KOPOBKA", "SU"},          // the box number
    {"TARVIK_RUNS", "SI"},
    {"TARVIK_BOXES", "SI"},
    {"TARVIK_SCALES", "SIU"},
};

bool readableByOthers(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return (st.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

ConnectParams stationConnectParams(const QString& programDir)
{
    return stationConnection(programDir).params;
}

StationConnection stationConnection(const QString& programDir)
{
    const QString settings = QDir(programDir).filePath(QString::fromLatin1(kSettingsFileName));
    const DatabaseSettings s = LoadDatabaseSettings(settings);
    StationConnection c;
    if (s.path.trimmed().isEmpty()) {
        // The station's own file through the embedded engine: no password is checked.
        c.params = ConnectParams{stationDatabasePath(programDir)};
        return c;
    }
    c.params = ConnectParams{s.path.trimmed(), s.user, s.password};
    if (!s.passwordFile.isEmpty()) {
        const QString file = QDir(programDir).absoluteFilePath(s.passwordFile);
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("Не вдалося прочитати файл пароля бази даних %1: %2").arg(file, f.errorString()));
        QByteArray line = f.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            throw Error(QStringLiteral("Файл пароля бази даних %1 порожній").arg(file));
        c.params.password = QString::fromUtf8(line);
        c.passwordHolder = file;
    } else if (s.passwordGiven) {
        c.passwordHolder = QFileInfo(settings).absoluteFilePath();
    }
    if (!c.passwordHolder.isEmpty() && readableByOthers(c.passwordHolder))
        c.warnings << QStringLiteral("Файл %1 містить пароль до бази даних і його можуть читати інші користувачі "
                                     "цього комп'ютера. Залиште читання лише власнику: chmod 600 %1")
                          .arg(c.passwordHolder);
    if (c.params.user.compare(QStringLiteral("sysdba"), Qt::CaseInsensitive) == 0)
        c.warnings << QStringLiteral("Станція підключається до сервера як SYSDBA, адміністратор сервера. "
                                     "Рекомендовано окремого користувача станції з правами лише на її таблиці: "
                                     "scripts/server-setup.sh (README, \"Several stations\").");
    return c;
}

namespace {

QString letters(const QString& rights)
{
    static const QMap<QChar, QString> names = {{u'S', QStringLiteral("читання")},
                                               {u'I', QStringLiteral("додавання")},
                                               {u'U', QStringLiteral("зміна")},
                                               {u'D', QStringLiteral("видалення")}};
    QStringList out;
    for (QChar c : rights)
        out << names.value(c, QString(c));
    return out.join(QStringLiteral(", "));
}

}  // namespace

DatabaseCheck checkStationDatabase(const QString& programDir)
{
    DatabaseCheck out;
    auto say = [&](const QString& s) { out.lines << s; };
    auto warn = [&](const QString& s) { out.lines << QStringLiteral("  УВАГА: ") + s; };
    auto fail = [&](const QString& s) {
        out.lines << QStringLiteral("  ПОМИЛКА: ") + s;
        out.ok = false;
    };

    StationConnection c;
    try {
        c = stationConnection(programDir);
    } catch (const Error& e) {
        fail(e.text());
        return out;
    }
    const bool server = isServerPath(c.params.path);
    say(QStringLiteral("База даних: %1 (%2)")
            .arg(c.params.path, server ? QStringLiteral("на сервері") : QStringLiteral("файл станції")));
    if (server) {
        say(QStringLiteral("Користувач: %1; пароль з %2")
                .arg(c.params.user,
                     c.passwordHolder.isEmpty() ? QStringLiteral("типового значення станції") : c.passwordHolder));
    }
    for (const QString& w : c.warnings)
        warn(w);

    std::unique_ptr<Database> db;
    try {
        db = Database::attach(c.params);
    } catch (const Error& e) {
        fail(QStringLiteral("не вдалося підключитися: %1").arg(e.text()));
        return out;
    }
    auto one = [&](const QString& sql, const QVariantList& values = {}) -> Row {
        PreparedStatement s(*db, sql);
        const auto rows = s.select(values, 1);
        return rows.empty() ? Row{} : rows.front();
    };

    const Row who = one(QStringLiteral(
        "SELECT RDB$GET_CONTEXT('SYSTEM', 'ENGINE_VERSION'), CURRENT_USER, "
        "RDB$GET_CONTEXT('SYSTEM', 'NETWORK_PROTOCOL'), RDB$GET_CONTEXT('SYSTEM', 'CLIENT_ADDRESS') FROM RDB$DATABASE"));
    say(QStringLiteral("Сервер: Firebird %1, з'єднання %2")
            .arg(who.value(0).toString().trimmed(),
                 who.value(2).isNull() ? QStringLiteral("вбудоване (без мережі)")
                                       : who.value(2).toString().trimmed() + QStringLiteral(" з адреси ") +
                                             who.value(3).toString().trimmed()));
    const QString user = who.value(1).toString().trimmed();
    say(QStringLiteral("Підключено як: %1").arg(user));

    if (server) {
        const Row crypt = one(QStringLiteral("SELECT RDB$GET_CONTEXT('SYSTEM', 'WIRE_ENCRYPTED') FROM RDB$DATABASE"));
        const QString state = crypt.value(0).toString().trimmed();
        if (state == QStringLiteral("TRUE"))
            say(QStringLiteral("Шифрування: з'єднання з сервером зашифроване"));
        else if (state == QStringLiteral("FALSE"))
            warn(QStringLiteral("з'єднання з сервером не зашифроване (WireCrypt = Required на сервері вимагає "
                                "шифрування від усіх)"));
        else
            say(QStringLiteral("Шифрування: сервер не каже, чи зашифроване з'єднання"));
    }

    QStringList tables = {QStringLiteral("TOBAP"), QStringLiteral("DB_ZVIT"), QStringLiteral("KOPOBKA"),
                          QStringLiteral("MESSAGES")};
    for (const StationTable& t : kStationTables)
        tables << QLatin1String(t.name);
    QStringList missingTables;
    for (const QString& t : tables)
        if (one(QString::fromLatin1(kTableExists), {t}).isEmpty())
            missingTables << t;
    if (missingTables.isEmpty())
        say(QStringLiteral("Таблиці: усі %1 на місці").arg(tables.size()));
    else
        fail(QStringLiteral("немає таблиць: %1").arg(missingTables.join(QStringLiteral(", "))));

    QStringList indexes, missingIndexes;
    for (const StationIndex& i : kStationIndexes) {
        const Row r = one(QStringLiteral("SELECT COALESCE(RDB$UNIQUE_FLAG, 0) FROM RDB$INDICES WHERE RDB$INDEX_NAME = ?"),
                          {QLatin1String(i.name)});
        if (r.isEmpty())
            missingIndexes << QLatin1String(i.name);
        else
            indexes << QLatin1String(i.name) + (r.value(0).toInt() ? QStringLiteral(" (унікальний)") : QString());
    }
    if (!indexes.isEmpty())
        say(QStringLiteral("Індекси: %1").arg(indexes.join(QStringLiteral(", "))));
    if (!missingIndexes.isEmpty())
        warn(QStringLiteral("немає індексів %1: станція працюватиме повільно, доки їх не додасть "
                            "(SYSDBA при старті станції або scripts/server-setup.sh)")
                 .arg(missingIndexes.join(QStringLiteral(", "))));

    if (!server || user.compare(QStringLiteral("SYSDBA"), Qt::CaseInsensitive) == 0) {
        say(QStringLiteral("Права: %1 має всі права").arg(user));
    } else {
        PreparedStatement granted(*db, QStringLiteral(
                                           "SELECT TRIM(RDB$PRIVILEGE) FROM RDB$USER_PRIVILEGES WHERE RDB$RELATION_NAME = ? "
                                           "AND RDB$USER IN (?, 'PUBLIC') AND RDB$OBJECT_TYPE = 0"));
        bool allRights = true;
        for (const TableRights& t : kStationRights) {
            if (missingTables.contains(QLatin1String(t.table)))
                continue;
            QString has;
            for (const Row& r : granted.select({QLatin1String(t.table), user}))
                has += r.value(0).toString();
            QString lacking, extra;
            for (QChar ch : QLatin1String(t.rights))
                if (!has.contains(ch))
                    lacking += ch;
            for (QChar ch : has)
                if (!QLatin1String(t.rights).contains(ch) && !extra.contains(ch))
                    extra += ch;
            if (!lacking.isEmpty()) {
                fail(QStringLiteral("%1 бракує прав на %2: %3").arg(user, QLatin1String(t.table), letters(lacking)));
                allRights = false;
            }
            if (!extra.isEmpty())
                warn(QStringLiteral("%1 має на %2 зайві права: %3").arg(user, QLatin1String(t.table), extra));
        }
        if (allRights)
            say(QStringLiteral("Права: %1 має на таблиці станції рівно потрібні права").arg(user));
        // A plain user sees only its own row of the server's users.
        try {
            const Row admin = one(QStringLiteral("SELECT SEC$ADMIN FROM SEC$USERS WHERE SEC$USER_NAME = CURRENT_USER"));
            if (admin.value(0).toBool())
                warn(QStringLiteral("%1 є адміністратором сервера: користувачу станції це не потрібно").arg(user));
        } catch (const DatabaseError&) {
        }
    }

    if (!missingTables.contains(QStringLiteral("KOPOBKA"))) {
        try {
            StationStore store(*db);
            say(QStringLiteral("Номер коробки: %1 (таблиця KOPOBKA, рядок ID_num = 1)").arg(store.boxNumber()));
        } catch (const Error& e) {
            fail(e.text());
        }
    }
    say(out.ok ? QStringLiteral("Підсумок: станція може працювати з цією базою даних.")
               : QStringLiteral("Підсумок: є помилки, станція з цими налаштуваннями не працюватиме."));
    return out;
}

}  // namespace tarvik::data
