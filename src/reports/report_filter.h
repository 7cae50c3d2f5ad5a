#pragma once
// Which log rows a report shows. The filter is a condition with parameters:
// the scale name, dates and batch numbers travel as values, never as text in
// the statement.

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>

namespace tarvik::reports {

struct LogFilter {
    // No scale name: every row of every station (the reset list).
    std::optional<QString> scaleName;
    std::optional<QDate> firstDay, lastDay;    // both days included
    std::optional<int> firstBatch, lastBatch;  // both batches included

    // The condition for "WHERE", empty for every row, and its values in order.
    QString where() const;
    QVariantList params() const;
    // The columns the values are compared with, for the database's refusals.
    QStringList paramNames() const;

    friend bool operator==(const LogFilter&, const LogFilter&) = default;
};

enum class ReportKind { ByDate, ByBatch };

// What the selection panel holds when OK is pressed.
struct ReportSelection {
    QString scaleName;
    ReportKind kind = ReportKind::ByDate;
    QDate firstDay, lastDay;
    QString firstBatch, lastBatch;  // the masked fields' texts, blanks included
};

// Every row of this scale name.
LogFilter scaleFilter(const QString& scaleName);
// The report of a selection. A batch bound that is empty or not a whole
// number is refused with a clear message (tarvik::Error).
LogFilter reportFilter(const ReportSelection& s);

}  // namespace tarvik::reports
