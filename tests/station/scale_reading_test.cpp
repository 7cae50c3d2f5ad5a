#include "station/scale_reading.h"

#include <gtest/gtest.h>

using namespace tarvik::station;

namespace {

struct ReadingCase {
    const char* reading;
    int scaleType;
    const char* shown;     // WEdit
    std::int64_t grams;    // the value in ten-thousandths of a gram
    bool stable;
};

class Normalisation : public ::testing::TestWithParam<ReadingCase> {};

TEST_P(Normalisation, GivesTheShownTextAndValue)
{
    const auto& p = GetParam();
    const auto fields = splitReading(QString::fromUtf8(p.reading));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->stable(), p.stable);
    const QString text = normaliseWeightText(fields->weight, p.scaleType);
    EXPECT_EQ(text, QString::fromUtf8(p.shown));
    EXPECT_EQ(Currency::fromText(text).count(), p.grams);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Normalisation,
    ::testing::Values(ReadingCase{"1.234;S;", 1, "1234", 12340000, true},
                      ReadingCase{"1234.5;S", 0, "1234", 12340000, true},
                      ReadingCase{"1.234;S;", 0, "134", 1340000, true},  // the dot and the digit after it go
                      ReadingCase{"  0.000;U;7", 2, "0000", 0, false},
                      ReadingCase{"12,5;S", 1, "12,5", 125000, true},
                      ReadingCase{"1.2.3;S", 1, "12,3", 123000, true},
                      ReadingCase{"1.2.3;S", 0, "1,3", 13000, true},
                      ReadingCase{"1.234;S;", -1, "1234", 12340000, true},  // no selection: only the dot
                      ReadingCase{"1.234;S;", 3, "1234", 12340000, true},
                      ReadingCase{"-0.150;U;", 1, "-0150", -1500000, false},
                      ReadingCase{"1234.;S;", 0, "1234", 12340000, true},  // nothing after the dot to drop
                      ReadingCase{" 2.500 ;S ;", 1, "2500", 25000000, false}));

TEST(SplitReading, ErrorIsExactlyFiveLetters)
{
    EXPECT_FALSE(splitReading(QStringLiteral("Error")));
    for (const char* t : {"error", "Error ", " Error", "ERROR", "Error;S"}) {
        const auto f = splitReading(QString::fromUtf8(t));
        ASSERT_TRUE(f) << t;
        EXPECT_THROW(Currency::fromText(normaliseWeightText(f->weight, 1)), tarvik::ConvertError) << t;
    }
}

TEST(SplitReading, Fields)
{
    struct {
        const char* reading;
        const char* weight;
        const char* status;
    } table[] = {
        {"1.234", "1.234", "1.234"},  // no ";": both fields are the whole text
        {"1.234;S", "1.234", "S"},
        {"1.234;S;x;y", "1.234", "S"},
        {"1.234;;S", "1.234", ""},
        {";S;", "", "S"},
        {"", "", ""},
    };
    for (const auto& row : table) {
        const auto f = splitReading(QString::fromUtf8(row.reading));
        ASSERT_TRUE(f);
        EXPECT_EQ(f->weight, QString::fromUtf8(row.weight)) << row.reading;
        EXPECT_EQ(f->status, QString::fromUtf8(row.status)) << row.reading;
    }
    EXPECT_FALSE(splitReading(QStringLiteral("1.234"))->stable());
    EXPECT_FALSE(splitReading(QStringLiteral("1;s;"))->stable());
}

TEST(SplitReading, EmptyWeightIsAConversionErrorWithAnEmptyQuote)
{
    const auto f = splitReading(QString());
    try {
        Currency::fromText(normaliseWeightText(f->weight, 1));
        FAIL();
    } catch (const tarvik::ConvertError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("'' is not a valid floating point value"));
    }
}

TEST(HrCheck, QuestionText)
{
    EXPECT_EQ(hrCheckText(static_cast<std::int32_t>(0x80004005u), QStringLiteral("Unspecified error")),
              QStringLiteral("'this->get_Data((Variant*)&Value)': Unspecified error @ KaloScale_TLB.h/253\n"
                             "Press [Y]es to terminate, [N]o to continue and [C]ancel to Debug"));
    EXPECT_EQ(hrCheckText(static_cast<std::int32_t>(0x8123ABCDu), QString()),
              QStringLiteral("(this->get_Data((Variant*)&Value)) Error: 8123ABCD (-2128368691) @ KaloScale_TLB.h/253\n"
                             "Press [Y]es to terminate, [N]o to continue and [C]ancel to Debug"));
}

}  // namespace
