#include "data/datasets.h"

#include <algorithm>

namespace tarvik::data {
namespace {

QString quoted(const QString& identifier)
{
    QString s = identifier;
    s.replace(u'"', QStringLiteral("\"\""));
    return u'"' + s + u'"';
}

}  // namespace

// ---- TableDataset -----------------------------------------------------------

TableDataset::TableDataset(Database& db, QString table, QString orderBy)
    : db_(db), table_(std::move(table)), orderBy_(std::move(orderBy))
{
}

TableDataset::~TableDataset() = default;

void TableDataset::load()
{
    QString sql = QStringLiteral("SELECT RDB$DB_KEY, T.* FROM %1 T").arg(quoted(table_));
    if (!orderBy_.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + orderBy_;
    PreparedStatement s(db_, sql);
    names_.clear();
    for (qsizetype i = 1; i < s.columns().size(); ++i)
        names_.append(s.columns()[i].name);
    std::vector<Record> rows;
    s.forEach({}, [&](Row&& r) {
        Record rec;
        rec.key = r.takeFirst().toByteArray();
        rec.values = std::move(r);
        rows.push_back(std::move(rec));
        return true;
    });
    rows_ = std::move(rows);
    update_.reset();
    insert_.reset();
    delete_.reset();
}

void TableDataset::open()
{
    if (isOpen())
        return;
    load();
    state_ = State::Browse;
    first();
}

void TableDataset::close()
{
    rows_.clear();
    names_.clear();
    update_.reset();
    insert_.reset();
    delete_.reset();
    state_ = State::Inactive;
    pos_ = 0;
    bof_ = eof_ = true;
    modified_ = false;
}

void TableDataset::refresh()
{
    requireOpen();
    checkBrowseMode();
    const int keep = pos_;
    load();
    setPos(std::min(keep, int(rows_.size()) - 1));
}

int TableDataset::fieldIndex(const QString& name) const
{
    for (qsizetype i = 0; i < names_.size(); ++i)
        if (names_[i].compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

void TableDataset::requireOpen() const
{
    if (state_ == State::Inactive)
        throw Error(QStringLiteral("Таблицю %1 не відкрито").arg(table_));
}

void TableDataset::requireEditing() const
{
    if (state_ != State::Edit && state_ != State::Insert)
        throw Error(QStringLiteral("Таблиця %1 не в режимі редагування чи вставки").arg(table_));
}

void TableDataset::setPos(int p)
{
    pos_ = std::max(0, p);
    bof_ = eof_ = rows_.empty();
}

void TableDataset::setRecNo(int n)
{
    requireOpen();
    checkBrowseMode();
    if (n >= 1 && n <= int(rows_.size()))
        setPos(n - 1);
}

void TableDataset::first()
{
    requireOpen();
    checkBrowseMode();
    setPos(0);
    bof_ = true;
}

void TableDataset::last()
{
    requireOpen();
    checkBrowseMode();
    setPos(int(rows_.size()) - 1);
    eof_ = true;
}

void TableDataset::next()
{
    requireOpen();
    checkBrowseMode();
    if (pos_ + 1 < int(rows_.size())) {
        setPos(pos_ + 1);
    } else {
        eof_ = true;
    }
}

void TableDataset::prior()
{
    requireOpen();
    checkBrowseMode();
    if (pos_ > 0) {
        setPos(pos_ - 1);
    } else {
        bof_ = true;
    }
}

QVariant TableDataset::value(const QString& field) const
{
    requireOpen();
    const int col = fieldIndex(field);
    if (col < 0)
        throw Error(QStringLiteral("Поле '%1' не знайдено в таблиці %2").arg(field, table_));
    if (state_ == State::Edit || state_ == State::Insert)
        return editing_.values.at(col);
    if (rows_.empty())
        return QVariant();
    return rows_[size_t(pos_)].values.at(col);
}

QVariant TableDataset::valueAt(int row, const QString& field) const
{
    requireOpen();
    const int col = fieldIndex(field);
    if (col < 0 || row < 0 || row >= int(rows_.size()))
        return QVariant();
    if ((state_ == State::Edit || state_ == State::Insert) && row == pos_)
        return editing_.values.at(col);
    return rows_[size_t(row)].values.at(col);
}

void TableDataset::setValue(const QString& field, const QVariant& v)
{
    requireEditing();
    const int col = fieldIndex(field);
    if (col < 0)
        throw Error(QStringLiteral("Поле '%1' не знайдено в таблиці %2").arg(field, table_));
    editing_.values[col] = v;
    modified_ = true;
}

void TableDataset::edit()
{
    requireOpen();
    if (state_ == State::Edit || state_ == State::Insert)
        return;
    if (rows_.empty()) {
        // Editing an empty table starts a record, as a grid does.
        append();
        return;
    }
    editing_ = rows_[size_t(pos_)];
    modified_ = false;
    state_ = State::Edit;
}

void TableDataset::startNew(int at)
{
    Record rec;
    for (qsizetype i = 0; i < names_.size(); ++i)
        rec.values.append(QVariant());
    rows_.insert(rows_.begin() + at, rec);
    insertedAt_ = at;
    setPos(at);
    editing_ = rec;
    state_ = State::Insert;
    if (onNewRecord)
        onNewRecord(*this);
    modified_ = false;  // values filled in for a new record are not a change
}

void TableDataset::insert()
{
    requireOpen();
    checkBrowseMode();
    startNew(rows_.empty() ? 0 : pos_);
}

void TableDataset::append()
{
    requireOpen();
    checkBrowseMode();
    startNew(int(rows_.size()));
}

PreparedStatement& TableDataset::insertStatement() const
{
    if (!insert_) {
        QStringList cols, marks;
        for (const QString& f : names_) {
            cols.append(quoted(f));
            marks.append(QStringLiteral("?"));
        }
        insert_ = std::make_unique<PreparedStatement>(
            db_, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING RDB$DB_KEY")
                     .arg(quoted(table_), cols.join(u", "), marks.join(u", ")));
        insert_->setParameterNames(names_);
    }
    return *insert_;
}

void TableDataset::checkRecord() const
{
    requireEditing();
    insertStatement().check(QVariantList(editing_.values.begin(), editing_.values.end()));
}

void TableDataset::post()
{
    requireEditing();
    if (beforePost)
        beforePost(*this);
    if (state_ == State::Edit) {
        if (!update_) {
            QStringList sets;
            for (const QString& f : names_)
                sets.append(quoted(f) + QStringLiteral(" = ?"));
            update_ = std::make_unique<PreparedStatement>(
                db_, QStringLiteral("UPDATE %1 SET %2 WHERE RDB$DB_KEY = ?").arg(quoted(table_), sets.join(u", ")));
            update_->setParameterNames(names_ + QStringList{QStringLiteral("RDB$DB_KEY")});
        }
        QVariantList values(editing_.values.begin(), editing_.values.end());
        values.append(editing_.key);
        update_->execute(values);
        rows_[size_t(pos_)] = editing_;
    } else {
        const auto out = insertStatement().execute(QVariantList(editing_.values.begin(), editing_.values.end()));
        editing_.key = out ? out->at(0).toByteArray() : QByteArray();
        rows_[size_t(pos_)] = editing_;
        insertedAt_ = -1;
    }
    state_ = State::Browse;
    modified_ = false;
    keepOrder();
}

void TableDataset::keepOrder()
{
    // Ordered by one column, a posted record takes its place in that order
    // at once, as the table would give it when read again: list positions
    // taken from the rows stay true after a restart.
    const int col = fieldIndex(orderBy_.trimmed());
    if (col < 0 || rows_.empty())
        return;
    Record rec = std::move(rows_[size_t(pos_)]);
    rows_.erase(rows_.begin() + pos_);
    const QVariant& key = rec.values.at(col);
    auto after = [&](const Record& r) {
        // NULLs first, as the database orders them.
        const QVariant& v = r.values.at(col);
        if (v.isNull())
            return false;
        return key.isNull() || QVariant::compare(v, key) == QPartialOrdering::Greater;
    };
    const auto at = std::find_if(rows_.begin(), rows_.end(), after);
    pos_ = int(at - rows_.begin());
    rows_.insert(at, std::move(rec));
}

void TableDataset::cancel()
{
    if (state_ == State::Insert && insertedAt_ >= 0) {
        rows_.erase(rows_.begin() + insertedAt_);
        insertedAt_ = -1;
        setPos(std::min(pos_, int(rows_.size()) - 1));
    }
    if (state_ == State::Edit || state_ == State::Insert)
        state_ = State::Browse;
    modified_ = false;
}

void TableDataset::checkBrowseMode()
{
    if (state_ != State::Edit && state_ != State::Insert)
        return;
    if (modified_)
        post();
    else
        cancel();
}

void TableDataset::deleteRecord()
{
    requireOpen();
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    cancel();
    if (rows_.empty())
        throw Error(QStringLiteral("Таблиця %1 порожня").arg(table_));
    if (!delete_)
        delete_ = std::make_unique<PreparedStatement>(
            db_, QStringLiteral("DELETE FROM %1 WHERE RDB$DB_KEY = ?").arg(quoted(table_)));
    delete_->execute({rows_[size_t(pos_)].key});
    rows_.erase(rows_.begin() + pos_);
    setPos(std::min(pos_, int(rows_.size()) - 1));
}

// ---- PagedQuery -------------------------------------------------------------

PagedQuery::PagedQuery(Database& db, QString table, QString columns, QString orderBy, int pageSize)
    : db_(db), table_(std::move(table)), columns_(std::move(columns)), orderBy_(std::move(orderBy)),
      pageSize_(std::max(1, pageSize))
{
}

PagedQuery::~PagedQuery() = default;

void PagedQuery::setFilter(const QString& where, const QVariantList& params)
{
    where_ = where;
    params_ = params;
    page_.reset();
    if (open_)
        open();
}

QString PagedQuery::whereClause() const
{
    return where_.trimmed().isEmpty() ? QString() : QStringLiteral(" WHERE ") + where_;
}

void PagedQuery::open()
{
    PreparedStatement count(db_, QStringLiteral("SELECT COUNT(*) FROM %1%2").arg(quoted(table_), whereClause()));
    const auto rows = count.select(params_);
    count_ = rows.at(0).at(0).toInt();
    if (!page_) {
        // The row key last in the order keeps pages apart when order values repeat.
        page_ = std::make_unique<PreparedStatement>(
            db_, QStringLiteral("SELECT RDB$DB_KEY, %1 FROM %2%3 ORDER BY %4, RDB$DB_KEY ROWS ? TO ?")
                     .arg(columns_, quoted(table_), whereClause(), orderBy_));
        names_.clear();
        for (qsizetype i = 1; i < page_->columns().size(); ++i)
            names_.append(page_->columns()[i].name);
    }
    pages_.assign(size_t((count_ + pageSize_ - 1) / pageSize_), {});
    loaded_.assign(pages_.size(), false);
    open_ = true;
}

void PagedQuery::close()
{
    pages_.clear();
    loaded_.clear();
    count_ = 0;
    open_ = false;
}

int PagedQuery::fieldIndex(const QString& name) const
{
    for (qsizetype i = 0; i < names_.size(); ++i)
        if (names_[i].compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

void PagedQuery::fetchPage(int page)
{
    QVariantList values = params_;
    values.append(qint64(page) * pageSize_ + 1);
    values.append(qint64(page + 1) * pageSize_);
    pages_[size_t(page)] = page_->select(values);
    loaded_[size_t(page)] = true;
    // Rows deleted by another station since counting shorten the view.
    const int got = int(pages_[size_t(page)].size());
    if (got < pageSize_ && page * pageSize_ + got < count_) {
        count_ = page * pageSize_ + got;
        pages_.resize(size_t(page + 1));
        loaded_.resize(size_t(page + 1));
    }
}

const Row& PagedQuery::row(int i)
{
    if (!open_)
        throw Error(QStringLiteral("Запит до таблиці %1 не відкрито").arg(table_));
    if (i < 0 || i >= count_)
        throw Error(QStringLiteral("Рядка %1 немає").arg(i + 1));
    const int page = i / pageSize_;
    if (!loaded_[size_t(page)])
        fetchPage(page);
    if (i >= count_)
        throw Error(QStringLiteral("Рядка %1 немає").arg(i + 1));
    return pages_[size_t(page)][size_t(i % pageSize_)];
}

QVariant PagedQuery::value(int i, const QString& field)
{
    const int col = fieldIndex(field);
    if (col < 0)
        throw Error(QStringLiteral("Поле '%1' не знайдено").arg(field));
    return row(i).at(col + 1);
}

QByteArray PagedQuery::rowKey(int i)
{
    return row(i).at(0).toByteArray();
}

void PagedQuery::deleteRow(int i)
{
    const QByteArray key = rowKey(i);
    PreparedStatement del(db_, QStringLiteral("DELETE FROM %1 WHERE RDB$DB_KEY = ?").arg(quoted(table_)));
    del.execute({key});
    open();
}

void PagedQuery::forEachRow(const std::function<bool(const Row&)>& f)
{
    PreparedStatement s(db_, QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %4, RDB$DB_KEY")
                                 .arg(columns_, quoted(table_), whereClause(), orderBy_));
    s.forEach(params_, [&](Row&& r) { return f(r); });
}

Row PagedQuery::aggregate(const QString& expressions)
{
    PreparedStatement s(db_, QStringLiteral("SELECT %1 FROM %2%3").arg(expressions, quoted(table_), whereClause()));
    return s.select(params_).at(0);
}

}  // namespace tarvik::data
