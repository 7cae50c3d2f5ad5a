#pragma once
// The scales' serial protocols as pure functions over bytes: parsers that turn what arrives on the
// line into frames (the driver's side) and encoders that speak for a scale (the virtual scale's
// side). No port, no clock: tests feed them bytes directly.
//
// A frame is read exactly or not at all: its number must fill the protocol's field as the scale
// writes it, in the unit the scale is set to, with the decimal mark the scale uses, and no finer
// than the place the station is given. Anything else is a fault that says why.
//
//   SICS        host sends "SI\r\n"; the scale answers "S S" or "S D" (stable, moving), a blank, the
//               weight right-aligned in ten characters, a blank and the unit: "S S      1.234 kg".
//               "S +" overload, "S -" underload, "S I" busy; "ES" / "ET" / "EL" command,
//               transmission and logic errors.
//   CAS         the scale sends on its own, line by line, in one of two layouts:
//                 18 bytes  "ST,GS,+  1.234kg\r\n"
//                 22 bytes  "ST,GS,<id><lamp>,+  1.234 kg\r\n"  (device number and lamp byte)
//               head "ST" stable, "US" moving, "OL" overload; "GS" gross, "NT" net; the weight in
//               eight characters (sign, then the number right-aligned), the unit in two (" g").
//               Some scales write a decimal comma ("+  0,050"): [Driver] Decimal=Comma.
//   Toledo8217  host sends "W\r"; the scale answers STX, the weight in six characters ("01.234")
//               in its configured unit (the frame carries none), CR; or STX "?" <status> CR when
//               it cannot give one. Status bits: 0 moving, 1 over capacity, 2 under zero, 3 outside
//               the zero range, 4 centre of zero, 5 always set.

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
        NoWeight,   // understood, but the scale has no weight to give now (busy, moving on Toledo)
        Fault,      // not understood: garbage, a cut or overlong frame, a number not read exactly,
                    // another unit than the configured one, an error reply of the scale
    };
    Kind kind = Kind::Fault;
    bool stable = false;
    Mass weight{};
    std::string why;  // for a fault: what is wrong with it, in a few words
    std::string raw;  // the frame's bytes as they came, without terminator (set by FrameParser)

    static Frame weightOf(Mass m, bool stable) { return {Kind::Weight, stable, m, {}, {}}; }
    static Frame of(Kind k) { return {k, false, {}, {}, {}}; }
    static Frame fault(std::string why) { return {Kind::Fault, false, {}, std::move(why), {}}; }
    bool understood() const { return kind != Kind::Fault; }
    // What the station is given; the reason and the bytes are for people.
    friend bool operator==(const Frame& a, const Frame& b)
    {
        return a.kind == b.kind && a.stable == b.stable && a.weight == b.weight;
    }
};

// How the scale writes its frames, from KaloScale.ini.
struct FrameFormat {
    std::string unit = "kg";  // the scale's unit; a frame in another is refused
    char decimal = '.';       // ',' for a CAS scale that writes a decimal comma
    OutputUnit output = OutputUnit::Kilograms;  // a metric weight finer than its last place is refused
};

// One complete line or frame, without its terminator and framing bytes.
Frame parseSicsLine(std::string_view line, const FrameFormat& format = {});
Frame parseCasLine(std::string_view line, const FrameFormat& format = {});
Frame parseToledoFrame(std::string_view content, const FrameFormat& format = {});

// A bare weight field as the protocols write it: blanks, a sign, blanks, then digits with at most
// one `decimal` mark between two digits, and nothing after. `why` says what is wrong when nullopt.
std::optional<Mass> readWeightField(std::string_view field, std::string_view unit, const FrameFormat& format,
                                    std::string& why);

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

// Not for Protocol::Simulator.
std::unique_ptr<FrameParser> makeParser(Protocol protocol, FrameFormat format = {});

// Bytes made readable for a message: printable ASCII as it is, others as \xNN, CR and LF as \r \n.
std::string printableBytes(std::string_view bytes);

inline constexpr std::size_t MaxLineLength = 64;    // SICS, CAS
inline constexpr std::size_t MaxToledoFrame = 16;   // between STX and CR
inline constexpr std::size_t SicsWeightWidth = 10;
inline constexpr std::size_t CasWeightWidth = 8;
inline constexpr std::size_t ToledoWeightWidth = 6;

// What the virtual scale shows.
struct ScaleState {
    Mass weight{};
    bool stable = true;
    bool overload = false;
};

// The scale's answer to one command line (without its terminator); empty for none.
QByteArray sicsReply(const ScaleState& state, std::string_view command);
// One continuous CAS line, 18 bytes (or 22 with a device number and lamp byte), with a decimal
// point or comma.
QByteArray casFrame(const ScaleState& state, bool withDevice = false, char decimal = '.');
// The scale's answer to one Toledo command (without its CR); empty for none.
QByteArray toledoReply(const ScaleState& state, std::string_view command);

}  // namespace tarvik::kaloscale
