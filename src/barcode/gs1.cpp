#include "barcode/gs1.h"

#include "barcode/barcode_tables.h"

#include "platform/text/error.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

namespace tarvik::barcode {

namespace {

constexpr int kFnc1 = 102;
constexpr int kStartB = 104;
constexpr int kStartC = 105;
constexpr int kCodeB = 100;
constexpr int kCodeC = 99;
// A symbol holds at most 48 data characters, separators included.
constexpr int kMaxElementString = 48;

[[noreturn]] void refuse(const QString& text)
{
    throw Error(u"GS1-128: "_qs + text);
}

QString latin(std::string_view s)
{
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool allDigits(const QString& s)
{
    return std::all_of(s.begin(), s.end(), isDigit);
}

// GS1's 82 characters, less the brackets, which the bracket form keeps for the AIs.
bool inCharacterSet(QChar c)
{
    const char16_t u = c.unicode();
    if ((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z'))
        return true;
    return std::u16string_view(u"!\"%&'*+,-./:;<=>?_").find(u) != std::u16string_view::npos;
}

const tables::Gs1AiRow* findAi(const QString& ai)
{
    for (const tables::Gs1AiRow& row : tables::kGs1Ais) {
        if (!ai.startsWith(latin(row.prefix)) || ai.size() != row.digits)
            continue;
        if (row.lastDigitMax >= 0 && ai.back().unicode() - u'0' > row.lastDigitMax)
            return nullptr;
        return &row;
    }
    return nullptr;
}

bool realDate(const QString& yymmdd)
{
    const int yy = yymmdd.left(2).toInt();
    const int mm = yymmdd.mid(2, 2).toInt();
    const int dd = yymmdd.mid(4, 2).toInt();
    if (mm < 1 || mm > 12)
        return false;
    // Two-digit years lie within one century here, where every fourth is a leap year.
    static constexpr std::array<int, 12> kDays = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int last = (mm == 2 && yy % 4 != 0) ? 28 : kDays[std::size_t(mm - 1)];
    return dd <= last;  // day 00: the end of the month
}

Gs1Element checked(const QString& ai, QString value)
{
    const tables::Gs1AiRow* row = findAi(ai);
    if (!row)
        refuse(u"unknown AI (%1)"_qs.arg(ai));
    if (value.isEmpty())
        refuse(u"AI (%1) has no value"_qs.arg(ai));
    for (QChar c : std::as_const(value)) {
        if (row->numeric ? !isDigit(c) : !inCharacterSet(c))
            refuse(row->numeric ? u"AI (%1) takes digits only, not \"%2\""_qs.arg(ai, value)
                                : u"AI (%1): '%2' is not a GS1 character"_qs.arg(ai, QString(c)));
    }
    if (row->checkDigit && value.size() == row->maxLength - 1)
        value += QChar(u'0' + gs1CheckDigit(value));
    if (value.size() < row->minLength || value.size() > row->maxLength) {
        if (row->minLength == row->maxLength)
            refuse(u"AI (%1) takes %2 characters, not %3: \"%4\""_qs.arg(ai).arg(row->maxLength)
                       .arg(value.size()).arg(value));
        refuse(u"AI (%1) takes %2 to %3 characters, not %4: \"%5\""_qs.arg(ai).arg(row->minLength)
                   .arg(row->maxLength).arg(value.size()).arg(value));
    }
    if (row->checkDigit) {
        const int expected = gs1CheckDigit(value.left(value.size() - 1));
        if (value.back().unicode() - u'0' != expected)
            refuse(u"AI (%1): the check digit of %2 is %3, not %4"_qs.arg(ai, value).arg(expected)
                       .arg(value.back()));
    }
    if (row->date && !realDate(value))
        refuse(u"AI (%1): \"%2\" is not a date YYMMDD"_qs.arg(ai, value));
    return {ai, value};
}

}  // namespace

std::vector<Gs1Element> parseGs1(const QString& bracketed)
{
    std::vector<Gs1Element> elements;
    // Nothing at all is a symbol of FNC1 alone: what the width of an empty
    // symbol is measured on.
    if (bracketed.isEmpty())
        return elements;
    if (!bracketed.startsWith(u'('))
        refuse(u"the content must begin with an AI in brackets, such as (01): \"%1\""_qs.arg(bracketed));
    qsizetype i = 0;
    int length = 0;
    while (i < bracketed.size()) {
        const qsizetype close = bracketed.indexOf(u')', i);
        if (close < 0)
            refuse(u"a bracket is not closed: \"%1\""_qs.arg(bracketed.mid(i)));
        const QString ai = bracketed.mid(i + 1, close - i - 1);
        if (ai.size() < 2 || ai.size() > 4 || !allDigits(ai))
            refuse(u"\"(%1)\" is not an AI of 2 to 4 digits"_qs.arg(ai));
        qsizetype next = bracketed.indexOf(u'(', close + 1);
        if (next < 0)
            next = bracketed.size();
        const QString value = bracketed.mid(close + 1, next - close - 1);
        if (value.contains(u')'))
            refuse(u"AI (%1): a bracket inside the value \"%2\""_qs.arg(ai, value));
        elements.push_back(checked(ai, value));
        length += int(ai.size() + elements.back().value.size());
        i = next;
    }
    for (std::size_t e = 0; e + 1 < elements.size(); ++e)
        if (gs1NeedsSeparator(elements[e].ai))
            ++length;
    if (length > kMaxElementString)
        refuse(u"%1 characters, more than a symbol holds (%2)"_qs.arg(length).arg(kMaxElementString));
    return elements;
}

QString gs1BracketText(const std::vector<Gs1Element>& elements)
{
    QString text;
    for (const Gs1Element& e : elements)
        text += u'(' + e.ai + u')' + e.value;
    return text;
}

bool gs1NeedsSeparator(const QString& ai)
{
    const QString two = ai.left(2);
    return std::none_of(tables::kGs1PredefinedLength.begin(), tables::kGs1PredefinedLength.end(),
                        [&](std::string_view p) { return two == latin(p); });
}

std::vector<int> gs1Code128Values(const std::vector<Gs1Element>& elements)
{
    // The data as symbol characters: -1 for FNC1, else the character.
    std::vector<int> items{-1};
    for (std::size_t e = 0; e < elements.size(); ++e) {
        for (QChar c : QString(elements[e].ai + elements[e].value))
            items.push_back(c.unicode());
        if (e + 1 < elements.size() && gs1NeedsSeparator(elements[e].ai))
            items.push_back(-1);
    }
    const std::size_t n = items.size();
    auto digit = [&](std::size_t i) { return i < n && items[i] >= '0' && items[i] <= '9'; };

    // The fewest characters from item i on, in code set B (0) or C (1), by
    // staying in the set for item i or by changing set first.
    constexpr int kNever = std::numeric_limits<int>::max() / 4;
    std::vector<std::array<int, 2>> cost(n + 1, {0, 0});
    auto stay = [&](std::size_t i, int set) {
        if (i == n)
            return 0;
        if (set == 0)
            return 1 + cost[i + 1][0];
        if (items[i] == -1)
            return 1 + cost[i + 1][1];
        return digit(i) && digit(i + 1) ? 1 + cost[i + 2][1] : kNever;
    };
    for (std::size_t i = n; i-- > 0;) {
        const int b = stay(i, 0), c = stay(i, 1);
        cost[i] = {std::min(b, 1 + c), std::min(c, 1 + b)};
    }

    // Between ways of equal length: start in B unless C is shorter, stay in
    // a set, but change to C before an FNC1 rather than after it (as the
    // standard's encodation rules and zint do).
    std::vector<int> values;
    int set = stay(0, 1) < stay(0, 0) ? 1 : 0;
    values.push_back(set == 1 ? kStartC : kStartB);
    for (std::size_t i = 0; i < n;) {
        const bool mustChange = stay(i, set) != cost[i][set];
        const bool changeBeforeFnc1 = set == 0 && items[i] == -1 && 1 + stay(i, 1) == cost[i][0];
        if (mustChange || changeBeforeFnc1) {
            set = 1 - set;
            values.push_back(set == 1 ? kCodeC : kCodeB);
        }
        if (items[i] == -1) {
            values.push_back(kFnc1);
            ++i;
        } else if (set == 1) {
            values.push_back((items[i] - '0') * 10 + (items[i + 1] - '0'));
            i += 2;
        } else {
            values.push_back(items[i] - 32);
            ++i;
        }
    }
    return values;
}

int gs1CheckDigit(const QString& digits)
{
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const int d = digits.at(digits.size() - 1 - i).unicode() - u'0';
        sum += i % 2 == 0 ? 3 * d : d;
    }
    return (10 - sum % 10) % 10;
}

int priceCheckDigit(const QString& price)
{
    // Each weighting factor as what it makes of the digits 0-9: "2-" takes the
    // units less the tens of twice the digit, "5+" the tens plus the units of
    // five times it, "5-" the units less the tens, "3" the units of three times.
    static constexpr std::array<int, 10> k2Minus = {0, 2, 4, 6, 8, 9, 1, 3, 5, 7};
    static constexpr std::array<int, 10> k3 = {0, 3, 6, 9, 2, 5, 8, 1, 4, 7};
    static constexpr std::array<int, 10> k5Plus = {0, 5, 1, 6, 2, 7, 3, 8, 4, 9};
    static constexpr std::array<int, 10> k5Minus = {0, 5, 9, 4, 8, 3, 7, 2, 6, 1};
    if ((price.size() != 4 && price.size() != 5) || !allDigits(price))
        throw Error(u"The price check digit needs a price of 4 or 5 digits, not \"%1\""_qs.arg(price));
    auto d = [&](int i) { return std::size_t(price.at(i).unicode() - u'0'); };
    if (price.size() == 4)
        return (k2Minus[d(0)] + k2Minus[d(1)] + k3[d(2)] + k5Minus[d(3)]) * 3 % 10;
    const int sum = k5Plus[d(0)] + k2Minus[d(1)] + k5Minus[d(2)] + k5Plus[d(3)] + k2Minus[d(4)];
    const int wanted = (10 - sum % 10) % 10;
    // The digit whose "5-" product makes the sum up to a multiple of ten.
    return int(std::find(k5Minus.begin(), k5Minus.end(), wanted) - k5Minus.begin());
}

}  // namespace tarvik::barcode
