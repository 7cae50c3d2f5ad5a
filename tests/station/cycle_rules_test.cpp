// The weighing cycle's decisions and arithmetic on plain values.

#include "station/cycle_rules.h"

#include "platform/text/error.h"

#include <gtest/gtest.h>

using namespace tarvik::station;

namespace {

Currency c(const char* text)
{
    return Currency::fromText(QString::fromUtf8(text));
}

struct DecisionCase {
    const char* weight;
    bool stable;
    bool printed;
    Decision expected;
};

class WeighingDecisionTable : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(WeighingDecisionTable, AgainstAThresholdOfTen)
{
    const DecisionCase& p = GetParam();
    EXPECT_EQ(weighingDecision(c(p.weight), p.stable, 10, p.printed), p.expected)
        << p.weight << (p.stable ? " stable" : " unstable") << (p.printed ? " printed" : " armed");
}

INSTANTIATE_TEST_SUITE_P(
    Table, WeighingDecisionTable,
    ::testing::Values(DecisionCase{"11", true, false, Decision::LabelRun},
                      DecisionCase{"10,0001", true, false, Decision::LabelRun},  // strictly above
                      DecisionCase{"10", true, false, Decision::Nothing},        // at the threshold: neither
                      DecisionCase{"10", true, true, Decision::Nothing},         // ... nor re-arms
                      DecisionCase{"11", true, true, Decision::Nothing},         // printed once
                      DecisionCase{"11", false, false, Decision::Nothing},       // unstable never prints
                      DecisionCase{"11", false, true, Decision::Nothing},        // ... nor re-arms above
                      DecisionCase{"9", true, true, Decision::Rearm},
                      DecisionCase{"9,9999", false, true, Decision::Rearm},      // unstable below re-arms
                      DecisionCase{"-5", false, false, Decision::Rearm},
                      DecisionCase{"0", true, false, Decision::Rearm}));

TEST(ZeroThreshold, BlanksAroundAWholeNumberAreIgnoredAnythingElseIsRefused)
{
    EXPECT_EQ(zeroThreshold(QStringLiteral("10   ")), 10);
    EXPECT_EQ(zeroThreshold(QStringLiteral("  0")), 0);
    for (const char* bad : {"", "     ", "1 0", "1,5", "x"})
        EXPECT_THROW(zeroThreshold(QString::fromUtf8(bad)), tarvik::ConvertError) << bad;
}

struct CostCase {
    const char* weight;
    const char* tare;
    const char* price;  // as the product stores it
    const char* cost;
};

class CostTable : public ::testing::TestWithParam<CostCase> {};

TEST_P(CostTable, TwoDecimalsCutTowardZero)
{
    const CostCase& p = GetParam();
    EXPECT_EQ(costText(c(p.weight), c(p.tare), priceValue(QString::fromUtf8(p.price))), QString::fromUtf8(p.cost));
}

INSTANTIATE_TEST_SUITE_P(Table, CostTable,
                         ::testing::Values(CostCase{"1234", "1", "12.50", "15,41"},  // 15,4125
                                           CostCase{"1001", "1", "10", "10"},        // no comma, nothing cut
                                           CostCase{"1500", "0", "12.5", "18,75"},
                                           CostCase{"1999", "0", "0.99", "1,97"},    // 1,97901 cut, not rounded
                                           CostCase{"1", "0", "0.01", "0"},         // 0,00001 cut at the 4th place
                                           CostCase{"11", "1", "1,5", "0,01"},      // a comma price as well
                                           CostCase{"500", "1000", "10", "-5"},     // tare above the load
                                           CostCase{"333", "0", "1", "0,33"}));     // 0,333 / 1000 steps cut

TEST(PriceValue, APriceThatIsNoNumberIsRefused)
{
    EXPECT_THROW(priceValue(QStringLiteral("abc")), tarvik::ConvertError);
    EXPECT_THROW(priceValue(QString()), tarvik::ConvertError);
    EXPECT_EQ(priceValue(QStringLiteral("12.50")), c("12,5"));
}

struct BoxCase {
    const char* mass;
    const char* tare1;
    std::int64_t perBox;
    const char* tare2;
    const char* net;
};

class NetBoxWeightTable : public ::testing::TestWithParam<BoxCase> {};

TEST_P(NetBoxWeightTable, MassLessTheTares)
{
    const BoxCase& p = GetParam();
    EXPECT_EQ(netBoxWeightText(c(p.mass), c(p.tare1), p.perBox, c(p.tare2)), QString::fromUtf8(p.net));
}

INSTANTIATE_TEST_SUITE_P(Table, NetBoxWeightTable,
                         ::testing::Values(BoxCase{"30000", "1", 30, "500", "29470"},
                                           BoxCase{"1000", "0", 1, "0", "1000"},
                                           // The comma goes, the digits after it stay.
                                           BoxCase{"1000,5", "0", 1, "0", "10005"},
                                           BoxCase{"100", "50", 3, "0", "-50"}));

TEST(ClosesBox, TheNthLoadClosesAndACountPastItNeverDoes)
{
    EXPECT_TRUE(closesBox(29, 30));
    EXPECT_FALSE(closesBox(28, 30));
    EXPECT_TRUE(closesBox(0, 1));   // a box of one: every load
    EXPECT_FALSE(closesBox(10, 5));  // the box size lowered below the count
    EXPECT_FALSE(closesBox(0, 0));
}

// --- weight limits ---------------------------------------------------------

struct LimitCase {
    const char* net;  // grams
    const char* min;  // the fields as typed, six places
    const char* max;
    LimitCheck expected;
    const char* text;
};

class WeightLimitTable : public ::testing::TestWithParam<LimitCase> {};

TEST_P(WeightLimitTable, UnderAtAndOverEachLimit)
{
    const LimitCase& p = GetParam();
    const WeightLimits limits = weightLimits(tarvik::MaskedDigits::of(QString::fromLatin1(p.min), 6),
                                             tarvik::MaskedDigits::of(QString::fromLatin1(p.max), 6));
    const LimitCheck check = checkWeightLimits(c(p.net), limits);
    EXPECT_EQ(check, p.expected) << p.net << " in [" << p.min << ", " << p.max << "]";
    EXPECT_EQ(limitAlarmText(check, c(p.net), limits), QString::fromUtf8(p.text));
}

INSTANTIATE_TEST_SUITE_P(
    Table, WeightLimitTable,
    ::testing::Values(
        LimitCase{"499", "500", "1000", LimitCheck::Under, "Нижче мінімуму: нетто 499 г (мін. 500 г)"},
        LimitCase{"499,9", "500", "1000", LimitCheck::Under, "Нижче мінімуму: нетто 499,9 г (мін. 500 г)"},
        LimitCase{"500", "500", "1000", LimitCheck::Within, ""},
        LimitCase{"750", "500", "1000", LimitCheck::Within, ""},
        LimitCase{"1000", "500", "1000", LimitCheck::Within, ""},
        LimitCase{"1000,1", "500", "1000", LimitCheck::Over, "Вище максимуму: нетто 1000,1 г (макс. 1000 г)"},
        LimitCase{"-3", "500", "1000", LimitCheck::Under, "Нижче мінімуму: нетто -3 г (мін. 500 г)"},
        // A blank field is no limit.
        LimitCase{"1", "", "1000", LimitCheck::Within, ""},
        LimitCase{"999999", "500", "", LimitCheck::Within, ""},
        LimitCase{"1000001", "", "", LimitCheck::Within, ""},
        LimitCase{"20", "  20  ", "", LimitCheck::Within, ""},
        LimitCase{"19", "  20  ", "", LimitCheck::Under, "Нижче мінімуму: нетто 19 г (мін. 20 г)"}));

TEST(WeightLimits, AFieldThatHoldsNoWholeNumberNamesItsCaption)
{
    try {
        weightLimits(tarvik::MaskedDigits::of(QStringLiteral("1 5"), 6), tarvik::MaskedDigits(6));
        ADD_FAILURE() << "no error";
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Поле \"Мін. вага нетто, гр.\": "))) << e.text().toStdString();
    }
}

}  // namespace
