#include "platform/text/locale_forms.h"

namespace tarvik::text {

QString shortDate(const QDate& d)
{
    return d.toString(QString::fromLatin1(kShortDateFormat));
}

std::optional<QDate> parseShortDate(const QString& s)
{
    const QDate d = QDate::fromString(s.trimmed(), QString::fromLatin1(kShortDateFormat));
    if (!d.isValid())
        return std::nullopt;
    return d;
}

}  // namespace tarvik::text
