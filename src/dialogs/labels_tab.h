#pragma once
// The content of the settings dialog's tab "Етикетки": both labels' previews,
// the layout value list, the printer choices and the print buttons.

#include <QPoint>
#include <QWidget>

class QAction;
class QComboBox;
class QGroupBox;
class QMenu;
class QPushButton;
class QTableWidget;

namespace tarvik::printing {
class PageView;
}
namespace tarvik::labels {
class LabelPages;
}

class TForm1;

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

    // The field text editor that "Редагувати" opens; made after the tab.
    void setFieldEditor(TForm1* editor) { editor_ = editor; }

    // The layout editor's handlers: the pointer in the preview's page pixels.
    void Image1MouseMove(QPoint p);
    void Image2MouseMove(QPoint p);
    // Press and release on either preview, any button.
    void Image1MouseDown(printing::PageView* surface, QPoint p);
    void Image1MouseUp();
    // "Редагувати": the field text editor on the last pressed text block.
    void N1Click();

    printing::PageView* Image1 = nullptr;
    printing::PageView* Image2 = nullptr;
    QTableWidget* ValueList = nullptr;
    QGroupBox* GroupBox1 = nullptr;  // "Вибір принтера" of label 1
    QGroupBox* GroupBox2 = nullptr;
    QComboBox* Box1 = nullptr;
    QComboBox* Box2 = nullptr;
    QPushButton* Button1 = nullptr;  // "Друкувати": the current label on Box1's printer
    QPushButton* Button2 = nullptr;
    QMenu* PopupMenu1 = nullptr;  // on both previews
    QAction* N1 = nullptr;        // "Редагувати"

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void valueEdited(int row, int column);
    void showPage(int label);
    void showValueList();

    bool surfaceEvent(printing::PageView* surface, QEvent* event);
    void showPopup(const QPoint& globalPos);
    void restoreCursor();

    labels::LabelPages& pages_;
    LabelActions& actions_;
    TForm1* editor_ = nullptr;
};

}  // namespace tarvik::dialogs
