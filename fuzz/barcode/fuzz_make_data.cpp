// libFuzzer target: MakeData over random texts, types and check-digit
// settings. Any failure must be a tarvik::Error; a successful encoding must
// be made of the module alphabet, alternate bars and spaces from a bar, and
// be the same when encoded again.

#include "barcode/barcode.h"

#include "platform/text/codec.h"
#include "platform/text/error.h"

#include <cstdint>
#include <cstdlib>

using namespace tarvik::barcode;

namespace {

// Paints nothing; counts the elements.
class CountingCanvas final : public TCanvas {
public:
    int polygons = 0;
    TPen pen() const override { return {}; }
    void setPen(const TPen&) override {}
    TBrush brush() const override { return {}; }
    void setBrush(const TBrush&) override {}
    TFont font() const override { return {}; }
    void setFont(const TFont&) override {}
    void polygon(const std::array<QPoint, 4>&) override { ++polygons; }
    void textOut(int, int, const QString&) override {}
    int textWidth(const QString& t) const override { return int(t.size()) * 6; }
    int textHeight(const QString&) const override { return 13; }
};

bool isBar(QChar c)
{
    return (c >= u'5' && c <= u'8') || (c >= u'A' && c <= u'D');
}

bool isSpace(QChar c)
{
    return c >= u'0' && c <= u'3';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    TBarcode b;
    // -1 and kBarcodeTypeCount are out of range.
    b.SetTyp(static_cast<TBarcodeType>(int(data[0] % (kBarcodeTypeCount + 2)) - 1));
    b.SetCheckSum(data[1] & 1);
    b.SetCheckSumMethod(static_cast<TCheckSumMethod>((data[1] >> 1) % 3));
    b.SetModul(1 + (data[2] % 4));
    b.SetRatio(1.5 + (data[2] >> 4) * 0.125);
    try {
        // Bytes that Windows-1251 leaves unassigned are refused here.
        b.SetText(tarvik::text::fromCp1251(QByteArray(reinterpret_cast<const char*>(data + 3),
                                                      qsizetype(size - 3))));
        const QString first = b.MakeData();
        const QString text = b.Text();
        for (qsizetype i = 0; i < first.size(); ++i) {
            const QChar c = first.at(i);
            if (i % 2 == 0 ? !isBar(c) : !isSpace(c))
                std::abort();
        }
        if (b.MakeData() != first || b.Text() != text)
            std::abort();
        CountingCanvas canvas;
        b.SetAngle(data[2] * 7.0);
        b.SetHeight(10);
        b.DrawBarcode(canvas);
        if (canvas.polygons != first.size())
            std::abort();
        if (b.GetWidth() <= 0 && !first.isEmpty())
            std::abort();
    } catch (const tarvik::Error&) {
        // A rejected text: fine.
    }
    return 0;
}
