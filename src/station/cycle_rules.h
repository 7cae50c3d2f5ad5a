#pragma once
// The arithmetic and decisions of the weighing cycle, on plain values, so the
// rules can be checked without windows, a scale or a database.

#include "platform/text/currency.h"
#include "platform/text/masked_digits.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace tarvik::station {

enum class Decision {
    LabelRun,  // a new load lies still above the zero threshold
    Rearm,     // the scale is below the threshold: the next load may print
    Nothing,   // at the threshold, unstable, or already printed
};

// One reading against the zero threshold (grams, whole). A load at exactly
// the threshold neither prints nor re-arms; an unstable reading below it re-arms.
Decision weighingDecision(Currency weight, bool stable, std::int64_t zero, bool printed);

// The zero threshold as typed: blanks around it ignored, a whole number.
std::int64_t zeroThreshold(const QString& editZero);

// A product's PRICE text as a value: "." read as the decimal comma.
Currency priceValue(const QString& priceText);

// The cost of a load: ((W - T1) / 1000) x P, each step cut at the fourth
// place, written with at most two decimals, cut toward zero ("15,41").
QString costText(Currency weight, Currency tare, Currency price);

// The net weight of a closed box, S - (T1 x N + T2), as label 2's barcode
// takes it: the text with its first comma removed.
QString netBoxWeightText(Currency boxMass, Currency tare1, std::int64_t perBox, Currency tare2);
// The same net weight as a value, grams.
Currency netBoxWeight(Currency boxMass, Currency tare1, std::int64_t perBox, Currency tare2);

// Whether the load that finds `counted` loads in the box closes it: the
// N-th load does. A count that has passed N - 1 never closes a box again.
inline bool closesBox(std::int64_t counted, std::int64_t perBox) { return counted == perBox - 1; }

// The net weight limits of label 1's loads, whole grams; none where the
// field is blank.
struct WeightLimits {
    std::optional<std::int64_t> min, max;
};

// The limits as the fields hold them. A field that holds no whole number
// (blanks between digits) throws tarvik::Error naming its caption.
WeightLimits weightLimits(const MaskedDigits& min, const MaskedDigits& max);

enum class LimitCheck { Within, Under, Over };

// A net weight at a limit is within it.
LimitCheck checkWeightLimits(Currency net, const WeightLimits& limits);

// What the main window says of a load held back: short, with the net weight
// and the limit it missed. Empty for a load within the limits.
QString limitAlarmText(LimitCheck check, Currency net, const WeightLimits& limits);

}  // namespace tarvik::station
