// The encoders: module strings and write-backs per symbology, edge cases
// that reveal faults, vectors from the standards, and zint's bars as a
// second opinion.

#include "barcode/barcode.h"
#include "barcode/barcode_tables.h"
#include "barcode/checksum.h"
#include "barcode_test_support.h"

#include "platform/text/error.h"

#include <QProcess>
#include <gtest/gtest.h>

using namespace tarvik::barcode;
using tarvik::barcode::testing::moduleBits;

namespace {

struct Encoded {
    QString modules;
    QString text;  // Text after encoding
    int width;
};

Encoded encode(TBarcodeType type, const QString& text, bool checksum = false,
               TCheckSumMethod method = csmModulo10)
{
    TBarcode b;
    b.SetTyp(type);
    b.SetText(text);
    b.SetCheckSum(checksum);
    b.SetCheckSumMethod(method);
    Encoded e;
    e.modules = b.MakeData();
    e.text = b.Text();
    e.width = b.GetWidth();
    return e;
}

QString errorOf(TBarcodeType type, const QString& text, bool checksum = false,
                TCheckSumMethod method = csmModulo10)
{
    try {
        encode(type, text, checksum, method);
    } catch (const tarvik::Error& e) {
        return e.text();
    }
    return u"(no error)"_qs;
}

QString setA(int d) { return QString::fromLatin1(tables::kEanSetA[d].data(), 4); }
QString setB(int d) { return QString::fromLatin1(tables::kEanSetB[d].data(), 4); }
QString setC(int d) { return QString::fromLatin1(tables::kEanSetC[d].data(), 4); }

// Widths of an element string, bars and spaces alike.
QString widthsOf(const QString& modules)
{
    QString w;
    for (QChar ch : modules)
        w += QChar(u'1' + (ch.unicode() >= u'5' ? ch.unicode() - u'5' : ch.unicode() - u'0'));
    return w;
}

// --- the tables -----------------------------------------------------------

TEST(Tables, EanSetsAreTheStandardOnes)
{
    for (int d = 0; d < 10; ++d) {
        EXPECT_EQ(widthsOf(setA(d)).size(), 4);
        int sum = 0;
        for (QChar w : widthsOf(setA(d)))
            sum += w.unicode() - u'0';
        EXPECT_EQ(sum, 7) << d;
        // C is A with bars and spaces swapped; B is C read backwards.
        EXPECT_EQ(widthsOf(setC(d)), widthsOf(setA(d))) << d;
        QString reversed = widthsOf(setC(d));
        std::reverse(reversed.begin(), reversed.end());
        EXPECT_EQ(widthsOf(setB(d)), reversed) << d;
        EXPECT_LT(setA(d).at(0), u'5');
        EXPECT_LT(setB(d).at(0), u'5');
        EXPECT_GE(setC(d).at(0), u'5');
    }
    EXPECT_EQ(setA(0), u"2605");
    EXPECT_EQ(setB(0), u"0517");
    EXPECT_EQ(setC(0), u"7150");
    EXPECT_EQ(setA(1), u"1615");
    EXPECT_EQ(setB(1), u"0616");
    EXPECT_EQ(setC(1), u"6160");
}

TEST(Tables, Code128AndCode93PatternsAreWellFormed)
{
    for (std::size_t v = 0; v < tables::kCode128.size(); ++v) {
        const auto& row = tables::kCode128[v];
        ASSERT_EQ(row.widths.size(), 6u) << v;
        int sum = 0;
        int bars = 0;
        for (std::size_t i = 0; i < 6; ++i) {
            sum += row.widths[i] - '0';
            if (i % 2 == 0)
                bars += row.widths[i] - '0';
        }
        EXPECT_EQ(sum, 11) << v;
        EXPECT_EQ(bars % 2, 0) << v;  // even bar parity
        if (v < 64) {
            EXPECT_EQ(row.a, char(32 + v)) << v;
        } else if (v < 96) {
            EXPECT_EQ(row.a, char(v - 64)) << v;
        }
        if (v < 95) {
            EXPECT_EQ(row.b, char(32 + v)) << v;
        }
        if (v < 100) {
            EXPECT_EQ(row.c, QString::number(v).rightJustified(2, u'0').toStdString()) << v;
        }
        for (std::size_t w = 0; w < v; ++w)
            EXPECT_NE(tables::kCode128[w].widths, row.widths) << v << " " << w;
    }
    EXPECT_EQ(tables::kCode128[102].widths, "411131");
    for (std::size_t v = 0; v < tables::kCode93.size(); ++v) {
        int sum = 0;
        for (char w : tables::kCode93[v].widths)
            sum += w - '0';
        EXPECT_EQ(sum, 9) << v;
    }
}

TEST(Tables, FullAsciiEntriesUseOnlyTheBaseSets)
{
    auto inCode39 = [](char c) {
        for (std::size_t r = 0; r + 1 < tables::kCode39.size(); ++r)
            if (tables::kCode39[r].ch == c)
                return true;
        return false;
    };
    auto inCode93 = [](char c) {
        for (const auto& row : tables::kCode93)
            if (row.ch == c)
                return true;
        return false;
    };
    for (int code = 0; code < 128; ++code) {
        for (char c : tables::kCode39Ascii[code])
            EXPECT_TRUE(inCode39(c)) << code;
        for (char c : tables::kCode93Ascii[code])
            EXPECT_TRUE(inCode93(c)) << code;
    }
    EXPECT_EQ(tables::kCode39Ascii[0], "%U");
    EXPECT_EQ(tables::kCode39Ascii[1], "$A");
    EXPECT_EQ(tables::kCode39Ascii[97], "+A");
    EXPECT_EQ(tables::kCode93Ascii[0], "]U");
    EXPECT_EQ(tables::kCode93Ascii[1], "[A");
    EXPECT_EQ(tables::kCode93Ascii[97], "}A");
}

// --- EAN and UPC ----------------------------------------------------------

TEST(Ean13, CheckDigitAddedInBarsOnly)
{
    const Encoded e = encode(bcCodeEAN13, u"590123412345"_qs, true);
    EXPECT_TRUE(e.modules.startsWith(u"505"_qs + setA(9)));
    EXPECT_EQ(e.modules.mid(3, 4), u"2506");
    EXPECT_EQ(e.width, 95);
    EXPECT_EQ(e.text, u"590123412345");
    EXPECT_EQ(e.modules.right(7), setC(7) + u"505");  // check digit 7
    // First digit 5: parity ABBAAB for 9 0 1 2 3 4.
    EXPECT_EQ(e.modules.mid(3, 24), setA(9) + setB(0) + setB(1) + setA(2) + setA(3) + setB(4));
}

TEST(Ean13, EdgeCases)
{
    const Encoded thirteen = encode(bcCodeEAN13, u"4820001201234"_qs);
    EXPECT_EQ(thirteen.modules.right(7), setC(4) + u"505");  // no check-digit test
    EXPECT_EQ(errorOf(bcCodeEAN13, u"4820001201234"_qs, true), u"Invalid Text len (EAN13)");
    EXPECT_EQ(errorOf(bcCodeEAN13, u"12345678901234"_qs), u"Invalid Text len (EAN13)");
    EXPECT_EQ(errorOf(bcCodeEAN13, u"123"_qs, true, csmNone), u"Invalid Text len (EAN13)");
    const Encoded short3 = encode(bcCodeEAN13, u"123"_qs);
    EXPECT_EQ(short3.modules.mid(3, 24), setA(0).repeated(4) + setA(0) + setA(0));
    EXPECT_EQ(short3.modules.mid(32, 24), setC(0).repeated(3) + setC(1) + setC(2) + setC(3));
    EXPECT_EQ(short3.text, u"123");
    const Encoded trimmed = encode(bcCodeEAN13, u"\t 590123412345 \r\n"_qs, true);
    EXPECT_EQ(trimmed.text, u"590123412345");
}

TEST(Ean8, EdgeCases)
{
    const Encoded e = encode(bcCodeEAN8, u"5512345"_qs, true);
    EXPECT_EQ(e.width, 67);
    EXPECT_EQ(e.modules, u"505"_qs + setA(5) + setA(5) + setA(1) + setA(2) + u"05050"_qs + setC(3) + setC(4) +
                             setC(5) + setC(7) + u"505");
    EXPECT_EQ(e.text, u"5512345");
    EXPECT_EQ(encode(bcCodeEAN8, u"995512345"_qs, true).modules, e.modules);  // the last seven
    EXPECT_EQ(encode(bcCodeEAN8, u"55123457"_qs).modules, e.modules);
    EXPECT_EQ(errorOf(bcCodeEAN8, u"551234570"_qs), u"Invalid Text len (EAN8)");
    EXPECT_EQ(errorOf(bcCodeEAN8, u"5512345"_qs, true, csmNone), u"Invalid Text len (EAN8)");
}

TEST(UpcA, PadsAndWritesTheCheckDigitBack)
{
    TBarcode b;
    b.SetTyp(bcCodeUPC_A);
    b.SetCheckSum(true);
    b.SetText(u"36000291459"_qs);
    const QString first = b.MakeData();
    EXPECT_EQ(b.Text(), u"036000291452");
    EXPECT_EQ(b.MakeData(), first);  // stable
    EXPECT_EQ(b.Text(), u"036000291452");
    EXPECT_EQ(first, u"505"_qs + setA(0) + setA(3) + setA(6) + setA(0) + setA(0) + setA(0) + u"05050"_qs +
                         setC(2) + setC(9) + setC(1) + setC(4) + setC(5) + setC(2) + u"505");
    EXPECT_EQ(b.GetWidth(), 95);

    const Encoded plain = encode(bcCodeUPC_A, u"0360002914521"_qs);  // 13th digit stays, unencoded
    EXPECT_EQ(plain.text, u"0360002914521");
    EXPECT_EQ(plain.modules, first);
}

TEST(UpcA, ChecksumWithoutAMethodIsRefused)
{
    EXPECT_EQ(errorOf(bcCodeUPC_A, u"36000291459"_qs, true, csmNone),
              u"TBarcode: UPC_A with CheckSum needs the check digit method csmModulo10");
    EXPECT_EQ(errorOf(bcCodeUPC_A, u"036000291452"_qs, false, csmNone), u"(no error)");
    EXPECT_EQ(errorOf(bcCodeUPC_A, u"036000291452"_qs, true, static_cast<TCheckSumMethod>(5)),
              u"TBarcode: wrong CheckSumMethod");
}

TEST(UpcE, ParityFromTheCheckDigitOfTheExpandedNumber)
{
    // Standard UPC-E numbers with their check digits (number system 0):
    // 0 425261 4 = UPC-A 04252610004 (check 4); 0 123456 5; 0 654321 2.
    const struct {
        QString six;
        int check0;
        int check1;
    } cases[] = {
        {u"425261"_qs, 4, 1}, {u"123456"_qs, 5, 2}, {u"654321"_qs, 7, 4},
        {u"000000"_qs, 0, 7}, {u"123453"_qs, 1, 8}, {u"123454"_qs, 3, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UpcECheckDigit(c.six, 0), c.check0) << c.six.toStdString();
        EXPECT_EQ(UpcECheckDigit(c.six, 1), c.check1) << c.six.toStdString();
    }

    const Encoded e0 = encode(bcCodeUPC_E0, u"4252610"_qs, true);
    EXPECT_EQ(e0.text, u"4252614");
    EXPECT_EQ(e0.width, 51);
    // Check digit 4: EoEEoo, E in set B.
    EXPECT_EQ(e0.modules, u"505"_qs + setB(4) + setA(2) + setB(5) + setB(2) + setA(6) + setA(1) + u"050505");
    const Encoded e1 = encode(bcCodeUPC_E1, u"4252610"_qs, true);
    EXPECT_EQ(e1.text, u"4252611");
    // Check digit 1: EEoEoo, number system 1 takes the other sets.
    EXPECT_EQ(e1.modules, u"505"_qs + setA(4) + setA(2) + setB(5) + setA(2) + setB(6) + setB(1) + u"050505");
}

TEST(UpcE, EdgeCases)
{
    const Encoded e = encode(bcCodeUPC_E0, u"123456"_qs);
    EXPECT_EQ(e.text, u"0123456");
    // The six encoded digits are 012345, their parity from the check digit
    // of 00123400005 (7), EoEoEo.
    EXPECT_EQ(UpcECheckDigit(u"012345"_qs, 0), 7);
    EXPECT_EQ(e.modules, u"505"_qs + setB(0) + setA(1) + setB(2) + setA(3) + setB(4) + setA(5) + u"050505");
    // With Checksum off, the given seventh digit is kept and not encoded.
    EXPECT_EQ(encode(bcCodeUPC_E0, u"0123459"_qs).modules, e.modules);
    EXPECT_EQ(encode(bcCodeUPC_E0, u"0123459"_qs).text, u"0123459");
    // Without a method the parity is still the standard one; the check
    // digit of the text cannot be made without one.
    EXPECT_EQ(encode(bcCodeUPC_E0, u"0123459"_qs, false, csmNone).modules, e.modules);
    EXPECT_EQ(errorOf(bcCodeUPC_E1, u"0123459"_qs, true, csmNone),
              u"TBarcode: UPC_E1 with CheckSum needs the check digit method csmModulo10");
    // Stable under repetition.
    TBarcode b;
    b.SetTyp(bcCodeUPC_E0);
    b.SetCheckSum(true);
    b.SetText(u"12345"_qs);
    const QString first = b.MakeData();
    const QString text = b.Text();
    EXPECT_EQ(b.MakeData(), first);
    EXPECT_EQ(b.Text(), text);
}

TEST(Supplements, FiveDigits)
{
    EXPECT_EQ(CheckSumSupplement(u"123450"_qs), u"123451");
    EXPECT_EQ(CheckSumSupplement(u"524990"_qs), u"524993");  // 15 + 18 + 12 + 81 + 27 = 153
    const Encoded e = encode(bcCodeUPC_Supp5, u"12345"_qs);
    // Check digit 1: parity EoEoo.
    EXPECT_EQ(e.modules, u"506"_qs + setB(1) + u"05"_qs + setA(2) + u"05"_qs + setB(3) + u"05"_qs + setA(4) + u"05"_qs +
                             setA(5));
    EXPECT_EQ(e.width, 47);
    EXPECT_EQ(e.text, u"12345");
    const Encoded withCheck = encode(bcCodeUPC_Supp5, u"12345"_qs, true);
    EXPECT_EQ(withCheck.text, u"123451");
    EXPECT_EQ(withCheck.modules, e.modules);
    EXPECT_EQ(encode(bcCodeUPC_Supp5, u"7"_qs).text, u"00007");
}

TEST(Supplements, TwoDigits)
{
    const Encoded e = encode(bcCodeUPC_Supp2, u"12"_qs);
    EXPECT_EQ(e.modules, u"506"_qs + setA(1) + u"05"_qs + setA(2));
    EXPECT_EQ(e.width, 20);
    TBarcode b;
    b.SetTyp(bcCodeUPC_Supp2);
    b.SetCheckSum(true);
    b.SetText(u"12"_qs);
    b.MakeData();
    EXPECT_EQ(b.Text(), u"125");
    b.MakeData();
    EXPECT_EQ(b.Text(), u"125");
    EXPECT_EQ(encode(bcCodeUPC_Supp2, u"13"_qs).modules, u"506"_qs + setA(1) + u"05"_qs + setB(3));  // 1: oE
    EXPECT_EQ(encode(bcCodeUPC_Supp2, u"34"_qs).modules, u"506"_qs + setB(3) + u"05"_qs + setA(4));  // 2: Eo
    EXPECT_EQ(encode(bcCodeUPC_Supp2, u"3"_qs).modules, u"506"_qs + setB(0) + u"05"_qs + setB(3));   // 03: EE
}

// --- other symbologies ----------------------------------------------------

TEST(TwoOfFive, Interleaved)
{
    EXPECT_EQ(encode(bcCode_2_5_interleaved, u""_qs).modules, u"5050605");
    const Encoded e = encode(bcCode_2_5_interleaved, u"12345"_qs);
    EXPECT_EQ(e.modules, encode(bcCode_2_5_interleaved, u"1234"_qs).modules);
    // 1 = 10001 bars, 2 = 01001 spaces.
    EXPECT_EQ(e.modules.mid(4, 10), u"6051505061");
    EXPECT_EQ(e.text, u"12345");
}

TEST(TwoOfFive, IndustrialAndMatrix)
{
    EXPECT_EQ(encode(bcCode_2_5_industrial, u"1"_qs).modules, u"606050" u"6050505060" u"605060");
    EXPECT_EQ(encode(bcCode_2_5_matrix, u"1"_qs).modules, u"705050" u"60506" u"0" u"70505");
    EXPECT_EQ(encode(bcCode_2_5_matrix, u"0"_qs).modules, u"705050" u"50615" u"0" u"70505");
    EXPECT_EQ(encode(bcCode_2_5_matrix, u""_qs).modules, u"70505070505");
}

TEST(Code39, EdgeCases)
{
    const QString start = u"5150606050"_qs;
    const QString stop = u"515060605"_qs;
    EXPECT_EQ(encode(bcCode39, u"abc"_qs).modules, start + stop);
    EXPECT_EQ(encode(bcCode39, u"abc"_qs, true).modules, start + u"5051606050"_qs + stop);
    const Encoded e = encode(bcCode39, u"CODE 39"_qs, true);
    // Check value 113 % 43 = 27: "R".
    EXPECT_TRUE(e.modules.endsWith(u"6050506150"_qs + stop));
    EXPECT_EQ(e.modules.size(), 10 * 9 + 9);
    // CheckSumMethod plays no part.
    EXPECT_EQ(encode(bcCode39, u"CODE 39"_qs, true, csmNone).modules, e.modules);
    // A start/stop character inside the text is not a data character.
    EXPECT_EQ(encode(bcCode39, u"A*B"_qs).modules, encode(bcCode39, u"AB"_qs).modules);
    EXPECT_EQ(encode(bcCode39, u"AB"_qs).text, u"AB");
}

TEST(Code39, ExtendedRestoresText)
{
    const Encoded e = encode(bcCode39Extended, u"a\x01Ї"_qs);
    EXPECT_EQ(e.text, u"a\x01Ї");
    EXPECT_EQ(e.modules, encode(bcCode39, u"+A$A"_qs).modules);
    EXPECT_EQ(encode(bcCode39Extended, u"Code-39"_qs, true).modules,
              encode(bcCode39, u"C+O+D+E-39"_qs, true).modules);
}

TEST(Code128, SetsAndWriteBacks)
{
    const Encoded c = encode(bcCode128C, u"12345"_qs);
    EXPECT_EQ(c.text, u"012345");
    // Start C 105, values 1, 23, 45; check (105 + 1 + 46 + 135) % 103 = 81.
    QString widths = u"211232"_qs;
    for (int v : {1, 23, 45, 81})
        widths += QString::fromLatin1(tables::kCode128[v].widths.data(), 6);
    widths += u"2331112"_qs;
    EXPECT_EQ(widthsOf(c.modules), widths);
    EXPECT_EQ(encode(bcCode128C, u"012345"_qs).modules, c.modules);

    const Encoded b = encode(bcCode128B, u"aB"_qs);
    const Encoded a = encode(bcCode128A, u"aB"_qs);
    EXPECT_EQ(widthsOf(b.modules).mid(6, 6), u"121124");  // 'a' is value 65 in set B
    EXPECT_EQ(widthsOf(a.modules).mid(6, 6), u"212222");  // a space in set A
    EXPECT_EQ(a.modules.mid(6 * 1 + 6), encode(bcCode128A, u"xB"_qs).modules.mid(12));
    EXPECT_EQ(encode(bcCodeEAN128A, u"aB"_qs).modules.mid(12, 12), a.modules.mid(6, 12));
    // Set A holds the control characters; set B turns them into spaces.
    EXPECT_EQ(widthsOf(encode(bcCode128A, u"\t"_qs).modules).mid(6, 6), u"142112");
    EXPECT_EQ(widthsOf(encode(bcCode128B, u"\t"_qs).modules).mid(6, 6), u"212222");
    EXPECT_EQ(encode(bcCode128B, u""_qs).width, 35);
}

TEST(Code128, Ean128CheckDigitAndStability)
{
    TBarcode b;
    b.SetTyp(bcCodeEAN128C);
    b.SetCheckSum(true);
    b.SetText(u"1234"_qs);
    const QString first = b.MakeData();
    EXPECT_EQ(b.Text(), u"01234");
    EXPECT_EQ(b.MakeData(), first);
    EXPECT_EQ(b.Text(), u"01234");
    // Start C, FNC1, 01 23 48, check (105 + 102 + 2 + 69 + 192) % 103 = 58.
    QString widths = u"211232411131"_qs;
    for (int v : {1, 23, 48, 58})
        widths += QString::fromLatin1(tables::kCode128[v].widths.data(), 6);
    EXPECT_EQ(widthsOf(first), widths + u"2331112");

    const Encoded bb = encode(bcCodeEAN128B, u"12"_qs, true);
    EXPECT_EQ(bb.text, u"12");
    EXPECT_EQ(bb.modules, encode(bcCodeEAN128B, u"123"_qs).modules);
    EXPECT_EQ(errorOf(bcCodeEAN128A, u"12A"_qs, true), u"'A' is not a valid integer value");
    EXPECT_EQ(encode(bcCodeEAN128A, u"12A"_qs, true, csmNone).modules, encode(bcCodeEAN128A, u"12A"_qs).modules);
}

TEST(Code93, ChecksAlwaysAdded)
{
    const Encoded e = encode(bcCode93, u"TEST93"_qs);
    // First check 41 "+", second 6.
    const QString w = widthsOf(e.modules);
    EXPECT_EQ(w.left(6), u"111141");
    EXPECT_EQ(w.mid(6 + 36, 6), u"113121");
    EXPECT_EQ(w.mid(6 + 42, 6), u"121311");
    EXPECT_EQ(w.right(7), u"1111411");
    EXPECT_EQ(encode(bcCode93, u"TEST93"_qs, true).modules, e.modules);
    EXPECT_EQ(errorOf(bcCode93, u"TEST 93a"_qs), u"TBarcode:Code93 bad Data <TEST 93a>");
    EXPECT_EQ(encode(bcCode93, u""_qs).modules.size(), 6 * 3 + 7);  // start, two checks, stop
    // The weights wrap after 20 and 15: a long text still checks as the standard says.
    const Encoded longer = encode(bcCode93, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"_qs);
    const QString lw = widthsOf(longer.modules);
    int sumC = 0, sumK = 0;
    const QString data = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"_qs;
    const QString set = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%"_qs;
    for (int i = 0; i < data.size(); ++i) {
        const int fromRight = int(data.size()) - i;  // 1 for the last character
        sumC += int(set.indexOf(data.at(i))) * ((fromRight - 1) % 20 + 1);
        sumK += int(set.indexOf(data.at(i))) * (fromRight % 15 + 1);
    }
    const int c = sumC % 47;
    const int k = (sumK + c) % 47;
    EXPECT_EQ(lw.mid(6 + 6 * 30, 6), QString::fromLatin1(tables::kCode93[c].widths.data(), 6));
    EXPECT_EQ(lw.mid(6 + 6 * 31, 6), QString::fromLatin1(tables::kCode93[k].widths.data(), 6));
}

TEST(Code93, ExtendedNeverFails)
{
    QString all;
    for (int c = 0; c < 128; ++c)
        all += QChar(c);
    const Encoded e = encode(bcCode93Extended, all + u"Ж"_qs);
    EXPECT_EQ(e.text, all + u"Ж");
    EXPECT_EQ(encode(bcCode93Extended, u"a$"_qs).modules, encode(bcCode93, u"}A$"_qs).modules);
}

TEST(Msi, CheckDigit)
{
    const Encoded e = encode(bcCodeMSI, u"1234"_qs);
    EXPECT_EQ(e.modules, u"60" u"51515160" u"51516051" u"51516060" u"51605151" u"51605151" u"515");
    // From the right: 123 -> doubled 1 and 3 (2 + 6), plus 2: 10, check 0.
    EXPECT_TRUE(encode(bcCodeMSI, u"123"_qs).modules.endsWith(u"51515151" u"515"));
    // 80523: 8 . 5 . 3 doubled: 853 * 2 = 1706 -> 14, plus 0 + 2 = 16, check 4.
    EXPECT_TRUE(encode(bcCodeMSI, u"80523"_qs).modules.endsWith(u"51605151" u"515"));
    // Far beyond 32 bits: 2 x N stays exact. Fifty 9s: N = 25 nines, 2N =
    // 1999...98 with digit sum 1 + 24 * 9 + 8 = 225; S = 225; T = 450, check 0.
    EXPECT_TRUE(encode(bcCodeMSI, QString(50, u'9')).modules.endsWith(u"51515151" u"515"));
    // Fifty-one 9s: N = 26 nines, digit sum 1 + 25 * 9 + 8 = 234, S = 225, check 1.
    EXPECT_TRUE(encode(bcCodeMSI, QString(51, u'9')).modules.endsWith(u"51515160" u"515"));
    EXPECT_TRUE(encode(bcCodeMSI, u""_qs).modules == u"60" u"51515151" u"515");
}

TEST(PostNet, Patterns)
{
    EXPECT_EQ(encode(bcCodePostNet, u""_qs).modules, u"515");
    EXPECT_EQ(encode(bcCodePostNet, u"19"_qs).modules, u"51" u"A1A1A15151" u"51A151A1A1" u"5");
}

TEST(Codabar, EdgeCasesAndForeignCharacters)
{
    const Encoded e = encode(bcCodeCodabar, u"1234"_qs);
    EXPECT_TRUE(e.modules.startsWith(u"5061515" u"0"));
    EXPECT_TRUE(e.modules.endsWith(u"5151506"));
    EXPECT_EQ(e.modules, u"50615150" u"50506150" u"50515060" u"61505050" u"50605150" u"5151506");
    EXPECT_EQ(encode(bcCodeCodabar, u"ADBC"_qs).modules.size(), 6 * 8 - 1);
    EXPECT_EQ(errorOf(bcCodeCodabar, u"12a4"_qs),
              u"TBarcode:Codabar bad Data <12a4>: 'a' is not a Codabar character");
    EXPECT_EQ(errorOf(bcCodeCodabar, u"1 2"_qs),
              u"TBarcode:Codabar bad Data <1 2>: ' ' is not a Codabar character");
}

// --- zint's bars as a second opinion ---------------------------------------

QString zintBits(const QStringList& args)
{
    QProcess zint;
    zint.start(u"zint"_qs, QStringList{u"--dump"_qs} + args);
    if (!zint.waitForFinished(10000) || zint.exitCode() != 0)
        return u"zint failed: "_qs + QString::fromLocal8Bit(zint.readAllStandardError());
    QString bits;
    for (QChar ch : QString::fromLatin1(zint.readAllStandardOutput()).trimmed())
        if (ch != u' ')
            bits += QString::number(QString(ch).toInt(nullptr, 16), 2).rightJustified(4, u'0');
    return bits;
}

// Our bars at one pixel per narrow module with the given wide ratio.
QString ourBits(TBarcodeType type, const QString& text, bool checksum, double ratio)
{
    TBarcode b;
    b.SetTyp(type);
    b.SetText(text);
    b.SetCheckSum(checksum);
    b.SetRatio(ratio);
    const QString modules = b.MakeData();
    QString bits;
    for (QChar ch : modules) {
        const auto props = b.OneBarProps(ch);
        bits += QString(props.width, props.lineType == white ? u'0' : u'1');
    }
    return bits;
}

struct ZintCase {
    TBarcodeType type;
    QString text;
    bool checksum;
    double ratio;
    QStringList zintArgs;
};

TEST(SecondOpinion, ModuleStringsMatchZint)
{
    const ZintCase cases[] = {
        {bcCodeEAN13, u"590123412345"_qs, true, 2, {u"-b"_qs, u"13"_qs, u"-d"_qs, u"590123412345"_qs}},
        {bcCodeEAN13, u"482000120125"_qs, true, 2, {u"-b"_qs, u"13"_qs, u"-d"_qs, u"482000120125"_qs}},
        {bcCodeEAN13, u"9780201379624"_qs, false, 2, {u"-b"_qs, u"13"_qs, u"-d"_qs, u"978020137962"_qs}},
        {bcCodeEAN8, u"5512345"_qs, true, 2, {u"-b"_qs, u"13"_qs, u"-d"_qs, u"5512345"_qs}},
        {bcCodeEAN8, u"9638507"_qs, true, 2, {u"-b"_qs, u"13"_qs, u"-d"_qs, u"9638507"_qs}},
        {bcCodeUPC_A, u"36000291459"_qs, true, 2, {u"-b"_qs, u"34"_qs, u"-d"_qs, u"03600029145"_qs}},
        {bcCodeUPC_A, u"012345678905"_qs, false, 2, {u"-b"_qs, u"34"_qs, u"-d"_qs, u"01234567890"_qs}},
        {bcCodeUPC_E0, u"1234560"_qs, true, 2, {u"-b"_qs, u"37"_qs, u"-d"_qs, u"0123456"_qs}},
        {bcCodeUPC_E0, u"4252610"_qs, true, 2, {u"-b"_qs, u"37"_qs, u"-d"_qs, u"0425261"_qs}},
        {bcCodeUPC_E0, u"6543210"_qs, true, 2, {u"-b"_qs, u"37"_qs, u"-d"_qs, u"0654321"_qs}},
        {bcCodeUPC_E1, u"1234560"_qs, true, 2, {u"-b"_qs, u"37"_qs, u"-d"_qs, u"11234562"_qs}},
        {bcCodeUPC_E1, u"4252610"_qs, true, 2, {u"-b"_qs, u"37"_qs, u"-d"_qs, u"14252611"_qs}},
        {bcCodeUPC_Supp5, u"52499"_qs, false, 2, {u"-b"_qs, u"13"_qs, u"-d"_qs, u"52499"_qs}},
        {bcCodeUPC_Supp5, u"12345"_qs, false, 2, {u"-b"_qs, u"13"_qs, u"-d"_qs, u"12345"_qs}},
        {bcCodeUPC_Supp2, u"12"_qs, false, 2, {u"-b"_qs, u"13"_qs, u"-d"_qs, u"12"_qs}},
        {bcCodeUPC_Supp2, u"87"_qs, false, 2, {u"-b"_qs, u"13"_qs, u"-d"_qs, u"87"_qs}},
        {bcCode_2_5_interleaved, u"12345678"_qs, false, 3, {u"-b"_qs, u"3"_qs, u"-d"_qs, u"12345678"_qs}},
        {bcCode_2_5_industrial, u"1234"_qs, false, 3, {u"-b"_qs, u"7"_qs, u"-d"_qs, u"1234"_qs}},
        {bcCode_2_5_matrix, u"1234"_qs, false, 3, {u"-b"_qs, u"2"_qs, u"-d"_qs, u"1234"_qs}},
        {bcCode39, u"CODE 39"_qs, false, 2, {u"-b"_qs, u"8"_qs, u"-d"_qs, u"CODE 39"_qs}},
        {bcCode39, u"CODE 39"_qs, true, 2, {u"-b"_qs, u"8"_qs, u"--vers=1"_qs, u"-d"_qs, u"CODE 39"_qs}},
        {bcCode39, u"-.$/+%"_qs, false, 2, {u"-b"_qs, u"8"_qs, u"-d"_qs, u"-.$/+%"_qs}},
        {bcCode39Extended, u"Tarvik 1.1!"_qs, false, 2, {u"-b"_qs, u"9"_qs, u"-d"_qs, u"Tarvik 1.1!"_qs}},
        {bcCode128B, u"Hello 123"_qs, false, 2, {u"-b"_qs, u"60"_qs, u"-d"_qs, u"Hello 123"_qs}},
        {bcCode128B, u"a~{"_qs, false, 2, {u"-b"_qs, u"60"_qs, u"-d"_qs, u"a~{"_qs}},
        {bcCode128C, u"4820001201250"_qs, false, 2, {u"-b"_qs, u"20"_qs, u"-d"_qs, u"04820001201250"_qs}},
        {bcCodeEAN128C, u"901234"_qs, false, 2, {u"-b"_qs, u"16"_qs, u"--gs1nocheck"_qs, u"-d"_qs, u"[90]1234"_qs}},
        {bcCode93, u"TEST93"_qs, false, 2, {u"-b"_qs, u"25"_qs, u"-d"_qs, u"TEST93"_qs}},
        {bcCode93, u"A-. $/+%Z"_qs, false, 2, {u"-b"_qs, u"25"_qs, u"-d"_qs, u"A-. $/+%Z"_qs}},
        {bcCode93Extended, u"Tarvik 1.1!"_qs, false, 2, {u"-b"_qs, u"25"_qs, u"-d"_qs, u"Tarvik 1.1!"_qs}},
        {bcCodeMSI, u"1234"_qs, false, 2, {u"-b"_qs, u"47"_qs, u"--vers=1"_qs, u"-d"_qs, u"1234"_qs}},
        {bcCodeMSI, u"80523"_qs, false, 2, {u"-b"_qs, u"47"_qs, u"--vers=1"_qs, u"-d"_qs, u"80523"_qs}},
        {bcCodeCodabar, u"40156"_qs, false, 2, {u"-b"_qs, u"18"_qs, u"-d"_qs, u"A40156B"_qs}},
        {bcCodeCodabar, u"-$:/.+"_qs, false, 2, {u"-b"_qs, u"18"_qs, u"-d"_qs, u"A-$:/.+B"_qs}},
    };
    for (const ZintCase& c : cases) {
        const QString ours = ourBits(c.type, c.text, c.checksum, c.ratio);
        const QString theirs = zintBits(c.zintArgs);
        // zint pads its dump to whole hexadecimal digits.
        EXPECT_TRUE(theirs.startsWith(ours) && theirs.size() - ours.size() < 4 &&
                    !theirs.mid(ours.size()).contains(u'1'))
            << barcodeTypeNames().at(c.type).toStdString() << " \"" << c.text.toStdString()
            << "\"\n ours   " << ours.toStdString() << "\n theirs " << theirs.toStdString();
    }
}

}  // namespace
