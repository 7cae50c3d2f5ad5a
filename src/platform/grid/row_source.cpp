#include "platform/grid/row_source.h"

#include "platform/text/error.h"

#include <algorithm>

namespace tarvik::grid {

namespace {
[[noreturn]] void readOnly()
{
    throw Error(QStringLiteral("Дані лише для перегляду"));
}
}  // namespace

void RowSource::setValue(int, const QString&, const QVariant&) { readOnly(); }
void RowSource::deleteRow(int) { readOnly(); }
void RowSource::edit(int) { readOnly(); }
int RowSource::insert(int) { readOnly(); }
void RowSource::post() {}

void RowSource::forEachRow(const std::function<bool(int, const Fields&)>& visit) const
{
    const int n = rowCount();
    for (int r = 0; r < n; ++r)
        if (!visit(r, [this, r](const QString& field) { return value(r, field); }))
            return;
}
void RowSource::cancel() {}

ListRowSource::ListRowSource(QStringList fields, QObject* parent) : RowSource(parent), fields_(std::move(fields)) {}

int ListRowSource::fieldIndex(const QString& field) const
{
    for (qsizetype i = 0; i < fields_.size(); ++i)
        if (fields_[i].compare(field, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

void ListRowSource::setRows(std::vector<QVariantList> rows)
{
    rows_ = std::move(rows);
    for (auto& r : rows_)
        r.resize(fields_.size());
    editRow_ = -1;
    setState(State::Browse);
    Q_EMIT reset();
}

QVariant ListRowSource::value(int row, const QString& field) const
{
    const auto col = fieldIndex(field);
    if (row < 0 || row >= rowCount() || col < 0)
        return {};
    return rows_[size_t(row)][col];
}

void ListRowSource::checkRow(int row) const
{
    if (row < 0 || row >= rowCount())
        throw Error(QStringLiteral("Немає запису %1").arg(row + 1));
}

void ListRowSource::setState(State s)
{
    if (s == state_)
        return;
    state_ = s;
    Q_EMIT stateChanged();
}

void ListRowSource::setValue(int row, const QString& field, const QVariant& v)
{
    if (readOnly_)
        RowSource::setValue(row, field, v);
    checkRow(row);
    const auto col = fieldIndex(field);
    if (col < 0)
        throw Error(QStringLiteral("Поле '%1' не знайдено").arg(field));
    if (state_ == State::Browse)
        edit(row);
    else if (row != editRow_)
        throw Error(QStringLiteral("Змінюється інший запис"));
    rows_[size_t(row)][col] = v;
    Q_EMIT rowsChanged(row, row);
}

void ListRowSource::deleteRow(int row)
{
    if (readOnly_)
        RowSource::deleteRow(row);
    checkRow(row);
    if (state_ != State::Browse)
        cancel();
    rows_.erase(rows_.begin() + row);
    Q_EMIT reset();
}

void ListRowSource::edit(int row)
{
    if (readOnly_)
        RowSource::edit(row);
    checkRow(row);
    if (state_ != State::Browse)
        return;
    editRow_ = row;
    saved_ = rows_[size_t(row)];
    setState(State::Edit);
}

int ListRowSource::insert(int row)
{
    if (readOnly_)
        RowSource::insert(row);
    if (state_ != State::Browse)
        post();
    row = std::clamp(row, 0, rowCount());
    QVariantList blank;
    blank.resize(fields_.size());
    rows_.insert(rows_.begin() + row, blank);
    editRow_ = row;
    setState(State::Insert);
    Q_EMIT reset();
    return row;
}

void ListRowSource::post()
{
    editRow_ = -1;
    saved_.clear();
    setState(State::Browse);
}

void ListRowSource::cancel()
{
    if (state_ == State::Insert) {
        rows_.erase(rows_.begin() + editRow_);
        editRow_ = -1;
        setState(State::Browse);
        Q_EMIT reset();
        return;
    }
    if (state_ == State::Edit) {
        const int row = editRow_;
        rows_[size_t(row)] = saved_;
        editRow_ = -1;
        saved_.clear();
        setState(State::Browse);
        Q_EMIT rowsChanged(row, row);
    }
}

}  // namespace tarvik::grid
