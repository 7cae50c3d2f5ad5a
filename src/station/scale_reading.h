#pragma once
// Turning the scale driver's reading text into the weight the station shows
// and decides on. Free functions, so every rule is testable without windows.

#include "platform/text/currency.h"

#include <QString>
#include <optional>

namespace tarvik::station {

struct ReadingFields {
    QString weight;  // everything before the first ";"
    QString status;  // between the first and the second ";" (or all after the first)
    bool stable() const { return status == u"S"; }
};

// Nothing for the exact text "Error" (no usable reading).
std::optional<ReadingFields> splitReading(const QString& reading);

// The weight text as shown: blanks trimmed, the first "." deleted (with the
// digit after it for scale type 0), remaining "." turned into ",".
QString normaliseWeightText(const QString& weightField, int scaleTypeIndex);

inline constexpr const char16_t* kStableText = u"Стабільна";
inline constexpr const char16_t* kUnstableText = u"============";

// The HRCHECK question text for a failing get_Data call.
QString hrCheckText(std::int32_t code, const QString& systemMessage);

}  // namespace tarvik::station
