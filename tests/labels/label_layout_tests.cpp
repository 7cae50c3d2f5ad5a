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

TEST(LabelLayout, AStrictHitTestMissesTheEdgeLines)
{
    const QRect head(32, 40, 160, 40);  // x 32..192, y 40..80, edges excluded
    struct Case {
        QPoint p;
        bool hit;
    } cases[] = {
        {{33, 41}, true},   {{191, 79}, true},  {{100, 60}, true},
        {{32, 60}, false},  {{192, 60}, false},  // left and right edge lines
        {{100, 40}, false}, {{100, 80}, false},  // top and bottom edge lines
        {{32, 40}, false},  {{192, 80}, false},  // corners
        {{31, 60}, false},  {{100, 81}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hits(head, c.p), c.hit) << c.p.x() << "," << c.p.y();
    // An element dragged past the band's corner is hit at negative points.
    EXPECT_TRUE(hits(QRect(-20, -8, 40, 40), QPoint(-10, -1)));
    EXPECT_FALSE(hits(QRect(0, 0, 0, 0), QPoint(0, 0)));
}

TEST(LabelLayout, SizesArePageAndElementWidthsAndHeights)
{
    const int sizes[] = {0, 1, 2, 3, 6, 7, 10, 11, 14, 15};
    const int positions[] = {4, 5, 8, 9, 12, 13, 16, 17};
    for (int i : sizes)
        EXPECT_TRUE(isSizeLine(i)) << i;
    for (int i : positions)
        EXPECT_FALSE(isSizeLine(i)) << i;
}

TEST(LabelLayout, TheCheckRefusesABadLineByItsNumberAndName)
{
    struct Case {
        int line;
        const char* value;
        const char* message;  // empty: accepted
    } cases[] = {
        {4, "-5", ""},
        {16, "-100000", ""},
        {0, "100000", ""},
        {5, " 12 ", ""},
        {2, "abc", "Рядок 3 \"Ширина заголовка\": значення \"abc\" не є цілим числом міліметрів"},
        {1, "5,5", "Рядок 2 \"Висота етикетки\": значення \"5,5\" не є цілим числом міліметрів"},
        {9, "", "Рядок 10 \"Y тіла\": значення \"\" не є цілим числом міліметрів"},
        {0, "0", "Рядок 1 \"Ширина етикетки\": розмір має бути більшим за 0, а не 0"},
        {15, "-3", "Рядок 16 \"Висота штрихкоду\": розмір має бути більшим за 0, а не -3"},
        {16, "100001", "Рядок 17 \"X штрихкоду\": 100001 мм завелике значення, можна від -100000 до 100000"},
        {7, "99999999999", "Рядок 8 \"Висота тіла\": значення \"99999999999\" не є цілим числом міліметрів"},
    };
    for (const Case& c : cases) {
        QStringList lines = tarvik::data::freshLayoutLines(1);
        lines[c.line] = tarvik::data::layoutLineName(c.line) + u'=' + QString::fromUtf8(c.value);
        const QString expected = QString::fromUtf8(c.message);
        if (expected.isEmpty()) {
            EXPECT_NO_THROW(checkLayoutLines(lines)) << c.line << " " << c.value;
            continue;
        }
        try {
            checkLayoutLines(lines);
            ADD_FAILURE() << "accepted " << c.value;
        } catch (const tarvik::Error& e) {
            EXPECT_EQ(e.text(), expected);
        }
    }
    // The first bad line is named; a short list is refused whole.
    QStringList lines = tarvik::data::freshLayoutLines(1);
    lines[3] = QStringLiteral("Висота заголовка=x");
    lines[1] = QStringLiteral("Висота етикетки=0");
    EXPECT_THROW(
        {
            try {
                checkLayoutLines(lines);
            } catch (const tarvik::Error& e) {
                EXPECT_TRUE(e.text().startsWith(QStringLiteral("Рядок 2 "))) << e.text().toStdString();
                throw;
            }
        },
        tarvik::Error);
    EXPECT_THROW(checkLayoutLines(tarvik::data::freshLayoutLines(1).mid(0, 17)), tarvik::Error);
    EXPECT_NO_THROW(checkLayoutLines(tarvik::data::freshLayoutLines(2)));
}
