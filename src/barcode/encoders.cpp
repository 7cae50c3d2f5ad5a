// The encoders of TBarcode: each turns Text into a module string.

#include "barcode/barcode.h"
#include "barcode/barcode_tables.h"
#include "barcode/checksum.h"
#include "barcode/gs1.h"

#include "platform/text/error.h"

#include <vector>

namespace tarvik::barcode {

namespace {

const QString kClassName = u"TBarcode"_qs;

int digitAt(const QString& s, qsizetype i)
{
    return s.at(i).unicode() - u'0';
}

void append(QString& out, std::string_view pattern)
{
    out += QLatin1StringView(pattern.data(), qsizetype(pattern.size()));
}

// Element widths '1'-'4', beginning with a bar, into module-string characters.
QString WidthsToModules(const QString& widths)
{
    QString out = widths;
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = QChar(out.at(i).unicode() + (i % 2 == 0 ? 4 : -1));
    return out;
}

// Keeps Text replaced for the length of a scope (the full-ASCII forms).
class TextSwap {
public:
    TextSwap(QString& text, QString replacement) : text_(text), kept_(std::move(text))
    {
        text_ = std::move(replacement);
    }
    ~TextSwap() { text_ = std::move(kept_); }
    TextSwap(const TextSwap&) = delete;
    TextSwap& operator=(const TextSwap&) = delete;

private:
    QString& text_;
    QString kept_;
};

QString fullAscii(const QString& text, const std::array<std::string_view, 128>& table)
{
    QString out;
    for (QChar ch : text)
        if (ch.unicode() < 128)
            append(out, table[ch.unicode()]);
    return out;
}

// Twice a decimal number given as digits, as digits.
QString doubled(const QString& digits)
{
    QString out(digits.size() + 1, u'0');
    int carry = 0;
    for (qsizetype i = digits.size() - 1, o = out.size() - 1; i >= 0; --i, --o) {
        const int v = digitAt(digits, i) * 2 + carry;
        out[o] = QChar(u'0' + v % 10);
        carry = v / 10;
    }
    out[0] = QChar(u'0' + carry);
    return out;
}

}  // namespace

QString CheckSumSupplement(const QString& text)
{
    const QString data = text.left(text.size() - 1);
    int sum = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const int digit = digitAt(data, data.size() - 1 - i);
        sum += (i % 2 == 0) ? digit * 3 : digit * 9;
    }
    return data + QChar(u'0' + sum % 10);
}

int UpcECheckDigit(const QString& six, int numberSystem)
{
    const QString d = six.left(6).rightJustified(6, u'0');
    QString upcA = QString::number(numberSystem);
    switch (d.at(5).unicode()) {
    case u'0':
    case u'1':
    case u'2': upcA += d.left(2) + d.at(5) + u"0000"_qs + d.mid(2, 3); break;
    case u'3': upcA += d.left(3) + u"00000"_qs + d.mid(3, 2); break;
    case u'4': upcA += d.left(4) + u"00000"_qs + d.at(4); break;
    default: upcA += d.left(5) + u"0000"_qs + d.at(5); break;
    }
    return CheckSumModulo10(upcA).back().unicode() - u'0';
}

// --- EAN and UPC ---------------------------------------------------------

QString TBarcode::Code_EAN8()
{
    QString d;
    if (checksum_)
        d = DoCheckSumming(SetLen(7).right(7));
    else
        d = SetLen(8);
    if (d.size() != 8)
        throw Error(u"Invalid Text len (EAN8)"_qs);
    QString out = u"505"_qs;
    for (int i = 0; i < 4; ++i)
        append(out, tables::kEanSetA[digitAt(d, i)]);
    out += u"05050"_qs;
    for (int i = 4; i < 8; ++i)
        append(out, tables::kEanSetC[digitAt(d, i)]);
    out += u"505"_qs;
    return out;
}

