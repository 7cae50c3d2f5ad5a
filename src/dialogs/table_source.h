#pragma once
// A whole-table dataset as a grid's rows: the grid shows and edits the
// dataset's records, and its row moves are the dataset's, so moving to
// another row posts a changed record as the dataset does.

#include "platform/grid/row_source.h"

namespace tarvik::data {
class TableDataset;
}

namespace tarvik::dialogs {

class TableSource : public grid::RowSource {
    Q_OBJECT
public:
    // The dataset must outlive this object. `canDelete` offers the row-delete key.
    TableSource(data::TableDataset& table, bool canDelete, QObject* parent = nullptr);

    data::TableDataset& table() { return table_; }
    // Makes `row` the dataset's current record (posting a pending change) and
    // tells the grids what that changed.
    void moveTo(int row);
    // The dataset was changed from outside (opened, read again, walked).
    void changedOutside();

    int rowCount() const override;
    QVariant value(int row, const QString& field) const override;
    bool isReadOnly() const override;
    bool canDelete() const override { return canDelete_; }
    State state() const override;
    void setValue(int row, const QString& field, const QVariant& v) override;
    void deleteRow(int row) override;
    void edit(int row) override;
    int insert(int row) override;
    void post() override;
    void cancel() override;
    void refresh() override;

private:
    data::TableDataset& table_;
    bool canDelete_;
};

}  // namespace tarvik::dialogs
