#pragma once
// The tab "Товари" of the settings dialog: the product catalogue TOBAP as an
// editable grid with a navigator that cannot delete, the message dictionary
// behind the texts' ellipsis buttons, and import and export of the catalogue
// as a spreadsheet file.

#include <QWidget>

class QPushButton;

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

class TFormEdit;

namespace tarvik::dialogs {

class TableSource;

class CatalogueTab : public QWidget {
    Q_OBJECT
public:
    // The model must outlive the tab.
    explicit CatalogueTab(model::StationModel& model, QWidget* parent = nullptr);
    ~CatalogueTab() override;

    // Binds the grid to the model's product table, once the database is
    // connected; until then the grid is empty.
    void attach();
    // The dictionary that the texts' ellipsis buttons open.
    void setDictionary(TFormEdit* dictionary) { dictionary_ = dictionary; }

    // A new product record proposes the highest ID_TOB + 1 (1 in an empty catalogue).
    void TableNewRecord(data::TableDataset& table);
    // The ellipsis button of TEXT1 ... TEXT8: the dictionary, modally.
    void GridColumns5EditButtonClick();
    // Adds the products of a file; nothing when one line is refused.
    void ImportClick();
    // Writes the whole catalogue to a file (";" separated for .csv, tabs otherwise).
    void ExportClick();

    grid::DBGrid* Grid = nullptr;
    grid::DBNavigator* Navigator = nullptr;
    QPushButton* ImportButton = nullptr;
    QPushButton* ExportButton = nullptr;

    TableSource* source() const { return source_; }

private:
    void rowChosen(int row);
    void productsChanged();

    model::StationModel& model_;
    TableSource* source_ = nullptr;
    TFormEdit* dictionary_ = nullptr;
    bool following_ = false;
};

}  // namespace tarvik::dialogs
