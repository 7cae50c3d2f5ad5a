#pragma once
// The grid's columns over a row source, as a Qt table model.

#include "platform/grid/row_source.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <vector>

namespace tarvik::grid {

struct GridColumn {
    enum class Button { None, Ellipsis };

    QString field;
    QString title;      // empty: the field name is the title
    int width = -1;     // pixels; -1: the grid's default
    Button button = Button::None;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;

    QString shownTitle() const { return title.isEmpty() ? field : title; }
};

// How a grid shows a value: dates in the short date form, texts without the
// blanks that pad fixed-length columns.
QString cellText(const QVariant& v);

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);

    void setSource(RowSource* source);
    RowSource* source() const { return source_; }

    void setColumns(std::vector<GridColumn> columns);
    const std::vector<GridColumn>& columns() const { return columns_; }
    const GridColumn& column(int c) const { return columns_.at(size_t(c)); }

    void setReadOnly(bool ro) { readOnly_ = ro; }
    bool isReadOnly() const { return readOnly_ || !source_ || source_->isReadOnly(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void onSourceReset();
    void onRowsChanged(int first, int last);

    QPointer<RowSource> source_;
    std::vector<GridColumn> columns_;
    bool readOnly_ = false;
    int rows_ = 0;  // as last told to the views
};

}  // namespace tarvik::grid
