// GS1-128 from bracket-form contents: read back by zbar as "]C1" element
// strings, bars compared with zint's, refused contents with their errors,
// and the price check digit of variable-measure EAN-13.

#include "barcode/barcode.h"
#include "barcode/barcode_picture.h"
#include "barcode/gs1.h"
#include "barcode_test_support.h"
#include "zbar_reader.h"

#include "platform/text/error.h"

#include <QProcess>
#include <gtest/gtest.h>

using namespace tarvik::barcode;
using tarvik::barcode::testing::ZbarReader;

namespace {

// zbar marks a Code 128 symbol that begins with FNC1; with that mark the AIM
// symbology identifier of the reading is "]C1". Separators come back as GS.
QString aimReadings(const QStringList& found)
{
    QStringList out;
    for (const QString& r : found)
        out << (r.startsWith(u"CODE-128+GS1:") ? u"]C1"_qs + r.mid(13) : r);
    return out.join(u" | ");
}

QString zintBits(const QString& bracketed)
{
    QProcess zint;
    zint.start(u"zint"_qs, {u"--dump"_qs, u"-b"_qs, u"16"_qs, u"--gs1parens"_qs, u"-d"_qs, bracketed});
    if (!zint.waitForFinished(10000) || zint.exitCode() != 0)
        return u"zint failed: "_qs + QString::fromLocal8Bit(zint.readAllStandardError());
    QString bits;
    for (QChar ch : QString::fromLatin1(zint.readAllStandardOutput()).trimmed())
        if (ch != u' ')
            bits += QString::number(QString(ch).toInt(nullptr, 16), 2).rightJustified(4, u'0');
    return bits;
}

struct Accepted {
    QString content;   // as a template gives it
    QString shown;     // the line under the bars
    QString read;      // zbar's reading with its AIM identifier
};

const QString GS = QString(QChar(0x1D));

const Accepted kAccepted[] = {
    // Fixed-length AIs need no separator, the last element none either.
    {u"(01)04820001201253(3103)001234(15)261231(10)P17"_qs, u"(01)04820001201253(3103)001234(15)261231(10)P17"_qs,
     u"]C10104820001201253310300123415261231"_qs + u"10P17"_qs},
    // A GTIN of 13 digits gains its check digit; a batch before another AI ends with FNC1.
    {u"(01)0482000120125(10)ABC-12(21)7"_qs, u"(01)04820001201253(10)ABC-12(21)7"_qs,
     u"]C10104820001201253"_qs + u"10ABC-12"_qs + GS + u"217"_qs},
    {u"(00)04820001234567890(3922)1599"_qs, u"(00)048200012345678905(3922)1599"_qs,
     u"]C100048200012345678905"_qs + u"39221599"_qs},
    {u"(10)abc(17)240229(3102)012345"_qs, u"(10)abc(17)240229(3102)012345"_qs,
     u"]C110abc"_qs + GS + u"17240229"_qs + u"3102012345"_qs},
    {u"(91)x!%&'*+,-./:;<=>?_(01)04820001201253"_qs, u"(91)x!%&'*+,-./:;<=>?_(01)04820001201253"_qs,
     u"]C191x!%&'*+,-./:;<=>?_"_qs + GS + u"0104820001201253"_qs},
    {u"(8005)000150(7003)2612311430(3922)12345"_qs,
     u"(8005)000150(7003)2612311430(3922)12345"_qs,
     u"]C18005000150"_qs + GS + u"70032612311430"_qs + GS + u"392212345"_qs},
    // Day 00: the end of the month.
    {u"(15)270200"_qs, u"(15)270200"_qs, u"]C115270200"_qs},
};

TEST(Gs1_128, ZbarReadsTheElementStringBehindFnc1)
{
    ZbarReader reader;
    for (const Accepted& c : kAccepted) {
        for (double angle : {0.0, 180.0}) {
            const QImage picture = MakeBarcodePicture(c.content, {bcCodeGS1_128, false, csmModulo10, angle});
            const QImage printed = picture.scaled(picture.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            EXPECT_EQ(aimReadings(reader.read(printed)), c.read) << c.content.toStdString() << " at " << angle;
        }
        TBarcode b;
        b.SetTyp(bcCodeGS1_128);
        b.SetText(c.content);
        b.MakeData();
        EXPECT_EQ(b.Text(), c.shown);
        // Drawing again from the shown text gives the same symbol.
        const QString once = b.MakeData();
        TBarcode again;
        again.SetTyp(bcCodeGS1_128);
        again.SetText(c.shown);
        EXPECT_EQ(again.MakeData(), once);
    }
}

// Bars given as '1' and '0', two pixels a module, with quiet zones.
QImage barsPicture(const QString& bits)
{
    QImage picture(int(bits.size() + 40) * 2, 60, QImage::Format_RGB888);
    picture.fill(Qt::white);
    for (qsizetype i = 0; i < bits.size(); ++i)
        if (bits.at(i) == u'1')
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < 2; ++x)
                    picture.setPixelColor(int(20 + i) * 2 + x, y, Qt::black);
    return picture;
}

TEST(Gs1_128, BarsAgreeWithZint)
{
    ZbarReader reader;
    int same = 0;
    for (const Accepted& c : kAccepted) {
        TBarcode b;
        b.SetTyp(bcCodeGS1_128);
        b.SetText(c.content);
        const QString ours = tarvik::barcode::testing::moduleBits(b.MakeData());
        QString theirs = zintBits(b.Text());
        ASSERT_FALSE(theirs.startsWith(u"zint failed")) << theirs.toStdString();
        // zint pads its dump to whole hexadecimal digits.
        while (theirs.endsWith(u'0') && (theirs.size() - 2) % 11 != 0)
            theirs.chop(1);
        if (theirs.size() == ours.size()) {
            EXPECT_EQ(ours, theirs) << c.content.toStdString();
            ++same;
            continue;
        }
        // zint's encodation is not always the shortest ("12" FNC1 "217" in
        // set C, then B for one digit): ours is then shorter by whole symbol
        // characters, and the two carry the same element string.
        EXPECT_LT(ours.size(), theirs.size()) << c.content.toStdString();
        EXPECT_EQ((theirs.size() - ours.size()) % 11, 0) << c.content.toStdString();
        EXPECT_EQ(aimReadings(reader.read(barsPicture(theirs))), c.read) << c.content.toStdString();
        EXPECT_EQ(aimReadings(reader.read(barsPicture(ours))), c.read) << c.content.toStdString();
    }
    EXPECT_GE(same, 5);
}

TEST(Gs1_128, TheEan128TypesKeepTheirMeaning)
{
    // The same digits under the old type are data as they stand, brackets and all refused as digits.
    TBarcode b;
    b.SetTyp(bcCodeEAN128C);
    b.SetText(u"(01)04820001201253"_qs);
    EXPECT_THROW(b.MakeData(), tarvik::Error);
    EXPECT_EQ(barcodeTypeNames().at(bcCodeEAN128C), u"CodeEAN128C");
    EXPECT_EQ(barcodeTypeFromName(u"CodeGS1_128"_qs), bcCodeGS1_128);
    EXPECT_EQ(int(bcCodeGS1_128), 23);
}

struct Refused {
    QString content;
    QString error;
};

TEST(Gs1_128, RefusedContentsSayWhy)
{
    const QString forty = QString(40, u'A');
    const Refused cases[] = {
        {u"(01)04820001201250(3103)001234(15)261231(10)P17"_qs,
         u"GS1-128: AI (01): the check digit of 04820001201250 is 3, not 0"_qs},
        {u"(01)048200012012"_qs, u"GS1-128: AI (01) takes 14 characters, not 12: \"048200012012\""_qs},
        {u"(01)048200012012533"_qs, u"GS1-128: AI (01) takes 14 characters, not 15: \"048200012012533\""_qs},
        {u"(3103)1234"_qs, u"GS1-128: AI (3103) takes 6 characters, not 4: \"1234\""_qs},
        {u"(3103)00123A"_qs, u"GS1-128: AI (3103) takes digits only, not \"00123A\""_qs},
        {u"(3106)001234"_qs, u"GS1-128: unknown AI (3106)"_qs},
        {u"(23)12"_qs, u"GS1-128: unknown AI (23)"_qs},
        {u"(15)261331"_qs, u"GS1-128: AI (15): \"261331\" is not a date YYMMDD"_qs},
        {u"(17)250229"_qs, u"GS1-128: AI (17): \"250229\" is not a date YYMMDD"_qs},
        {u"(10)P 17"_qs, u"GS1-128: AI (10): ' ' is not a GS1 character"_qs},
        {u"(10)ABCDEFGHIJKLMNOPQRSTU"_qs,
         u"GS1-128: AI (10) takes 1 to 20 characters, not 21: \"ABCDEFGHIJKLMNOPQRSTU\""_qs},
        {u"(10)(01)04820001201253"_qs, u"GS1-128: AI (10) has no value"_qs},
        {u"01)123"_qs, u"GS1-128: the content must begin with an AI in brackets, such as (01): \"01)123\""_qs},
        {u"(01"_qs, u"GS1-128: a bracket is not closed: \"(01\""_qs},
        {u"(1)23"_qs, u"GS1-128: \"(1)\" is not an AI of 2 to 4 digits"_qs},
        {u"(10)P)17"_qs, u"GS1-128: AI (10): a bracket inside the value \"P)17\""_qs},
        {u"(91)"_qs + forty + u"(92)ABCD"_qs, u"GS1-128: 49 characters, more than a symbol holds (48)"_qs},
        {u"482000120125"_qs, u"GS1-128: the content must begin with an AI in brackets, such as (01): \"482000120125\""_qs},
    };
    for (const Refused& c : cases) {
        TBarcode b;
        b.SetTyp(bcCodeGS1_128);
        b.SetText(c.content);
        try {
            b.MakeData();
            ADD_FAILURE() << "accepted " << c.content.toStdString();
        } catch (const tarvik::Error& e) {
            EXPECT_EQ(e.text(), c.error) << c.content.toStdString();
        }
    }
}

// --- the price check digit ---------------------------------------------------

TEST(PriceCheckDigit, VectorsWorkedFromTheWeightingFactors)
{
    // 2875: 2-(2)=4, 2-(8)=5, 3(7)=1, 5-(5)=3; 13 x 3 = 39 -> 9.
    // 1234: 2 + 4 + 9 + 8 = 23; 69 -> 9.  0150: 0 + 2 + 5 + 0 = 7; 21 -> 1.
    // 14685: 5+(1)=5, 2-(4)=8, 5-(6)=7, 5+(8)=4, 2-(5)=9; 33, 40 - 33 = 7 = 5-(6) -> 6.
    // 01250: 0 + 2 + 9 + 7 + 0 = 18; 20 - 18 = 2 = 5-(7) -> 7.
    const std::pair<QString, int> vectors[] = {
        {u"2875"_qs, 9}, {u"1234"_qs, 9}, {u"0150"_qs, 1}, {u"0000"_qs, 0},
        {u"14685"_qs, 6}, {u"01250"_qs, 7}, {u"00000"_qs, 0},
    };
    for (const auto& [price, digit] : vectors)
        EXPECT_EQ(priceCheckDigit(price), digit) << price.toStdString();
    for (const QString& bad : {u"123"_qs, u"123456"_qs, u"12a4"_qs, QString()})
        EXPECT_THROW(priceCheckDigit(bad), tarvik::Error) << bad.toStdString();
}

TEST(PriceCheckDigit, EverySingleDigitErrorChangesIt)
{
    for (int width : {4, 5}) {
        int limit = width == 4 ? 10000 : 100000;
        for (int p = 0; p < limit; p += (width == 4 ? 1 : 7)) {
            const QString price = QString::number(p).rightJustified(width, u'0');
            const int k = priceCheckDigit(price);
            for (int at = 0; at < width; ++at)
                for (int d = 0; d < 10; ++d) {
                    if (price.at(at) == QChar(u'0' + d))
                        continue;
                    QString wrong = price;
                    wrong[at] = QChar(u'0' + d);
                    ASSERT_NE(priceCheckDigit(wrong), k) << price.toStdString() << " vs " << wrong.toStdString();
                }
        }
    }
}

}  // namespace
