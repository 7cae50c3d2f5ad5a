#pragma once
// TfrMain: the station's main window: weight and stability, batch and place
// numbers, the box number and the running count and mass of the box. Its
// timer drives the whole station.

#include "platform/text/currency.h"
#include "platform/ui/station_hooks.h"
#include "station/scale_link.h"
#include "station/weighing_cycle.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QTimer;

namespace tarvik::ui {
class MaskedEdit;
}
namespace tarvik::model {
class StationModel;
}

// A view over the station model: it shows the reading and the box, and the
// batch and place fields edit the model.
class TfrMain : public QMainWindow, public tarvik::ui::PollingTimer {
    Q_OBJECT
public:
    // The model must outlive the window.
    explicit TfrMain(tarvik::model::StationModel& model, QWidget* parent = nullptr);
    ~TfrMain() override;

    // Creation: fixes the program directory (with its trailing "/").
    void FormCreate(const QString& programDir);
    // First activation: settings, start-up settings, scale link, timer.
    void FormActivate();
    // One tick: the reading, then the weighing decision.
    void TimerTimer();
    // Called with every reading that delivered a weight.
    void WeighingDecision(Currency weight, bool stable);
    tarvik::station::WeighingCycle& Cycle() { return *cycle_; }
    // Nobody is there to reopen a window after a failed label run (headless):
    // polling resumes once its error has been answered, and the next run
    // waits for the next load.
    void setResumeAfterFailedRun(bool resume) { resumeAfterFailedRun_ = resume; }

    void N2Click();
    void N3Click();
    void N4Click();
    void N5Click();

    void stopPolling() override;
    // Starts the timer unless a window that pauses polling is open.
    void startPolling() override;

    // The windows that pause polling while they are open. Each holds its own
    // pause, so closing one does not resume polling behind the other.
    enum class PollingHolder { Settings, Reports };
    tarvik::ui::PollingTimer& pollingHold(PollingHolder who);
    bool pollingHeld() const;

    const QString& ProgramDir() const { return ProgramDir_; }
    tarvik::model::StationModel& model() { return model_; }

    QLineEdit* WEdit = nullptr;
    QLineEdit* SEdit = nullptr;
    // A load held back by the weight limits: why, under the weight.
    QLabel* LimitLabel = nullptr;
    tarvik::ui::MaskedEdit* MaskEdit1 = nullptr;
    tarvik::ui::MaskedEdit* MaskEdit2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit7 = nullptr;
    tarvik::ui::MaskedEdit* MaskEdit3 = nullptr;
    QTimer* Timer = nullptr;
    QMenuBar* MMenu = nullptr;
    QMenu* N1 = nullptr;
    QAction* N5 = nullptr;
    QAction* N2 = nullptr;
    QAction* N4 = nullptr;
    QAction* N6 = nullptr;
    QAction* N3 = nullptr;

    tarvik::station::ScaleLink& Scale() { return scale_; }

Q_SIGNALS:
    // A label run has ended, successfully or not.
    void labelRunEnded();
    // An activation failed (no database, no scale component): no polling
    // until the next one. Its error is shown after this.
    void activationFailed();

protected:
    bool event(QEvent* e) override;

private:
    class Hold;
    void showWeighing();
    void showBox();

    tarvik::model::StationModel& model_;
    QString ProgramDir_;
    tarvik::station::ScaleLink scale_;
    std::unique_ptr<tarvik::station::WeighingCycle> cycle_;
    bool skipActivation_ = false;
    bool resumeAfterFailedRun_ = false;
    QString shownAlarm_;
    std::unique_ptr<Hold> settingsHold_;
    std::unique_ptr<Hold> reportsHold_;
};
