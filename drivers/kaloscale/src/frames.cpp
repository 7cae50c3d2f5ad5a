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

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> splitBlanks(std::string_view s)
{
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && isBlank(s[i]))
            ++i;
        const std::size_t start = i;
        while (i < s.size() && !isBlank(s[i]))
            ++i;
        if (i > start)
            tokens.push_back(s.substr(start, i - start));
    }
    return tokens;
}

bool printable(std::string_view s)
{
    for (char c : s)
        if (!isBlank(c) && (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E))
            return false;
    return true;
}

Frame weightFrame(std::string_view number, std::string_view unit, bool stable)
{
    const auto mass = parseMass(number, unit);
    return mass ? Frame::weightOf(*mass, stable) : Frame::of(Frame::Kind::Fault);
}

// Lines ended by CR, LF or both; empty lines are nothing.
class LineParser : public FrameParser {
public:
    using LineFn = Frame (*)(std::string_view);
    LineParser(LineFn parse, QByteArray poll) : parse_(parse), poll_(std::move(poll)) {}

    void feed(std::string_view bytes, std::vector<Frame>& out) override
    {
        for (char c : bytes) {
            if (c == '\r' || c == '\n') {
                if (overlong_)
                    overlong_ = false;  // its fault was reported when it overflowed
                else if (!line_.empty())
                    out.push_back(printable(line_) ? parse_(line_) : Frame::of(Frame::Kind::Fault));
                line_.clear();
            } else if (!overlong_) {
                if (line_.size() == MaxLineLength) {
                    overlong_ = true;
                    line_.clear();
                    out.push_back(Frame::of(Frame::Kind::Fault));
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
    std::string line_;
    bool overlong_ = false;
};

constexpr char STX = '\x02';
constexpr char CR = '\r';

class ToledoParser : public FrameParser {
public:
    explicit ToledoParser(std::string unit) : unit_(std::move(unit)) {}

    void feed(std::string_view bytes, std::vector<Frame>& out) override
    {
        for (char c : bytes) {
            if (c == STX) {
                if (inFrame_)  // a frame cut short by the next one
                    out.push_back(Frame::of(Frame::Kind::Fault));
                inFrame_ = true;
                frame_.clear();
            } else if (!inFrame_) {
                // Between frames only line ends belong; anything else is noise on the line.
                if (c != CR && c != '\n' && !noiseReported_) {
                    out.push_back(Frame::of(Frame::Kind::Fault));
                    noiseReported_ = true;
                }
            } else if (c == CR) {
                out.push_back(parseToledoFrame(frame_, unit_));
                inFrame_ = false;
                noiseReported_ = false;
                frame_.clear();
            } else if (frame_.size() == MaxToledoFrame) {
                out.push_back(Frame::of(Frame::Kind::Fault));
                inFrame_ = false;
                noiseReported_ = true;  // the rest of it is part of the same fault
                frame_.clear();
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
    std::size_t pending() const override { return frame_.size(); }
    QByteArray pollCommand() const override { return QByteArrayLiteral("W\r"); }

private:
    std::string unit_;
    std::string frame_;
    bool inFrame_ = false;
    bool noiseReported_ = false;
};

}  // namespace

Frame parseSicsLine(std::string_view line)
{
    const auto tokens = splitBlanks(line);
    if (tokens.size() == 1 && (tokens[0] == "ES" || tokens[0] == "ET" || tokens[0] == "EL"))
        return Frame::of(Frame::Kind::Fault);
    if (tokens.size() < 2 || tokens[0] != "S")
        return Frame::of(Frame::Kind::Fault);
    if (tokens.size() == 2) {
        if (tokens[1] == "+")
            return Frame::of(Frame::Kind::Overload);
        if (tokens[1] == "-")
            return Frame::of(Frame::Kind::Underload);
        return Frame::of(Frame::Kind::Fault);  // "S I": busy, no weight now
    }
    if (tokens[1] != "S" && tokens[1] != "D")
        return Frame::of(Frame::Kind::Fault);
    const bool stable = tokens[1] == "S";
    // "S S  -  1.234 kg": a sign padded apart from its digits.
    if (tokens.size() == 5 && (tokens[2] == "-" || tokens[2] == "+")) {
        const std::size_t from = static_cast<std::size_t>(tokens[2].data() - line.data());
        const std::size_t to = static_cast<std::size_t>(tokens[3].data() - line.data()) + tokens[3].size();
        return weightFrame(line.substr(from, to - from), tokens[4], stable);
    }
    if (tokens.size() != 4)
        return Frame::of(Frame::Kind::Fault);
    return weightFrame(tokens[2], tokens[3], stable);
}

Frame parseCasLine(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ',') {
            fields.push_back(trim(line.substr(start, i - start)));
            start = i + 1;
        }
    }
    if (fields.size() < 3 || fields.size() > 5)
        return Frame::of(Frame::Kind::Fault);
    if (fields[1] != "GS" && fields[1] != "NT")
        return Frame::of(Frame::Kind::Fault);
    if (fields[0] == "OL")
        return Frame::of(Frame::Kind::Overload);
    if (fields[0] != "ST" && fields[0] != "US")
        return Frame::of(Frame::Kind::Fault);
    // The last field is the weight with its unit right after it: "+  1.234kg" or "1.234 kg".
    std::string_view weight = fields.back();
    std::size_t unitStart = weight.size();
    while (unitStart > 0 && std::isalpha(static_cast<unsigned char>(weight[unitStart - 1])))
        --unitStart;
    return weightFrame(weight.substr(0, unitStart), weight.substr(unitStart), fields[0] == "ST");
}

Frame parseToledoFrame(std::string_view content, std::string_view unit)
{
    if (!content.empty() && content.front() == '?') {
        if (content.size() != 2)
            return Frame::of(Frame::Kind::Fault);
        const auto status = static_cast<unsigned char>(content[1]);
        if ((status & 0x20) == 0)
            return Frame::of(Frame::Kind::Fault);
        if (status & 0x02)
            return Frame::of(Frame::Kind::Overload);
        if (status & 0x04)
            return Frame::of(Frame::Kind::Underload);
        // Moving, or outside the zero range: the scale gives no weight, so there is none to show.
        return Frame::of(Frame::Kind::Fault);
    }
    if (!printable(content))
        return Frame::of(Frame::Kind::Fault);
    return weightFrame(content, unit, true);
}

std::unique_ptr<FrameParser> makeParser(Protocol protocol, std::string unit)
{
    switch (protocol) {
    case Protocol::Sics: return std::make_unique<LineParser>(&parseSicsLine, QByteArrayLiteral("SI\r\n"));
    case Protocol::Cas: return std::make_unique<LineParser>(&parseCasLine, QByteArray());
    case Protocol::Toledo8217: return std::make_unique<ToledoParser>(std::move(unit));
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

QByteArray casFrame(const ScaleState& state)
{
    const QByteArray head = state.overload ? "OL" : state.stable ? "ST" : "US";
    QByteArray weight = formatMass(state.weight, OutputUnit::Kilograms).toLatin1();
    const char sign = weight.startsWith('-') ? '-' : '+';
    if (sign == '-')
        weight.remove(0, 1);
    return head + ",GS," + sign + weight.rightJustified(7, ' ') + "kg\r\n";
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
    return '\x02' + formatMass(state.weight, OutputUnit::Kilograms).toLatin1().rightJustified(6, '0') + '\r';
}

}  // namespace tarvik::kaloscale
