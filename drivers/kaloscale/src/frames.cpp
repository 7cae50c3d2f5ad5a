#include "frames.h"

#include <cctype>

namespace tarvik::kaloscale {

std::optional<Protocol> protocolFromName(QStringView name)
{
    const QString n = name.trimmed().toString().toLower();
    if (n == u"sics")
        return Protocol::Sics;
    if (n == u"cas")
        return Protocol::Cas;
    if (n == u"toledo8217")
        return Protocol::Toledo8217;
    if (n == u"simulator")
        return Protocol::Simulator;
    return std::nullopt;
}

QString protocolName(Protocol protocol)
{
    switch (protocol) {
    case Protocol::Sics: return QStringLiteral("SICS");
    case Protocol::Cas: return QStringLiteral("CAS");
    case Protocol::Toledo8217: return QStringLiteral("Toledo8217");
    case Protocol::Simulator: return QStringLiteral("Simulator");
    }
    return {};
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isPrintable(char c) { return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) <= 0x7E; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool printable(std::string_view s)
{
    for (char c : s)
        if (!isBlank(c) && !isPrintable(c))
            return false;
    return true;
}

std::string quoted(std::string_view s) { return '"' + printableBytes(s) + '"'; }

// The weight of a frame in `unit`, which must be the scale's configured one.
Frame weightFrame(std::string_view field, std::string_view unit, const FrameFormat& format, bool stable)
{
    if (!sameUnit(unit, format.unit)) {
        if (isKnownUnit(unit))
            return Frame::fault("unit " + quoted(unit) + ", but the scale is set to " + format.unit);
        return Frame::fault("unit " + quoted(unit) + " is no mass unit");
    }
    std::string why;
    const auto mass = readWeightField(field, format.unit, format, why);
    return mass ? Frame::weightOf(*mass, stable) : Frame::fault(std::move(why));
}

// Lines ended by CR, LF or both; empty lines are nothing.
class LineParser : public FrameParser {
public:
    using LineFn = Frame (*)(std::string_view, const FrameFormat&);
    LineParser(LineFn parse, QByteArray poll, FrameFormat format)
        : parse_(parse), poll_(std::move(poll)), format_(std::move(format)) {}

    void feed(std::string_view bytes, std::vector<Frame>& out) override
    {
        for (char c : bytes) {
            if (c == '\r' || c == '\n') {
                if (overlong_)
                    overlong_ = false;  // its fault was reported when it overflowed
                else if (!line_.empty()) {
                    out.push_back(parse_(line_, format_));
                    out.back().raw = line_;
                }
                line_.clear();
            } else if (!overlong_) {
                if (line_.size() == MaxLineLength) {
                    out.push_back(Frame::fault("no line end within " + std::to_string(MaxLineLength) + " bytes"));
                    out.back().raw = line_;
                    overlong_ = true;
                    line_.clear();
                } else {
                    line_.push_back(c);
                }
            }
        }
    }
    void reset() override
    {
        line_.clear();
        overlong_ = false;
    }
    std::size_t pending() const override { return line_.size(); }
    QByteArray pollCommand() const override { return poll_; }

private:
    LineFn parse_;
    QByteArray poll_;
    FrameFormat format_;
    std::string line_;
    bool overlong_ = false;
};

constexpr char STX = '\x02';
constexpr char CR = '\r';

class ToledoParser : public FrameParser {
public:
    explicit ToledoParser(FrameFormat format) : format_(std::move(format)) {}

    void feed(std::string_view bytes, std::vector<Frame>& out) override
    {
        for (char c : bytes) {
            if (c == STX) {
                if (inFrame_)  // a frame cut short by the next one
                    push(out, Frame::fault("cut short by the next frame"));
                inFrame_ = true;
                frame_.clear();
            } else if (!inFrame_) {
                // Between frames only line ends belong; anything else is noise on the line.
                if (c != CR && c != '\n' && !noiseReported_) {
                    frame_.assign(1, c);
                    push(out, Frame::fault("bytes outside a frame"));
                    noiseReported_ = true;
                }
            } else if (c == CR) {
                push(out, parseToledoFrame(frame_, format_));
                inFrame_ = false;
                noiseReported_ = false;
            } else if (frame_.size() == MaxToledoFrame) {
                push(out, Frame::fault("no CR within " + std::to_string(MaxToledoFrame) + " bytes"));
                inFrame_ = false;
                noiseReported_ = true;  // the rest of it is part of the same fault
            } else {
                frame_.push_back(c);
            }
        }
    }
    void reset() override
    {
        frame_.clear();
        inFrame_ = false;
        noiseReported_ = false;
    }
    std::size_t pending() const override { return inFrame_ ? frame_.size() : 0; }
    QByteArray pollCommand() const override { return QByteArrayLiteral("W\r"); }

private:
    void push(std::vector<Frame>& out, Frame f)
    {
        f.raw = frame_;
        out.push_back(std::move(f));
        frame_.clear();
    }

    FrameFormat format_;
    std::string frame_;
    bool inFrame_ = false;
    bool noiseReported_ = false;
};

}  // namespace

std::string printableBytes(std::string_view bytes)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else if (isPrintable(c))
            out += c;
        else {
            const auto b = static_cast<unsigned char>(c);
            out += "\\x";
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

std::optional<Mass> readWeightField(std::string_view field, std::string_view unit, const FrameFormat& format,
                                    std::string& why)
{
    const char other = format.decimal == ',' ? '.' : ',';
    // Scales pad their fields with spaces only.
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '-' || field[i] == '+')) {
        negative = field[i] == '-';
        ++i;
        while (i < field.size() && field[i] == ' ')  // scales pad between sign and digits ("-  1.234")
            ++i;
    }
    std::string canonical = negative ? "-" : "";
    bool mark = false;
    for (std::size_t j = i; j < field.size(); ++j) {
        const char c = field[j];
        if (isDigit(c)) {
            canonical += c;
        } else if (c == format.decimal && !mark && j > i && j + 1 < field.size() && isDigit(field[j + 1])) {
            mark = true;
            canonical += '.';
        } else if (c == other) {
            why = format.decimal == '.' ? "a comma in the weight, but the scale is set to a decimal point"
                                        : "a point in the weight, but the scale is set to a decimal comma";
            return std::nullopt;
        } else {
            why = "the weight " + quoted(field) + " is no number";
            return std::nullopt;
        }
    }
    if (i == field.size()) {
        why = "no digits in the weight " + quoted(field);
        return std::nullopt;
    }
    const auto mass = parseMass(canonical, unit);
    if (!mass) {
        why = "the weight " + quoted(field) + " is beyond any scale's range";
        return std::nullopt;
    }
    if (isMetricUnit(unit) && mass->nanograms % outputStep(format.output) != 0) {
        why = "the weight " + quoted(trim(field)) + std::string(unit) + " is finer than the "
              + (format.output == OutputUnit::Kilograms ? "gram" : "tenth of a gram") + " the station is given";
        return std::nullopt;
    }
    return mass;
}

