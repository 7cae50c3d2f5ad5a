#pragma once
// The weighing cycle: every new load lying still on the scale is labelled,
// logged and counted into the box; the N-th load of a box closes it, advances
// the box number and prints the box label.

#include "data/station_store.h"
#include "station/currency.h"

#include <QString>
#include <cstdint>

class TfrMain;
class TfrSetting;

namespace tarvik::station {

enum class RunOutcome {
    None,     // this reading started no label run
    Done,     // a label run ended as planned
    Failed,   // a label run stopped at an error, which has been shown
};

class WeighingCycle {
public:
    // The settings window is the one of the station (frSetting), looked up
    // when a reading arrives: it is created after the main window.
    explicit WeighingCycle(TfrMain& main);

    // The weighing decision for one reading. A threshold that is no whole
    // number throws (it ends that tick only); a failing label run is shown
    // here and leaves the timer off and the flag down.
    RunOutcome decide(Currency weight, bool stable);

    // True from the end of a label run until the weight falls below the
    // zero threshold.
    bool PrintedFlag = false;

private:
    void LabelRun(Currency weight);
    // What a run would fail on for a reason known before anything is
    // printed: the log row's values, the counts, the printer, and for the
    // N-th load the box row, label 2's printer, values and barcode.
    void checkRun(Currency weight, const QString& costText);
    void CountLoad(Currency weight, std::int64_t counted);
    void CloseBox(Currency weight);
    QString AdvanceBoxNumber();
    std::int64_t perBox() const;
    std::int64_t counted() const;
    // The row of the load just labelled, from the fields as they stand.
    data::LogRow logRow(const QString& cost) const;
    void addToBoxMass(Currency weight);
    void showCounters();
    TfrSetting& settings() const;

    TfrMain& main_;
    bool running_ = false;
};

}  // namespace tarvik::station
