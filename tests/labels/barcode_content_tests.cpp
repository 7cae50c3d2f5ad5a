// Barcode content from a template, the weight text and the product code.

#include "labels/barcode_content.h"
#include "platform/text/error.h"

#include <gtest/gtest.h>

using namespace tarvik::labels;

TEST(BarcodeContent, LettersTakeCharactersFromTheRight)
{
    struct Case {
        const char* templ;
        const char* weight;
        const char* code;
        const char* content;
    } cases[] = {
        {"482CCCCCWWWWW", "1250", "12", "4820001201250"},
        {"482CCCCCWWWWW", "1184,5", "12", "48200012184,5"},  // the weight's characters as given
        {"  482WW", "7", "", "48207"},                      // trimmed template
        {"482WW\t", "7", "", "48207"},
        {"WCWC", "123456", "987654321", "5261"},            // letters need not be contiguous
        {"CCCCCCCCC", "", "1234567890", "123456789"},       // the first nine, not the last
        {"CCC", "", " 12 ", "012"},                         // code trimmed, then padded
        {"WWWWWW", "1234567", "", "123456"},                // the first six
        {"WWW", " 12", "", " 12"},                          // the weight is not trimmed
        {"482cw00", "", "", "482cw00"},                     // lower case stays
        {"", "5", "5", ""},
        {"CW", "abcdef", "xyz", "zf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BuildBarcodeContent(QString::fromLatin1(c.templ), QString::fromLatin1(c.weight),
                                      QString::fromLatin1(c.code)),
                  QString::fromLatin1(c.content))
            << c.templ << " / " << c.weight << " / " << c.code;
}

TEST(BarcodeContent, MoreLettersThanCharactersIsTheRangeError)
{
    struct Case {
        const char* templ;
        const char* weight;
        const char* code;
    } cases[] = {
        {"CCCCCCCCCC", "1", "5"},   // a tenth C
        {"WWWWWWW", "1", "5"},      // a seventh W
        {"482W", "", "5"},          // any W with an empty weight
        {"482C", "5", ""},          // any C with an empty code
        {"C  W  C", "12", "   "},   // a code of blanks trims to nothing
    };
    for (const auto& c : cases) {
        try {
            BuildBarcodeContent(QString::fromLatin1(c.templ), QString::fromLatin1(c.weight), QString::fromLatin1(c.code));
            ADD_FAILURE() << "no error for " << c.templ;
        } catch (const tarvik::Error& e) {
            EXPECT_EQ(e.text(), QStringLiteral("Range check error"));
        }
    }
}

TEST(BarcodeContent, SelectorsChooseALabelsSettings)
{
    tarvik::barcode::BarcodePictureSettings one, two;
    one.type = 14;
    two.type = 5;
    EXPECT_EQ(barcodeSettingsFor(13, one, two)->type, 14);
    EXPECT_EQ(barcodeSettingsFor(128, one, two)->type, 5);
    for (int other : {0, 1, 12, 14, 127, -13})
        EXPECT_FALSE(barcodeSettingsFor(other, one, two).has_value()) << other;
}