Frame parseSicsLine(std::string_view line, const FrameFormat& format)
{
    if (!printable(line))
        return Frame::fault("bytes no SICS reply holds");
    const std::string_view t = trim(line);
    if (t == "S +")
        return Frame::of(Frame::Kind::Overload);
    if (t == "S -")
        return Frame::of(Frame::Kind::Underload);
    if (t == "S I")
        return Frame::of(Frame::Kind::NoWeight);  // busy: no weight now
    if (t == "ES")
        return Frame::fault("the scale did not understand the command (ES)");
    if (t == "ET")
        return Frame::fault("the scale reports a transmission error (ET)");
    if (t == "EL")
        return Frame::fault("the scale reports a logical error (EL)");
    // "S S " + ten characters of weight + " " + the unit.
    constexpr std::size_t head = 4;
    if (line.size() < head || (line.substr(0, head) != "S S " && line.substr(0, head) != "S D "))
        return Frame::fault("not a SICS weight reply");
    if (line.size() < head + SicsWeightWidth + 2 || line[head + SicsWeightWidth] != ' ')
        return Frame::fault("the weight does not fill its " + std::to_string(SicsWeightWidth) + " characters: a cut or overlong reply");
    const std::string_view unit = line.substr(head + SicsWeightWidth + 1);
    if (unit.find(' ') != std::string_view::npos || unit.size() > 5)
        return Frame::fault("the weight does not fill its " + std::to_string(SicsWeightWidth) + " characters: a cut or overlong reply");
    return weightFrame(line.substr(head, SicsWeightWidth), unit, format, line[2] == 'S');
}

