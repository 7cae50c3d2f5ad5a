// The driver's output under the station's reading rule gives grams for every scale type.
// The rule as the station applies it: trim; delete the first "." and, for scale type 0 only, the
// character after it; every other "." becomes ","; the text is then a number of grams.

#include "frames.h"
#include "mass.h"
#include "reading.h"

#include <gtest/gtest.h>

using namespace tarvik::kaloscale;

namespace {

double stationGrams(QString weightField, int scaleType)
{
    weightField = weightField.trimmed();
    if (const auto dot = weightField.indexOf(u'.'); dot >= 0)
        weightField.remove(dot, scaleType == 0 ? 2 : 1);
    weightField.replace(u'.', u',');
    bool ok = false;
    const double value = QString(weightField).replace(u',', u'.').toDouble(&ok);
    EXPECT_TRUE(ok) << weightField.toStdString();
    return value;
}

TEST(StationForm, EveryScaleTypeReadsGramsFromTheOutputMadeForIt)
{
    // Type 0 ("2,5 кг") takes grams with one place; types 1-3 kilograms with three.
    const struct { int type; OutputUnit unit; } types[] = {
        {0, OutputUnit::Grams}, {1, OutputUnit::Kilograms}, {2, OutputUnit::Kilograms}, {3, OutputUnit::Kilograms}};
    const struct { std::int64_t nanograms; double grams; } weights[] = {
        {1'234'000'000'000, 1234}, {0, 0}, {-500'000'000'000, -500}, {2'499'000'000'000, 2499},
        {150'000'000'000'000, 150000}, {7'000'000'000, 7},
    };
    for (const auto& t : types) {
        for (const auto& w : weights) {
            if (t.type == 0 && w.grams > 2500)
                continue;  // beyond the small scale
            const QString reading = readingText(Frame::weightOf(Mass{w.nanograms}, true), t.unit);
            EXPECT_EQ(stationGrams(reading.section(u';', 0, 0), t.type), w.grams)
                << "type " << t.type << ": " << reading.toStdString();
            EXPECT_EQ(reading.section(u';', 1, 1), QStringLiteral("S"));
        }
    }
}

TEST(StationForm, TheWrongFormForAScaleTypeIsWrongByPowersOfTen)
{
    // Why the README pairs each output unit with its scale types.
    const QString kg = formatMass(Mass{1'234'000'000'000}, OutputUnit::Kilograms);
    const QString g = formatMass(Mass{1'234'000'000'000}, OutputUnit::Grams);
    EXPECT_EQ(stationGrams(kg, 0), 134);
    EXPECT_EQ(stationGrams(g, 1), 12340);
}

}  // namespace
