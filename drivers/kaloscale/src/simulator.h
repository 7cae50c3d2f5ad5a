#pragma once
// A scale that is not there: for commissioning, tests and the demo.
//   Script mode: one reading text per line of the script, one line per reading() call; "Error"
//                after the last line (and for a script that cannot be read). A line is given only
//                when it is "Error" or a reading in the output form ("1.234;S;" for kilograms,
//                "1234.5;U;" for grams): a line the station would read otherwise ("1.5;S;" read as
//                15 g) is "Error" and its fault is noted. A raw script gives its lines as written,
//                for tests of how the station treats readings no driver gives.
//   Random mode: loads go on and come off every few seconds: an empty scale ("0.000;S;"), a few
//                moving readings while a load settles, the load stable for a few seconds, a few
//                moving readings while it comes off.

#include "frames.h"
#include "mass.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

namespace tarvik::kaloscale {

// The random mode's reading `elapsedMs` after it started; the same arguments give the same text.
QString randomReading(qint64 elapsedMs, quint32 seed, OutputUnit unit);

// One script line as a frame: a weight for a reading in `unit`'s output form, NoWeight for "Error",
// a fault that says why for anything else; `raw` holds the line.
Frame scriptLineFrame(const QString& line, OutputUnit unit);

class Simulator {
public:
    // `scriptPath` empty: random mode.
    Simulator(const QString& scriptPath, OutputUnit unit, bool raw = false);
    QString reading();
    // What the last reading() was, as a frame: the script's line in `raw`, a fault for a line
    // refused; NoWeight for "Error".
    const Frame& lastFrame() const { return last_; }

private:
    OutputUnit unit_;
    bool scripted_ = false;
    bool raw_ = false;
    Frame last_;
    QStringList lines_;
    qsizetype next_ = 0;
    QElapsedTimer clock_;
    quint32 seed_ = 0;
};

}  // namespace tarvik::kaloscale
