#include "platform/grid/grid_model.h"

#include "platform/text/locale_forms.h"

#include <QDate>
#include <QDateTime>
#include <QFont>

namespace tarvik::grid {

QString cellText(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QDate:
        return text::shortDate(v.toDate());
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return text::shortDate(dt.date()) + u' ' + dt.time().toString(QStringLiteral("HH:mm:ss"));
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(v.toDouble(), 'g', 15).replace(u'.', text::kDecimalSeparator);
    case QMetaType::QString: {
        QString s = v.toString();
        qsizetype n = s.size();
        while (n > 0 && s.at(n - 1) == u' ')
            --n;
        s.truncate(n);
        return s;
    }
    default:
        return v.toString();
    }
}

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::setSource(RowSource* source)
{
    beginResetModel();
    if (source_)
        source_->disconnect(this);
    source_ = source;
    if (source_) {
        connect(source_, &RowSource::reset, this, &GridModel::onSourceReset);
        connect(source_, &RowSource::rowsChanged, this, &GridModel::onRowsChanged);
    }
    rows_ = source_ ? source_->rowCount() : 0;
    endResetModel();
}

void GridModel::setColumns(std::vector<GridColumn> columns)
{
    beginResetModel();
    columns_ = std::move(columns);
    endResetModel();
}

void GridModel::onSourceReset()
{
    beginResetModel();
    rows_ = source_ ? source_->rowCount() : 0;
    endResetModel();
}

void GridModel::onRowsChanged(int first, int last)
{
    if (columns_.empty() || rows_ == 0)
        return;
    first = std::max(first, 0);
    last = std::min(last, rows_ - 1);
    if (first <= last)
        Q_EMIT dataChanged(index(first, 0), index(last, columnCount() - 1));
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!source_ || !index.isValid() || index.row() >= rows_)
        return {};
    const GridColumn& c = column(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return cellText(source_->value(index.row(), c.field));
    case Qt::EditRole:
        return source_->value(index.row(), c.field);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(c.alignment);
    default:
        return {};
    }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || isReadOnly() || !index.isValid())
        return false;
    source_->setValue(index.row(), column(index.column()).field, value);
    return true;
}

QVariant GridModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, o, role);
    if (role == Qt::DisplayRole)
        return column(section).shownTitle();
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!isReadOnly())
        f |= Qt::ItemIsEditable;
    return f;
}

}  // namespace tarvik::grid
