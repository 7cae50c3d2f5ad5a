#pragma once
// TfrSetting: the settings dialog, which is also the station's live settings
// store (its controls hold the settings) and the owner of the database.

#include "data/database.h"
#include "data/datasets.h"
#include "data/settings_files.h"
#include "data/station_store.h"
#include "labels/label_inputs.h"
#include "labels/label_pages.h"
#include "reports/report_settings.h"

#include <QDialog>
#include <memory>

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
namespace tarvik::labels {
class LabelsTab;
}

class TfrSetting : public QDialog,
                   public tarvik::reports::ReportSettings,
                   public tarvik::labels::LabelSettingsView {
    Q_OBJECT
public:
    TfrSetting(const QString& programDir, tarvik::ui::PollingTimer& timer, tarvik::labels::MainFields& main,
               QWidget* parent = nullptr);
    ~TfrSetting() override;

    // Creation: connects the database, opens the product table, fills the
    // printer lists, loads the templates and lays out both labels. An error
    // stops it there; the dialog then works without what was not made.
    void FormCreate();

    // Moves the dialog keys of Setting_Prog.ini into the controls. A value
    // that does not convert stops the load at its key: the controls before it
    // are loaded, those after it keep what they showed.
    void LoadSettings();
    void LoadLabelTemplates();
    // The start-up keys: poll interval (returned with the rest), port, scale
    // type, and the sixteen number-format texts held in Weigth.
    tarvik::data::StartupSettings LoadStartupSettings();
    void SaveSettings();

    // ID_TOB of a product name as text; empty when no product has that name.
    QString ProductIdText(const QString& name);
    void DBBox1Select();
    void DBBox2Select();
    // Enter in NumBox: stores the typed box number in the database.
    void NumBoxEnter();

    // The controls as settings values, and back.
    tarvik::data::ProgSettings controlValues() const;
    void setControlValues(const tarvik::data::ProgSettings& s);

    // The sixteen "Weigth" texts, as read at start-up.
    tarvik::data::StartupSettings Weigth;

    // The station's only connection and transaction, its product table and
    // its statements; empty when the database could not be reached.
    std::unique_ptr<tarvik::data::Database> Database;
    std::unique_ptr<tarvik::data::TableDataset> Table;
    std::unique_ptr<tarvik::data::StationStore> Store;
    // Throws a clear error when the database is not connected.
    tarvik::data::Database& database();
    tarvik::data::StationStore& store();
    tarvik::data::TableDataset& table();

    // Controls of the tab "Программи"; other windows read the settings here.
    QTabWidget* PageControl1 = nullptr;
    QWidget* Sheet1 = nullptr;
    QWidget* Sheet2 = nullptr;
    QWidget* Sheet3 = nullptr;
    QWidget* TabSheet1 = nullptr;

    QComboBox* DBBox1 = nullptr;
    QLineEdit* Edit9 = nullptr;
    tarvik::ui::MaskedEdit* Edit1 = nullptr;
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

    // The scale name the reports select by (EditV).
    QString scaleName() const override;
    // What label preparation reads of the controls.
    tarvik::labels::LabelSettings labelSettings() const override;
    tarvik::data::TableDataset* productTable() override;

    // The two label pages, their element set and the tab "Етикетки".
    std::unique_ptr<tarvik::labels::LabelPages> Pages;
    tarvik::labels::LabelsTab* LabelsTab = nullptr;

    void Button3Click();
    void Button4Click();
    void Button5Click();

    const QString& programDir() const { return programDir_; }
    QString settingsPath() const;

protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildProgramTab();
    void buildReprintTab();
    void tabShown(int index);
    void FillProductLists();

    QString programDir_;
    tarvik::ui::PollingTimer& timer_;
};
