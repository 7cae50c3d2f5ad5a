#include "barcode/checksum.h"

#include "platform/text/error.h"

namespace tarvik::barcode {

QString CheckSumModulo10(const QString& text)
{
    int sum = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = text.at(n - 1 - i);
        if (ch < u'0' || ch > u'9')
            throw ConvertError(u"'%1' is not a valid integer value"_qs.arg(ch));
        const int digit = ch.unicode() - u'0';
        sum += (i % 2 == 0) ? digit * 3 : digit;
    }
    const int check = sum % 10 == 0 ? 0 : 10 - sum % 10;
    return text + QChar(u'0' + check);
}

}  // namespace tarvik::barcode
