// The values a label prints, over plain inputs.

#include "labels/label_values.h"
#include "platform/text/error.h"
#include "platform/text/currency.h"

#include <gtest/gtest.h>

using namespace tarvik::labels;

namespace {

LabelInputs defaults()
{
    LabelInputs in;
    in.product.name = QStringLiteral("Сир твердий");
    in.product.message = QStringLiteral("Зберігати при +4");
    in.product.price = QStringLiteral("12.5");
    in.product.sellDate = QStringLiteral("30");
    in.numBox = QStringLiteral("7              ");
    in.heads = QStringLiteral("3    ");
    in.tara1 = QStringLiteral("50   ");
    in.tara2 = QStringLiteral("500  ");
    in.perBox = QStringLiteral("30   ");
    in.boxMass = QStringLiteral("30000");
    in.weight = QStringLiteral("1234");
    in.batch = QStringLiteral("2    ");
    in.place = QStringLiteral("4    ");
    in.today = QDate(2010, 12, 8);
    return in;
}

ReplParam compute(int label, const LabelInputs& in)
{
    ReplParam out;
    ComputeLabelValues(label, in, out);
    return out;
}

}  // namespace

TEST(FormatDecimals, WritesExactlyTheDigitsAskedFor)
{
    struct Case {
        const char* text;
        int digits;
        const char* result;
    } cases[] = {
        {"1,5", 2, "1,50"},     {"1,5", 3, "1,500"},   {"12", 2, "12,00"},  {"0,1275", 2, "0,12"},
        {"1,2345", 3, "1,234"}, {"1.5", 2, "1,50"},    {"12", 0, "12,"},    {"12,75", 0, "12,"},
        {"-0,999", 2, "-0,99"}, {"", 2, ",00"},        {"1,2,3", 1, "1,2"}, {"0,10", 2, "0,10"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDecimals(QString::fromUtf8(c.text), c.digits), QString::fromUtf8(c.result))
            << c.text << " " << c.digits;
}

TEST(FormatDecimals, RefusesANegativeDigitCount)
{
    try {
        FormatDecimals(QStringLiteral("1,5"), -1);
        FAIL() << "no error";
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("від'ємною"))) << e.text().toStdString();
    }
}

TEST(LabelDates, TwoDigitYearAndShelfLife)
{
    EXPECT_EQ(labelDateText(QDate(2010, 12, 8)), QStringLiteral("08.12.10"));
    EXPECT_EQ(labelDateText(QDate(2011, 1, 7)), QStringLiteral("07.01.11"));
    struct Case {
        const char* text;
        int days;
    } cases[] = {{"30", 30}, {"", 0}, {"  12", 12}, {"7d", 7}, {"-3", -3}, {"+5", 5}, {"x12", 0}, {" ", 0}, {"12 3", 12},
               {"36500", 36500}, {"-36500", -36500}};
    for (const auto& c : cases)
        EXPECT_EQ(shelfLifeDays(QString::fromLatin1(c.text)), c.days) << c.text;
    for (const char* beyond : {"99999999999", "36501", "-36501", "999999"})
        EXPECT_THROW(shelfLifeDays(QString::fromLatin1(beyond)), tarvik::Error) << beyond;
}

TEST(Label1Values, DefaultFormatsCutTowardZero)
{
    QString log;
    ReplParam v;
    ComputeLabelValues(1, defaults(), v, [&](const QString& t) { log = t; });
    EXPECT_EQ(v.weight, QStringLiteral("1,23"));  // 1,234 cut
    EXPECT_EQ(v.tara, QStringLiteral("0,05"));
    EXPECT_EQ(v.netto, QStringLiteral("1,18"));
    EXPECT_EQ(v.KG_Weight, QStringLiteral("1,18"));
    EXPECT_EQ(v.price, QStringLiteral("12,50"));
    EXPECT_EQ(v.summa, QStringLiteral("14,75"));
    EXPECT_EQ(v.date, QStringLiteral("08.12.10"));
    EXPECT_EQ(v.exp, QStringLiteral("07.01.11"));
    EXPECT_EQ(v.numbox, QStringLiteral("7              "));
    EXPECT_EQ(v.partia, QStringLiteral("2    "));
    EXPECT_EQ(v.heads, QStringLiteral("3    "));
    EXPECT_EQ(v.place, QStringLiteral("4    "));
    EXPECT_EQ(v.name, QStringLiteral("Сир твердий"));
    EXPECT_EQ(v.message, QStringLiteral("Зберігати при +4"));
    EXPECT_EQ(log, QStringLiteral("1,18"));
}

