#include "platform/text/masked_digits.h"

#include "platform/text/error.h"

namespace tarvik {

MaskedDigits::MaskedDigits(int places) : places_(places) {}

std::optional<MaskedDigits> MaskedDigits::fromText(const QString& text, int places)
{
    QString filled = text;
    while (filled.endsWith(u' '))
        filled.chop(1);
    if (filled.size() > places)
        return std::nullopt;
    for (QChar c : filled)
        if (c != u' ' && (c < u'0' || c > u'9'))
            return std::nullopt;
    MaskedDigits d(places);
    d.filled_ = filled;
    return d;
}

MaskedDigits MaskedDigits::of(const QString& text, int places)
{
    auto d = fromText(text, places);
    if (!d)
        throw Error(QStringLiteral("'%1' does not fit a field of %2 digits").arg(text).arg(places));
    return *d;
}

QString MaskedDigits::text() const
{
    return filled_ + QString(places_ - filled_.size(), u' ');
}

}  // namespace tarvik
