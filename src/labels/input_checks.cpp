#include "labels/input_checks.h"

#include "labels/barcode_content.h"
#include "platform/text/currency.h"
#include "platform/text/error.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>
#include <QImageReader>

#include <cstring>
#include <limits>

namespace tarvik::labels {

namespace {

quint32 u32(const QByteArray& b, qsizetype at)
{
    quint32 v = 0;
    std::memcpy(&v, b.constData() + at, 4);
    return qFromLittleEndian(v);
}

quint16 u16(const QByteArray& b, qsizetype at)
{
    quint16 v = 0;
    std::memcpy(&v, b.constData() + at, 2);
    return qFromLittleEndian(v);
}

constexpr qsizetype kFileHeader = 14;

QString sizeProblem(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        return QStringLiteral("розмір %1 x %2 пікселів неможливий").arg(width).arg(height);
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
        return QStringLiteral("розмір %1 x %2 пікселів завеликий (можна до %3 пікселів по стороні і %4 загалом)")
            .arg(width)
            .arg(height)
            .arg(kMaxPictureSide)
            .arg(kMaxPicturePixels);
    return {};
}

}  // namespace

std::optional<QString> bmpProblem(const QByteArray& b)
{
    if (b.size() < kFileHeader + 4)
        return QStringLiteral("файл обрізаний: %1 байт").arg(b.size());
    const quint32 offset = u32(b, 10);
    const quint32 dib = u32(b, kFileHeader);
    qint64 width = 0, height = 0;
    int bits = 0;
    quint32 compression = 0;
    if (dib == 12) {  // the old core header: unsigned 16-bit sides
        if (b.size() < kFileHeader + 12)
            return QStringLiteral("заголовок обрізаний");
        width = u16(b, 18);
        height = u16(b, 20);
        bits = u16(b, 24);
    } else if (dib >= 40 && dib <= 124) {
        if (b.size() < kFileHeader + 40)
            return QStringLiteral("заголовок обрізаний");
        width = qint32(u32(b, 18));
        height = qint32(u32(b, 22));
        bits = u16(b, 28);
        compression = u32(b, 30);
        // A negative height is a picture stored top row first.
        height = height < 0 ? -height : height;
    } else {
        return QStringLiteral("невідомий заголовок BMP (%1 байт)").arg(dib);
    }
    if (const QString size = sizeProblem(width, height); !size.isEmpty())
        return size;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return QStringLiteral("%1 біт на піксель не буває").arg(bits);
    if (offset < kFileHeader + dib || offset > quint32(b.size()))
        return QStringLiteral("пікселі за межами файлу (зміщення %1, файл %2 байт)").arg(offset).arg(b.size());
    // Uncompressed rows: each padded to four bytes, all of them in the file.
    if (compression == 0 || compression == 3) {
        const qint64 row = (width * bits + 31) / 32 * 4;
        const qint64 need = qint64(offset) + row * height;
        if (need > b.size())
            return QStringLiteral("файл обрізаний: пікселів потрібно до %1 байта, а у файлі %2").arg(need).arg(b.size());
    }
    return std::nullopt;
}

QImage readPicture(const QString& path)
{
    auto refuse = [&](const QString& why) {
        return Error(QStringLiteral("Не вдалося прочитати малюнок \"%1\": %2").arg(path, why));
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw refuse(file.errorString());
    // Far larger than any picture within the limits, kept from memory whole.
    constexpr qint64 kMaxFileBytes = kMaxPicturePixels * 4 + 64 * 1024;
    if (file.size() > kMaxFileBytes)
        throw refuse(QStringLiteral("файл завеликий (%1 байт)").arg(file.size()));
    const QByteArray bytes = file.readAll();
    if (bytes.startsWith("BM"))
        if (const auto problem = bmpProblem(bytes))
            throw refuse(*problem);
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    // Refused before the pixels are allocated. (A top-down BMP reports a
    // negative height here; its header was checked above.)
    if (const QSize claimed = reader.size(); claimed.width() > 0 && claimed.height() > 0)
        if (const QString size = sizeProblem(claimed.width(), claimed.height()); !size.isEmpty())
            throw refuse(size);
    const QImage picture = reader.read();
    if (picture.isNull())
        throw refuse(QStringLiteral("файл пошкоджений або не є малюнком"));
    if (const QString size = sizeProblem(picture.width(), picture.height()); !size.isEmpty())
        throw refuse(size);
    return picture;
}

void checkTemplateFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(file.fileName(), file.errorString()));
    if (file.size() > kMaxTemplateBytes)
        throw Error(QStringLiteral("Шаблон етикетки \"%1\" завеликий: %2 байт, можна до %3")
                        .arg(path)
                        .arg(file.size())
                        .arg(kMaxTemplateBytes));
    const qsizetype dollars = file.readAll().count('$');
    if (dollars > kMaxTemplateDollars)
        throw Error(QStringLiteral("Шаблон етикетки \"%1\" має забагато знаків \"$\" (заповнювачів): %2, можна до %3")
                        .arg(path)
                        .arg(dollars)
                        .arg(kMaxTemplateDollars));
}

