#include "labels/barcode_content.h"

#include "barcode/gs1.h"
#include "labels/label_values.h"
#include "platform/text/error.h"

#include <QRegularExpression>

#include <vector>

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

// The C and W pass over the trimmed template t; characters where `skip` is
// set are copied and do not count.
QString fillLetters(const QString& t, const QString& weightText, const QString& codeText,
                    const std::vector<bool>& skip)
{
    constexpr qsizetype kCodeWidth = 9, kWeightWidth = 6;
    const QString code = prepared(trimmed(codeText), kCodeWidth);
    const QString weight = prepared(weightText, kWeightWidth);
    QString result(t.size(), u'0');
    qsizetype w = 0, c = 0;
    for (qsizetype i = t.size() - 1; i >= 0; --i) {
        if (!skip.empty() && skip[std::size_t(i)]) {
            result[i] = t[i];
        } else if (t[i] == u'W') {
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

[[noreturn]] void refuseField(const QString& field, const QString& why)
{
    throw Error(QStringLiteral("Поле %1 шаблону штрих коду: %2").arg(field, why));
}

// A whole, non-negative number of minor units as `width` digits (0: as it stands).
QString digitsOf(const QString& field, std::int64_t units, int width)
{
    if (units < 0)
        refuseField(field, QStringLiteral("від'ємне значення %1").arg(units));
    const QString text = QString::number(units);
    if (width == 0)
        return text;
    if (text.size() > width)
        refuseField(field, QStringLiteral("значення %1 не вміщується в %2 цифр").arg(text).arg(width));
    return text.rightJustified(width, u'0');
}

Currency unitPriceOf(const BarcodeFields& f, const QString& field)
{
    try {
        return Currency::fromText(QString(f.unitPrice).trimmed().replace(u'.', u','));
    } catch (const ConvertError& e) {
        refuseField(field, QStringLiteral("ціна товару: %1").arg(e.text()));
    }
}

// Currency counts ten-thousandths; a kopiyka is a hundredth.
std::int64_t kopiykas(Currency v)
{
    return v.count() / 100;
}

QString yymmdd(const QString& field, const QDate& d)
{
    if (!d.isValid() || d.year() < 2000 || d.year() > 2099)
        refuseField(field, QStringLiteral("дата поза 2000-2099"));
    return d.toString(QStringLiteral("yyMMdd"));
}

// The value of one field, or nothing when the name is not a field's.
std::optional<QString> fieldValue(const QString& name, const QString& arg, const BarcodeFields& f)
{
    const QString field = u'{' + name + (arg.isNull() ? QString() : u':' + arg) + u'}';
    const bool hasArg = !arg.isNull();
    const int n = arg.toInt();
    auto noArgument = [&] {
        if (hasArg)
            refuseField(field, QStringLiteral("поле пишеться без числа"));
    };
    if (name == u"packed") {
        noArgument();
        return yymmdd(field, f.packed);
    }
    if (name == u"expiry") {
        noArgument();
        return yymmdd(field, f.packed.addDays(shelfLifeDays(f.shelfLife)));
    }
    if (name == u"batch") {
        noArgument();
        return QString(f.batch).remove(u' ');
    }
    if (name == u"net") {
        if (!hasArg || n > 5)
            refuseField(field, QStringLiteral("потрібна кількість знаків після коми, 0-5: {net:3}"));
        // Grams x 10^n / 1000 kilograms, cut toward zero.
        std::int64_t units = f.net.count();
        for (int i = 0; i < n; ++i)
            units *= 10;
        return digitsOf(field, units / (Currency::kScale * 1000), 6);
    }
    if (name == u"price" || name == u"unitprice") {
        if (hasArg && (n < 1 || n > 15))
            refuseField(field, QStringLiteral("кількість цифр 1-15"));
        const Currency unit = unitPriceOf(f, field);
        return digitsOf(field, kopiykas(name == u"price" ? amountPayable(f.net, unit) : unit), hasArg ? n : 0);
    }
    if (name == u"pricecheck") {
        if (n != 4 && n != 5)
            refuseField(field, QStringLiteral("ціна з контрольною цифрою буває з 4 або 5 цифр: {pricecheck:5}"));
        const QString price = digitsOf(field, kopiykas(amountPayable(f.net, unitPriceOf(f, field))), n);
        return QString::number(barcode::priceCheckDigit(price)) + price;
    }
    return std::nullopt;
}

}  // namespace

QString BuildBarcodeContent(const QString& templ, const QString& weightText, const QString& codeText)
{
    return fillLetters(trimmed(templ), weightText, codeText, {});
}

QString BuildBarcodeContent(const QString& templ, const QString& weightText, const QString& codeText,
                            const BarcodeFields& fields)
{
    static const QRegularExpression kField(QStringLiteral("\\{([a-z]+)(?::([0-9]{1,2}))?\\}"));
    const QString t = trimmed(templ);
    struct Span {
        qsizetype from, length;
        QString value;
    };
    std::vector<Span> spans;
    std::vector<bool> skip(std::size_t(t.size()), false);
    for (auto it = kField.globalMatch(t); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const auto value = fieldValue(m.captured(1), m.captured(2), fields);
        if (!value)
            continue;
        spans.push_back({m.capturedStart(), m.capturedLength(), *value});
        std::fill_n(skip.begin() + m.capturedStart(), m.capturedLength(), true);
    }
    QString result = fillLetters(t, weightText, codeText, skip);
    for (auto s = spans.rbegin(); s != spans.rend(); ++s)
        result.replace(s->from, s->length, s->value);
    return result;
}

Currency amountPayable(Currency net, Currency unitPrice)
{
    return (net / Currency::fromInt(1000)) * unitPrice;
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
