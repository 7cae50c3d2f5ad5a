// Variable-measure EAN-13 made from content templates, read back by zbar:
// the weight in the W letters or {net:3}, the price with its price check
// digit in {pricecheck:N}. Expected numbers worked by hand from the GS1 rule.

#include "barcode/barcode_picture.h"
#include "barcode/zbar_reader.h"
#include "labels/barcode_content.h"

#include <gtest/gtest.h>

using namespace tarvik::labels;
using tarvik::barcode::testing::ZbarReader;

namespace {

struct Case {
    const char* templ;
    const char* code;      // BARCOD
    const char* net;       // grams
    const char* unitPrice; // per kilogram
    const char* read;      // zbar's reading
};

TEST(VariableMeasureEan13, ZbarReadsTheWeightAndThePrice)
{
    const Case cases[] = {
        // Weight: C takes 00777 of 000000777, W 01234 of 001234; check digit 5.
        {"22CCCCCWWWWW", "777", "1234", "1", "EAN-13:2200777012345"},
        {"2CCCCC{net:3}", "777", "1234", "1", "EAN-13:2007770012347"},
        // 1,25 kg x 89,90 = 112,375: 11237 kopiykas; 5+(1) 2-(1) 5-(2) 5+(3) 2-(7)
        // = 5+2+9+6+3 = 25, 30 - 25 = 5 = 5-(1): price check digit 1.
        {"20CCCC{pricecheck:5}", "1234", "1250", "89.90", "EAN-13:2012341112371"},
        // 0,48 kg x 125 = 60,00: 6000; 2-(6) 2-(0) 3(0) 5-(0) = 1, x 3 = 3.
        {"21CCCCC{pricecheck:4}", "42", "480", "125", "EAN-13:2100042360006"},
    };
    ZbarReader reader;
    for (const Case& c : cases) {
        BarcodeFields f;
        f.packed = QDate(2026, 12, 9);
        f.net = Currency::fromText(QString::fromLatin1(c.net));
        f.unitPrice = QString::fromLatin1(c.unitPrice);
        const QString content = BuildBarcodeContent(QString::fromLatin1(c.templ), f.net.toText(),
                                                    QString::fromLatin1(c.code), f);
        ASSERT_EQ(content.size(), 12) << c.templ;
        const QImage picture = tarvik::barcode::MakeBarcodePicture(
            content, {tarvik::barcode::bcCodeEAN13, true, tarvik::barcode::csmModulo10, 0.0});
        const QImage printed = picture.scaled(picture.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        EXPECT_EQ(reader.read(printed), QStringList{QString::fromLatin1(c.read)}) << c.templ;
    }
}

}  // namespace
