// The masked digit field and the date picker: typed and stored texts keep the
// mask's blanks, a computed value is never cut, and typing goes where the operator clicked.

#include "platform/ui/date_edit.h"
#include "platform/ui/masked_edit.h"

#include <QTest>
#include <gtest/gtest.h>

using tarvik::ui::MaskedEdit;

namespace {

struct ShowCase {
    const char* value;
    const char* shown;
};

class MaskedEditShows : public ::testing::TestWithParam<ShowCase> {};

TEST_P(MaskedEditShows, AComputedValueWhole)
{
    MaskedEdit field(5);
    field.setReadOnly(true);
    field.showText(QString::fromUtf8(GetParam().value));
    EXPECT_EQ(field.text(), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Table, MaskedEditShows,
                         ::testing::Values(ShowCase{"0", "0    "}, ShowCase{"1000", "1000 "},
                                           ShowCase{"99999", "99999"},
                                           ShowCase{"150000", "150000"},  // past the mask's places
                                           ShowCase{"1234,5", "1234,5"},  // a fraction
                                           ShowCase{"-50", "-50"},        // a sign
                                           ShowCase{"", "     "}));

TEST(MaskedEdit, AfterAWideValueTheMaskComesBackForTheNextOne)
{
    MaskedEdit field(5);
    field.showText(QStringLiteral("150000"));
    field.showText(QStringLiteral("12"));
    EXPECT_EQ(field.text(), QStringLiteral("12   "));
}

TEST(MaskedEdit, TypedTextIsHeldToTheMask)
{
    MaskedEdit field(5);
    field.setText(QStringLiteral("12"));
    EXPECT_EQ(field.text(), QStringLiteral("12   "));
    field.setText(QStringLiteral("1234567"));
    EXPECT_EQ(field.text(), QStringLiteral("12345"));
}

// A click anywhere in the field, then typing: the digits go after those
// already there, wherever the click fell.
struct ClickCase {
    const char* before;
    int x;  // where the click falls, in per cent of the field's width
    const char* typed;
    const char* after;
};

class MaskedEditTakesTyping : public ::testing::TestWithParam<ClickCase> {};

TEST_P(MaskedEditTakesTyping, AfterAClick)
{
    MaskedEdit field(5);
    field.resize(200, 24);
    field.show();
    field.setText(QString::fromUtf8(GetParam().before));
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(field.width() * GetParam().x / 100, field.height() / 2));
    QTest::keyClicks(&field, QString::fromUtf8(GetParam().typed));
    EXPECT_EQ(field.text(), QString::fromUtf8(GetParam().after));
}

INSTANTIATE_TEST_SUITE_P(Table, MaskedEditTakesTyping,
                         ::testing::Values(ClickCase{"2", 95, "7", "27   "},      // right of the blanks
                                           ClickCase{"", 95, "123", "123  "},     // an empty field
                                           ClickCase{"", 50, "45", "45   "},
                                           ClickCase{"1234", 99, "56", "12345"},  // as many as fit
                                           ClickCase{"12345", 99, "6", "12345"},  // full: nothing
                                           ClickCase{"123", 1, "9", "923  "}));   // at the start: over the first

}  // namespace

namespace {

using tarvik::ui::DateEdit;

struct DateCase {
    int clickAt;  // per cent of the field's width: 5 the day, 50 the month, 90 the year
    const char* typed;
    QDate date;
};

class DateEditTakesTyping : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateEditTakesTyping, ADateTypedInOneGo)
{
    DateEdit field;
    field.setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    field.setDate(QDate(2020, 1, 1));
    field.resize(160, 24);
    field.show();
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(field.width() * GetParam().clickAt / 100, 12));
    QTest::keyClicks(&field, QString::fromUtf8(GetParam().typed));
    EXPECT_EQ(field.date(), GetParam().date);
}

INSTANTIATE_TEST_SUITE_P(Table, DateEditTakesTyping,
                         ::testing::Values(DateCase{5, "09.12.2026", QDate(2026, 12, 9)},
                                           DateCase{50, "09.12.2026", QDate(2026, 12, 9)},
                                           DateCase{70, "09.12.2026", QDate(2026, 12, 9)},
                                           DateCase{5, "31122025", QDate(2025, 12, 31)},
                                           DateCase{70, "29022024", QDate(2024, 2, 29)},
                                           DateCase{5, "1.3.2027", QDate(2027, 3, 1)}));

TEST(DateEdit, TextsThatNameNoDate)
{
    for (const char* t : {"", "09.12", "0912202", "31.02.2026", "32.01.2026", "09.13.2026", "ab.cd.efgh"})
        EXPECT_FALSE(DateEdit::typedDate(QString::fromUtf8(t)).isValid()) << t;
}

}  // namespace
