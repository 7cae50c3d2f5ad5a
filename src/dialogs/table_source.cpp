#include "dialogs/table_source.h"

#include "data/datasets.h"

namespace tarvik::dialogs {

using data::TableDataset;

TableSource::TableSource(TableDataset& table, bool canDelete, QObject* parent)
    : RowSource(parent), table_(table), canDelete_(canDelete)
{
}

int TableSource::rowCount() const
{
    return table_.isOpen() ? table_.recordCount() : 0;
}

QVariant TableSource::value(int row, const QString& field) const
{
    return table_.isOpen() ? table_.valueAt(row, field) : QVariant();
}

bool TableSource::isReadOnly() const
{
    return !table_.isOpen();
}

TableSource::State TableSource::state() const
{
    switch (table_.state()) {
    case TableDataset::State::Edit: return State::Edit;
    case TableDataset::State::Insert: return State::Insert;
    default: return State::Browse;
    }
}

void TableSource::moveTo(int row)
{
    if (row < 0 || row >= rowCount() || row == table_.recNo() - 1)
        return;
    const State before = state();
    const int count = rowCount();
    table_.setRecNo(row + 1);
    // A new record left unchanged is dropped, which moves every row after it.
    if (rowCount() != count)
        Q_EMIT reset();
    if (state() != before)
        Q_EMIT stateChanged();
}

void TableSource::changedOutside()
{
    Q_EMIT reset();
    Q_EMIT stateChanged();
}

void TableSource::setValue(int row, const QString& field, const QVariant& v)
{
    edit(row);
    table_.setValue(field, v);
    Q_EMIT rowsChanged(row, row);
}

void TableSource::deleteRow(int row)
{
    if (!canDelete_)
        RowSource::deleteRow(row);
    moveTo(row);
    table_.deleteRecord();
    changedOutside();
}

void TableSource::edit(int row)
{
    moveTo(row);
    const State before = state();
    table_.edit();
    if (state() != before)
        Q_EMIT stateChanged();
}

int TableSource::insert(int row)
{
    table_.checkBrowseMode();
    if (row >= rowCount()) {
        table_.append();
    } else {
        table_.setRecNo(row + 1);
        table_.insert();
    }
    changedOutside();
    return table_.recNo() - 1;
}

void TableSource::post()
{
    // A refusal leaves the record in its state with its values.
    table_.post();
    const int row = table_.recNo() - 1;
    Q_EMIT rowsChanged(row, row);
    Q_EMIT stateChanged();
}

void TableSource::cancel()
{
    const bool inserting = state() == State::Insert;
    table_.cancel();
    if (inserting) {
        changedOutside();
        return;
    }
    const int row = table_.recNo() - 1;
    Q_EMIT rowsChanged(row, row);
    Q_EMIT stateChanged();
}

void TableSource::refresh()
{
    table_.refresh();
    changedOutside();
}

}  // namespace tarvik::dialogs
