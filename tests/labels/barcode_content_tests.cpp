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

// --- fields of the label run -------------------------------------------------

namespace {

BarcodeFields sampleFields()
{
    BarcodeFields f;
    f.packed = QDate(2026, 12, 9);
    f.shelfLife = QStringLiteral("30");  // 2027-01-08
    f.batch = QStringLiteral("12   ");
    f.net = Currency::fromText(QStringLiteral("1234,5"));  // grams
    f.unitPrice = QStringLiteral("89.90");
    return f;
}

}  // namespace

TEST(BarcodeContent, FieldsTakeTheLabelRunsValues)
{
    struct Case {
        const char* templ;
        const char* content;
    } cases[] = {
        {"(13){packed}(15){expiry}", "(13)261209(15)270108"},
        {"(10){batch}", "(10)12"},
        {"(3103){net:3}", "(3103)001234"},  // 1,2345 kg cut, not rounded
        {"(3102){net:2}", "(3102)000123"},
        {"(3105){net:5}", "(3105)123450"},
        {"(3100){net:0}", "(3100)000001"},
        // 1,2345 kg x 89,90 = 110,98155, cut to kopiykas.
        {"{price}", "11098"},
        {"(3922){price:6}", "(3922)011098"},
        {"{unitprice:5}", "08990"},
        // 5+(1) 2-(1) 5-(0) 5+(9) 2-(8) = 5+2+0+9+5 = 21; 30 - 21 = 9 = 5-(2).
        {"{pricecheck:5}", "211098"},
        // Letters outside the fields as ever; a field's braces hold no letters.
        {"C{expiry}W", "52701087"},
        // Not a field's name: braces and letters as before.
        {"{Weight}", "{7eight}"},
        {"{expiry }", "{expiry }"},
        {"  (15){expiry}  ", "(15)270108"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BuildBarcodeContent(QString::fromLatin1(c.templ), QStringLiteral("7"), QStringLiteral("5"),
                                      sampleFields()),
                  QString::fromLatin1(c.content))
            << c.templ;
    // A value is never read for letters: a batch of C and W stays as it is.
    BarcodeFields f = sampleFields();
    f.batch = QStringLiteral("CW1");
    EXPECT_EQ(BuildBarcodeContent(QStringLiteral("(10){batch}W"), QStringLiteral("7"), QString(), f),
              QStringLiteral("(10)CW17"));
    // Without fields, a template keeps its old meaning to the letter.
    EXPECT_EQ(BuildBarcodeContent(QStringLiteral("{expiry}W"), QStringLiteral("5"), QString()),
              QStringLiteral("{expiry}5"));
}

TEST(BarcodeContent, FieldsThatCannotBeFilledSayWhich)
{
    struct Case {
        const char* templ;
        const char* net;    // grams
        const char* price;  // unit price
        const char* error;  // the start of the message
    } cases[] = {
        {"{net}", "1000", "1", "Поле {net} шаблону штрих коду: потрібна кількість знаків"},
        {"{net:6}", "1000", "1", "Поле {net:6} шаблону штрих коду: потрібна кількість знаків"},
        {"{net:0}", "1000000000", "1", "Поле {net:0} шаблону штрих коду: значення 1000000 не вміщується в 6 цифр"},
        {"{net:3}", "-5", "1", "Поле {net:3} шаблону штрих коду: від'ємне значення"},
        {"{packed:2}", "1000", "1", "Поле {packed:2} шаблону штрих коду: поле пишеться без числа"},
        {"{price:3}", "1000", "12,34", "Поле {price:3} шаблону штрих коду: значення 1234 не вміщується в 3 цифр"},
        {"{price:0}", "1000", "1", "Поле {price:0} шаблону штрих коду: кількість цифр 1-15"},
        {"{pricecheck:6}", "1000", "1", "Поле {pricecheck:6} шаблону штрих коду: ціна з контрольною цифрою"},
        {"{pricecheck:4}", "1000", "100", "Поле {pricecheck:4} шаблону штрих коду: значення 10000 не вміщується в 4 цифр"},
        {"{price}", "1000", "abc", "Поле {price} шаблону штрих коду: ціна товару:"},
    };
    for (const auto& c : cases) {
        BarcodeFields f = sampleFields();
        f.net = Currency::fromText(QString::fromLatin1(c.net));
        f.unitPrice = QString::fromUtf8(c.price);
        try {
            BuildBarcodeContent(QString::fromLatin1(c.templ), QStringLiteral("1"), QStringLiteral("1"), f);
            ADD_FAILURE() << "no error for " << c.templ;
        } catch (const tarvik::Error& e) {
            EXPECT_TRUE(e.text().startsWith(QString::fromUtf8(c.error))) << e.text().toStdString();
        }
    }
}
