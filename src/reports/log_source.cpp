#include "reports/log_source.h"

#include "data/database.h"
#include "platform/text/error.h"

#include <algorithm>

namespace tarvik::reports {

namespace {

// RDB$DB_KEY first, then the fields in fieldNames() order.
const QString kColumns = QStringLiteral("RDB$DB_KEY, ID, NAME, DATE_IN, WEIGHT, PRICE, PARTIA, NAME_W");

int fieldColumn(const QString& field)
{
    const QStringList& names = LogSource::fieldNames();
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names[i].compare(field, Qt::CaseInsensitive) == 0)
            return int(i) + 1;
    return -1;
}

}  // namespace

struct LogSource::Page {
    std::vector<data::Row> rows;
    quint64 used = 0;
};

LogSource::LogSource(data::Database* db, QObject* parent) : RowSource(parent), db_(db) {}

LogSource::~LogSource() = default;

const QStringList& LogSource::fieldNames()
{
    static const QStringList names = {QStringLiteral("ID"),     QStringLiteral("NAME"),  QStringLiteral("DATE_IN"),
                                      QStringLiteral("WEIGHT"), QStringLiteral("PRICE"), QStringLiteral("PARTIA"),
                                      QStringLiteral("NAME_W")};
    return names;
}

data::Database& LogSource::database() const
{
    if (!db_)
        throw Error(QStringLiteral("Немає з'єднання з базою даних: журнал зважувань недоступний"));
    return *db_;
}

void LogSource::open()
{
    database();
    open_ = true;
    stale_ = true;
}

void LogSource::close()
{
    open_ = false;
    forget();
    count_ = 0;
    Q_EMIT reset();
}

QString LogSource::whereClause(const LogFilter& f)
{
    const QString w = f.where();
    return w.isEmpty() ? QString() : QStringLiteral(" WHERE ") + w;
}

LogSource::Counted LogSource::countRows(const LogFilter& f, const QVariant& afterId) const
{
    QString sql = QStringLiteral("SELECT COUNT(*), MAX(ID) FROM DB_ZVIT") + whereClause(f);
    QVariantList values = f.params();
    QStringList names = f.paramNames();
    if (afterId.isValid()) {
        sql += values.isEmpty() ? QStringLiteral(" WHERE ID > ?") : QStringLiteral(" AND ID > ?");
        values << afterId;
        names << QStringLiteral("ID");
    }
    data::PreparedStatement count(database(), sql);
    count.setParameterNames(names);
    const auto rows = count.select(values);
    if (rows.empty())
        return {};
    return {rows.front().value(0).toInt(), rows.front().value(1)};
}

void LogSource::setFilter(const LogFilter& f)
{
    if (!open_) {
        filter_ = f;
        pageStmt_.reset();
        forget();
        return;
    }
    // Counted first: a filter the database refuses leaves the list as it was.
    const Counted c = countRows(f);
    filter_ = f;
    pageStmt_.reset();
    pages_.clear();
    countPending_ = false;
    count_ = c.rows;
    lastId_ = c.lastId;
    stale_ = false;
    failed_ = false;
    Q_EMIT reset();
}

void LogSource::setFilterCountLater(const LogFilter& f)
{
    if (!open_) {
        setFilter(f);
        return;
    }
    // The newest page first: a filter the database refuses leaves the list as it was.
    const LogFilter before = filter_;
    std::unique_ptr<data::PreparedStatement> beforeStmt = std::move(pageStmt_);
    std::map<int, Page> beforePages = std::move(pages_);
    filter_ = f;
    pages_.clear();
    try {
        const Page& newest = page(0);
        count_ = int(newest.rows.size());
        lastId_ = newest.rows.empty() ? QVariant() : newest.rows.front().value(1);
    } catch (...) {
        filter_ = before;
        pageStmt_ = std::move(beforeStmt);
        pages_ = std::move(beforePages);
        throw;
    }
    stale_ = false;
    failed_ = false;
    // A short newest page is the whole list.
    countPending_ = count_ == kPageSize;
    Q_EMIT reset();
}

void LogSource::setCount(int rows)
{
    if (!countPending_)
        return;
    countPending_ = false;
    if (rows == count_)
        return;
    count_ = rows;
    // Rows counted from the newest: the pages read stay as they are.
    Q_EMIT reset();
}

void LogSource::forget()
{
    pages_.clear();
    failed_ = false;
    stale_ = true;
}

void LogSource::reread()
{
    if (!open_)
        throw Error(QStringLiteral("Журнал зважувань не відкрито"));
    const Counted c = countRows(filter_);
    pages_.clear();
    countPending_ = false;
    count_ = c.rows;
    lastId_ = c.lastId;
    stale_ = false;
    failed_ = false;
    Q_EMIT reset();
}

