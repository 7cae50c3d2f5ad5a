#pragma once
// A scale that is not there: for commissioning, tests and the demo.
//   Script mode: one reading text per line of the script, one line per reading() call, given as
//                written; "Error" after the last line (and for a script that cannot be read).
//   Random mode: loads go on and come off every few seconds: an empty scale ("0.000;S;"), a few
//                moving readings while a load settles, the load stable for a few seconds, a few
//                moving readings while it comes off.

#include "mass.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

namespace tarvik::kaloscale {

// The random mode's reading `elapsedMs` after it started; the same arguments give the same text.
QString randomReading(qint64 elapsedMs, quint32 seed, OutputUnit unit);

class Simulator {
public:
    // `scriptPath` empty: random mode.
    Simulator(const QString& scriptPath, OutputUnit unit);
    QString reading();

private:
    OutputUnit unit_;
    bool scripted_ = false;
    QStringList lines_;
    qsizetype next_ = 0;
    QElapsedTimer clock_;
    quint32 seed_ = 0;
};

}  // namespace tarvik::kaloscale