namespace {

// The caption of a settings field as the labels name it.
QString field(const char* key, const char* caption, int label = 0)
{
    QString t = QStringLiteral("%1 (поле \"%2\"").arg(QLatin1String(key), QString::fromUtf8(caption));
    if (label)
        t += QStringLiteral(" етикетки %1").arg(label);
    return t + u')';
}

std::optional<Currency> number(const QString& text)
{
    try {
        return Currency::fromText(text);
    } catch (const ConvertError&) {
        return std::nullopt;
    }
}

// The letters of a barcode template beyond what BuildBarcodeContent fills.
std::optional<QString> templateProblem(const QString& templ)
{
    const QString t = templ.trimmed();
    if (t.isEmpty())
        return QStringLiteral("не заповнено");
    const qsizetype w = t.count(u'W'), c = t.count(u'C');
    if (w > kBarcodeWeightPlaces)
        return QStringLiteral("%1 знаків \"W\", а вага дає не більше %2 цифр").arg(w).arg(kBarcodeWeightPlaces);
    if (c > kBarcodeCodePlaces)
        return QStringLiteral("%1 знаків \"C\", а код товару дає не більше %2 цифр").arg(c).arg(kBarcodeCodePlaces);
    return std::nullopt;
}

}  // namespace

QStringList stationSettingsProblems(const data::ProgSettings& s, const data::StartupSettings& startup,
                                    std::optional<int> products)
{
    QStringList problems;
    struct Amount {
        const MaskedDigits data::ProgSettings::*member;
        const char* key;
        const char* caption;
        int label;
        bool positive;  // 0 is refused too
    };
    static const Amount kAmounts[] = {
        {&data::ProgSettings::tara1, "Tara_1", "Тара , гр.", 1, false},
        {&data::ProgSettings::tara2, "Tara_2", "Тара , гр.", 2, false},
        {&data::ProgSettings::sumEtic, "Sum_etic", "Друкувати сумарну етикетку кожні", 0, true},
        {&data::ProgSettings::kilGolovok, "Kil_golovok", "Кількість головок, шт.", 0, false},
        {&data::ProgSettings::weightZero, "Weight_Zero", "Вага \"0\"", 0, false},
    };
    for (const Amount& a : kAmounts) {
        const QString text = (s.*a.member).trimmed();
        const QString name = field(a.key, a.caption, a.label);
        if (text.isEmpty())
            problems << QStringLiteral("%1: не заповнено").arg(name);
        else if (const auto v = number(text); !v)
            problems << QStringLiteral("%1: \"%2\" не є числом").arg(name, text);
        else if (a.positive && *v <= Currency())
            problems << QStringLiteral("%1: має бути більше 0, а не %2").arg(name, text);
    }
    const QString* const templates[] = {&s.bar1, &s.bar2};
    for (int label : {1, 2})
        if (const auto problem = templateProblem(*templates[label - 1]))
            problems << QStringLiteral("%1: %2").arg(field(label == 1 ? "Bar_1" : "Bar_2", "Штрих код", label),
                                                     *problem);
    // Without a catalogue the product lists are empty: the run says so itself.
    const int positions[] = {s.tovar1, s.tovar2};
    for (int label : {1, 2}) {
        if (!products || *products <= 0)
            break;
        const int p = positions[label - 1];
        const QString name = field(label == 1 ? "Tovar_1" : "Tovar_2", "Товар", label);
        if (p < 0)
            problems << QStringLiteral("%1: товар не вибрано").arg(name);
        else if (p >= *products)
            problems << QStringLiteral("%1: позиції %2 немає в каталозі з %3 товарів").arg(name).arg(p + 1).arg(*products);
    }
    problems += data::startupSettingsProblems(startup);
    return problems;
}

std::optional<QString> stationSettingsMessage(const QStringList& problems)
{
    if (problems.isEmpty())
        return std::nullopt;
    return QStringLiteral("Налаштування станції неповні, етикетки не друкуватимуться, доки їх не виправлено "
                          "(Setting_Prog.ini):\n") +
           problems.join(u'\n');
}

QString labelBarcodeContent(int label, const QString& templ, const QString& weightText, const QString& productName,
                            const QString& codeText, const BarcodeFields& fields)
{
    // A weight or a code longer than its places would be cut from the left:
    // the barcode would carry a weight the scale never showed, or another
    // product's code.
    const QString t = templ.trimmed();
    auto refuse = [&](const QString& why) {
        return Error(QStringLiteral("Поле \"Штрих код\" етикетки %1 (\"%2\"): %3").arg(label).arg(t, why));
    };
    if (t.contains(u'W') && weightText.size() > kBarcodeWeightPlaces)
        throw refuse(QStringLiteral("вага \"%1\" довша за %2 знаків штрихкоду").arg(weightText).arg(kBarcodeWeightPlaces));
    if (t.contains(u'C') && codeText.trimmed().size() > kBarcodeCodePlaces)
        throw refuse(QStringLiteral("штрихкод товару \"%1\" (%2) довший за %3 знаків")
                         .arg(productName.trimmed(), codeText.trimmed())
                         .arg(kBarcodeCodePlaces));
    try {
        return BuildBarcodeContent(templ, weightText, codeText, fields);
    } catch (const Error& e) {
        // A field in braces names itself in its error.
        if (t.contains(u'{'))
            throw refuse(e.text());
        QString why;
        if (const auto problem = templateProblem(t))
            why = *problem;
        else if (t.count(u'C') > codeText.trimmed().size() && codeText.trimmed().isEmpty())
            why = QStringLiteral("у товару \"%1\" немає штрихкоду для знаків \"C\"").arg(productName.trimmed());
        else
            why = QStringLiteral("вага \"%1\" не вміщується у знаки \"W\"").arg(weightText);
        throw refuse(QStringLiteral("%1 — %2").arg(e.text(), why));
    }
}

}  // namespace tarvik::labels
