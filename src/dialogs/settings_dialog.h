#pragma once
// TfrSetting: the settings dialog, which is also the station's live settings
// store (its controls hold the settings) and the owner of the database.

#include <QDialog>

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

// The settings read only at the first activation of the main window.
struct StartupValues {
    int interval = 1000;
};

class TfrSetting : public QDialog {
    Q_OBJECT
public:
    TfrSetting(const QString& programDir, tarvik::ui::PollingTimer& timer, QWidget* parent = nullptr);
    ~TfrSetting() override;

    void LoadSettings();
    StartupValues LoadStartupSettings();
    void SaveSettings();

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

    const QString& programDir() const { return programDir_; }

protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;

private:
    void buildProgramTab();
    void buildReprintTab();

    QString programDir_;
    tarvik::ui::PollingTimer& timer_;
};
