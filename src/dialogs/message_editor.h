#pragma once
// TFormEdit: the message dictionary "Редактор повідомлень", a grid of
// ready-made phrases over the table MESSAGES. Opened from the catalogue, a
// double click copies the clicked value into the product text being edited.

#include "platform/grid/grid_printer.h"

#include <QDialog>

#include <memory>

class QAction;
class QMenuBar;

namespace tarvik::grid {
class DBGrid;
class DBNavigator;
}  // namespace tarvik::grid
namespace tarvik::data {
class TableDataset;
}
namespace tarvik::model {
class StationModel;
}
namespace tarvik::dialogs {
class TableSource;
}

class TFormEdit : public QDialog {
    Q_OBJECT
public:
    // The model must outlive the window.
    explicit TFormEdit(tarvik::model::StationModel& model, QWidget* parent = nullptr);
    ~TFormEdit() override;

    // Where a double click copies to: the catalogue grid's current row and column.
    void setCatalogue(tarvik::grid::DBGrid* grid, tarvik::dialogs::TableSource* products);

    // Opens MESSAGES while the window is shown, and closes it again.
    void FormShow();
    void FormClose();
    // A new message proposes the highest ID + 1.
    void TableNewRecord(tarvik::data::TableDataset& table);
    void DBGridDblClick();
    void N1Click();

    QMenuBar* MainMenu = nullptr;
    QAction* N1 = nullptr;
    tarvik::grid::DBGrid* DBGrid = nullptr;
    tarvik::grid::DBNavigator* Navigator = nullptr;
    tarvik::grid::GridPrinter Print;

protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;
    void closeEvent(QCloseEvent* e) override;

private:
    tarvik::model::StationModel& model_;
    std::unique_ptr<tarvik::data::TableDataset> table_;
    tarvik::dialogs::TableSource* source_ = nullptr;
    tarvik::grid::DBGrid* catalogue_ = nullptr;
    tarvik::dialogs::TableSource* products_ = nullptr;
};
