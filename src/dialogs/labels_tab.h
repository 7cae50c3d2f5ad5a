#pragma once
// The content of the settings dialog's tab "Етикетки": both labels' previews,
// the layout value list, the printer choices and the print buttons.

#include <QWidget>

class QComboBox;
class QGroupBox;
class QPushButton;
class QTableWidget;

namespace tarvik::printing {
class PageView;
}
namespace tarvik::labels {
class LabelPages;
}

namespace tarvik::dialogs {

class LabelActions;

class LabelsTab : public QWidget {
    Q_OBJECT
public:
    // The pages must outlive the tab. Box1 and Box2 receive the printers'
    // names; their positions are the printer choices the settings store.
    LabelsTab(labels::LabelPages& pages, LabelActions& actions, QWidget* parent = nullptr);

    // Fills Box1 and Box2 with the printers again, keeping their positions
    // where the list still has them.
    void fillPrinterLists();

    printing::PageView* Image1 = nullptr;
    printing::PageView* Image2 = nullptr;
    QTableWidget* ValueList = nullptr;
    QGroupBox* GroupBox1 = nullptr;  // "Вибір принтера" of label 1
    QGroupBox* GroupBox2 = nullptr;
    QComboBox* Box1 = nullptr;
    QComboBox* Box2 = nullptr;
    QPushButton* Button1 = nullptr;  // "Друкувати": the current label on Box1's printer
    QPushButton* Button2 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void valueEdited(int row, int column);
    void showPage(int label);
    void showValueList();

    labels::LabelPages& pages_;
    LabelActions& actions_;
};

}  // namespace tarvik::dialogs
