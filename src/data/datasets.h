#pragma once
// Datasets over the shared connection: a whole small table held in memory and
// edited row by row (the catalogue, the dictionary), and a paged, ordered,
// read-only query for the log whose filter runs in the database.

#include "data/database.h"

#include <functional>
#include <memory>
#include <vector>

namespace tarvik::data {

// Both datasets hold prepared statements of their connection: they must not
// outlive their Database. Rows are kept in memory across the shared
// transaction's commits.
class TableDataset {
public:
    enum class State { Inactive, Browse, Edit, Insert };

    // `orderBy` is a column list such as "ID_TOB"; empty keeps the table's order.
    TableDataset(Database& db, QString table, QString orderBy = {});
    ~TableDataset();

    void open();
    void close();
    // Reads the rows again and stays on the same record number where it can.
    void refresh();
    bool isOpen() const { return state_ != State::Inactive; }
    State state() const { return state_; }

    const QStringList& fieldNames() const { return names_; }
    int fieldIndex(const QString& name) const;  // -1 when absent

    int recordCount() const { return int(rows_.size()); }
    // 1-based position of the current record, 0 for an empty table.
    int recNo() const { return rows_.empty() ? 0 : pos_ + 1; }
    void setRecNo(int n);
    void first();
    void prior();
    void next();
    void last();
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    bool isEmpty() const { return rows_.empty(); }

    // The current record's field; NULL when the table is empty.
    QVariant value(const QString& field) const;
    // A field of the record at 0-based `row`, as a grid shows it: the record
    // being edited shows its edited values.
    QVariant valueAt(int row, const QString& field) const;
    QString text(const QString& field) const { return displayText(value(field)); }
    // Only in edit or insert state.
    void setValue(const QString& field, const QVariant& v);

    void edit();     // a record being inserted stays in insert state
    void insert();   // a new record before the current one
    void append();   // a new record at the end
    // Writes the record; on failure it stays in its state with its values.
    void post();
    void cancel();
    void deleteRecord();
    bool modified() const { return modified_; }
    // Posts a changed record, drops an unchanged one.
    void checkBrowseMode();

    // Runs after a new record is started (insert/append), to fill in values.
    std::function<void(TableDataset&)> onNewRecord;
    // Runs before a record is written; what it throws stops the post, and the
    // record stays in its state with its values.
    std::function<void(const TableDataset&)> beforePost;
    // Throws, naming the column, when the record being edited would not fit
    // the table's columns (length, code page); writes nothing.
    void checkRecord() const;

private:
    struct Record {
        QByteArray key;  // RDB$DB_KEY; empty for a record not yet stored
        Row values;
    };
    void requireOpen() const;
    void requireEditing() const;
    void startNew(int at);
    PreparedStatement& insertStatement() const;
    void keepOrder();
    void setPos(int p);
    void load();

    Database& db_;
    QString table_, orderBy_;
    QStringList names_;
    std::vector<Record> rows_;
    Record editing_;
    int pos_ = 0;
    int insertedAt_ = -1;
    bool bof_ = true, eof_ = true, modified_ = false;
    State state_ = State::Inactive;
    std::unique_ptr<PreparedStatement> update_, delete_;
    mutable std::unique_ptr<PreparedStatement> insert_;
};

// A read-only, ordered view of a table narrowed by a filter with parameters.
// Rows are fetched a page at a time as they are asked for; each row keeps its
// RDB$DB_KEY so it can be deleted.
class PagedQuery {
public:
    // `columns` e.g. "ID, NAME, DATE_IN"; `orderBy` e.g. "DATE_IN, ID".
    PagedQuery(Database& db, QString table, QString columns, QString orderBy, int pageSize = 200);
    ~PagedQuery();

    // `where` is an SQL condition with ? placeholders, empty for every row.
    void setFilter(const QString& where, const QVariantList& params);
    const QString& filter() const { return where_; }

    void open();     // counts the rows; pages come on demand
    void close();
    void refresh() { open(); }
    bool isOpen() const { return open_; }

    const QStringList& fieldNames() const { return names_; }
    int fieldIndex(const QString& name) const;
    int rowCount() const { return count_; }
    const Row& row(int i);
    QVariant value(int i, const QString& field);
    QByteArray rowKey(int i);

    // Deletes the row and reads the view again.
    void deleteRow(int i);

    // Streams every row of the filter in order (for totals); return false to stop.
    void forEachRow(const std::function<bool(const Row&)>& f);
    // One row of aggregates over the filter, e.g. "COUNT(*), MAX(ID)".
    Row aggregate(const QString& expressions);

private:
    void fetchPage(int page);
    QString whereClause() const;

    Database& db_;
    QString table_, columns_, orderBy_, where_;
    QVariantList params_;
    QStringList names_;
    int pageSize_;
    int count_ = 0;
    bool open_ = false;
    std::vector<std::vector<Row>> pages_;  // row 0 of each is RDB$DB_KEY first
    std::vector<bool> loaded_;
    std::unique_ptr<PreparedStatement> page_;
};

}  // namespace tarvik::data
