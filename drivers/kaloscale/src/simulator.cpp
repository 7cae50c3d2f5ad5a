#include "simulator.h"

#include "reading.h"

#include "platform/text/codec.h"

#include <QFile>
#include <QRandomGenerator>

namespace tarvik::kaloscale {

namespace {
constexpr qint64 EmptyMs = 3000;
constexpr qint64 SettleMs = 2500;
constexpr qint64 StableMs = 4000;
constexpr qint64 RemoveMs = 1500;
constexpr qint64 CycleMs = EmptyMs + SettleMs + StableMs + RemoveMs;
constexpr qint64 JitterStepMs = 200;  // a moving reading changes this often

Mass grams(qint64 g) { return Mass{g * 1'000'000'000}; }
}  // namespace

QString randomReading(qint64 elapsedMs, quint32 seed, OutputUnit unit)
{
    if (elapsedMs < 0)
        elapsedMs = 0;
    const qint64 cycle = elapsedMs / CycleMs;
    const qint64 at = elapsedMs % CycleMs;
    QRandomGenerator load(seed ^ static_cast<quint32>(cycle * 2654435761u));
    const qint64 weight = 150 + load.bounded(2250);  // 0.150 ... 2.399 kg
    QRandomGenerator jitter(seed ^ static_cast<quint32>((elapsedMs / JitterStepMs) * 40503u + 17));
    const qint64 wobble = jitter.bounded(-weight / 8, weight / 8 + 1);
    if (at < EmptyMs)
        return formatMass(grams(0), unit) + QStringLiteral(";S;");
    if (at < EmptyMs + SettleMs)
        return formatMass(grams(weight + wobble), unit) + QStringLiteral(";U;");
    if (at < EmptyMs + SettleMs + StableMs)
        return formatMass(grams(weight), unit) + QStringLiteral(";S;");
    return formatMass(grams(weight / 2 + wobble), unit) + QStringLiteral(";U;");
}

Simulator::Simulator(const QString& scriptPath, OutputUnit unit) : unit_(unit)
{
    if (scriptPath.isEmpty()) {
        seed_ = QRandomGenerator::global()->generate();
        clock_.start();
        return;
    }
    scripted_ = true;
    QFile file(scriptPath);
    if (!file.open(QIODevice::ReadOnly))
        return;  // every reading is "Error"
    const QString text = tarvik::text::fromCp1251(file.read(16 << 20));
    lines_ = text.split(u'\n');
    if (!lines_.isEmpty() && lines_.back().isEmpty())
        lines_.removeLast();  // the line end of the last line
    for (QString& line : lines_)
        if (line.endsWith(u'\r'))
            line.chop(1);
}

QString Simulator::reading()
{
    if (!scripted_)
        return randomReading(clock_.elapsed(), seed_, unit_);
    if (next_ >= lines_.size())
        return ErrorReading;
    return lines_[next_++];
}

}  // namespace tarvik::kaloscale
