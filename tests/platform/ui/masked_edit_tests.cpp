// The masked digit field: typed and stored texts keep the mask's blanks; a
// computed value shown in it is never cut by the mask.

#include "platform/ui/masked_edit.h"

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

}  // namespace