QString TBarcode::Code_EAN13()
{
    const QString d = checksum_ ? DoCheckSumming(SetLen(12)) : SetLen(13);
    if (d.size() != 13)
        throw Error(u"Invalid Text len (EAN13)"_qs);
    const std::string_view parity = tables::kEan13Parity[digitAt(d, 0)];
    QString out = u"505"_qs;
    for (int i = 1; i <= 6; ++i) {
        const int digit = digitAt(d, i);
        switch (parity[i - 1]) {
        case 'A': append(out, tables::kEanSetA[digit]); break;
        case 'B': append(out, tables::kEanSetB[digit]); break;
        case 'C': append(out, tables::kEanSetC[digit]); break;
        }
    }
    out += u"05050"_qs;
    for (int i = 7; i <= 12; ++i)
        append(out, tables::kEanSetC[digitAt(d, i)]);
    out += u"505"_qs;
    return out;
}

QString TBarcode::Code_UPC_A()
{
    text_ = SetLen(12);
    QString d = text_;
    if (checksum_) {
        // Eleven data digits alone cannot fill the symbol.
        if (checkSumMethod_ == csmNone)
            throw Error(u"%1: UPC_A with CheckSum needs the check digit method csmModulo10"_qs.arg(
                kClassName));
        d = DoCheckSumming(text_.left(11));
        text_ = d;
    }
    QString out = u"505"_qs;
    for (int i = 0; i < 6; ++i)
        append(out, tables::kEanSetA[digitAt(d, i)]);
    out += u"05050"_qs;
    for (int i = 6; i < 12; ++i)
        append(out, tables::kEanSetC[digitAt(d, i)]);
    out += u"505"_qs;
    return out;
}

QString TBarcode::Code_UPC_E(bool numberSystem1)
{
    text_ = SetLen(7);
    // The parity row comes from the check digit of the UPC-A number the six
    // digits stand for; a check digit over the six alone gives symbols that
    // scan as another number.
    const int k = UpcECheckDigit(text_.left(6), numberSystem1 ? 1 : 0);
    QString d = text_;
    if (checksum_) {
        if (checkSumMethod_ == csmNone)
            throw Error(u"%1: %2 with CheckSum needs the check digit method csmModulo10"_qs.arg(
                kClassName, numberSystem1 ? u"UPC_E1"_qs : u"UPC_E0"_qs));
        d = text_.left(6) + QChar(u'0' + k);
        text_ = d;
    }
    const std::string_view parity = tables::kUpcEParity[k];
    QString out = u"505"_qs;
    for (int i = 0; i < 6; ++i) {
        const bool even = parity[i] == 'E';
        const bool setB = numberSystem1 ? !even : even;
        append(out, setB ? tables::kEanSetB[digitAt(d, i)] : tables::kEanSetA[digitAt(d, i)]);
    }
    out += u"050505"_qs;
    return out;
}

QString TBarcode::Code_Supp5()
{
    text_ = SetLen(5);
    QString d = CheckSumSupplement(text_.left(5) + u'0');
    const int k = digitAt(d, 5);
    if (checksum_)
        text_ = d;
    else
        d = text_;
    const std::string_view parity = tables::kUpcEParity[k];
    QString out = u"506"_qs;
    for (int i = 0; i < 5; ++i) {
        if (i > 0)
            out += u"05"_qs;
        append(out, parity[i + 1] == 'E' ? tables::kEanSetB[digitAt(d, i)]
                                         : tables::kEanSetA[digitAt(d, i)]);
    }
    return out;
}

QString TBarcode::Code_Supp2()
{
    text_ = SetLen(2);
    const std::string_view parity = tables::kSupp2Parity[text_.left(2).toInt() % 4];
    QString d = CheckSumSupplement(text_.left(2) + u'0');
    if (checksum_)
        text_ = d;
    else
        d = text_;
    QString out = u"506"_qs;
    append(out, parity[0] == 'E' ? tables::kEanSetB[digitAt(d, 0)] : tables::kEanSetA[digitAt(d, 0)]);
    out += u"05"_qs;
    append(out, parity[1] == 'E' ? tables::kEanSetB[digitAt(d, 1)] : tables::kEanSetA[digitAt(d, 1)]);
    return out;
}

// --- 2 of 5 --------------------------------------------------------------

QString TBarcode::Code_2_5_interleaved()
{
    QString out = u"5050"_qs;
    for (qsizetype i = 0; i + 1 < text_.size(); i += 2) {
        const std::string_view first = tables::kTwoOfFive[digitAt(text_, i)];
        const std::string_view second = tables::kTwoOfFive[digitAt(text_, i + 1)];
        for (int j = 0; j < 5; ++j) {
            out += first[j] == '1' ? u'6' : u'5';
            out += second[j] == '1' ? u'1' : u'0';
        }
    }
    out += u"605"_qs;
    return out;
}

