// TBarcode's properties, notifications, width classes, widths and errors.

#include "barcode/barcode.h"
#include "barcode/checksum.h"
#include "barcode_test_support.h"

#include "platform/text/error.h"

#include <QPointer>
#include <gtest/gtest.h>

#include <cmath>

using namespace tarvik::barcode;

namespace {

// Counts OnChange calls.
struct Changes {
    int count = 0;
    void attach(TBarcode& b)
    {
        b.SetOnChange([this](TBarcode*) { ++count; });
    }
};

QString errorOf(TBarcode& b)
{
    try {
        b.MakeData();
    } catch (const tarvik::Error& e) {
        return e.text();
    }
    return {};
}

TEST(TBarcodeDefaults, NewComponentEncodesThirteenZerosAs95Pixels)
{
    TBarcode b;
    EXPECT_EQ(b.Typ(), bcCodeEAN13);
    EXPECT_EQ(b.Modul(), 1);
    EXPECT_EQ(b.Ratio(), 2.0);
    EXPECT_FALSE(b.Checksum());
    EXPECT_EQ(b.CheckSumMethod(), csmModulo10);
    EXPECT_EQ(b.ShowText(), bcoNone);
    EXPECT_EQ(b.ShowTextPosition(), stpTopLeft);
    EXPECT_EQ(b.Color(), 0xFFFFFFu);
    EXPECT_EQ(b.ColorBar(), 0u);
    EXPECT_EQ(b.GetWidth(), 95);
    EXPECT_EQ(b.MakeData(), u"505"_qs + u"2605"_qs.repeated(6) + u"05050"_qs +
                                u"7150"_qs.repeated(6) + u"505");
}

TEST(TBarcodeNotify, SettersFireOnlyOnChangeModulAlways)
{
    TBarcode b;
    Changes changes;
    changes.attach(b);
    b.SetHeight(0);
    b.SetTop(0);
    b.SetLeft(0);
    b.SetText(u""_qs);
    b.SetRatio(2.0);
    b.SetTyp(bcCodeEAN13);
    b.SetCheckSum(false);
    b.SetAngle(0);
    b.SetShowText(bcoNone);
    b.SetShowTextPosition(stpTopLeft);
    EXPECT_EQ(changes.count, 0);

    b.SetHeight(5);
    b.SetTop(1);
    b.SetLeft(1);
    b.SetText(u"1"_qs);
    b.SetRatio(2.5);
    b.SetTyp(bcCode39);
    b.SetCheckSum(true);
    b.SetAngle(90);
    b.SetShowText(bcoBoth);
    b.SetShowTextPosition(stpBottomCenter);
    EXPECT_EQ(changes.count, 10);

    changes.count = 0;
    b.SetModul(0);
    b.SetModul(50);
    b.SetModul(-1);
    EXPECT_EQ(changes.count, 0);
    EXPECT_EQ(b.Modul(), 1);
    b.SetModul(7);
    b.SetModul(7);
    EXPECT_EQ(changes.count, 2);
    EXPECT_EQ(b.Modul(), 7);
    b.SetModul(49);
    EXPECT_EQ(b.Modul(), 49);

    changes.count = 0;
    b.SetShowTextFont(b.ShowTextFont());  // always announced
    b.SetCheckSumMethod(csmNone);         // plain fields: silent
    b.SetColor(0x123456);
    b.SetColorBar(0x654321);
    EXPECT_EQ(changes.count, 1);
}

TEST(TBarcodeNotify, WriteBacksAreSilentRatioClampIsNot)
{
    TBarcode b;
    Changes changes;
    b.SetTyp(bcCode_2_5_interleaved);
    b.SetText(u" 1234 "_qs);
    b.SetRatio(1.5);
    changes.attach(b);
    b.MakeData();
    EXPECT_EQ(b.Text(), u"1234");
    EXPECT_EQ(b.Ratio(), 2.0);
    EXPECT_EQ(changes.count, 1);  // the clamp only
    b.MakeData();
    EXPECT_EQ(changes.count, 1);

    TBarcode c;
    c.SetTyp(bcCode128B);
    c.SetRatio(1.5);
    c.MakeData();
    EXPECT_EQ(c.Ratio(), 1.5);
}

struct RatioCase {
    TBarcodeType type;
    double ratio;
    double clamped;
};

TEST(TBarcodeModules, RatioClampPerType)
{
    const RatioCase cases[] = {
        {bcCode_2_5_matrix, 2.0, 2.25},  {bcCode_2_5_matrix, 3.5, 3.0}, {bcCode_2_5_matrix, 2.5, 2.5},
        {bcCodeEAN13, 1.0, 2.0},         {bcCodeEAN13, 4.0, 3.0},       {bcCode39, 2.2, 2.2},
        {bcCodeCodabar, 1.9, 2.0},       {bcCode93, 1.0, 1.0},          {bcCodeMSI, 3.5, 3.5},
        {bcCodeEAN128C, 0.9, 0.9},       {bcCodePostNet, 2.8, 2.8},
    };
    for (const RatioCase& c : cases) {
        TBarcode b;
        b.SetTyp(c.type);
        b.SetRatio(c.ratio);
        b.MakeModules();
        EXPECT_EQ(b.Ratio(), c.clamped) << c.type << " " << c.ratio;
    }
}

TEST(TBarcodeModules, WidthClassesRoundHalvesToEven)
{
    struct Case {
        int modul;
        double ratio;
        std::array<int, 4> modules;
    } cases[] = {
        {1, 2.5, {1, 2, 3, 4}},   {3, 2.5, {3, 8, 12, 16}}, {1, 2.0, {1, 2, 3, 4}},
        {2, 2.0, {2, 4, 6, 8}},   {1, 3.0, {1, 3, 4, 6}},   {5, 2.3, {5, 12, 18, 24}},
        {7, 2.5, {7, 18, 27, 36}}, {21, 3.0, {21, 63, 94, 126}},
    };
    for (const Case& c : cases) {
        TBarcode b;
        b.SetTyp(bcCode39);
        b.SetModul(c.modul);
        b.SetRatio(c.ratio);
        b.MakeModules();
        EXPECT_EQ(b.Modules(), c.modules) << c.modul << " x " << c.ratio;
    }
}

TEST(TBarcodeModules, WidthsPastWhatTheFieldsHoldAreRefused)
{
    struct Case {
        TBarcodeType type;
        int modul;
        double ratio;
    } cases[] = {
        {bcCode39, 22, 3.0},        // wide class 66, widest 132
        {bcCode128B, 40, 2.0},      // widest 160
        {bcCode128B, 1, 0.4},       // a wide class of no pixel at all
        {bcCode93, 1, -2.0},
        {bcCode93, 1, std::nan("")},
        {bcCode128B, 49, 1e300},
    };
    for (const Case& c : cases) {
        TBarcode b;
        b.SetTyp(c.type);
        b.SetModul(c.modul);
        b.SetRatio(c.ratio);
        const QString error = errorOf(b);
        EXPECT_TRUE(error.startsWith(u"TBarcode: module widths out of range (Modul")) << error.toStdString();
        EXPECT_TRUE(error.contains(u"1 to 127 pixels")) << error.toStdString();
    }
    TBarcode edge;
    edge.SetTyp(bcCode128B);
    edge.SetModul(32);
    edge.SetRatio(1.97);  // wide class 63, widest 126
    EXPECT_NO_THROW(edge.MakeData());
}

TEST(TBarcodeErrors, FixedTexts)
{
    TBarcode b;
    b.SetTyp(static_cast<TBarcodeType>(kBarcodeTypeCount));
    EXPECT_EQ(errorOf(b), u"TBarcode: wrong BarcodeType");
    b.SetTyp(static_cast<TBarcodeType>(-1));
    EXPECT_EQ(errorOf(b), u"TBarcode: wrong BarcodeType");

    b.SetTyp(bcCode_2_5_interleaved);
    b.SetText(u"12A4"_qs);
    EXPECT_EQ(errorOf(b), u"Barcode must be numeric");
    b.SetText(u"12,5"_qs);
    b.SetTyp(bcCodeEAN13);
    EXPECT_EQ(errorOf(b), u"Barcode must be numeric");

    b.SetTyp(bcCode93);
    b.SetText(u"ab"_qs);
    EXPECT_EQ(errorOf(b), u"TBarcode:Code93 bad Data <ab>");
    EXPECT_THROW(b.GetWidth(), tarvik::Error);
    EXPECT_THROW(b.SetWidth(100), tarvik::Error);
    EXPECT_EQ(b.Modul(), 1);

    b.SetTyp(bcCodeEAN128B);
    b.SetCheckSum(true);
    b.SetText(u"12x"_qs);
    EXPECT_EQ(errorOf(b), u"'x' is not a valid integer value");

    EXPECT_EQ(b.OneBarProps(u'5').lineType, black);
    EXPECT_THROW(b.OneBarProps(u'4'), tarvik::Error);
    try {
        b.OneBarProps(u'9');
    } catch (const tarvik::Error& e) {
        EXPECT_EQ(e.text(), u"TBarcode: internal Error");
    }
}

TEST(TBarcodeErrors, ComponentStaysUsableAfterAFailure)
{
    TBarcode b;
    b.SetText(u"12A"_qs);
    EXPECT_THROW(b.MakeData(), tarvik::Error);
    b.SetText(u"12"_qs);
    EXPECT_EQ(b.GetWidth(), 95);
}

TEST(TBarcodeText, RefusesWhatASingleByteTextCannotHold)
{
    TBarcode b;
    b.SetText(u"Ціна 5"_qs);  // Cyrillic is fine in Windows-1251
    EXPECT_THROW(b.SetText(u"\u4e2d"_qs), tarvik::Error);
    EXPECT_EQ(b.Text(), u"Ціна 5");
}

TEST(TBarcodeWidth, SetWidthTruncatesAndKeepsModulInRange)
{
    TBarcode b;
    b.SetModul(2);
    EXPECT_EQ(b.GetWidth(), 190);
    b.SetWidth(50);  // 2 * 50 / 190 = 0: unchanged
    EXPECT_EQ(b.Modul(), 2);
    b.SetWidth(300);  // 2 * 300 / 190 = 3
    EXPECT_EQ(b.Modul(), 3);
    b.SetWidth(95 * 60);  // would need 60
    EXPECT_EQ(b.Modul(), 3);

    TBarcode c128;
    c128.SetTyp(bcCode128B);
    c128.SetModul(2);
    EXPECT_EQ(c128.GetWidth(), 70);  // start, check and stop
    c128.SetWidth(50);
    EXPECT_EQ(c128.Modul(), 1);
    EXPECT_EQ(c128.GetWidth(), 35);

    TBarcode empty;  // an empty interleaved symbol is 8 modules
    empty.SetTyp(bcCode_2_5_interleaved);
    empty.SetModul(2);
    empty.SetWidth(50);
    EXPECT_EQ(empty.Modul(), 6);
}

TEST(TBarcodeCanvasSize, RoundsHalvesToEven)
{
    struct Case {
        QString text;  // EAN-13 widths: 95
        int modul;
        int height;
        double angle;
        int width;
        int heightOut;
    } cases[] = {
        {u""_qs, 1, 0, 0, 96, 0},      // W 95: 95.5 -> 96
        {u""_qs, 2, 10, 0, 190, 10},   // W 190: 190.5 -> 190
        // cos 90 degrees is not quite 0 in doubles: 50.5 + 6e-15 rounds up.
        {u""_qs, 1, 50, 90, 51, 96},
        {u""_qs, 1, 50, 180, 96, 51},
        {u""_qs, 1, 50, 270, 51, 96},
        {u""_qs, 1, 50, 45, 103, 103}, // (95 + 50) * 0.7071 + 0.5 = 103.03
        {u""_qs, 1, 50, -30, 108, 91}, // 95c + 50s = 107.27; 95s + 50c = 90.8
    };
    for (const Case& c : cases) {
        TBarcode b;
        b.SetText(c.text);
        b.SetModul(c.modul);
        b.SetHeight(c.height);
        b.SetAngle(c.angle);
        EXPECT_EQ(b.GetCanvasWidth(), c.width) << c.angle;
        EXPECT_EQ(b.GetCanvasHeight(), c.heightOut) << c.angle;
    }
    TBarcode w94;  // Code 128 B of one character at Modul 1: 46; check an even width too
    w94.SetTyp(bcCode128B);
    w94.SetText(u"A"_qs);
    EXPECT_EQ(w94.GetWidth(), 46);
    EXPECT_EQ(w94.GetCanvasWidth(), 46);
}

TEST(TBarcodeAssign, CopiesAllButTheFontWithoutNotification)
{
    TBarcode src;
    src.SetHeight(40);
    src.SetText(u"123"_qs);
    src.SetTop(2);
    src.SetLeft(3);
    src.SetModul(4);
    src.SetRatio(2.5);
    src.SetTyp(bcCode93);
    src.SetCheckSum(true);
    src.SetShowText(bcoTyp);
    src.SetShowTextPosition(stpTopRight);
    src.SetAngle(30);
    src.SetColor(0x112233);
    src.SetColorBar(0x445566);
    src.SetCheckSumMethod(csmNone);
    TFont font = src.ShowTextFont();
    font.font.setPixelSize(20);
    src.SetShowTextFont(font);
    int srcChanges = 0;
    src.SetOnChange([&](TBarcode*) { ++srcChanges; });

    TBarcode dst;
    int dstChanges = 0;
    dst.SetOnChange([&](TBarcode*) { ++dstChanges; });
    dst.Assign(&src);
    EXPECT_EQ(dstChanges, 0);
    EXPECT_EQ(dst.Height(), 40);
    EXPECT_EQ(dst.Text(), u"123");
    EXPECT_EQ(dst.Top(), 2);
    EXPECT_EQ(dst.Left(), 3);
    EXPECT_EQ(dst.Modul(), 4);
    EXPECT_EQ(dst.Ratio(), 2.5);
    EXPECT_EQ(dst.Typ(), bcCode93);
    EXPECT_TRUE(dst.Checksum());
    EXPECT_EQ(dst.ShowText(), bcoTyp);
    EXPECT_EQ(dst.ShowTextPosition(), stpTopRight);
    EXPECT_EQ(dst.Angle(), 30);
    EXPECT_EQ(dst.Color(), 0x112233u);
    EXPECT_EQ(dst.ColorBar(), 0x445566u);
    EXPECT_EQ(dst.CheckSumMethod(), csmNone);
    EXPECT_EQ(dst.ShowTextFont().font.pixelSize(), 11);  // the font stays
    dst.SetHeight(41);  // the handler came along
    EXPECT_EQ(srcChanges, 1);

    QObject other;
    EXPECT_THROW(dst.Assign(&other), tarvik::Error);
}

TEST(TBarcodeOwnership, OwnerDestroysTheComponent)
{
    auto owner = std::make_unique<QObject>();
    QPointer<TBarcode> b = new TBarcode(owner.get());
    owner.reset();
    EXPECT_TRUE(b.isNull());
}

TEST(CheckSumModulo10, StandardVectorsAndErrors)
{
    const std::pair<QString, QString> cases[] = {
        {u""_qs, u"0"_qs},
        {u"590123412345"_qs, u"5901234123457"_qs},
        {u"400638133393"_qs, u"4006381333931"_qs},
        {u"03600029145"_qs, u"036000291452"_qs},
        {u"5512345"_qs, u"55123457"_qs},
        {u"9638507"_qs, u"96385074"_qs},
        {u"0"_qs, u"00"_qs},
        {u"1234"_qs, u"12348"_qs},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(CheckSumModulo10(in), out) << in.toStdString();
    EXPECT_THROW(CheckSumModulo10(u"12 3"_qs), tarvik::ConvertError);
    try {
        CheckSumModulo10(u"1a"_qs);
    } catch (const tarvik::ConvertError& e) {
        EXPECT_EQ(e.text(), u"'a' is not a valid integer value");
    }
}

TEST(BarcodeTypes, NamesAndLookup)
{
    const QStringList names = barcodeTypeNames();
    ASSERT_EQ(names.size(), kBarcodeTypeCount);
    EXPECT_EQ(names.front(), u"Code_2_5_interleaved");
    EXPECT_EQ(names.at(bcCodeEAN13), u"CodeEAN13");
    EXPECT_EQ(names.at(bcCode128B), u"Code128B");
    EXPECT_EQ(names.at(bcCodeEAN128C), u"CodeEAN128C");
    EXPECT_EQ(names.back(), u"CodeGS1_128");
    for (int i = 0; i < kBarcodeTypeCount; ++i)
        EXPECT_EQ(barcodeTypeFromName(names.at(i)), static_cast<TBarcodeType>(i));
    EXPECT_FALSE(barcodeTypeFromName(u"EAN13"_qs));
    EXPECT_FALSE(barcodeTypeFromName(u"codeean13"_qs));
    EXPECT_EQ(checkSumMethodFromName(u"csmNone"_qs), csmNone);
    EXPECT_FALSE(checkSumMethodFromName(u"csmModulo11"_qs));

    TBarcode b;
    const std::pair<TBarcodeType, const char16_t*> typText[] = {
        {bcCode39Extended, u"Code39 Extended"}, {bcCodeCodabar, u"Codebar"},
        {bcCodeUPC_Supp2, u"UPC Supp2"},        {bcCode_2_5_matrix, u"2_5_matrix"},
    };
    for (const auto& [t, text] : typText) {
        b.SetTyp(t);
        EXPECT_EQ(b.GetTypText(), QString::fromUtf16(text));
    }
}

}  // namespace
