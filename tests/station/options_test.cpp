#include "station/options.h"

#include <gtest/gtest.h>

using namespace tarvik::station;

namespace {

QStringList args(std::initializer_list<const char*> a)
{
    QStringList out;
    for (auto* s : a)
        out << QString::fromUtf8(s);
    return out;
}

TEST(Options, Good)
{
    auto o = std::get<Options>(parseOptions(args({"--station-dir", "/srv/line/BIN", "--headless", "--quit-after", "3"})));
    EXPECT_EQ(o.stationDir, QStringLiteral("/srv/line/BIN"));
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.quitAfter, 3);
    o = std::get<Options>(parseOptions(args({"--quit-after=2", "--station-dir=x"})));
    EXPECT_EQ(o.quitAfter, 2);
    EXPECT_EQ(o.stationDir, QStringLiteral("x"));
    o = std::get<Options>(parseOptions({}));
    EXPECT_FALSE(o.headless);
    EXPECT_FALSE(o.stationDir);
    EXPECT_FALSE(o.quitAfter);
}

TEST(Options, Bad)
{
    for (auto a : {args({"--bogus"}), args({"--quit-after"}), args({"--quit-after", "0"}),
                   args({"--quit-after", "x"}), args({"--station-dir"}), args({"--station-dir="}), args({"file"})}) {
        EXPECT_TRUE(std::holds_alternative<UsageError>(parseOptions(a))) << a.join(u' ').toStdString();
    }
}

}  // namespace
