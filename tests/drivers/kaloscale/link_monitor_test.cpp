// What the driver says about its line, without a line: each state change said once, nothing while
// all is well, and a noisy line not reported at every frame.

#include "link_monitor.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <functional>

using namespace tarvik::kaloscale;
using namespace std::chrono_literals;

namespace {

Frame good(std::int64_t grams) { return Frame::weightOf(Mass{grams * 1'000'000'000}, true); }
Frame bad(const char* raw)
{
    Frame f = Frame::fault("why not");
    f.raw = raw;
    return f;
}

TEST(LinkMonitor, SaysEachChangeOnceAndNothingWhileAllIsWell)
{
    QStringList said;
    LinkMonitor m(QStringLiteral("COM1 (/dev/x)"), OutputUnit::Kilograms, 500ms, [&](const QString& s) { said << s; });
    const Clock::time_point t0{};
    // Each step: what happens, and what is said then ("" for nothing).
    const std::vector<std::pair<std::function<void()>, QString>> steps = {
        {[&] { m.frame(good(1234), t0); }, {}},
        {[&] { m.frame(good(1234), t0 + 100ms); }, {}},
        {[&] { m.frame(bad("ST\x01"), t0 + 200ms); }, QStringLiteral("frames not understood: \"ST\\x01\": why not")},
        {[&] { m.frame(bad("again"), t0 + 300ms); }, {}},
        {[&] { m.frame(good(1000), t0 + 400ms); }, {}},  // too soon after the last bad one
        {[&] { m.frame(Frame::of(Frame::Kind::Overload), t0 + 900ms); }, QStringLiteral("back to normal: overload")},
        {[&] { m.silent(1500ms); }, QStringLiteral("no frame for 1.5 s")},
        {[&] { m.silent(1500ms); }, {}},
        {[&] { m.unavailable(QStringLiteral("the port was lost: gone")); }, QStringLiteral("the port was lost: gone")},
        {[&] { m.unavailable(QStringLiteral("the port cannot be opened: gone")); }, {}},
        {[&] { m.silent(1500ms); }, {}},  // nothing can come from a port that is not open
        {[&] { m.frame(good(2), t0 + 5s); }, QStringLiteral("back to normal: 0.002;S;")},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        said.clear();
        steps[i].first();
        const QStringList expected = steps[i].second.isEmpty()
                                         ? QStringList{}
                                         : QStringList{QStringLiteral("KaloScale: COM1 (/dev/x): ") + steps[i].second};
        EXPECT_EQ(said, expected) << "step " << i;
    }
}

TEST(LinkMonitor, AFirstProblemIsSaidEvenBeforeAnyGoodFrame)
{
    QStringList said;
    LinkMonitor m(QStringLiteral("COM2"), OutputUnit::Grams, 0ms, [&](const QString& s) { said << s; });
    m.silent(1000ms);
    m.frame(good(5), Clock::time_point{});
    EXPECT_EQ(said, (QStringList{QStringLiteral("KaloScale: COM2: no frame for 1 s"),
                                 QStringLiteral("KaloScale: COM2: back to normal: 5.0;S;")}));
}

}  // namespace
