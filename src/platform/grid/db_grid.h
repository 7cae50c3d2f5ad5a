#pragma once
// DBGrid: a grid over a row source with titled columns, a first column that
// stays in place when the grid scrolls sideways, bold titles, footer rows with
// fixed texts, an ellipsis button per column, owner-drawn cells and the
// row-delete key with a confirmation question.

#include "platform/grid/grid_model.h"

#include <QStyleOptionViewItem>
#include <QTableView>
#include <QWidget>
#include <functional>
#include <vector>

class QPainter;

namespace tarvik::grid {

class GridFooter;
class GridView;

class DBGrid : public QWidget {
    Q_OBJECT
public:
    // What an owner-draw handler gets for one cell. The rectangle is in the
    // coordinates of the list area under the titles.
    struct CellPaint {
        QPainter& painter;
        QRect rect;
        int row;
        int column;
        const GridColumn& col;
        QVariant value;
        const QStyleOptionViewItem& option;
    };
    // Returns true when it drew the cell; false leaves the default drawing.
    using DrawCellHandler = std::function<bool(const CellPaint&)>;

    explicit DBGrid(QWidget* parent = nullptr);
    ~DBGrid() override;

    void setSource(RowSource* source);
    RowSource* source() const { return model_.source(); }
    GridModel& model() { return model_; }

    void setColumns(std::vector<GridColumn> columns);
    const std::vector<GridColumn>& columns() const { return model_.columns(); }
    int columnCount() const { return model_.columnCount(); }
    int rowCount() const { return model_.rowCount(); }
    int columnWidth(int column) const;

    // Cells cannot be edited in the grid (the row-delete key still works if
    // the source allows deleting).
    void setReadOnly(bool ro);
    bool isReadOnly() const { return model_.isReadOnly(); }
    void setConfirmDelete(bool on) { confirmDelete_ = on; }
    bool confirmDelete() const { return confirmDelete_; }
    // The first column stays in place when the grid scrolls sideways.
    void setFirstColumnFixed(bool on);
    bool isFirstColumnFixed() const { return firstFixed_; }
    void setTitleBold(bool on);
    bool isTitleBold() const { return titleBold_; }

    // Footer rows under the list, each with a fixed text per column.
    void setFooterRowCount(int n);
    int footerRowCount() const { return int(footers_.size()); }
    void setFooterText(int column, const QString& text, int footerRow = 0);
    QString footerText(int column, int footerRow = 0) const;
    void setFooterBold(bool on);
    bool isFooterBold() const { return footerBold_; }

    // The current cell; -1 when the grid has no rows.
    int currentRow() const;
    int currentColumn() const;
    void setCurrentCell(int row, int column);
    // The field of the current column, empty when there is none.
    QString selectedField() const;
    void first();
    void prior();
    void next();
    void last();

    // Deletes the current row, after the confirmation question when that option
    // is on. True when the row was deleted.
    bool deleteCurrentRow();

    void setDrawColumnCell(DrawCellHandler handler) { drawCell_ = std::move(handler); }
    const DrawCellHandler& drawColumnCell() const { return drawCell_; }

    // Where the ellipsis button of a cell is drawn (it is shown on the current
    // cell only), in the list area's coordinates; empty when it has none.
    QRect editButtonRect(int row, int column) const;

    QTableView* view() const;
    QTableView* fixedView() const;
    QWidget* footer() const;

Q_SIGNALS:
    void editButtonClick(int column);
    void dblClick();
    void currentCellChanged(int row, int column);
    void sourceChanged();

private:
    friend class GridView;
    friend class GridFooter;
    friend class GridDelegate;

    GridModel model_;
    GridView* view_ = nullptr;
    GridFooter* footer_ = nullptr;
    std::vector<std::vector<QString>> footers_;
    DrawCellHandler drawCell_;
    bool confirmDelete_ = true;
    bool firstFixed_ = false;
    bool titleBold_ = true;
    bool footerBold_ = false;
    int keptRow_ = -1;
    int keptColumn_ = -1;
};

}  // namespace tarvik::grid
