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

}  // namespace tarvik::data
