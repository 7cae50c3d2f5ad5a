#pragma once
// The station's tables and indexes: what a new database file gets, and what
// a database made without them (by other software, from the table layout
// alone) gets when the station opens it.

#include <QString>
#include <QStringList>
#include <vector>

namespace tarvik::data {

// What a new database gets: the station's whole schema, or the four tables
// alone, as a line's database made by other software has them.
enum class SchemaPart { Station, TablesOnly };

// The statements that make a new database, grouped by transaction: tables and
// their indexes together (an index made later, after the tables were used,
// fails with "object in use"), then the first KOPOBKA row.
std::vector<QStringList> schemaSteps(SchemaPart part = SchemaPart::Station);

// An index of the station. `plain` is the same index without UNIQUE, made
// when old rows already hold a duplicate key; empty when the index is not
// unique anyway.
struct StationIndex {
    const char* name;
    const char* table;
    const char* create;
    const char* plain;
};
extern const std::vector<StationIndex> kStationIndexes;

// The station's own tables, which no other reader of the database knows: the
// run that wrote each log row and the run that took each box number, so a run
// finished after a crash never writes its row or takes its number twice; and
// one row per scale name that a station locks while it numbers a log row, so
// two stations of one name never store the same row number (docs/numbering.md).
struct StationTable {
    const char* name;
    const char* create;
};
extern const std::vector<StationTable> kStationTables;

// Finds a row when the table of that name (bound as the parameter) is there.
inline constexpr const char* kTableExists = "SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = ?";
// Finds a row when the index of that name (bound as the parameter) is there.
inline constexpr const char* kIndexExists = "SELECT 1 FROM RDB$INDICES WHERE RDB$INDEX_NAME = ?";

}  // namespace tarvik::data
