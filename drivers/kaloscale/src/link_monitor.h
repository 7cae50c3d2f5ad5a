#pragma once
// What the driver says about its line, on standard error, once each time the line's state changes:
// the port cannot be opened (and why), no frame for a while, frames not understood (one of them and
// what is wrong with it), and back to normal. The station keeps "Error" readings silent; these
// lines are how a technician learns why the weight stands still.

#include "frames.h"
#include "reading.h"

#include <QString>

#include <chrono>
#include <functional>

namespace tarvik::kaloscale {

// Where the driver's messages go: standard error, one line each.
void sayOnStandardError(const QString& text);

// "1.234;S;", "overload", "underload", "no weight (busy or moving)", or the fault's reason.
QString describeFrame(const Frame& frame, OutputUnit unit);

class LinkMonitor {
public:
    using Say = std::function<void(const QString&)>;
    enum class State { Starting, Unavailable, Silent, NotUnderstood, Normal };

    // `line` names it in every message ("COM1 (/dev/ttyUSB0)"). After frames not understood, good
    // frames count as back to normal only once `settle` has passed without a bad one, so a noisy
    // line is not reported at every frame.
    LinkMonitor(QString line, OutputUnit unit, std::chrono::milliseconds settle, Say say = sayOnStandardError)
        : line_(std::move(line)), unit_(unit), settle_(settle), say_(std::move(say)) {}

    // The port cannot be opened or went away; `why` carries the system's words.
    void unavailable(const QString& why);
    // Nothing arrived for `silence`.
    void silent(std::chrono::milliseconds silence);
    void frame(const Frame& frame, Clock::time_point now);

    State state() const { return state_; }

private:
    void enter(State state, const QString& text);

    QString line_;
    OutputUnit unit_;
    std::chrono::milliseconds settle_;
    Say say_;
    State state_ = State::Starting;
    Clock::time_point lastFault_{};
};

}  // namespace tarvik::kaloscale
