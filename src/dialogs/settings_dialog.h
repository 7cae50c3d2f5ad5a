#pragma once
// TfrSetting: the settings dialog, a view over the station model. Its
// controls show the model's settings when it is shown and when a tab is
// shown, and write them back on "Застосувати" and "Ok".

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace tarvik::ui {
class MaskedEdit;
class PollingTimer;
}  // namespace tarvik::ui
namespace tarvik::model {
class StationModel;
}
namespace tarvik::data {
struct ProgSettings;
}
namespace tarvik::dialogs {
class CatalogueTab;
class LabelActions;
class LabelsTab;
}  // namespace tarvik::dialogs

class TfrSetting : public QDialog {
    Q_OBJECT
public:
    // The model must outlive the dialog.
    TfrSetting(tarvik::model::StationModel& model, tarvik::ui::PollingTimer& timer, QWidget* parent = nullptr);
    ~TfrSetting() override;

    // Creation: connects the database, opens the product table, fills the
    // printer lists, loads the templates and lays out both labels. An error
    // stops it there; the dialog then works without what was not made.
    void FormCreate();

    // Loads the model's settings from Setting_Prog.ini and shows them. A value
    // that does not convert or fit stops the load at its key: the controls
    // before it show the file's values, those after it what the model held.
    void LoadSettings();
    void LoadLabelTemplates();
    // The controls into the model (refusing, naming the field, a box count or
    // mass that is no number), then the model into Setting_Prog.ini.
    void SaveSettings();

    void DBBox1Select();
    void DBBox2Select();
    // Enter in NumBox: stores the typed box number in the database.
    void NumBoxEnter();

    // The controls as settings values, and the model's values into the controls.
    tarvik::data::ProgSettings controlValues() const;
    void showSettings();
    void showBox();

    // Controls of the tab "Программи"; other windows read the settings here.
    QTabWidget* PageControl1 = nullptr;
    QWidget* Sheet1 = nullptr;
    QWidget* Sheet2 = nullptr;
    QWidget* Sheet3 = nullptr;
    QWidget* TabSheet1 = nullptr;

    QComboBox* DBBox1 = nullptr;
    QLineEdit* Edit9 = nullptr;
    tarvik::ui::MaskedEdit* Edit1 = nullptr;
    // Label 1's net weight limits, grams; blank for none.
    tarvik::ui::MaskedEdit* EditMin1 = nullptr;
    tarvik::ui::MaskedEdit* EditMax1 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QComboBox* SumBox1 = nullptr;
    QComboBox* TypeBox1 = nullptr;
    QPushButton* Button3 = nullptr;

    QComboBox* DBBox2 = nullptr;
    QLineEdit* Edit10 = nullptr;
    tarvik::ui::MaskedEdit* Edit2 = nullptr;
    tarvik::ui::MaskedEdit* Edit3 = nullptr;
    tarvik::ui::MaskedEdit* Edit4 = nullptr;
    tarvik::ui::MaskedEdit* NumBox = nullptr;
    QLineEdit* Edit8 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QComboBox* SumBox2 = nullptr;
    QComboBox* TypeBox2 = nullptr;
    QPushButton* Button4 = nullptr;

    QComboBox* ComBox = nullptr;
    tarvik::ui::MaskedEdit* EditZero = nullptr;
    QLineEdit* EditV = nullptr;
    QComboBox* ComboBox1 = nullptr;

    QLineEdit* Edit11 = nullptr;
    QLineEdit* Edit12 = nullptr;
    QPushButton* Button5 = nullptr;

    QPushButton* bOk = nullptr;
    QPushButton* bCancel = nullptr;
    QPushButton* bApply = nullptr;

    // The tab "Товари": the product catalogue.
    tarvik::dialogs::CatalogueTab* Catalogue = nullptr;
    // The tab "Етикетки" and what its buttons and the reprint show.
    tarvik::dialogs::LabelsTab* LabelsTab = nullptr;
    tarvik::dialogs::LabelActions* Actions = nullptr;

    void Button3Click();
    void Button4Click();
    void Button5Click();

    tarvik::model::StationModel& model() { return model_; }

protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void buildProgramTab();
    void buildReprintTab();
    void tabShown(int index);
    void showProductLists();
    void storeControls();

    tarvik::model::StationModel& model_;
    tarvik::ui::PollingTimer& timer_;
    QStringList shownProducts_;
};
