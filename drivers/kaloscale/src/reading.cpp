#include "reading.h"

namespace tarvik::kaloscale {

QString readingText(const Frame& frame, OutputUnit unit)
{
    if (frame.kind != Frame::Kind::Weight)
        return ErrorReading;  // overload, underload and faults carry no weight the station may use
    return formatMass(frame.weight, unit) + (frame.stable ? QStringLiteral(";S;") : QStringLiteral(";U;"));
}

}  // namespace tarvik::kaloscale
