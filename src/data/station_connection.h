#pragma once
// Where a station's database connection comes from, what is unsafe about it,
// and the check a technician runs on a new station (`tarvik --check-database`).

#include "data/database.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace tarvik::data {

struct StationConnection {
    ConnectParams params;
    // The file that holds the password: the settings file or the file its
    // "PasswordFile" names; empty for the station's own database file.
    QString passwordHolder;
    // Said once at start: a password file others can read, the server's
    // superuser used by a station. Never holds the password.
    QStringList warnings;
};

// The [Database] section of Setting_Prog.ini in `programDir` (see
// stationConnectParams). A "PasswordFile" that cannot be read is an error
// naming the file.
StationConnection stationConnection(const QString& programDir);

// Whether group or others may read the file (its mode allows it).
bool readableByOthers(const QString& path);

// The station user's rights, table by table (S select, I insert, U update,
// D delete): what the station's statements need, and nothing more.
struct TableRights {
    const char* table;
    const char* rights;
};
extern const std::vector<TableRights> kStationRights;

struct DatabaseCheck {
    QStringList lines;  // plain words, one finding a line
    bool ok = true;
};

// Connects with the station's settings without changing anything and
// reports the server, the user, the tables, the indexes, the user's rights,
// the wire encryption and the box number row.
DatabaseCheck checkStationDatabase(const QString& programDir);

}  // namespace tarvik::data
