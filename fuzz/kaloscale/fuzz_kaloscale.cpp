// libFuzzer target for the scale protocols: arbitrary bytes in arbitrary chunks through each
// parser. The driver must never hold more than one frame's bytes, and every reading it would give
// the station is a well-formed weight or "Error".

#include "frames.h"
#include "mass.h"
#include "reading.h"

#include <QRegularExpression>

#include <cstdint>
#include <cstdlib>

using namespace tarvik::kaloscale;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    static const Protocol protocols[] = {Protocol::Sics, Protocol::Cas, Protocol::Toledo8217};
    const Protocol protocol = protocols[data[0] % 3];
    const OutputUnit unit = data[1] & 1 ? OutputUnit::Grams : OutputUnit::Kilograms;
    static const QRegularExpression kg(QStringLiteral("^-?\\d+\\.\\d{3};[SU];$"));
    static const QRegularExpression g(QStringLiteral("^-?\\d+\\.\\d;[SU];$"));
    const QRegularExpression& form = unit == OutputUnit::Grams ? g : kg;
    const std::size_t limit = protocol == Protocol::Toledo8217 ? MaxToledoFrame : MaxLineLength;

    auto parser = makeParser(protocol, data[1] & 2 ? "lb" : "kg");
    std::vector<Frame> frames;
    const std::size_t chunk = 1 + (data[1] >> 2);
    const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    for (std::size_t i = 0; i < bytes.size(); i += chunk) {
        frames.clear();
        parser->feed(bytes.substr(i, chunk), frames);
        if (parser->pending() > limit)
            std::abort();
        for (const Frame& f : frames) {
            const QString text = readingText(f, unit);
            if (text != ErrorReading && !form.match(text).hasMatch())
                std::abort();
        }
    }
    // The number reader alone, on the whole input.
    if (const auto m = parseMass(bytes, "kg"); m && m->nanograms % 1'000'000'000 != 0 && bytes.find('.') == std::string_view::npos)
        std::abort();  // a whole number of kilograms is whole grams
    return 0;
}
