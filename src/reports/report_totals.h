#pragma once
// The totals under a report: the weight and the cost of the rows it lists,
// summed in the database's stream without holding the rows.

#include "reports/report_filter.h"
#include "platform/text/currency.h"

namespace tarvik::data {
class Database;
}

namespace tarvik::reports {

struct ReportTotals {
    Currency weight;
    Currency cost;
    qint64 rows = 0;

    // Adds one log row: its cost, then its weight, each text with its blanks
    // removed. A text that is not a number throws the conversion error
    // (tarvik::ConvertError), leaving the totals as they were before the row.
    void add(const QString& weightText, const QString& priceText);
};

ReportTotals computeTotals(data::Database& db, const LogFilter& f);

// The footer under the list: name, weight and cost columns.
struct FooterTexts {
    QString name;
    QString weight;
    QString cost;
};
FooterTexts footerTexts(const ReportTotals& t);

}  // namespace tarvik::reports
