#include "simulator.h"

#include "reading.h"

#include "platform/text/codec.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace tarvik::kaloscale {

namespace {
constexpr qint64 EmptyMs = 3000;
constexpr qint64 SettleMs = 2500;
constexpr qint64 StableMs = 4000;
constexpr qint64 RemoveMs = 1500;
constexpr qint64 CycleMs = EmptyMs + SettleMs + StableMs + RemoveMs;
constexpr qint64 JitterStepMs = 200;  // a moving reading changes this often

Mass grams(qint64 g) { return Mass{g * 1'000'000'000}; }

// A reading in the output form back as the frame it stands for.
Frame frameOf(const QString& reading, OutputUnit unit)
{
    const QString weight = reading.section(u';', 0, 0);
    const auto mass = parseMass(weight.toStdString(), unit == OutputUnit::Kilograms ? "kg" : "g");
    Frame f = Frame::weightOf(mass.value_or(Mass{}), reading.section(u';', 1, 1) == u"S");
    f.raw = reading.toStdString();
    return f;
}
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

Frame scriptLineFrame(const QString& line, OutputUnit unit)
{
    // As the driver writes them: no leading zero, no "-0.000"; below a thousand tonnes, as any
    // frame (more is no scale's).
    static const QRegularExpression kg(QStringLiteral("^(-(?!0\\.000;)|)(0|[1-9]\\d{0,5})\\.\\d{3};[SU];$"));
    static const QRegularExpression g(QStringLiteral("^(-(?!0\\.0;)|)(0|[1-9]\\d{0,8})\\.\\d;[SU];$"));
    Frame f;
    if (line == ErrorReading)
        f = Frame::of(Frame::Kind::NoWeight);
    else if ((unit == OutputUnit::Kilograms ? kg : g).match(line).hasMatch())
        f = frameOf(line, unit);
    else
        f = Frame::fault(unit == OutputUnit::Kilograms ? "not a reading in kilograms with three places, such as 1.234;S;"
                                                       : "not a reading in grams with one place, such as 1234.5;S;");
    f.raw = line.toStdString();
    return f;
}

Simulator::Simulator(const QString& scriptPath, OutputUnit unit, bool raw) : unit_(unit), raw_(raw)
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
    if (!scripted_) {
        const QString text = randomReading(clock_.elapsed(), seed_, unit_);
        last_ = frameOf(text, unit_);
        return text;
    }
    if (next_ >= lines_.size()) {
        last_ = Frame::of(Frame::Kind::NoWeight);
        return ErrorReading;
    }
    const QString line = lines_[next_++];
    last_ = scriptLineFrame(line, unit_);
    if (raw_ && !last_.understood()) {
        last_ = Frame::of(Frame::Kind::NoWeight);  // whatever it is, it was asked for
        last_.raw = line.toStdString();
    }
    return last_.understood() || raw_ ? line : ErrorReading;
}

}  // namespace tarvik::kaloscale
