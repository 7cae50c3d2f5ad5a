// libFuzzer target for what the driver reads from files: KaloScale.ini and the simulator's script.
// A KaloScale.ini it takes without a problem has every value within the bounds the driver works
// with; a script line it passes on as a weight reads back as exactly that weight.

#include "config.h"
#include "reading.h"
#include "simulator.h"

#include <QDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace tarvik::kaloscale;

namespace {

[[noreturn]] void fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "%s: %s\n", what, detail.toLocal8Bit().constData());
    std::abort();
}

void settings(const QByteArray& bytes)
{
    const DriverConfig c = parseConfig(bytes, QDir::tempPath(), QStringLiteral("COM1"));
    if (!c.problems.isEmpty())
        return;
    using namespace std::chrono;
    const bool bounded = c.line.baud >= 50 && c.line.baud <= 4'000'000 && c.line.dataBits >= 5 && c.line.dataBits <= 8
                         && c.pollInterval >= 10ms && c.pollInterval <= 60s && c.staleAfter >= 10ms
                         && c.staleAfter <= 600s && c.reopenInterval >= 50ms && c.reopenInterval <= 600s
                         && isKnownUnit(c.scaleUnit) && (c.decimal == '.' || (c.decimal == ',' && c.protocol == Protocol::Cas));
    if (!bounded)
        fail("settings taken beyond their bounds", QString::fromLatin1(bytes.toPercentEncoding()));
}

void scriptLine(const QByteArray& bytes, OutputUnit unit)
{
    const QString line = QString::fromLatin1(bytes);
    const Frame f = scriptLineFrame(line, unit);
    if (f.kind == Frame::Kind::Weight && readingText(f, unit) != line)
        fail("a script line passed on as another weight", line + QStringLiteral(" -> ") + readingText(f, unit));
    if (f.kind == Frame::Kind::Fault && f.why.empty())
        fail("a refused line without a reason", line);
    if (f.kind == Frame::Kind::NoWeight && line != ErrorReading)
        fail("a line taken for Error", line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    switch (data[0] % 3) {
    case 0: settings(bytes); break;
    case 1: scriptLine(bytes, OutputUnit::Kilograms); break;
    default: scriptLine(bytes, OutputUnit::Grams); break;
    }
    return 0;
}
