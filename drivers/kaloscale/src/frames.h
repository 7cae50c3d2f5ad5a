#pragma once
// The scales' serial protocols as pure functions over bytes: parsers that turn what arrives on the
// line into frames (the driver's side) and encoders that speak for a scale (the virtual scale's
// side). No port, no clock: tests feed them bytes directly.
//
//   SICS        host sends "SI\r\n"; the scale answers "S S      1.234 kg\r\n" (stable),
//               "S D      1.234 kg\r\n" (moving), "S +" overload, "S -" underload, "S I" busy,
//               "ES" / "ET" / "EL" command, transmission and logic errors.
//   CAS         the scale sends on its own, line by line: "ST,GS,+  1.234kg\r\n" (stable),
//               "US,GS,…" (moving), "OL,GS,…" (overload); "NT" for net in the second field; extra
//               fields between the second and the weight (device number, lamps) are ignored.
//   Toledo8217  host sends "W\r"; the scale answers STX "01.234" CR with a stable weight in its
//               configured unit (the frame carries none), or STX "?" <status> CR when it cannot
//               give one. Status bits: 0 moving, 1 over capacity, 2 under zero, 3 outside the zero
//               range, 4 centre of zero, 5 always set.

#include "mass.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::kaloscale {

enum class Protocol { Sics, Cas, Toledo8217, Simulator };

// "SICS", "CAS", "Toledo8217", "Simulator" (any case).
std::optional<Protocol> protocolFromName(QStringView name);
QString protocolName(Protocol protocol);

struct Frame {
    enum class Kind {
        Weight,     // a weight, stable or moving
        Overload,   // above capacity: no weight to report
        Underload,  // below the range the scale can show
        Fault,      // garbage, a broken or unknown frame, a unit we cannot convert, a scale error
    };
    Kind kind = Kind::Fault;
    bool stable = false;
    Mass weight{};

    static Frame weightOf(Mass m, bool stable) { return {Kind::Weight, stable, m}; }
    static Frame of(Kind k) { return {k, false, {}}; }
    friend bool operator==(const Frame&, const Frame&) = default;
};

// One complete line or frame, without its terminator and framing bytes.
Frame parseSicsLine(std::string_view line);
Frame parseCasLine(std::string_view line);
Frame parseToledoFrame(std::string_view content, std::string_view unit);

// Cuts the byte stream into frames. Memory is bounded: a frame longer than the protocol allows is
// a fault, and its bytes are dropped until the next frame starts.
class FrameParser {
public:
    virtual ~FrameParser() = default;
    // Appends every frame completed by `bytes` to `out`.
    virtual void feed(std::string_view bytes, std::vector<Frame>& out) = 0;
    // Forgets a partial frame (after the port closed).
    virtual void reset() = 0;
    // Bytes held for a frame not yet complete.
    virtual std::size_t pending() const = 0;
    // What asks the scale for a reading; empty for a scale that sends on its own.
    virtual QByteArray pollCommand() const = 0;
};

// `unit` is the scale's unit for protocols whose frames carry none (Toledo8217).
// Not for Protocol::Simulator.
std::unique_ptr<FrameParser> makeParser(Protocol protocol, std::string unit = "kg");

inline constexpr std::size_t MaxLineLength = 64;    // SICS, CAS
inline constexpr std::size_t MaxToledoFrame = 16;   // between STX and CR

// What the virtual scale shows.
struct ScaleState {
    Mass weight{};
    bool stable = true;
    bool overload = false;
};

// The scale's answer to one command line (without its terminator); empty for none.
QByteArray sicsReply(const ScaleState& state, std::string_view command);
// One continuous CAS line.
QByteArray casFrame(const ScaleState& state);
// The scale's answer to one Toledo command (without its CR); empty for none.
QByteArray toledoReply(const ScaleState& state, std::string_view command);

}  // namespace tarvik::kaloscale
