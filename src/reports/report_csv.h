#pragma once
// The report as a CSV file to take away: UTF-8 with a byte order mark (so a
// spreadsheet on any desktop reads the Cyrillic right), ";" between fields
// and the decimal comma, as a Ukrainian spreadsheet expects; a header of the
// list's titles, its rows in its order and the totals row under them. The
// rows are streamed from the database, one at a time.

#include "platform/grid/row_source.h"
#include "reports/report_totals.h"

#include <QString>

#include <functional>
#include <vector>

class QIODevice;

namespace tarvik::reports {

struct CsvColumn {
    QString field;  // the log column (NAME, WEIGHT …)
    QString title;  // its title in the list
};

// One field as CSV holds it: quoted when it holds ";", a quote or a line break;
// after an apostrophe when it would start a formula (=, +, -, @, a tab or a
// carriage return) and is no number.
QString csvField(const QString& text);

// Writes `source`'s rows under a header of `columns`, then the totals row
// ("Всього", the summed weight and cost) summed from the very rows written.
// `progress` gets the rows written so far every few thousand rows and returns
// false to stop; the totals are then those of the rows written. Throws when
// the device refuses a write, or a weight or cost is no number.
struct CsvResult {
    ReportTotals totals;
    bool complete = true;
};
CsvResult writeReportCsv(const grid::RowSource& source, const std::vector<CsvColumn>& columns, QIODevice& out,
                         const std::function<bool(qint64 rows)>& progress = {});

// The same into a file, whole or not at all: a stopped or failed export
// leaves no file (an old one of that name stays as it was).
CsvResult exportReportCsv(const grid::RowSource& source, const std::vector<CsvColumn>& columns, const QString& path,
                          const std::function<bool(qint64 rows)>& progress = {});

}  // namespace tarvik::reports
