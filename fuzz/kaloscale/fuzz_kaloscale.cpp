// libFuzzer target for the scale protocols: arbitrary bytes in arbitrary chunks through each
// parser, with each scale unit, decimal mark and output unit. The driver must never hold more than
// one frame's bytes, and every weight it accepts must be exactly the number in the frame: this
// target reads the number again from the frame's bytes on its own (as decimal digits, shifted by
// text alone) and compares it with the reading the station would get.

#include "frames.h"
#include "mass.h"
#include "reading.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace tarvik::kaloscale;

namespace {

[[noreturn]] void fail(const char* what, const Frame& f, const std::string& text)
{
    std::fprintf(stderr, "%s: frame \"%s\" gave \"%s\"\n", what, printableBytes(f.raw).c_str(), text.c_str());
    std::abort();
}

// The weight field and the unit of an accepted frame, found by position alone.
struct Field {
    std::string_view number;
    std::string_view unit;
    bool stable;
};

Field fieldOf(Protocol protocol, const Frame& f, const FrameFormat& format)
{
    const std::string_view raw = f.raw;
    switch (protocol) {
    case Protocol::Sics: return {raw.substr(4, 10), raw.substr(15), raw[2] == 'S'};
    case Protocol::Cas:
        if (raw.size() == 16)
            return {raw.substr(6, 8), raw.substr(14, 2), raw[0] == 'S'};
        return {raw.substr(9, 8), raw.substr(18, 2), raw[0] == 'S'};
    default: return {raw, format.unit, true};
    }
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// The reading text for `field` in `format`, by moving the decimal point in the text; empty when
// the number is finer than the output's last place.
std::string expectedReading(const Field& field, const FrameFormat& format)
{
    // Blanks, a sign, blanks, digits, at most one mark between digits; anything else is no number.
    std::string_view n = field.number;
    while (!n.empty() && n.front() == ' ')
        n.remove_prefix(1);
    const bool negative = !n.empty() && n.front() == '-';
    if (!n.empty() && (n.front() == '-' || n.front() == '+'))
        n.remove_prefix(1);
    while (!n.empty() && n.front() == ' ')
        n.remove_prefix(1);
    std::string digits;
    int decimals = -1;
    for (std::size_t i = 0; i < n.size(); ++i) {
        const char c = n[i];
        if (c >= '0' && c <= '9') {
            digits += c;
            if (decimals >= 0)
                ++decimals;
        } else if (c == format.decimal && decimals < 0 && i > 0 && i + 1 < n.size()) {
            decimals = 0;
        } else {
            return "no number";
        }
    }
    if (digits.empty())
        return "no number";
    if (decimals < 0)
        decimals = 0;
    const bool kilos = format.unit == "kg";
    const int places = format.output == OutputUnit::Kilograms ? 3 : 1;
    // Output kilograms from grams: three places to the left; output grams from kilograms: three right.
    const int shift = (format.output == OutputUnit::Kilograms) == kilos ? 0 : kilos ? 3 : -3;
    int zeros = shift - decimals + places;  // digits × 10^zeros is the count of output steps
    for (; zeros > 0; --zeros)
        digits += '0';
    for (; zeros < 0; ++zeros) {
        if (digits.back() != '0')
            return {};
        digits.pop_back();
    }
    while (digits.size() > 1 && digits.front() == '0')
        digits.erase(0, 1);
    const bool zero = digits == "0";
    while (digits.size() < static_cast<std::size_t>(places) + 1)
        digits.insert(0, 1, '0');
    digits.insert(digits.size() - places, 1, '.');
    return (negative && !zero ? "-" : "") + digits + (field.stable ? ";S;" : ";U;");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    static const Protocol protocols[] = {Protocol::Sics, Protocol::Cas, Protocol::Toledo8217};
    const Protocol protocol = protocols[data[0] % 3];
    FrameFormat format;
    format.output = data[1] & 1 ? OutputUnit::Grams : OutputUnit::Kilograms;
    format.unit = data[1] & 2 ? "g" : "kg";
    format.decimal = protocol == Protocol::Cas && (data[0] & 0x80) ? ',' : '.';
    const std::size_t limit = protocol == Protocol::Toledo8217 ? MaxToledoFrame : MaxLineLength;

    auto parser = makeParser(protocol, format);
    std::vector<Frame> frames;
    const std::size_t chunk = 1 + (data[1] >> 2);
    const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    for (std::size_t i = 0; i < bytes.size(); i += chunk) {
        frames.clear();
        parser->feed(bytes.substr(i, chunk), frames);
        if (parser->pending() > limit)
            std::abort();
        for (const Frame& f : frames) {
            const std::string text = readingText(f, format.output).toStdString();
            if (f.kind != Frame::Kind::Weight) {
                if (text != "Error")
                    fail("no weight, yet a reading", f, text);
                if (!f.understood() && f.why.empty())
                    fail("a fault without a reason", f, text);
                continue;
            }
            const Field field = fieldOf(protocol, f, format);
            if (!sameUnit(trimmed(field.unit), format.unit))
                fail("a weight in another unit", f, text);
            const std::string expected = expectedReading(field, format);
            if (expected.empty())
                fail("a weight finer than the output", f, text);
            if (expected == "no number")
                fail("a weight field that is no number", f, text);
            if (text != expected)
                fail(("not the frame's number, expected " + expected).c_str(), f, text);
        }
    }
    return 0;
}
