#include "link_monitor.h"

#include <cstdio>

namespace tarvik::kaloscale {

void sayOnStandardError(const QString& text)
{
    const QByteArray line = text.toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
}

QString describeFrame(const Frame& frame, OutputUnit unit)
{
    switch (frame.kind) {
    case Frame::Kind::Weight: return readingText(frame, unit);
    case Frame::Kind::Overload: return QStringLiteral("overload");
    case Frame::Kind::Underload: return QStringLiteral("underload");
    case Frame::Kind::NoWeight: return QStringLiteral("no weight (busy or moving)");
    case Frame::Kind::Fault: break;
    }
    return QString::fromStdString(frame.why.empty() ? std::string("not understood") : frame.why);
}

void LinkMonitor::enter(State state, const QString& text)
{
    if (state_ == state)
        return;
    const bool wasStarting = state_ == State::Starting;
    state_ = state;
    if (state == State::Normal && wasStarting)
        return;  // nothing went wrong yet: nothing to say
    say_(QStringLiteral("KaloScale: %1: %2").arg(line_, text));
}

void LinkMonitor::unavailable(const QString& why) { enter(State::Unavailable, why); }

void LinkMonitor::silent(std::chrono::milliseconds silence)
{
    if (state_ == State::Unavailable)
        return;  // said already: nothing can arrive on a port that is not open
    enter(State::Silent, QStringLiteral("no frame for %1 s").arg(QString::number(silence.count() / 1000.0)));
}

void LinkMonitor::frame(const Frame& frame, Clock::time_point now)
{
    if (!frame.understood()) {
        lastFault_ = now;
        enter(State::NotUnderstood, QStringLiteral("frames not understood: \"%1\": %2")
                                        .arg(QString::fromStdString(printableBytes(frame.raw)), describeFrame(frame, unit_)));
        return;
    }
    if (state_ == State::NotUnderstood && now - lastFault_ < settle_)
        return;
    enter(State::Normal, QStringLiteral("back to normal: %1").arg(describeFrame(frame, unit_)));
}

}  // namespace tarvik::kaloscale
