#include "platform/richtext/list_numbering.h"

#include <gtest/gtest.h>

using namespace tarvik::richtext;

TEST(ListNumbering, FormatsNumbersAsEditorsDo)
{
    struct Case {
        int n;
        NumberFormat format;
        const char* text;
    } cases[] = {
        {1, NumberFormat::Decimal, "1"},
        {0, NumberFormat::Decimal, "0"},
        {1, NumberFormat::LowerRoman, "i"},
        {4, NumberFormat::LowerRoman, "iv"},
        {1994, NumberFormat::UpperRoman, "MCMXCIV"},
        {3999, NumberFormat::UpperRoman, "MMMCMXCIX"},
        {4000, NumberFormat::UpperRoman, "4000"},
        {0, NumberFormat::LowerRoman, "0"},
        {1, NumberFormat::LowerLetter, "a"},
        {26, NumberFormat::LowerLetter, "z"},
        {27, NumberFormat::LowerLetter, "aa"},
        {53, NumberFormat::UpperLetter, "AAA"},
        {0, NumberFormat::LowerLetter, "0"},
        {5, NumberFormat::Bullet, ""},
        {5, NumberFormat::None, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatNumber(c.n, c.format), QString::fromLatin1(c.text)) << c.n << ' ' << int(c.format);
}

TEST(ListNumbering, LevelNumberFormats)
{
    EXPECT_EQ(numberFormatOf(0), NumberFormat::Decimal);
    EXPECT_EQ(numberFormatOf(4), NumberFormat::LowerLetter);
    EXPECT_EQ(numberFormatOf(23), NumberFormat::Bullet);
    EXPECT_EQ(numberFormatOf(255), NumberFormat::None);
    EXPECT_EQ(numberFormatOf(22), NumberFormat::Decimal);  // leading zero: shown as decimal
    for (NumberFormat f : {NumberFormat::Decimal, NumberFormat::UpperRoman, NumberFormat::LowerRoman,
                           NumberFormat::UpperLetter, NumberFormat::LowerLetter})
        EXPECT_EQ(numberFormatOfStyle(*qtStyleOf(f)), f);
    EXPECT_FALSE(qtStyleOf(NumberFormat::None));
}

TEST(ListNumbering, LevelTextPutsTheNumbersTogether)
{
    const std::array<int, 9> numbers{2, 3, 1, 1, 1, 1, 1, 1, 1};
    std::array<NumberFormat, 9> formats{};
    formats.fill(NumberFormat::Decimal);
    formats[1] = NumberFormat::LowerLetter;
    const LevelText own{QString(QChar(1)) + QStringLiteral(")")};
    EXPECT_EQ(own.label(numbers, formats), "c)");
    EXPECT_TRUE(own.countsOnlyItsOwnNumber(1));
    EXPECT_FALSE(own.countsOnlyItsOwnNumber(0));
    EXPECT_EQ(own.prefix(1), "");
    EXPECT_EQ(own.suffix(1), ")");
    const LevelText nested{QStringLiteral("(") + QChar(0) + u'.' + QChar(1) + u')'};
    EXPECT_EQ(nested.label(numbers, formats), "(2.c)");
    EXPECT_TRUE(nested.countsOnlyItsOwnNumber(1));  // the number above stays while level 1 counts
    EXPECT_FALSE(nested.countsOnlyItsOwnNumber(0));  // a deeper number changes under a level-0 item
    EXPECT_FALSE(LevelText{QString(QChar(1)) + u'.' + QChar(1)}.countsOnlyItsOwnNumber(1));
    formats[0] = NumberFormat::Bullet;  // a bullet level's place shows nothing
    EXPECT_EQ(nested.label(numbers, formats), "(.c)");
}

TEST(ListNumbering, ReadsLabelsThatFilesGiveAsText)
{
    struct Case {
        const char* label;
        bool read;
        NumberFormat format;
        int number;
        const char* prefix;
        const char* suffix;
    } cases[] = {
        {"3.", true, NumberFormat::Decimal, 3, "", "."},
        {" 12) ", true, NumberFormat::Decimal, 12, "", ")"},
        {"(b)", true, NumberFormat::LowerLetter, 2, "(", ")"},
        {"iv.", true, NumberFormat::LowerRoman, 4, "", "."},
        {"i.", true, NumberFormat::LowerRoman, 1, "", "."},
        {"C.", true, NumberFormat::UpperLetter, 3, "", "."},  // one letter: a letter, not a hundred
        {"XII", true, NumberFormat::UpperRoman, 12, "", ""},
        {"aa)", true, NumberFormat::LowerLetter, 27, "", ")"},
        {"•", true, NumberFormat::Bullet, 0, "", ""},
        {"o", true, NumberFormat::Bullet, 0, "", ""},
        {"", false, NumberFormat::Bullet, 0, "", ""},
        {"1.2.", false, NumberFormat::Bullet, 0, "", ""},
        {"ab)", false, NumberFormat::Bullet, 0, "", ""},
        {"iiii", true, NumberFormat::LowerLetter, 87, "", ""},  // not Roman: the ninth letter, fourth round
    };
    for (const Case& c : cases) {
        const auto r = readLabel(QString::fromUtf8(c.label));
        ASSERT_EQ(r.has_value(), c.read) << c.label;
        if (!r)
            continue;
        EXPECT_EQ(r->format, c.format) << c.label;
        EXPECT_EQ(r->number, c.number) << c.label;
        EXPECT_EQ(r->prefix, QString::fromUtf8(c.prefix)) << c.label;
        EXPECT_EQ(r->suffix, QString::fromUtf8(c.suffix)) << c.label;
    }
}
