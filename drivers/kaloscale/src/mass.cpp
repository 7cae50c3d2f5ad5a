#include "mass.h"

#include <array>
#include <cctype>

namespace tarvik::kaloscale {

namespace {

struct UnitFactor {
    std::string_view name;
    std::int64_t nanograms;  // one unit
};

// Exact by definition: 1 lb = 453.59237 g, 1 oz = 1/16 lb, 1 ct = 0.2 g.
constexpr std::array<UnitFactor, 7> units{{
    {"g", 1'000'000'000},
    {"kg", 1'000'000'000'000},
    {"mg", 1'000'000},
    {"t", 1'000'000'000'000'000},
    {"ct", 200'000'000},
    {"lb", 453'592'370'000},
    {"oz", 28'349'523'125},
}};

std::optional<std::int64_t> factorOf(std::string_view unit)
{
    for (const auto& u : units) {
        if (u.name.size() != unit.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < unit.size(); ++i)
            same = same && std::tolower(static_cast<unsigned char>(unit[i])) == u.name[i];
        if (same)
            return u.nanograms;
    }
    return std::nullopt;
}

// Wide enough for 12 digits times the largest factor.
__extension__ typedef __int128 Wide;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool isKnownUnit(std::string_view unit) { return factorOf(unit).has_value(); }

bool isMetricUnit(std::string_view unit)
{
    return isKnownUnit(unit) && !sameUnit(unit, "lb") && !sameUnit(unit, "oz");
}

bool sameUnit(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::int64_t outputStep(OutputUnit unit) { return unit == OutputUnit::Kilograms ? 1'000'000'000 : 100'000'000; }

std::optional<Mass> parseMass(std::string_view text, std::string_view unit)
{
    const auto factor = factorOf(unit);
    if (!factor)
        return std::nullopt;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
        while (i < n && isBlank(text[i]))  // scales pad between sign and digits ("-  1.234")
            ++i;
    }
    Wide mantissa = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; i < n && !isBlank(text[i]); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            if (++digits > 12)
                return std::nullopt;
            mantissa = mantissa * 10 + (c - '0');
            if (point)
                ++decimals;
        } else {
            return std::nullopt;
        }
    }
    while (i < n && isBlank(text[i]))
        ++i;
    if (i != n || digits == 0)
        return std::nullopt;
    Wide value = mantissa * *factor;
    for (int d = 0; d < decimals; ++d)
        value /= 10;  // at most 12 places; every factor holds enough tens for the units in use
    // Loss from dividing: a place finer than a nanogram of the unit, far below any scale's step.
    // Beyond a thousand tonnes the text is no weight of a scale, and would not fit the count.
    constexpr Wide limit = Wide{1'000'000'000} * 1'000'000'000;
    if (value > limit)
        return std::nullopt;
    return Mass{static_cast<std::int64_t>(negative ? -value : value)};
}

QString formatMass(Mass mass, OutputUnit unit)
{
    // Rounded to the last place written: 1 g for kilograms with three places, 0.1 g for grams.
    const std::int64_t step = outputStep(unit);
    const bool negative = mass.nanograms < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(mass.nanograms)
                                             : static_cast<std::uint64_t>(mass.nanograms);
    const std::uint64_t steps = (magnitude + static_cast<std::uint64_t>(step) / 2) / static_cast<std::uint64_t>(step);
    const int places = unit == OutputUnit::Kilograms ? 3 : 1;
    const std::uint64_t scale = unit == OutputUnit::Kilograms ? 1000 : 10;
    QString text = QString::number(steps / scale) + u'.'
                   + QString::number(steps % scale).rightJustified(places, u'0');
    if (negative && steps != 0)
        text.prepend(u'-');
    return text;
}

}  // namespace tarvik::kaloscale
