// Layout values to page geometry at 4 page pixels per millimetre.

#include "data/settings_files.h"
#include "labels/label_layout.h"
#include "platform/text/error.h"
#include "platform/text/currency.h"

#include <gtest/gtest.h>

using namespace tarvik::labels;

TEST(LabelLayout, FreshValuesGiveTheFreshGeometry)
{
    LabelGeometry g;
    applyLayoutLines(tarvik::data::freshLayoutLines(1), g);
    EXPECT_EQ(g.pageWidth, 200);
    EXPECT_EQ(g.pageHeight, 320);
    EXPECT_EQ(g.bandHeight, 320);
    EXPECT_EQ(g.head, QRect(32, 40, 160, 40));
    EXPECT_EQ(g.body, QRect(80, 80, 80, 120));
    EXPECT_EQ(g.bottom, QRect(40, 40, 200, 40));
    EXPECT_EQ(g.barcode, QRect(120, 120, 200, 120));
}

TEST(LabelLayout, ValuesAfterTheFirstEqualsSign)
{
    struct Case {
        const char* line;
        int value;
    } cases[] = {{"Ширина=50", 50}, {"X тіла=-3", -3}, {"Y= 12 ", 12}, {"=0", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(layoutValue(QString::fromUtf8(c.line)), c.value) << c.line;
    EXPECT_THROW(layoutValue(QStringLiteral("a=b=7")), tarvik::ConvertError);
    EXPECT_THROW(layoutValue(QStringLiteral("Ширина")), tarvik::ConvertError);
    EXPECT_THROW(layoutValue(QStringLiteral("Ширина=5,5")), tarvik::ConvertError);
}

TEST(LabelLayout, NoLimitsAndABadLineStopsWhereItIs)
{
    QStringList lines = tarvik::data::freshLayoutLines(1);
    lines[4] = QStringLiteral("Х заголовка=-5");
    lines[16] = QStringLiteral("X штрихкоду=500");
    LabelGeometry g;
    applyLayoutLines(lines, g);
    EXPECT_EQ(g.head.topLeft(), QPoint(-20, 40));
    EXPECT_EQ(g.barcode.left(), 2000);
    EXPECT_EQ(g.barcode.width(), 200);  // moving keeps the size

    lines[9] = QStringLiteral("Y тіла=abc");
    LabelGeometry partial;
    EXPECT_THROW(applyLayoutLines(lines, partial), tarvik::ConvertError);
    EXPECT_EQ(partial.body.left(), 80);   // line 8 applied
    EXPECT_EQ(partial.body.top(), 0);     // line 9 not
    EXPECT_EQ(partial.bottom, QRect());   // nor anything after it

    EXPECT_THROW(applyLayoutLines(tarvik::data::freshLayoutLines(1).mid(0, 17), g), tarvik::Error);
}

TEST(LabelLayout, PixelsBackToMillimetresTruncateTowardZero)
{
    EXPECT_EQ(pixelsToMillimetres(42), 10);
    EXPECT_EQ(pixelsToMillimetres(46), 11);
    EXPECT_EQ(pixelsToMillimetres(-7), -1);
    EXPECT_EQ(pixelsToMillimetres(-3), 0);
    EXPECT_EQ(pixelsToMillimetres(-9), -2);
}