QString TBarcode::Code_2_5_industrial()
{
    QString out = u"606050"_qs;
    for (QChar ch : std::as_const(text_))
        for (char flag : tables::kTwoOfFive[ch.unicode() - u'0'])
            out += flag == '1' ? u"60"_qs : u"50"_qs;
    out += u"605060"_qs;
    return out;
}

QString TBarcode::Code_2_5_matrix()
{
    QString out = u"705050"_qs;
    for (QChar ch : std::as_const(text_)) {
        const std::string_view flags = tables::kTwoOfFive[ch.unicode() - u'0'];
        for (int j = 0; j < 5; ++j) {
            if (j % 2 == 0)
                out += flags[j] == '1' ? u'6' : u'5';
            else
                out += flags[j] == '1' ? u'1' : u'0';
        }
        out += u'0';
    }
    out += u"70505"_qs;
    return out;
}

// --- Code 39 -------------------------------------------------------------

QString TBarcode::Code_39()
{
    const auto& table = tables::kCode39;
    const std::string_view startStop = table.back().pattern;
    QString out;
    append(out, startStop);
    out += u'0';
    int sum = 0;
    for (QChar ch : std::as_const(text_)) {
        // Only the 43 data characters: a '*' inside would end the symbol early.
        for (std::size_t r = 0; r + 1 < table.size(); ++r) {
            if (ch.unicode() == static_cast<unsigned char>(table[r].ch)) {
                append(out, table[r].pattern);
                out += u'0';
                sum += table[r].value;
                break;
            }
        }
    }
    if (checksum_) {
        const int check = sum % 43;
        for (const auto& row : table) {
            if (row.value == check) {
                append(out, row.pattern);
                out += u'0';
                break;
            }
        }
    }
    append(out, startStop);
    return out;
}

QString TBarcode::Code_39Extended()
{
    const TextSwap swap(text_, fullAscii(text_, tables::kCode39Ascii));
    return Code_39();
}

// --- Code 128 ------------------------------------------------------------

QString TBarcode::Code_128()
{
    QString widths;
    int sum = 0;
    bool setA = false;
    bool setC = false;
    bool ean = false;
    switch (typ_) {
    case bcCodeEAN128A: ean = true; [[fallthrough]];
    case bcCode128A:
        widths = u"211412"_qs;
        sum = 103;
        setA = true;
        break;
    case bcCodeEAN128B: ean = true; [[fallthrough]];
    case bcCode128B:
        widths = u"211214"_qs;
        sum = 104;
        break;
    case bcCodeEAN128C: ean = true; [[fallthrough]];
    case bcCode128C:
        widths = u"211232"_qs;
        sum = 105;
        setC = true;
        break;
    default: throw Error(u"%1: wrong BarcodeType in Code_128"_qs.arg(kClassName));
    }
    int position = 1;
    QString d = text_;
    if (ean) {
        widths += u"411131"_qs;  // FNC1
        sum += 102 * position;
        ++position;
        if (checksum_)
            d = DoCheckSumming(text_);
    }

    const auto& table = tables::kCode128;
    auto put = [&](int value) {
        append(widths, table[value].widths);
        sum += value * position;
        ++position;
    };
    if (setC) {
        if (d.size() % 2 != 0) {
            d.prepend(u'0');
            text_.prepend(u'0');
        }
        for (qsizetype i = 0; i < d.size(); i += 2) {
            const QString pair = d.mid(i, 2);
            int value = 0;
            for (int r = 0; r < int(table.size()); ++r) {
                if (pair == QLatin1StringView(table[r].c.data(), 2)) {
                    value = r;
                    break;
                }
            }
            put(value);
        }
    } else {
        for (QChar ch : std::as_const(d)) {
            int value = 0;  // no row: encoded as a space
            for (int r = 0; r < int(table.size()); ++r) {
                if (ch.unicode() == static_cast<unsigned char>(setA ? table[r].a : table[r].b)) {
                    value = r;
                    break;
                }
            }
            put(value);
        }
    }
    append(widths, table[sum % 103].widths);
    widths += u"2331112"_qs;
    return WidthsToModules(widths);
}