Frame parseCasLine(std::string_view line, const FrameFormat& format)
{
    // 18 bytes: "ST,GS," weight(8) unit(2); 22 bytes: "ST,GS," id lamp "," weight(8) " " unit(2).
    constexpr std::size_t shortSize = 16;
    constexpr std::size_t longSize = 20;
    if (line.size() != shortSize && line.size() != longSize)
        return Frame::fault("a CAS frame has 18 or 22 bytes; this one " + std::to_string(line.size() + 2)
                            + ": cut, overlong or run together");
    const bool withDevice = line.size() == longSize;
    for (std::size_t i = 0; i < line.size(); ++i)
        if (!isPrintable(line[i]) && !(withDevice && (i == 6 || i == 7)))  // id and lamp may be any byte
            return Frame::fault("bytes no CAS frame holds");
    const std::string_view head = line.substr(0, 2);
    const std::string_view kind = line.substr(3, 2);
    if (line[2] != ',' || line[5] != ',' || (withDevice && (line[8] != ',' || line[17] != ' ')))
        return Frame::fault("the fields are not where a CAS frame has them");
    if (kind != "GS" && kind != "NT")
        return Frame::fault("neither gross (GS) nor net (NT)");
    if (head == "OL")
        return Frame::of(Frame::Kind::Overload);
    if (head != "ST" && head != "US")
        return Frame::fault("neither stable (ST), moving (US) nor overload (OL)");
    const std::size_t at = withDevice ? 9 : 6;
    const std::string_view weight = line.substr(at, CasWeightWidth);
    const std::string_view unit = trim(line.substr(line.size() - 2));
    return weightFrame(weight, unit, format, head == "ST");
}

Frame parseToledoFrame(std::string_view content, const FrameFormat& format)
{
    if (!content.empty() && content.front() == '?') {
        if (content.size() != 2)
            return Frame::fault("a status frame has one status byte");
        const auto status = static_cast<unsigned char>(content[1]);
        if ((status & 0x20) == 0)
            return Frame::fault("a status byte without bit 5");
        if (status & 0x02)
            return Frame::of(Frame::Kind::Overload);
        if (status & 0x04)
            return Frame::of(Frame::Kind::Underload);
        // Moving, or outside the zero range: the scale gives no weight, so there is none to show.
        return Frame::of(Frame::Kind::NoWeight);
    }
    if (content.size() != ToledoWeightWidth)
        return Frame::fault("a weight frame has " + std::to_string(ToledoWeightWidth) + " characters; this one "
                            + std::to_string(content.size()) + ": cut or overlong");
    for (char c : content)
        if (!isDigit(c) && c != '.')
            return Frame::fault("the weight " + quoted(content) + " is no number");
    return weightFrame(content, format.unit, format, true);
}

std::unique_ptr<FrameParser> makeParser(Protocol protocol, FrameFormat format)
{
    switch (protocol) {
    case Protocol::Sics:
        return std::make_unique<LineParser>(&parseSicsLine, QByteArrayLiteral("SI\r\n"), std::move(format));
    case Protocol::Cas: return std::make_unique<LineParser>(&parseCasLine, QByteArray(), std::move(format));
    case Protocol::Toledo8217: return std::make_unique<ToledoParser>(std::move(format));
    case Protocol::Simulator: break;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// The scale's side

QByteArray sicsReply(const ScaleState& state, std::string_view command)
{
    const auto cmd = trim(command);
    if (cmd == "@")
        return QByteArrayLiteral("I4 A \"0123456789\"\r\n");
    if (cmd != "SI" && cmd != "S")
        return cmd.empty() ? QByteArray() : QByteArrayLiteral("ES\r\n");
    if (state.overload)
        return QByteArrayLiteral("S +\r\n");
    const QByteArray weight = formatMass(state.weight, OutputUnit::Kilograms).toLatin1().rightJustified(10, ' ');
    return (state.stable ? QByteArrayLiteral("S S ") : QByteArrayLiteral("S D ")) + weight + " kg\r\n";
}

QByteArray casFrame(const ScaleState& state, bool withDevice, char decimal)
{
    const QByteArray head = state.overload ? "OL" : state.stable ? "ST" : "US";
    QByteArray weight = formatMass(state.weight, OutputUnit::Kilograms).toLatin1();
    const char sign = weight.startsWith('-') ? '-' : '+';
    if (sign == '-')
        weight.remove(0, 1);
    weight.replace('.', decimal);
    const QByteArray field = sign + weight.rightJustified(CasWeightWidth - 1, ' ');
    return head + ",GS," + (withDevice ? QByteArray("1\xC0,") : QByteArray()) + field + (withDevice ? " kg\r\n" : "kg\r\n");
}

QByteArray toledoReply(const ScaleState& state, std::string_view command)
{
    if (trim(command) != "W")
        return {};
    char status = 0x20;
    if (state.overload)
        status |= 0x02;
    else if (state.weight.nanograms < 0)
        status |= 0x04;
    else if (!state.stable)
        status |= 0x01;
    if (status != 0x20)
        return QByteArray("\x02?", 2) + status + '\r';
    // Six characters: a heavy load loses its last places, as on a scale with a coarser step.
    QByteArray weight = formatMass(state.weight, OutputUnit::Kilograms).toLatin1();
    while (weight.size() > static_cast<qsizetype>(ToledoWeightWidth))
        weight.chop(1);
    return '\x02' + weight.rightJustified(ToledoWeightWidth, '0') + '\r';
}

}  // namespace tarvik::kaloscale