void LogSource::rereadNewRows()
{
    if (stale_ || countPending_ || !filter_.scaleName || lastId_.isNull() || !lastId_.isValid()) {
        reread();
        return;
    }
    const Counted added = countRows(filter_, lastId_);
    // New rows come first in the newest-first pages: every page moves.
    pages_.clear();
    failed_ = false;
    if (added.rows > 0) {
        count_ += added.rows;
        lastId_ = added.lastId;
    }
    Q_EMIT reset();
}

const LogSource::Page& LogSource::page(int index) const
{
    auto it = pages_.find(index);
    if (it == pages_.end()) {
        if (!pageStmt_) {
            // Newest first. A whole scale walks the descending index on
            // (NAME_W, ID); a date or batch range is better found through its
            // own index and sorted, so the order there is kept off the index
            // (a walk would visit every row of the scale to find the range).
            const bool range = filter_.firstDay || filter_.lastDay || filter_.firstBatch || filter_.lastBatch;
            const QString order = range ? QStringLiteral(" ORDER BY NAME_W || '' DESC, ID + 0 DESC")
                                        : QStringLiteral(" ORDER BY NAME_W DESC, ID DESC");
            pageStmt_ = std::make_unique<data::PreparedStatement>(
                database(), QStringLiteral("SELECT ") + kColumns + QStringLiteral(" FROM DB_ZVIT") + whereClause(filter_)
                                + order + QStringLiteral(" ROWS ? TO ?"));
            pageStmt_->setParameterNames(filter_.paramNames() << QStringLiteral("ROWS") << QStringLiteral("TO"));
        }
        QVariantList values = filter_.params();
        values << qint64(index) * kPageSize + 1 << qint64(index + 1) * kPageSize;
        Page p;
        p.rows = pageStmt_->select(values);
        ++fetches_;
        if (int(pages_.size()) >= kKeptPages) {
            auto oldest = std::min_element(pages_.begin(), pages_.end(),
                                           [](const auto& a, const auto& b) { return a.second.used < b.second.used; });
            pages_.erase(oldest);
        }
        it = pages_.emplace(index, std::move(p)).first;
    }
    it->second.used = ++clock_;
    return it->second;
}

QVariant LogSource::value(int row, const QString& field) const
{
    const int col = fieldColumn(field);
    if (!open_ || row < 0 || row >= count_ || col < 0)
        return {};
    if (failed_)
        return {};
    const int fromNewest = count_ - 1 - row;
    try {
        const Page& p = page(fromNewest / kPageSize);
        const size_t i = size_t(fromNewest % kPageSize);
        // Rows deleted by another station since the count leave the page short.
        return i < p.rows.size() ? p.rows[i].value(col) : QVariant();
    } catch (const std::exception& e) {
        // Once, not for every cell the list draws.
        failed_ = true;
        Q_EMIT fetchFailed(errorText(e));
        return {};
    }
}

QByteArray LogSource::rowKey(int row) const
{
    if (!open_ || row < 0 || row >= count_)
        throw Error(QStringLiteral("Рядка %1 у журналі немає").arg(row + 1));
    const int fromNewest = count_ - 1 - row;
    const Page& p = page(fromNewest / kPageSize);
    const size_t i = size_t(fromNewest % kPageSize);
    if (i >= p.rows.size())
        throw Error(QStringLiteral("Рядок %1 журналу вже видалено").arg(row + 1));
    return p.rows[i].value(0).toByteArray();
}

void LogSource::deleteRow(int row)
{
    const QByteArray key = rowKey(row);
    data::PreparedStatement del(database(), QStringLiteral("DELETE FROM DB_ZVIT WHERE RDB$DB_KEY = ?"));
    del.execute({key});
    if (del.affectedRows() != 1) {
        reread();
        throw Error(QStringLiteral("Рядок журналу вже видалено з іншого місця"));
    }
    reread();
}

void LogSource::forEachRow(const std::function<bool(int, const Fields&)>& visit) const
{
    if (!open_)
        return;
    data::PreparedStatement s(database(), QStringLiteral("SELECT ") + kColumns + QStringLiteral(" FROM DB_ZVIT")
                                              + whereClause(filter_) + QStringLiteral(" ORDER BY NAME_W, ID"));
    int n = 0;
    s.forEach(filter_.params(), [&](data::Row&& r) {
        const Fields fields = [&r](const QString& field) {
            const int col = fieldColumn(field);
            return col < 0 ? QVariant() : r.value(col);
        };
        return visit(n++, fields);
    });
}

int LogSource::heldRows() const
{
    int n = 0;
    for (const auto& [i, p] : pages_)
        n += int(p.rows.size());
    return n;
}

}  // namespace tarvik::reports