// --- Code 93 -------------------------------------------------------------

QString TBarcode::Code_93()
{
    const auto& table = tables::kCode93;
    QString widths = u"111141"_qs;
    std::vector<int> values;
    values.reserve(std::size_t(text_.size()));
    for (QChar ch : std::as_const(text_)) {
        int value = -1;
        for (int r = 0; r < int(table.size()); ++r) {
            if (ch.unicode() == static_cast<unsigned char>(table[r].ch)) {
                value = r;
                break;
            }
        }
        if (value < 0)
            throw Error(u"%1:Code93 bad Data <%2>"_qs.arg(kClassName, text_));
        values.push_back(value);
        append(widths, table[value].widths);
    }
    int sumC = 0;
    int sumK = 0;
    int c = 1;
    int k = 2;
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
        sumC += *it * c;
        sumK += *it * k;
        if (++c > 20)
            c = 1;
        if (++k > 15)
            k = 1;
    }
    const int first = sumC % 47;
    const int second = (sumK + sumC) % 47;
    append(widths, table[first].widths);
    append(widths, table[second].widths);
    widths += u"1111411"_qs;
    return WidthsToModules(widths);
}

QString TBarcode::Code_93Extended()
{
    const TextSwap swap(text_, fullAscii(text_, tables::kCode93Ascii));
    return Code_93();
}

// --- MSI, PostNet, Codabar -----------------------------------------------

QString TBarcode::Code_MSI()
{
    QString out = u"60"_qs;
    for (QChar ch : std::as_const(text_))
        append(out, tables::kMsi[ch.unicode() - u'0']);
    // Modulo 10: the digits in odd places from the right form a number that
    // is doubled and its digits added to the other digits. Exact for any length.
    int sum = 0;
    QString doubledDigits;
    const qsizetype n = text_.size();
    for (qsizetype i = 0; i < n; ++i) {
        if ((n - i) % 2 == 1)
            doubledDigits += text_.at(i);
        else
            sum += digitAt(text_, i);
    }
    for (QChar ch : doubled(doubledDigits))
        sum += ch.unicode() - u'0';
    const int check = sum % 10 == 0 ? 0 : 10 - sum % 10;
    append(out, tables::kMsi[check]);
    out += u"515"_qs;
    return out;
}

QString TBarcode::Code_PostNet()
{
    QString out = u"51"_qs;
    for (QChar ch : std::as_const(text_))
        append(out, tables::kPostNet[ch.unicode() - u'0']);
    out += u'5';
    return out;
}

QString TBarcode::Code_Codabar()
{
    const auto& table = tables::kCodabar;
    auto pattern = [&](QChar ch) -> std::string_view {
        for (const auto& row : table)
            if (ch.unicode() == static_cast<unsigned char>(row.ch))
                return row.pattern;
        throw Error(u"%1:Codabar bad Data <%2>: '%3' is not a Codabar character"_qs.arg(
            kClassName, text_, QString(ch)));
    };
    QString out;
    append(out, pattern(u'A'));
    out += u'0';
    for (QChar ch : std::as_const(text_)) {
        append(out, pattern(ch));
        out += u'0';
    }
    append(out, pattern(u'B'));
    return out;
}

// --- GS1-128 -------------------------------------------------------------

QString TBarcode::Code_GS1_128()
{
    const std::vector<Gs1Element> elements = parseGs1(text_.trimmed());
    // The line under the bars is the bracket form, with any check digit computed.
    text_ = gs1BracketText(elements);
    const std::vector<int> values = gs1Code128Values(elements);
    const auto& table = tables::kCode128;
    // The start characters are not in the table of values.
    QString widths = values.front() == 105 ? u"211232"_qs : u"211214"_qs;
    int sum = values.front();
    for (std::size_t i = 1; i < values.size(); ++i) {
        append(widths, table[std::size_t(values[i])].widths);
        sum += values[i] * int(i);
    }
    append(widths, table[std::size_t(sum % 103)].widths);
    widths += u"2331112"_qs;
    return WidthsToModules(widths);
}

}  // namespace tarvik::barcode
