#include "reports/report_stats.h"

#include "platform/text/error.h"

namespace tarvik::reports {

void ReportStats::add(const QString& weightText, const QString& priceText, const QDate& day)
{
    ReportTotals t = totals;
    t.add(weightText, priceText);  // throws before anything changed
    const Currency weight = t.weight - totals.weight;
    totals = t;
    ++loadsByWeight[weight.count()];
    ++loadsByDay[day];
}

WeightBins weightBins(const std::map<qint64, qint64>& loadsByWeight, int maxBins)
{
    WeightBins bins;
    if (loadsByWeight.empty())
        return bins;
    const qint64 low = loadsByWeight.begin()->first;
    const qint64 high = loadsByWeight.rbegin()->first;
    constexpr qint64 kGram = Currency::kScale / 1000;
    qint64 width = kGram;
    for (qint64 decade = kGram;; decade *= 10) {
        bool found = false;
        for (qint64 step : {1, 2, 5}) {
            width = step * decade;
            const qint64 first = low >= 0 ? low / width * width : -((-low + width - 1) / width) * width;
            if ((high - first) / width + 1 <= maxBins) {
                found = true;
                break;
            }
        }
        if (found)
            break;
    }
    const qint64 first = low >= 0 ? low / width * width : -((-low + width - 1) / width) * width;
    bins.first = Currency::fromCount(first);
    bins.width = Currency::fromCount(width);
    bins.loads.assign(size_t((high - first) / width + 1), 0);
    for (const auto& [weight, loads] : loadsByWeight)
        bins.loads[size_t((weight - first) / width)] += loads;
    return bins;
}

std::vector<LoadBar> loadBars(const std::map<QDate, qint64>& loadsByDay, int maxBars)
{
    std::vector<LoadBar> bars;
    const bool byMonth = int(loadsByDay.size()) > maxBars;
    QDate shown;
    for (const auto& [day, loads] : loadsByDay) {
        const QDate key = byMonth ? QDate(day.year(), day.month(), 1) : day;
        if (bars.empty() || key != shown) {
            shown = key;
            bars.push_back({key.toString(byMonth ? QStringLiteral("MM.yyyy") : QStringLiteral("dd.MM")), 0});
        }
        bars.back().loads += loads;
    }
    return bars;
}

ReportStats computeStats(data::Database& db, const LogFilter& f, const std::atomic<bool>* stop)
{
    const QString where = f.where();
    // No order: sums do not need one, and a sort would cost more than the sums.
    data::PreparedStatement s(db, QStringLiteral("SELECT WEIGHT, PRICE, DATE_IN FROM DB_ZVIT")
                                      + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where));
    s.setParameterNames(f.paramNames());
    ReportStats stats;
    s.forEach(f.params(), [&](data::Row&& r) {
        if (stop && stop->load(std::memory_order_relaxed))
            return false;
        stats.add(r.at(0).toString(), r.at(1).toString(), r.at(2).toDate());
        return true;
    });
    return stats;
}

ReportStats countRows(data::Database& db, const LogFilter& f)
{
    const QString where = f.where();
    data::PreparedStatement s(db, QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT")
                                      + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where));
    s.setParameterNames(f.paramNames());
    ReportStats stats;
    stats.totals.rows = s.select(f.params()).at(0).at(0).toLongLong();
    return stats;
}

// The worker's half: it owns the second connection, made, used and closed in
// the worker thread.
class StatsWorker::Runner : public QObject {
public:
    std::unique_ptr<data::Database> db;
};

StatsWorker::StatsWorker(data::ConnectParams params, QObject* parent)
    : QObject(parent), params_(std::move(params)), runner_(new Runner)
{
    thread_.setObjectName(QStringLiteral("ReportStats"));
    runner_->moveToThread(&thread_);
    thread_.start();
}

StatsWorker::~StatsWorker()
{
    if (stop_)
        stop_->store(true);
    // The connection's timers belong to the thread: it is closed there.
    QMetaObject::invokeMethod(runner_, [r = runner_] { r->db.reset(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    delete runner_;
}

int StatsWorker::request(const LogFilter& f, bool countOnly)
{
    if (stop_)
        stop_->store(true);
    stop_ = std::make_shared<std::atomic<bool>>(false);
    const int n = ++last_;
    pending_ = n;
    QMetaObject::invokeMethod(
        runner_,
        [this, r = runner_, stop = stop_, f, n, countOnly, params = params_] {
            if (stop->load())
                return;
            auto deliver = [this, n](auto&& send) {
                // Back in the window's thread; a later request has taken over
                // when the numbers differ.
                QMetaObject::invokeMethod(
                    this,
                    [this, n, send = std::forward<decltype(send)>(send)] {
                        if (n != last_)
                            return;
                        pending_ = 0;
                        send();
                    },
                    Qt::QueuedConnection);
            };
            try {
                if (!r->db)
                    r->db = data::Database::connect(params);
                ReportStats stats = countOnly ? countRows(*r->db, f) : computeStats(*r->db, f, stop.get());
                // A hard commit: a retained context would hold back garbage collection.
                r->db->transaction().hardCommit();
                if (stop->load())
                    return;
                deliver([this, n, stats = std::move(stats)] { Q_EMIT finished(n, stats); });
            } catch (const std::exception& e) {
                // A lost connection is made again for the next request.
                r->db.reset();
                deliver([this, n, text = errorText(e)] { Q_EMIT failed(n, text); });
            }
        },
        Qt::QueuedConnection);
    return n;
}

}  // namespace tarvik::reports
