#include "platform/text/currency.h"

#include <gtest/gtest.h>

namespace {

Currency c(const char* text)
{
    return Currency::fromText(QString::fromUtf8(text));
}

struct TextCase {
    const char* text;
    std::int64_t count;
};

class CurrencyFromText : public ::testing::TestWithParam<TextCase> {};

TEST_P(CurrencyFromText, ReadsTheValue)
{
    EXPECT_EQ(c(GetParam().text).count(), GetParam().count) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Table, CurrencyFromText,
                         ::testing::Values(TextCase{"12,50", 125000}, TextCase{" 7 ", 70000},
                                           TextCase{"1,23456", 12346},    // nearest ten-thousandth
                                           TextCase{"1,23454", 12345},    // below the half: down
                                           TextCase{"1,00005", 10001},    // a half goes away from zero
                                           TextCase{"-1,00005", -10001},  // on both sides
                                           TextCase{"0", 0}, TextCase{"-0", 0}, TextCase{"+3", 30000},
                                           TextCase{"-3", -30000}, TextCase{",5", 5000}, TextCase{"5,", 50000},
                                           TextCase{"0000", 0}, TextCase{"12,3", 123000},
                                           TextCase{"922337203685477,5807", INT64_MAX}));

class CurrencyBadText : public ::testing::TestWithParam<const char*> {};

TEST_P(CurrencyBadText, RaisesTheFloatingPointError)
{
    const QString text = QString::fromUtf8(GetParam());
    try {
        Currency::fromText(text);
        FAIL() << "no error for " << GetParam();
    } catch (const tarvik::ConvertError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("'%1' is not a valid floating point value").arg(text));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CurrencyBadText,
                         ::testing::Values("12.5", "", " ", "1,2,3", "12a", "-", ",", "1 2", "1e3", "--1",
                                           "922337203685478", "Error"));

struct TextOut {
    std::int64_t count;
    const char* text;
};

class CurrencyToText : public ::testing::TestWithParam<TextOut> {};

TEST_P(CurrencyToText, WritesTheShortestForm)
{
    EXPECT_EQ(Currency::fromCount(GetParam().count).toText(), QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Table, CurrencyToText,
                         ::testing::Values(TextOut{12340000, "1234"}, TextOut{125000, "12,5"}, TextOut{2500, "0,25"},
                                           TextOut{-30000, "-3"}, TextOut{0, "0"}, TextOut{1, "0,0001"},
                                           TextOut{-1, "-0,0001"}, TextOut{154125, "15,4125"},
                                           TextOut{INT64_MIN, "-922337203685477,5808"}));

TEST(CurrencyArithmetic, CutsTowardZero)
{
    EXPECT_EQ((c("1233") / 1000).toText(), "1,233");
    EXPECT_EQ((c("1,233") * c("12,5")).toText(), "15,4125");
    EXPECT_EQ((c("10") / 3).toText(), "3,3333");
    EXPECT_EQ((c("-10") / 3).toText(), "-3,3333");
    EXPECT_EQ((c("10") / c("3")).toText(), "3,3333");
    EXPECT_EQ((c("-10") / c("3")).toText(), "-3,3333");
    EXPECT_EQ((c("0,0001") * c("0,5")).toText(), "0");      // 0.00005 cut, never raised
    EXPECT_EQ((c("-0,0001") * c("0,5")).toText(), "0");
    EXPECT_EQ((c("1,5") * 3).toText(), "4,5");
    EXPECT_EQ((c("30000") - (c("1") * 30 + c("500"))).toText(), "29470");
}

TEST(CurrencyArithmetic, ComparesWithWholeNumbers)
{
    EXPECT_TRUE(c("10") == 10);
    EXPECT_TRUE(c("10,0001") > 10);
    EXPECT_TRUE(c("9,9999") < 10);
    EXPECT_FALSE(c("10") > 10);
    EXPECT_FALSE(c("10") < 10);
}

TEST(CurrencyArithmetic, OverflowAndDivisionByZeroAreErrors)
{
    const Currency max = Currency::fromCount(INT64_MAX);
    EXPECT_THROW(max + Currency::fromCount(1), tarvik::ConvertError);
    EXPECT_THROW(max * 2, tarvik::ConvertError);
    EXPECT_THROW(c("1") / 0, tarvik::ConvertError);
    EXPECT_THROW(c("1") / c("0"), tarvik::ConvertError);
}

struct IntCase {
    const char* text;
    bool ok;
    int value;
};

class WholeNumbers : public ::testing::TestWithParam<IntCase> {};

TEST_P(WholeNumbers, ParseOrRaiseTheIntegerError)
{
    const QString text = QString::fromUtf8(GetParam().text);
    if (GetParam().ok) {
        EXPECT_EQ(textToInt(text), GetParam().value);
        return;
    }
    try {
        textToInt(text);
        FAIL() << "no error for " << GetParam().text;
    } catch (const tarvik::ConvertError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, WholeNumbers,
                         ::testing::Values(IntCase{"12", true, 12}, IntCase{"-7", true, -7}, IntCase{"+7", true, 7},
                                           IntCase{"007", true, 7}, IntCase{"2147483647", true, 2147483647},
                                           IntCase{"-2147483648", true, INT32_MIN}, IntCase{"2147483648", false, 0},
                                           IntCase{"12a", false, 0}, IntCase{"", false, 0}, IntCase{" 12", false, 0},
                                           IntCase{"12 ", false, 0}, IntCase{"2    ", false, 0},
                                           IntCase{"1,5", false, 0}, IntCase{"-", false, 0}));

}  // namespace