TEST(Label1Values, DivisorsAndDigitCountsPerFigure)
{
    struct Case {
        const char* what;
        void (*set)(LabelInputs&);
        const char* weight;
        const char* tara;
        const char* netto;
        const char* kg;
        const char* summa;
    } cases[] = {
        {"grams, no decimals", [](LabelInputs& in) { in.formats1.weight = {"1", "0"}; },
         "1234,", "0,05", "1233,95", "1,23", "15424,37"},
        {"kilograms with three places", [](LabelInputs& in) {
             in.formats1.weight.digits = "3"; in.formats1.tara.digits = "3"; in.formats1.netto.digits = "3"; },
         "1,234", "0,050", "1,184", "1,18", "14,80"},
        {"second unit in grams", [](LabelInputs& in) { in.formats1.kg = {"1", "0"}; },
         "1,23", "0,05", "1,18", "1180,", "14,75"},
        {"tare in grams", [](LabelInputs& in) { in.formats1.tara = {"1", "0"}; },
         "1,23", "50,", "-48,77", "-48,77", "-609,62"},
        {"netto divisor takes no part", [](LabelInputs& in) { in.formats1.netto.divisor = "7"; },
         "1,23", "0,05", "1,18", "1,18", "14,75"},
    };
    for (const auto& c : cases) {
        LabelInputs in = defaults();
        c.set(in);
        const ReplParam v = compute(1, in);
        EXPECT_EQ(v.weight, QString::fromUtf8(c.weight)) << c.what;
        EXPECT_EQ(v.tara, QString::fromUtf8(c.tara)) << c.what;
        EXPECT_EQ(v.netto, QString::fromUtf8(c.netto)) << c.what;
        EXPECT_EQ(v.KG_Weight, QString::fromUtf8(c.kg)) << c.what;
        EXPECT_EQ(v.summa, QString::fromUtf8(c.summa)) << c.what;
    }
}

TEST(Label1Values, ProductFieldsEmptyPriceAndTrimmedTexts)
{
    LabelInputs in = defaults();
    in.product.price.clear();
    in.product.sellDate.clear();
    in.product.text = {QStringLiteral("  a  "), QString(), QStringLiteral(" b"), {}, {}, {}, {}, QStringLiteral("h ")};
    const ReplParam v = compute(1, in);
    EXPECT_EQ(v.price, QStringLiteral(",00"));
    EXPECT_EQ(v.summa, QStringLiteral("0,00"));
    EXPECT_EQ(v.exp, v.date);
    EXPECT_EQ(v.text[0], QStringLiteral("a"));
    EXPECT_EQ(v.text[1], QString());
    EXPECT_EQ(v.text[2], QStringLiteral("b"));
    EXPECT_EQ(v.text[7], QStringLiteral("h"));
}

TEST(Label1Values, ErrorsStopAtTheirStepWithEarlierValuesSet)
{
    struct Case {
        const char* what;
        void (*set)(LabelInputs&);
        bool weightSet;  // whether "$weight" was written before the failure
        bool nettoSet;
    } cases[] = {
        {"blank tare", [](LabelInputs& in) { in.tara1 = "     "; }, true, false},
        {"weight not a number", [](LabelInputs& in) { in.weight = "12.5"; }, false, false},
        {"divisor 0", [](LabelInputs& in) { in.formats1.kg.divisor = "0"; }, true, true},
        {"digit count not a number", [](LabelInputs& in) { in.formats1.weight.digits = "two"; }, false, false},
        {"negative digit count", [](LabelInputs& in) { in.formats1.netto.digits = "-1"; }, true, false},
        {"price not a number", [](LabelInputs& in) { in.product.price = "abc"; }, true, true},
    };
    for (const auto& c : cases) {
        LabelInputs in = defaults();
        c.set(in);
        ReplParam v;
        QString log = QStringLiteral("unset");
        EXPECT_ANY_THROW(ComputeLabelValues(1, in, v, [&](const QString& t) { log = t; })) << c.what;
        EXPECT_EQ(v.numbox, in.numBox) << c.what;
        EXPECT_EQ(!v.weight.isEmpty(), c.weightSet) << c.what;
        EXPECT_EQ(!v.netto.isEmpty(), c.nettoSet) << c.what;
        EXPECT_EQ(log != QStringLiteral("unset"), c.nettoSet) << c.what;
    }
}

