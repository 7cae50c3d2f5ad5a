#pragma once
// The weighing cycle: every new load lying still on the scale is labelled,
// logged and counted into the box; the N-th load of a box closes it, advances
// the box number and prints the box label. It reads and changes the station
// model only; the windows show what it changed.

#include "data/station_store.h"
#include "platform/text/currency.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class QTimer;

namespace tarvik::model {
class StationModel;
}

namespace tarvik::station {

enum class RunOutcome {
    None,     // this reading started no label run
    Done,     // a label run ended as planned
    Failed,   // a label run stopped at an error, which has been shown
    HeldBack, // a new load outside the weight limits: nothing printed or logged
};

class WeighingCycle {
public:
    // `timer` is the station's poll timer, off for the length of a run.
    WeighingCycle(QTimer& timer, model::StationModel& model);
    // Waits for the last run's commit, so its journal entry is closed.
    ~WeighingCycle();
    WeighingCycle(const WeighingCycle&) = delete;
    WeighingCycle& operator=(const WeighingCycle&) = delete;

    // The weighing decision for one reading. A threshold that is no whole
    // number throws (it ends that tick only); a failing label run is shown
    // here and leaves the timer off and the flag down.
    RunOutcome decide(Currency weight, bool stable);

    // Finishes the label runs that a killed process or a lost database cut
    // short (their rows, their box labels) and removes half-written labels;
    // returns what it did, one sentence each, for the operator.
    QStringList recover();

    // Called after each new log row, so an open report shows it.
    void setLogRowWritten(std::function<void()> f) { logRowWritten_ = std::move(f); }

    // True from the end of a label run until the weight falls below the
    // zero threshold.
    bool PrintedFlag = false;

private:
    // A new load outside label 1's weight limits: said on the model, marked
    // as printed so it is not weighed again until the scale is emptied.
    bool holdBack(Currency weight);
    void LabelRun(Currency weight);
    // What a run would fail on for a reason known before anything is
    // printed: the log row's values, the counts, the printer, and for the
    // N-th load the box row, label 2's printer, values and barcode.
    void checkRun(Currency weight, const QString& costText);
    // The run's row is committed: said in the journal and to an open report.
    void rowCommitted(const QString& run);
    void CountLoad(Currency weight);
    void CloseBox(Currency weight, const QString& run);
    // The box number for the run, into the settings and the main window.
    void takeBoxNumber(const QString& run);
    qint64 AdvanceBoxNumber(const QString& run);
    // Label 2 for the model's box as it stands.
    void PrintBoxLabel(const QString& run);
    std::int64_t perBox() const;
    // The row of the load just labelled.
    data::LogRow logRow(const QString& cost) const;
    // The box as the main window shows it: count and mass of the box now.
    void showCounters();

    QTimer& timer_;
    model::StationModel& model_;
    std::function<void()> logRowWritten_;
    bool running_ = false;
};

}  // namespace tarvik::station
