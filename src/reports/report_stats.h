#pragma once
// What a report sums over its rows, read in one pass: the totals under the
// list and the two distributions of the chart (weights, loads per day).
// StatsWorker reads them on a connection of its own in a thread of its own,
// so the list is on screen and answers input while a long report is summed.

#include "data/database.h"
#include "reports/report_filter.h"
#include "reports/report_totals.h"

#include <QDate>
#include <QObject>
#include <QThread>

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tarvik::reports {

struct ReportStats {
    ReportTotals totals;
    // Loads by their net weight (Currency counts, kilograms).
    std::map<qint64, qint64> loadsByWeight;
    // Loads by their packing day: the log holds the day, not the hour.
    std::map<QDate, qint64> loadsByDay;

    // Adds one log row; a text that is not a number throws the conversion
    // error and leaves everything as it was.
    void add(const QString& weightText, const QString& priceText, const QDate& day);
};

// Net weight limits of a product; either may be absent.
struct WeightLimits {
    std::optional<Currency> min, max;
};

// The weight histogram: equal bins from `first`, each `width` wide (a round
// number of grams: 1, 2 or 5 times a power of ten), so that at most
// `maxBins` cover every weight. Empty for no loads.
struct WeightBins {
    Currency first;
    Currency width;
    std::vector<qint64> loads;
};
WeightBins weightBins(const std::map<qint64, qint64>& loadsByWeight, int maxBins = 40);

// Loads per day, or per month when the days are more than `maxBars`; each
// with its label ("01.03" or "03.2026").
struct LoadBar {
    QString label;
    qint64 loads = 0;
};
std::vector<LoadBar> loadBars(const std::map<QDate, qint64>& loadsByDay, int maxBars = 62);

// Sums the rows of a filter on `db`. `stop` is looked at every row: set, the
// reading ends and the result is incomplete (the caller drops it).
ReportStats computeStats(data::Database& db, const LogFilter& f, const std::atomic<bool>* stop = nullptr);
// Counts the rows of a filter (into totals.rows), nothing else.
ReportStats countRows(data::Database& db, const LogFilter& f);

class StatsWorker : public QObject {
    Q_OBJECT
public:
    // Connects with `params` in its thread when asked the first time.
    explicit StatsWorker(data::ConnectParams params, QObject* parent = nullptr);
    // Stops the summing in flight and waits for the thread.
    ~StatsWorker() override;

    // Sums the rows of `f`, or with `countOnly` only counts them (into
    // totals.rows); a request supersedes the one in flight, whose result is
    // never delivered. Returns the request's number.
    int request(const LogFilter& f, bool countOnly = false);
    bool busy() const { return pending_ != 0; }

Q_SIGNALS:
    // Delivered in the thread of the worker object, for the latest request only.
    void finished(int request, const tarvik::reports::ReportStats& stats);
    void failed(int request, const QString& text);

private:
    class Runner;
    data::ConnectParams params_;
    QThread thread_;
    Runner* runner_;  // lives in thread_, deleted after it ended
    std::shared_ptr<std::atomic<bool>> stop_;
    int last_ = 0;
    int pending_ = 0;  // the request in flight, 0 for none
};

}  // namespace tarvik::reports
