#pragma once
// The station's tables as a new database file gets them.

#include <QString>
#include <QStringList>
#include <vector>

namespace tarvik::data {

// The statements that make a new database, grouped by transaction: tables and
// their indexes together (an index made later, after the tables were used,
// fails with "object in use"), then the first KOPOBKA row.
std::vector<QStringList> schemaSteps();

// The station's own tables, which no other reader of the database knows: the
// run that wrote each log row and the run that took each box number, so a run
// finished after a crash never writes its row or takes its number twice.
struct StationTable {
    const char* name;
    const char* exists;  // a select that finds a row when the table is there
    const char* create;
};
extern const StationTable kStationTables[2];

}  // namespace tarvik::data
