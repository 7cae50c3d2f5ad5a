#include "platform/text/currency.h"

#include <limits>

namespace {

[[noreturn]] void notAFloat(const QString& text)
{
    throw tarvik::ConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

[[noreturn]] void notAnInteger(const QString& text)
{
    throw tarvik::ConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

[[noreturn]] void overflow()
{
    throw tarvik::ConvertError(QStringLiteral("Floating point overflow"));
}

std::int64_t checked(__int128 v)
{
    if (v > std::numeric_limits<std::int64_t>::max() || v < std::numeric_limits<std::int64_t>::min())
        overflow();
    return static_cast<std::int64_t>(v);
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

}  // namespace

Currency Currency::fromInt(std::int64_t n)
{
    return Currency(checked(static_cast<__int128>(n) * kScale));
}

Currency Currency::fromText(const QString& text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    qsizetype i = b;
    bool negative = false;
    if (i < e && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    __int128 whole = 0;
    std::int64_t frac = 0;
    int fracDigits = 0;
    bool anyDigit = false, roundUp = false, seenSeparator = false;
    constexpr __int128 kLimit = static_cast<__int128>(std::numeric_limits<std::int64_t>::max()) + 1;
    for (; i < e; ++i) {
        const QChar c = text[i];
        if (c == u',' && !seenSeparator) {
            seenSeparator = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            notAFloat(text);
        anyDigit = true;
        const int d = c.unicode() - u'0';
        if (!seenSeparator) {
            whole = whole * 10 + d;
            if (whole * kScale > kLimit)
                notAFloat(text);
        } else if (fracDigits < 4) {
            frac = frac * 10 + d;
            ++fracDigits;
        } else if (fracDigits == 4) {
            roundUp = d >= 5;
            ++fracDigits;
        }
    }
    if (!anyDigit)
        notAFloat(text);
    for (int k = fracDigits; k < 4; ++k)
        frac *= 10;
    __int128 count = whole * kScale + frac + (roundUp ? 1 : 0);
    if (negative)
        count = -count;
    if (count > std::numeric_limits<std::int64_t>::max() || count < std::numeric_limits<std::int64_t>::min())
        notAFloat(text);
    return Currency(static_cast<std::int64_t>(count));
}

QString Currency::toText() const
{
    const bool negative = count_ < 0;
    // Work in unsigned to keep the most negative count representable.
    const auto magnitude = negative ? std::uint64_t(0) - static_cast<std::uint64_t>(count_) : static_cast<std::uint64_t>(count_);
    QString s = QString::number(magnitude / kScale);
    std::uint64_t frac = magnitude % kScale;
    if (frac != 0) {
        QString f = QString::number(frac).rightJustified(4, u'0');
        while (f.endsWith(u'0'))
            f.chop(1);
        s += u',' + f;
    }
    return negative ? u'-' + s : s;
}

Currency operator+(Currency a, Currency b)
{
    return Currency(checked(static_cast<__int128>(a.count_) + b.count_));
}

Currency operator-(Currency a, Currency b)
{
    return Currency(checked(static_cast<__int128>(a.count_) - b.count_));
}

Currency operator*(Currency a, std::int64_t n)
{
    return Currency(checked(static_cast<__int128>(a.count_) * n));
}

Currency operator/(Currency a, std::int64_t n)
{
    if (n == 0)
        throw tarvik::ConvertError(QStringLiteral("Division by zero"));
    // C++ integer division already cuts toward zero.
    return Currency(checked(static_cast<__int128>(a.count_) / n));
}

Currency operator*(Currency a, Currency b)
{
    return Currency(checked(static_cast<__int128>(a.count_) * b.count_ / Currency::kScale));
}

Currency operator/(Currency a, Currency b)
{
    if (b.count_ == 0)
        throw tarvik::ConvertError(QStringLiteral("Division by zero"));
    return Currency(checked(static_cast<__int128>(a.count_) * Currency::kScale / b.count_));
}

std::optional<std::int64_t> parseWholeNumber(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    __int128 v = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + (c.unicode() - u'0');
        if (v > static_cast<__int128>(std::numeric_limits<std::int64_t>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<std::int64_t>::max())
        return std::nullopt;
    return static_cast<std::int64_t>(v);
}

std::int64_t textToInt64(const QString& text)
{
    const auto v = parseWholeNumber(text);
    if (!v)
        notAnInteger(text);
    return *v;
}

int textToInt(const QString& text)
{
    const std::int64_t v = textToInt64(text);
    if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
        notAnInteger(text);
    return static_cast<int>(v);
}

QString intToText(std::int64_t n)
{
    return QString::number(n);
}
