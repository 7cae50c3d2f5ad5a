#pragma once
// The latest reading and how old it is, turned into the text the station reads.

#include "frames.h"
#include "mass.h"

#include <QString>

#include <chrono>
#include <optional>

namespace tarvik::kaloscale {

using Clock = std::chrono::steady_clock;

inline const QString ErrorReading = QStringLiteral("Error");

// "1.234;S;", "1234.5;U;" ... for a weight frame; "Error" for any other.
QString readingText(const Frame& frame, OutputUnit unit);

class ReadingState {
public:
    ReadingState(std::chrono::milliseconds staleAfter, OutputUnit unit) : staleAfter_(staleAfter), unit_(unit) {}

    void accept(const Frame& frame, Clock::time_point now)
    {
        last_ = frame;
        at_ = now;
    }
    // The line is gone: nothing is fresh any more.
    void clear() { last_.reset(); }

    // "Error" when no frame arrived yet, the last one is older than staleAfter, or it was no weight.
    QString text(Clock::time_point now) const
    {
        if (!last_ || now - at_ > staleAfter_)
            return ErrorReading;
        return readingText(*last_, unit_);
    }

private:
    std::chrono::milliseconds staleAfter_;
    OutputUnit unit_;
    std::optional<Frame> last_;
    Clock::time_point at_{};
};

}  // namespace tarvik::kaloscale