TEST(Label2Values, TheBoxAsAWhole)
{
    LabelInputs in = defaults();
    in.tara1 = QStringLiteral("10   ");
    QString log;
    ReplParam v;
    ComputeLabelValues(2, in, v, [&](const QString& t) { log = t; });
    EXPECT_EQ(v.weight, QStringLiteral("30,50"));
    EXPECT_EQ(v.tara, QStringLiteral("0,80"));
    EXPECT_EQ(v.netto, QStringLiteral("29,70"));
    EXPECT_EQ(v.KG_Weight, QStringLiteral("29,70"));
    EXPECT_EQ(v.price, QStringLiteral("12.5"));  // as stored
    EXPECT_EQ(v.summa, QStringLiteral("371,25"));
    EXPECT_EQ(log, QStringLiteral("29,70"));
}

TEST(Label2Values, UsesItsOwnFormatsAndLabel1sTareDivisor)
{
    LabelInputs in = defaults();
    in.tara1 = QStringLiteral("10");
    in.formats2.weight = {"1", "0"};
    in.formats2.tara = {"1", "1"};
    in.formats1.tara = {"1", "2"};  // one load's tare in grams
    const ReplParam v = compute(2, in);
    // 30000 + 500 box tare; tare 500 + 30 x 10; net 30000 - 300.
    EXPECT_EQ(v.weight, QStringLiteral("30500,"));
    EXPECT_EQ(v.tara, QStringLiteral("800,0"));
    EXPECT_EQ(v.netto, QStringLiteral("29700,00"));
}

TEST(Label2Values, EmptyPriceFailsAtTheSum)
{
    LabelInputs in = defaults();
    in.product.price.clear();
    ReplParam v;
    EXPECT_THROW(ComputeLabelValues(2, in, v), tarvik::ConvertError);
    EXPECT_FALSE(v.KG_Weight.isEmpty());
    EXPECT_TRUE(v.summa.isEmpty());
}

TEST(Label2Values, BlankCountOrBoxTareFails)
{
    for (auto set : {+[](LabelInputs& in) { in.perBox = "     "; }, +[](LabelInputs& in) { in.tara2 = ""; }}) {
        LabelInputs in = defaults();
        set(in);
        ReplParam v;
        EXPECT_THROW(ComputeLabelValues(2, in, v), tarvik::ConvertError);
        EXPECT_TRUE(v.netto.isEmpty());
    }
}

TEST(ReprintValues, TypedWeightAndBatchIntoAFreshRecord)
{
    LabelInputs in = defaults();
    const ReplParam v = ComputeReprintValues(QStringLiteral("77"), QStringLiteral("1234,5"), in);
    EXPECT_EQ(v.weight, QStringLiteral("1,23"));
    EXPECT_EQ(v.tara, QStringLiteral("0,05"));
    EXPECT_EQ(v.netto, QStringLiteral("1,18"));
    EXPECT_EQ(v.partia, QStringLiteral("77"));
    EXPECT_EQ(v.numbox, QString());
    EXPECT_EQ(v.price, QStringLiteral("12,50"));
    EXPECT_EQ(v.exp, QStringLiteral("07.01.11"));
    EXPECT_THROW(ComputeReprintValues(QStringLiteral("77"), QStringLiteral("1234.5"), in), tarvik::ConvertError);
    EXPECT_THROW(ComputeReprintValues(QStringLiteral("77"), QString(), in), tarvik::ConvertError);
}

TEST(Placeholders, OrderAndValues)
{
    ReplParam v;
    v.name = "N";
    v.text[2] = "T3";
    v.KG_Weight = "K";
    EXPECT_STREQ(kPlaceholders.front(), "$name");
    EXPECT_STREQ(kPlaceholders.back(), "$KG_Weight");
    EXPECT_EQ(placeholderValue(v, 0), QStringLiteral("N"));
    EXPECT_EQ(placeholderValue(v, 14), QStringLiteral("T3"));
    EXPECT_STREQ(kPlaceholders[14], "$text3");
    EXPECT_EQ(placeholderValue(v, 21), QStringLiteral("K"));
    EXPECT_THROW(placeholderValue(v, 22), tarvik::Error);
}
