#pragma once
// The weighing log as the reports list shows it: the rows of a filter, counted
// in the database and fetched a page at a time as the list asks for them, with
// only a few pages kept. The list runs from the oldest row to the newest; pages
// are read newest first along the index on (NAME_W, ID), so the end of the
// list, where a report opens, costs one short index walk.

#include "platform/grid/row_source.h"
#include "reports/report_filter.h"

#include <QByteArray>
#include <map>
#include <memory>

namespace tarvik::data {
class Database;
class PreparedStatement;
}  // namespace tarvik::data

namespace tarvik::reports {

class LogSource : public grid::RowSource {
    Q_OBJECT
public:
    static constexpr int kPageSize = 100;
    static constexpr int kKeptPages = 16;

    explicit LogSource(data::Database* db, QObject* parent = nullptr);
    ~LogSource() override;

    // Opening needs the database; without one it fails with a clear message.
    void open();
    void close();
    bool isOpen() const { return open_; }

    // Narrows the list; an open source reads it at once.
    void setFilter(const LogFilter& f);
    // Narrows the list without counting it: the newest page is read at once
    // and stands for the list until setCount() brings the count made
    // elsewhere (the summing thread), since counting a long list takes a
    // second or more. A filter the database refuses changes nothing.
    void setFilterCountLater(const LogFilter& f);
    // The count of the current filter, made after setFilterCountLater().
    void setCount(int rows);
    bool isCountPending() const { return countPending_; }
    const LogFilter& filter() const { return filter_; }

    // Counts the rows again and forgets the pages (the table closed and
    // opened again).
    void reread();
    // After this station logged rows: with a scale name in the filter its new
    // rows follow every row already counted, so only they are counted (along
    // the index); without one, the whole count is taken again.
    void rereadNewRows();
    // Forgets what was read; the next reread() counts again. Costs nothing.
    void forget();
    bool isStale() const { return stale_; }

    int rowCount() const override { return count_; }
    QVariant value(int row, const QString& field) const override;
    // The row's database key (RDB$DB_KEY).
    QByteArray rowKey(int row) const;

    bool canDelete() const override { return open_; }
    // Deletes the row by its database key, then counts again.
    void deleteRow(int row) override;
    void refresh() override { reread(); }
    // Streams the rows in list order with one statement.
    void forEachRow(const std::function<bool(int, const Fields&)>& visit) const override;

    // How many page statements ran, and how many rows are held now.
    int pagesFetched() const { return fetches_; }
    int heldRows() const;

    static const QStringList& fieldNames();

Q_SIGNALS:
    // A page could not be read while the list was drawn; the list shows it empty.
    void fetchFailed(const QString& text) const;

private:
    struct Page;
    struct Counted {
        int rows = 0;
        QVariant lastId;
    };
    data::Database& database() const;
    // Counts the rows of a filter, with the highest ID among them; `afterId`
    // counts only the rows above it.
    Counted countRows(const LogFilter& f, const QVariant& afterId = {}) const;
    const Page& page(int index) const;
    static QString whereClause(const LogFilter& f);

    data::Database* db_;
    LogFilter filter_;
    bool open_ = false;
    bool stale_ = true;
    int count_ = 0;
    QVariant lastId_;  // the highest ID counted, for rereadNewRows()
    mutable std::unique_ptr<data::PreparedStatement> pageStmt_;
    mutable std::map<int, Page> pages_;
    mutable quint64 clock_ = 0;
    mutable int fetches_ = 0;
    mutable bool failed_ = false;  // a page failed since the last count
    bool countPending_ = false;
};

}  // namespace tarvik::reports
