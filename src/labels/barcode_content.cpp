#include "labels/barcode_content.h"

#include "platform/text/error.h"

namespace tarvik::labels {

namespace {

// Blanks and control characters at both ends go.
QString trimmed(const QString& t)
{
    qsizetype b = 0, e = t.size();
    while (b < e && t[b].unicode() <= u' ')
        ++b;
    while (e > b && t[e - 1].unicode() <= u' ')
        --e;
    return t.mid(b, e - b);
}

QString prepared(QString t, qsizetype width)
{
    if (t.size() > width)
        return t.left(width);
    if (!t.isEmpty())
        t.prepend(QString(width - t.size(), u'0'));
    return t;
}

[[noreturn]] void rangeError()
{
    throw Error(QStringLiteral("Range check error"));
}

}  // namespace

QString BuildBarcodeContent(const QString& templ, const QString& weightText, const QString& codeText)
{
    constexpr qsizetype kCodeWidth = 9, kWeightWidth = 6;
    const QString t = trimmed(templ);
    const QString code = prepared(trimmed(codeText), kCodeWidth);
    const QString weight = prepared(weightText, kWeightWidth);
    QString result(t.size(), u'0');
    qsizetype w = 0, c = 0;
    for (qsizetype i = t.size() - 1; i >= 0; --i) {
        if (t[i] == u'W') {
            // The k-th 'W' from the right takes the k-th weight character from the right.
            const qsizetype at = kWeightWidth - 1 - w++;
            if (at < 0 || at >= weight.size())
                rangeError();
            result[i] = weight[at];
        } else if (t[i] == u'C') {
            const qsizetype at = kCodeWidth - 1 - c++;
            if (at < 0 || at >= code.size())
                rangeError();
            result[i] = code[at];
        } else {
            result[i] = t[i];
        }
    }
    return result;
}

std::optional<barcode::BarcodePictureSettings> barcodeSettingsFor(
    int selector, const barcode::BarcodePictureSettings& label1, const barcode::BarcodePictureSettings& label2)
{
    if (selector == kLabel1Barcode)
        return label1;
    if (selector == kLabel2Barcode)
        return label2;
    return std::nullopt;
}

}  // namespace tarvik::labels
