#include "platform/richtext/list_numbering.h"

#include <QRegularExpression>

namespace tarvik::richtext {
namespace {

QString roman(int n)
{
    static constexpr std::pair<int, const char*> kDigits[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"},
    };
    if (n <= 0 || n >= 4000)
        return QString::number(n);  // as editors do outside the Roman range
    QString s;
    for (const auto& [value, digits] : kDigits)
        for (; n >= value; n -= value)
            s += QLatin1String(digits);
    return s;
}

QString letters(int n)
{
    // Word and LibreOffice go on past "z" with "aa", "bb", …
    if (n <= 0)
        return QString::number(n);
    return QString((n - 1) / 26 + 1, QChar(u'a' + (n - 1) % 26));
}

int romanValue(const QString& s)
{
    int total = 0, previous = 0;
    for (auto it = s.crbegin(); it != s.crend(); ++it) {
        static const QString kChars = QStringLiteral("ivxlcdm");
        static constexpr int kValues[] = {1, 5, 10, 50, 100, 500, 1000};
        const qsizetype i = kChars.indexOf(it->toLower());
        if (i < 0)
            return 0;
        const int v = kValues[i];
        total += v < previous ? -v : v;
        previous = std::max(previous, v);
    }
    return total;
}

}  // namespace

NumberFormat numberFormatOf(int levelNfc)
{
    switch (levelNfc) {
    case 1: return NumberFormat::UpperRoman;
    case 2: return NumberFormat::LowerRoman;
    case 3: return NumberFormat::UpperLetter;
    case 4: return NumberFormat::LowerLetter;
    case 23: return NumberFormat::Bullet;
    case 255: return NumberFormat::None;
    default: return NumberFormat::Decimal;  // ordinals, leading zeros, East Asian digits: shown as decimal
    }
}

QString formatNumber(int n, NumberFormat format)
{
    switch (format) {
    case NumberFormat::Decimal: return QString::number(n);
    case NumberFormat::UpperRoman: return roman(n).toUpper();
    case NumberFormat::LowerRoman: return roman(n);
    case NumberFormat::UpperLetter: return letters(n).toUpper();
    case NumberFormat::LowerLetter: return letters(n);
    case NumberFormat::Bullet:
    case NumberFormat::None: return {};
    }
    return {};
}

std::optional<QTextListFormat::Style> qtStyleOf(NumberFormat format)
{
    switch (format) {
    case NumberFormat::Decimal: return QTextListFormat::ListDecimal;
    case NumberFormat::UpperRoman: return QTextListFormat::ListUpperRoman;
    case NumberFormat::LowerRoman: return QTextListFormat::ListLowerRoman;
    case NumberFormat::UpperLetter: return QTextListFormat::ListUpperAlpha;
    case NumberFormat::LowerLetter: return QTextListFormat::ListLowerAlpha;
    case NumberFormat::Bullet: return QTextListFormat::ListDisc;
    case NumberFormat::None: return std::nullopt;
    }
    return std::nullopt;
}

NumberFormat numberFormatOfStyle(QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListDecimal: return NumberFormat::Decimal;
    case QTextListFormat::ListUpperRoman: return NumberFormat::UpperRoman;
    case QTextListFormat::ListLowerRoman: return NumberFormat::LowerRoman;
    case QTextListFormat::ListUpperAlpha: return NumberFormat::UpperLetter;
    case QTextListFormat::ListLowerAlpha: return NumberFormat::LowerLetter;
    default: return NumberFormat::Bullet;
    }
}

QString LevelText::label(const std::array<int, 9>& numbers, const std::array<NumberFormat, 9>& formats) const
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() < 9)
            out += formatNumber(numbers[c.unicode()], formats[c.unicode()]);
        else
            out += c;
    }
    return out;
}

bool LevelText::countsOnlyItsOwnNumber(int level) const
{
    int own = 0;
    for (const QChar c : text) {
        if (c.unicode() >= 9)
            continue;
        if (c.unicode() > level)
            return false;
        if (c.unicode() == level)
            ++own;
    }
    return own == 1;
}

QString LevelText::prefix(int level) const
{
    const qsizetype at = text.indexOf(QChar(static_cast<char16_t>(level)));
    return at < 0 ? text : text.left(at);
}

QString LevelText::suffix(int level) const
{
    const qsizetype at = text.indexOf(QChar(static_cast<char16_t>(level)));
    return at < 0 ? QString() : text.mid(at + 1);
}

std::optional<LabelReading> readLabel(const QString& label)
{
    const QString t = label.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    static const QRegularExpression kNumbered(QStringLiteral("^([^0-9A-Za-z]*)([0-9]+|[A-Za-z]+)([^0-9A-Za-z]*)$"));
    const QRegularExpressionMatch m = kNumbered.match(t);
    if (!m.hasMatch()) {
        if (t.size() == 1 && !t[0].isLetterOrNumber())
            return LabelReading{};  // a bullet sign
        return std::nullopt;
    }
    const QString core = m.captured(2);
    if (core == QLatin1String("o") && m.captured(1).isEmpty() && m.captured(3).isEmpty())
        return LabelReading{};  // the "o" that editors use as a hollow bullet
    LabelReading r;
    r.prefix = m.captured(1);
    r.suffix = m.captured(3);
    static const QRegularExpression kRoman(QStringLiteral("^(?:[ivxlcdm]+|[IVXLCDM]+)$"));
    if (core[0].isDigit()) {
        r.format = NumberFormat::Decimal;
        r.number = core.toInt();
    } else if (kRoman.match(core).hasMatch()
               && (core.size() > 1 || core.compare(QLatin1String("i"), Qt::CaseInsensitive) == 0)
               && roman(romanValue(core)) == core.toLower()) {
        // A lone "i" is far more often the first Roman item than the ninth letter.
        r.format = core[0].isUpper() ? NumberFormat::UpperRoman : NumberFormat::LowerRoman;
        r.number = romanValue(core);
    } else if (core.size() == 1 || core == QString(core.size(), core[0])) {
        r.format = core[0].isUpper() ? NumberFormat::UpperLetter : NumberFormat::LowerLetter;
        r.number = (core.size() - 1) * 26 + (core[0].toLower().unicode() - u'a') + 1;
    } else {
        return std::nullopt;
    }
    return r;
}

}  // namespace tarvik::richtext
