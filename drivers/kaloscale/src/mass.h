#pragma once
// Weights as exact fixed-point counts, parsed from the scale's decimal text in its unit and written
// in the form the station reads.

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarvik::kaloscale {

// A mass in nanograms: every unit a scale reports (g, kg, mg, t, ct, lb, oz) converts exactly.
struct Mass {
    std::int64_t nanograms = 0;
    friend constexpr bool operator==(Mass, Mass) = default;
};

// How the weight is written for the station.
enum class OutputUnit {
    Kilograms,  // three places: "1.234" (scale types whose normalisation drops only the point)
    Grams,      // one place: "1234.5" (the small scale type, whose normalisation drops the place too)
};

// Reads a decimal number ("1.234", "  -0.50", "+ 12", "7.") in `unit` ("kg", "g", "lb" ... in any
// case). Nullopt for anything else: no digits, stray characters, more than 12 digits, or a unit
// that is not a mass unit we know — a weight is never passed on in a unit we cannot convert.
std::optional<Mass> parseMass(std::string_view number, std::string_view unit);

// Whether `unit` is a mass unit parseMass converts.
bool isKnownUnit(std::string_view unit);
// Whether a weight in `unit` is a whole number of the station's steps whenever the scale's own step
// is: true for the metric units; false for lb and oz, which convert to grams only rounded.
bool isMetricUnit(std::string_view unit);
// The same unit, written in any case ("KG", "kg").
bool sameUnit(std::string_view a, std::string_view b);
// The last place the station is given: 1 g for kilograms, 0.1 g for grams.
std::int64_t outputStep(OutputUnit unit);

// "1.234" / "-0.500" (kilograms, three places) or "1234.5" (grams, one place), rounded half away
// from zero to the last place written.
QString formatMass(Mass mass, OutputUnit unit);

}  // namespace tarvik::kaloscale
