#pragma once
// Currency: the station's number type for every weight, tare, price, cost and
// total. A signed 64-bit count of ten-thousandths, so 12.5 is held as 125000.
// Labels, reports and the weighing cycle all compute with it. Conversion
// failures throw tarvik::ConvertError.

#include "platform/text/error.h"

#include <QString>
#include <QStringView>
#include <compare>
#include <cstdint>
#include <optional>

class Currency {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromCount(std::int64_t count) { return Currency(count); }
    static Currency fromInt(std::int64_t n);

    // Text to value: blanks at both ends ignored, optional sign, "," as the
    // decimal separator, digits past the fourth place rounded to the nearest
    // ten-thousandth (halves away from zero). Anything else throws
    // "'%s' is not a valid floating point value".
    static Currency fromText(const QString& text);

    // Shortest decimal form: "1234", "12,5", "0,25", "-3", "0".
    QString toText() const;

    constexpr std::int64_t count() const { return count_; }

    friend Currency operator+(Currency a, Currency b);
    friend Currency operator-(Currency a, Currency b);
    // Whole-number multiplication and division; the quotient is cut toward zero.
    friend Currency operator*(Currency a, std::int64_t n);
    friend Currency operator/(Currency a, std::int64_t n);
    // Value by value: the product or quotient cut toward zero at the fourth place.
    friend Currency operator*(Currency a, Currency b);
    friend Currency operator/(Currency a, Currency b);

    friend constexpr auto operator<=>(Currency a, Currency b) = default;
    friend constexpr bool operator==(Currency a, Currency b) = default;
    // Comparison with a whole number compares the count with n * 10000.
    friend constexpr auto operator<=>(Currency a, std::int64_t n) { return a.count_ <=> n * kScale; }
    friend constexpr bool operator==(Currency a, std::int64_t n) { return a.count_ == n * kScale; }

private:
    constexpr explicit Currency(std::int64_t count) : count_(count) {}
    std::int64_t count_ = 0;
};

// Whole numbers from text: decimal digits with an optional sign, nothing else
// (callers that allow blanks remove them first). The station's only reader of
// whole numbers: settings, layout values, counts, typed box and batch numbers.
// Empty when the text is no whole number or does not fit 64 bits.
std::optional<std::int64_t> parseWholeNumber(QStringView text);
// As above, throwing "'%s' is not a valid integer value".
int textToInt(const QString& text);
std::int64_t textToInt64(const QString& text);
QString intToText(std::int64_t n);
