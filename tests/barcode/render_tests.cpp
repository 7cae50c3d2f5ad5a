// The renderer: what DoLines, DrawText and DrawBarcode paint, on a
// recording canvas and in real pixels through QPainter.

#include "barcode/barcode.h"
#include "barcode/barcode_picture.h"
#include "barcode/canvas.h"
#include "barcode_test_support.h"

#include "platform/text/error.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QtEndian>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <numbers>
#include <random>

using namespace tarvik::barcode;
using tarvik::barcode::testing::moduleBits;

namespace {

// Records what is painted; text is 6 pixels a character and 13 high.
class RecordingCanvas : public TCanvas {
public:
    struct Text {
        int x, y;
        QString text;
        QColor background, colour;
    };
    std::vector<std::array<QPoint, 4>> polygons;
    std::vector<QColor> polygonColours;
    std::vector<Text> texts;
    TPen pen_{Qt::red, 3};
    TBrush brush_{Qt::green};
    TFont font_ = TFont::standard();

    TPen pen() const override { return pen_; }
    void setPen(const TPen& p) override { pen_ = p; }
    TBrush brush() const override { return brush_; }
    void setBrush(const TBrush& b) override { brush_ = b; }
    TFont font() const override { return font_; }
    void setFont(const TFont& f) override { font_ = f; }
    void polygon(const std::array<QPoint, 4>& points) override
    {
        polygons.push_back(points);
        polygonColours.push_back(brush_.color);
    }
    void textOut(int x, int y, const QString& text) override
    {
        texts.push_back({x, y, text, brush_.color, font_.color});
    }
    int textWidth(const QString& text) const override { return 6 * int(text.size()); }
    int textHeight(const QString&) const override { return 13; }
};

QImage blank(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(QColor(200, 200, 200));  // neither bar nor space
    return image;
}

bool isBar(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y) == QColor(Qt::black);
}

bool isSpace(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y) == QColor(Qt::white);
}

QRect paintedBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isBar(image, x, y) || isSpace(image, x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

// Industrial 2 of 5 of seven digits is exactly 100 modules wide.
void makeHundredWide(TBarcode& b)
{
    b.SetTyp(bcCode_2_5_industrial);
    b.SetText(u"1234567"_qs);
    ASSERT_EQ(b.GetWidth(), 100);
}

TEST(Render, EveryElementCoversExactlyItsWidth)
{
    for (int modul : {1, 2, 3}) {
        TBarcode b;
        b.SetText(u"590123412345"_qs);
        b.SetCheckSum(true);
        b.SetModul(modul);
        b.SetLeft(4);
        b.SetTop(2);
        b.SetHeight(30);
        const QString bits = moduleBits(b.MakeData());
        QImage image = blank(b.GetWidth() + 10, 40);
        {
            TImageCanvas canvas(image);
            b.DrawBarcode(canvas);
        }
        for (int y : {2, 17, 32}) {
            for (int x = 0; x < image.width(); ++x) {
                const int module = (x - 4) / modul;
                if (x < 4 || module >= bits.size()) {
                    EXPECT_FALSE(isBar(image, x, y) || isSpace(image, x, y)) << x;
                } else if (bits.at(module) == u'1') {
                    EXPECT_TRUE(isBar(image, x, y)) << "modul " << modul << " x " << x << " y " << y;
                } else {
                    EXPECT_TRUE(isSpace(image, x, y)) << "modul " << modul << " x " << x << " y " << y;
                }
            }
        }
        // Rows Top to Top + Height inclusive, nothing outside.
        EXPECT_EQ(paintedBox(image), QRect(4, 2, 95 * modul, 31)) << modul;
    }
}

TEST(Render, WideClassesAtOtherRatios)
{
    TBarcode b;
    b.SetTyp(bcCode39);
    b.SetText(u"1"_qs);
    b.SetModul(2);
    b.SetRatio(2.5);  // 2, 5 pixels
    b.SetHeight(5);
    QImage image = blank(b.GetWidth() + 2, 8);
    {
        TImageCanvas canvas(image);
        b.DrawBarcode(canvas);
    }
    // '*' = bar n, space w, bar n, space n, bar w ...: 2, 5, 2, 2, 5 pixels.
    QString row;
    for (int x = 0; x < 16; ++x)
        row += isBar(image, x, 0) ? u'1' : u'0';
    EXPECT_EQ(row, u"1100000110011111");
}

TEST(Render, HalfBarsHangFromTheTopAndEndAtTwoFifths)
{
    TBarcode b;
    b.SetTyp(bcCodePostNet);
    b.SetText(u"1"_qs);  // 00011: half, half, half, full, full
    b.SetHeight(20);     // half bars 8 high
    b.SetTop(3);
    b.SetLeft(1);
    QImage image = blank(b.GetWidth() + 2, 30);
    {
        TImageCanvas canvas(image);
        b.DrawBarcode(canvas);
    }
    const int fullBar = 1 + 0;       // start bar
    const int halfBar = 1 + 3;       // first digit bar
    const int lastFull = 1 + 3 * 4;  // the fourth bar of the digit
    for (int y = 0; y < 30; ++y) {
        const bool inFull = y >= 3 && y <= 23;
        EXPECT_EQ(isBar(image, fullBar, y), inFull) << y;
        EXPECT_EQ(isBar(image, lastFull, y), inFull) << y;
        EXPECT_EQ(isBar(image, halfBar, y), y >= 3 && y <= 11) << y;
        // Below a half bar the space colour is not painted: the picture's own shows.
        EXPECT_FALSE(isSpace(image, halfBar, y) && y > 11 && y <= 23) << y;
    }
}

TEST(Render, QuarterTurnMatchesTheWorkedExample)
{
    TBarcode b;
    makeHundredWide(b);
    b.SetHeight(50);
    b.SetLeft(10);
    b.SetTop(20);
    b.SetAngle(90);
    RecordingCanvas rec;
    b.DoLines(b.MakeData(), rec);
    ASSERT_FALSE(rec.polygons.empty());
    EXPECT_EQ(rec.polygons.front()[0], QPoint(10, 120));
    QImage image = blank(100, 160);
    {
        TImageCanvas canvas(image);
        b.DrawBarcode(canvas);
    }
    EXPECT_EQ(paintedBox(image), QRect(QPoint(10, 21), QPoint(60, 120)));
    // The code runs upward: its first (wide) bar is at the bottom.
    EXPECT_TRUE(isBar(image, 30, 120));
    EXPECT_TRUE(isBar(image, 30, 119));
    EXPECT_TRUE(isSpace(image, 30, 118));
}

TEST(Render, HalfAndThreeQuarterTurns)
{
    struct Case {
        double angle;
        QRect box;
        QPoint firstBar;  // a pixel of the first (wide) bar
    } cases[] = {
        {180, QRect(QPoint(10 + 1, 20), QPoint(10 + 100, 20 + 50)), QPoint(110, 40)},
        {270, QRect(QPoint(10, 20), QPoint(10 + 50, 20 + 99)), QPoint(30, 20)},
        {0, QRect(QPoint(10, 20), QPoint(10 + 99, 20 + 50)), QPoint(10, 40)},
    };
    for (const Case& c : cases) {
        TBarcode b;
        makeHundredWide(b);
        b.SetHeight(50);
        b.SetLeft(10);
        b.SetTop(20);
        b.SetAngle(c.angle);
        QImage image = blank(140, 140);
        {
            TImageCanvas canvas(image);
            b.DrawBarcode(canvas);
        }
        EXPECT_EQ(paintedBox(image), c.box) << c.angle;
        EXPECT_TRUE(isBar(image, c.firstBar.x(), c.firstBar.y())) << c.angle;
    }
}

TEST(Render, AnyAngleStaysInsideTheCanvasSize)
{
    for (double angle : {15.0, 30.0, 45.0, 100.0, 135.0, 200.0, 300.0, -45.0, 405.0}) {
        TBarcode b;
        makeHundredWide(b);
        b.SetHeight(50);
        b.SetLeft(5);
        b.SetTop(5);
        b.SetAngle(angle);
        QImage image = blank(b.GetCanvasWidth() + 10, b.GetCanvasHeight() + 10);
        {
            TImageCanvas canvas(image);
            b.DrawBarcode(canvas);
        }
        const QRect box = paintedBox(image);
        EXPECT_GE(box.left(), 5) << angle;
        EXPECT_GE(box.top(), 5) << angle;
        EXPECT_LE(box.right(), 5 + b.GetCanvasWidth()) << angle;
        EXPECT_LE(box.bottom(), 5 + b.GetCanvasHeight()) << angle;
        EXPECT_GE(box.width(), b.GetCanvasWidth() - 2) << angle;
        EXPECT_GE(box.height(), b.GetCanvasHeight() - 2) << angle;
    }
}

TEST(Render, ColoursOfBarsAndSpaces)
{
    TBarcode b;
    b.SetColor(0x0000FF);     // red spaces (0x00BBGGRR)
    b.SetColorBar(0xFF0000);  // blue bars
    b.SetHeight(10);
    RecordingCanvas rec;
    b.DrawBarcode(rec);
    ASSERT_EQ(rec.polygonColours.size(), b.MakeData().size());
    EXPECT_EQ(rec.polygonColours[0], QColor(Qt::blue));
    EXPECT_EQ(rec.polygonColours[1], QColor(Qt::red));
}

TEST(Render, TextPositions)
{
    struct Case {
        TShowTextPosition pos;
        int x, y;
    } cases[] = {
        // Left 10, Top 20, Height 50, W 95, "123" is 18 wide and 13 high.
        {stpTopLeft, 10, 20},           {stpTopRight, 10 + 95 - 18, 20},
        {stpTopCenter, 10 + 77 / 2, 20}, {stpBottomLeft, 10, 57},
        {stpBottomRight, 87, 57},        {stpBottomCenter, 48, 57},
    };
    for (const Case& c : cases) {
        TBarcode b;
        b.SetText(u"123"_qs);
        b.SetLeft(10);
        b.SetTop(20);
        b.SetHeight(50);
        b.SetColor(0x00FF00);
        b.SetShowText(bcoCode);
        b.SetShowTextPosition(c.pos);
        b.SetAngle(90);  // ignored by the text
        RecordingCanvas rec;
        b.DrawBarcode(rec);
        ASSERT_EQ(rec.texts.size(), 1u);
        EXPECT_EQ(rec.texts[0].x, c.x) << c.pos;
        EXPECT_EQ(rec.texts[0].y, c.y) << c.pos;
        EXPECT_EQ(rec.texts[0].text, u"123");
        EXPECT_EQ(rec.texts[0].background, QColor(Qt::white));  // whatever Color is
    }
}

TEST(Render, TypeNameAboveTopForAFontInPoints)
{
    TBarcode b;
    b.SetTop(40);
    b.SetLeft(7);
    b.SetShowText(bcoBoth);
    TFont red = TFont::standard();
    red.color = Qt::red;
    b.SetShowTextFont(red);
    RecordingCanvas rec;
    b.DrawBarcode(rec);
    ASSERT_EQ(rec.texts.size(), 2u);
    EXPECT_EQ(rec.texts[1].text, u"EAN13");
    EXPECT_EQ(TFont::standard().height(), -11);
    EXPECT_EQ(rec.texts[1].x, 7);
    EXPECT_EQ(rec.texts[1].y, 40 - 28);  // R(2.5 x -11) = R(-27.5) = -28
    EXPECT_EQ(rec.texts[1].colour, QColor(Qt::red));
}

TEST(Render, CanvasToolsRestoredAndFailuresPaintNothing)
{
    TBarcode b;
    b.SetShowText(bcoCode);
    RecordingCanvas rec;
    b.DrawBarcode(rec);
    EXPECT_EQ(rec.pen_.color, QColor(Qt::red));
    EXPECT_EQ(rec.pen_.width, 3);
    EXPECT_EQ(rec.brush_.color, QColor(Qt::green));

    RecordingCanvas untouched;
    b.SetText(u"12x"_qs);
    EXPECT_THROW(b.DrawBarcode(untouched), tarvik::Error);
    EXPECT_TRUE(untouched.polygons.empty());
    EXPECT_TRUE(untouched.texts.empty());
}

TEST(Render, PolygonsIncludeTheirBoundaryOnEitherPath)
{
    // Same-coloured pen and brush take the upright-rectangle path; a pen of
    // another colour goes through QPainter's polygon. Both cover the corners.
    for (bool sameColour : {true, false}) {
        QImage image = blank(12, 12);
        {
            TImageCanvas canvas(image);
            canvas.setBrush({Qt::black});
            canvas.setPen({sameColour ? QColor(Qt::black) : QColor(Qt::blue), 1});
            canvas.polygon({QPoint(2, 3), QPoint(2, 7), QPoint(5, 7), QPoint(5, 3)});
            canvas.polygon({QPoint(9, 1), QPoint(9, 10), QPoint(9, 10), QPoint(9, 1)});  // w 1
        }
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 12; ++x) {
                const bool inside = (x >= 2 && x <= 5 && y >= 3 && y <= 7) || (x == 9 && y >= 1 && y <= 10);
                EXPECT_EQ(image.pixelColor(x, y) != QColor(200, 200, 200), inside)
                    << sameColour << " " << x << "," << y;
            }
        }
    }
}

TEST(Render, OpaqueTextOnTheImage)
{
    QImage image = blank(80, 30);
    {
        TImageCanvas canvas(image);
        canvas.setBrush({Qt::white});
        TFont f = TFont::standard();
        canvas.setFont(f);
        canvas.textOut(5, 5, u"8"_qs);
        EXPECT_GT(canvas.textWidth(u"88"_qs), canvas.textWidth(u"8"_qs));
        EXPECT_GE(canvas.textHeight(u"8"_qs), 11);
    }
    int dark = 0;
    int white = 0;
    for (int y = 5; y < 18; ++y)
        for (int x = 5; x < 11; ++x)
            (image.pixelColor(x, y).lightness() < 100 ? dark : white) += 1;
    EXPECT_GT(dark, 5);
    EXPECT_GT(white, 20);
    EXPECT_EQ(image.pixelColor(40, 25), QColor(200, 200, 200));
}

// --- the station's picture --------------------------------------------------

TEST(Picture, SizesOfTheWorkedExamples)
{
    const QImage ean = MakeBarcodePicture(u"590123412345"_qs, {bcCodeEAN13, true, csmModulo10, 0});
    EXPECT_EQ(ean.size(), QSize(101, 82));
    for (int n : {1, 5, 12}) {
        const QImage c128 = MakeBarcodePicture(QString(n, u'x'), {bcCode128B, false, csmModulo10, 0});
        EXPECT_EQ(c128.size(), QSize(11 * n + 41, 82)) << n;
    }
}

TEST(Picture, BarsFillColumnsThreeOnAndRowsOneTo81)
{
    const QImage p = MakeBarcodePicture(u"4820001201257"_qs, {bcCodeEAN13, false, csmModulo10, 0});
    ASSERT_EQ(p.size(), QSize(101, 82));
    EXPECT_EQ(p.format(), QImage::Format_RGB888);
    EXPECT_TRUE(isBar(p, 3, 1));
    EXPECT_TRUE(isBar(p, 3, 81));
    EXPECT_TRUE(isBar(p, 97, 1));  // the last guard bar: column 3 + 95 - 1
    for (int y = 0; y < 82; ++y) {
        for (int x : {0, 1, 2, 98, 99, 100})
            EXPECT_TRUE(isSpace(p, x, y)) << x << "," << y;
    }
    for (int x = 0; x < 101; ++x)
        EXPECT_TRUE(isSpace(p, x, 0)) << x;
    // The text sits over the bottom of the bars on white.
    int darkInText = 0;
    int whiteInText = 0;
    for (int y = 68; y <= 80; ++y) {
        for (int x = 10; x < 90; ++x) {
            darkInText += p.pixelColor(x, y).lightness() < 128;
            whiteInText += isSpace(p, x, y);
        }
    }
    EXPECT_GT(darkInText, 40);
    EXPECT_GT(whiteInText, 13 * 80 / 2);  // far more white than the bars leave
    // Above the text the bars run on.
    EXPECT_TRUE(isBar(p, 3, 60));
}

TEST(Picture, RotatedPictureTakesTheRotatedSize)
{
    const QImage p = MakeBarcodePicture(u"590123412345"_qs, {bcCodeEAN13, true, csmModulo10, 90});
    // W 95: canvas width R(80.5) = 80, height R(95.5) = 96.
    EXPECT_EQ(p.size(), QSize(80 + 6, 96 + 2));
    const QImage q = MakeBarcodePicture(u"590123412345"_qs, {bcCodeEAN13, true, csmModulo10, 30});
    EXPECT_EQ(q.width(), int(std::llrint(95 * std::cos(std::numbers::pi / 6) + 80 * 0.5 + 0.5)) + 6);
}

TEST(Picture, ErrorsOfTheComponent)
{
    auto errorOf = [](const QString& content, BarcodePictureSettings s) {
        try {
            MakeBarcodePicture(content, s);
        } catch (const tarvik::Error& e) {
            return e.text();
        }
        return u"(no error)"_qs;
    };
    EXPECT_EQ(errorOf(u"12,5"_qs, {bcCodeEAN13, false, csmModulo10, 0}), u"Barcode must be numeric");
    EXPECT_EQ(errorOf(u"ABC"_qs, {bcCodeEAN13, false, csmModulo10, 0}), u"Barcode must be numeric");
    EXPECT_EQ(errorOf(u"4820001201257"_qs, {bcCodeEAN13, true, csmModulo10, 0}),
              u"Invalid Text len (EAN13)");
    EXPECT_EQ(errorOf(u"123"_qs, {-1, false, csmModulo10, 0}), u"TBarcode: wrong BarcodeType");
    EXPECT_EQ(errorOf(u"123"_qs, {bcCodeEAN13, true, -1, 0}), u"TBarcode: wrong CheckSumMethod");
    EXPECT_EQ(errorOf(u"123"_qs, {bcCodeEAN13, false, -1, 0}), u"(no error)");
}

TEST(Picture, SavedAs24BitBmpReplacingTheOldFile)
{
    const QImage p = MakeBarcodePicture(u"590123412345"_qs, {bcCodeEAN13, true, csmModulo10, 0});
    // An old file shorter, longer or much longer than the picture, or none.
    for (const int oldSize : {-1, 0, 5000, 24982, 100000}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Barcod1.bmp"_qs);
        if (oldSize >= 0) {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(oldSize, 'x'));
        }
        saveBarcodePicture(p, path);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        ASSERT_GT(bytes.size(), 54) << oldSize;
        EXPECT_EQ(bytes.left(2), "BM");
        EXPECT_EQ(bytes.at(28), 24);  // bits per pixel
        // The size the header gives is the whole file: nothing of the old one is left.
        EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 2), quint32(bytes.size())) << oldSize;
        EXPECT_EQ(QImage(path).size(), QSize(101, 82));
        EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB888), p);
    }
    QTemporaryDir dir;
    EXPECT_THROW(saveBarcodePicture(p, dir.filePath(u"no/such/dir/x.bmp"_qs)), tarvik::Error);
}

}  // namespace

// --- the fast canvas against QPainter alone -----------------------------------

namespace {

// Everything through QPainter: upright rectangles by fillRect, other polygons
// by drawPolygon, text as the station always drew it.
class PainterCanvas final : public TCanvas {
public:
    explicit PainterCanvas(QImage& image) : painter_(&image), metrics_(font_.font, &image)
    {
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.setRenderHint(QPainter::TextAntialiasing, false);
        painter_.setFont(font_.font);
    }
    TPen pen() const override { return pen_; }
    void setPen(const TPen& p) override { pen_ = p; }
    TBrush brush() const override { return brush_; }
    void setBrush(const TBrush& b) override { brush_ = b; }
    TFont font() const override { return font_; }
    void setFont(const TFont& f) override
    {
        font_ = f;
        painter_.setFont(f.font);
        metrics_ = QFontMetrics(f.font, painter_.device());
    }
    void polygon(const std::array<QPoint, 4>& pts) override
    {
        const bool upright = (pts[0].x() == pts[1].x() && pts[2].x() == pts[3].x() && pts[0].y() == pts[3].y() &&
                              pts[1].y() == pts[2].y()) ||
                             (pts[0].y() == pts[1].y() && pts[2].y() == pts[3].y() && pts[0].x() == pts[3].x() &&
                              pts[1].x() == pts[2].x());
        if (upright && pen_.width <= 1 && pen_.color == brush_.color) {
            painter_.fillRect(QRect(QPoint(std::min(pts[0].x(), pts[2].x()), std::min(pts[0].y(), pts[2].y())),
                                    QPoint(std::max(pts[0].x(), pts[2].x()), std::max(pts[0].y(), pts[2].y()))),
                              brush_.color);
            return;
        }
        QPen p(pen_.color);
        p.setWidth(pen_.width <= 1 ? 0 : pen_.width);
        p.setJoinStyle(Qt::MiterJoin);
        p.setCapStyle(Qt::SquareCap);
        painter_.setPen(p);
        painter_.setBrush(brush_.color);
        painter_.drawPolygon(QPolygon({pts[0], pts[1], pts[2], pts[3]}));
    }
    void textOut(int x, int y, const QString& text) override
    {
        painter_.fillRect(QRect(x, y, metrics_.horizontalAdvance(text), metrics_.height()), brush_.color);
        painter_.setPen(font_.color);
        painter_.drawText(x, y + metrics_.ascent(), text);
    }
    int textWidth(const QString& text) const override { return metrics_.horizontalAdvance(text); }
    int textHeight(const QString&) const override { return metrics_.height(); }

private:
    QPainter painter_;
    TPen pen_;
    TBrush brush_;
    TFont font_ = TFont::standard();
    QFontMetrics metrics_;
};

}  // namespace

// Fonts the barcode text is shown in, by index.
TFont textFont(int index)
{
    TFont f = TFont::standard();
    switch (index) {
    case 1: f.color = QColor(0x30, 0x60, 0xC0); break;
    case 2:  // glyphs that share pixels: drawn through QPainter
        f.font = QFont(u"DejaVu Serif"_qs);
        f.font.setPixelSize(15);
        f.font.setBold(true);
        f.font.setItalic(true);
        f.color = Qt::darkRed;
        break;
    case 3: f.font.setPixelSize(70); break;  // larger than QPainter keeps glyphs of
    case 4: f.font.setPointSize(9); break;   // its glyphs fall at other fractions of a pixel
    default: break;
    }
    return f;
}

TEST(Picture, TheFastCanvasPaintsWhatQPainterPaints)
{
    struct Case {
        TBarcodeType type;
        bool checksum;
        const char* content;
        double angle;
        QImage::Format format;
        TColor bars = 0x000000;
        TBarcodeOption shown = bcoCode;
        int font = 0;
    } cases[] = {
        {bcCodeEAN13, true, "482000120125", 0, QImage::Format_RGB888},
        {bcCodeEAN13, true, "482000121184", 0, QImage::Format_RGB32},
        {bcCode128B, false, "Tarvik 1.1 box 000123", 0, QImage::Format_RGB888},
        {bcCode128C, false, "48200777294705", 0, QImage::Format_ARGB32_Premultiplied, 0x3060C0},
        {bcCode128B, false, "Tarvik", 0, QImage::Format_RGB888, 0x3060C0},
        {bcCodeUPC_A, true, "03600029145", 0, QImage::Format_RGB888},
        {bcCodePostNet, false, "555551237", 0, QImage::Format_RGB888},  // half bars
        {bcCode39, false, "TARVIK-1", 90, QImage::Format_RGB888},
        {bcCodeEAN13, true, "482000120125", 30, QImage::Format_RGB888},  // turned: QPainter's polygons
        {bcCodeEAN8, true, "4820001", 0, QImage::Format_RGB16},          // another format: QPainter alone
        // Every other type, its name above as well: the type name stands
        // partly above the picture.
        {bcCode_2_5_interleaved, false, "12345678", 0, QImage::Format_ARGB32, 0x000000, bcoBoth},
        {bcCode_2_5_industrial, false, "1234", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCode_2_5_matrix, false, "1234", 0, QImage::Format_RGB32, 0x000000, bcoBoth},
        {bcCode39Extended, false, "Tarvik 1.1!", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCode128A, false, "TARVIK 1", 0, QImage::Format_ARGB32, 0x000000, bcoBoth},
        {bcCode93, false, "TEST93", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCode93Extended, false, "Tarvik 1.1!", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCodeMSI, false, "80523", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCodeCodabar, false, "40156", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCodeUPC_E0, true, "4252610", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCodeUPC_E1, true, "1234560", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCodeUPC_Supp2, false, "87", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCodeUPC_Supp5, false, "52499", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCodeEAN128A, false, "TARVIK", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCodeEAN128B, false, "Tarvik", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCodeEAN128C, false, "901234", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCodeGS1_128, false, "(01)04820001201253(3103)001250", 0, QImage::Format_RGB888, 0x000000, bcoBoth},
        {bcCodeEAN13, true, "590123412345", 0, QImage::Format_ARGB32, 0x3060C0, bcoBoth},
        // Other fonts and text colours.
        {bcCodeEAN13, true, "482000120125", 0, QImage::Format_RGB888, 0x000000, bcoCode, 1},
        {bcCodeUPC_A, true, "03600029145", 0, QImage::Format_ARGB32_Premultiplied, 0x000000, bcoBoth, 1},
        {bcCode128B, false, "Tarvik 1.1 box", 0, QImage::Format_RGB32, 0x000000, bcoBoth, 2},
        {bcCodeEAN13, true, "482000120125", 0, QImage::Format_RGB888, 0x000000, bcoCode, 2},
        {bcCodeEAN8, true, "4820001", 0, QImage::Format_RGB888, 0x000000, bcoCode, 3},
        {bcCode128B, false, "Tarvik 1.1 box 000123", 0, QImage::Format_ARGB32, 0x000000, bcoBoth, 4},
        {bcCodeEAN13, true, "482000120125", 0, QImage::Format_RGB16, 0x000000, bcoBoth, 1},
    };
    for (const Case& c : cases) {
        TBarcode code;
        code.SetShowTextPosition(stpBottomCenter);
        code.SetShowText(c.shown);
        code.SetCheckSum(c.checksum);
        code.SetTyp(c.type);
        code.SetAngle(c.angle);
        code.SetTop(1);
        code.SetLeft(3);
        code.SetModul(2);
        code.SetText(QString::fromLatin1(c.content));
        code.SetHeight(80);
        code.SetWidth(8 * int(std::strlen(c.content)));
        code.SetShowTextFont(textFont(c.font));
        const int w = code.GetCanvasWidth() + 6, h = code.GetCanvasHeight() + 2;
        QImage slow(w, h, c.format);
        code.SetColorBar(c.bars);
        slow.fill(QColor(200, 200, 200));  // neither bar nor space: every painted pixel shows
        {
            PainterCanvas canvas(slow);
            code.DrawBarcode(canvas);
        }
        // Twice: glyphs are drawn and kept the first time, taken the second.
        for (int round = 0; round < 2; ++round) {
            QImage fast(w, h, c.format);
            fast.fill(QColor(200, 200, 200));
            {
                TImageCanvas canvas(fast);
                code.DrawBarcode(canvas);
            }
            EXPECT_EQ(fast, slow) << c.content << " at " << c.angle << ", round " << round;
        }
    }
    // The station's picture itself.
    for (const Case& c : {cases[0], cases[2]}) {
        const QImage picture = MakeBarcodePicture(QString::fromLatin1(c.content), {c.type, c.checksum, csmModulo10, 0});
        QImage slow(picture.size(), QImage::Format_RGB888);
        slow.fill(Qt::white);
        TBarcode code;
        code.SetShowTextPosition(stpBottomCenter);
        code.SetShowText(bcoCode);
        code.SetCheckSum(c.checksum);
        code.SetCheckSumMethod(csmModulo10);
        code.SetTyp(c.type);
        code.SetTop(1);
        code.SetLeft(3);
        code.SetModul(2);
        code.SetRatio(2.0);
        code.SetWidth(50);
        code.SetText(QString::fromLatin1(c.content));
        code.SetHeight(80);
        code.SetWidth(8 * int(std::strlen(c.content)));
        {
            PainterCanvas canvas(slow);
            code.DrawBarcode(canvas);
        }
        EXPECT_EQ(picture, slow) << c.content;
    }
}

TEST(Picture, TheFastCanvasWritesTextAsQPainterDraws)
{
    const auto font = [](const char* family, int pixels, bool bold, bool italic, QColor colour) {
        TFont f;
        f.font = QFont(QString::fromLatin1(family));
        f.font.setPixelSize(pixels);
        f.font.setBold(bold);
        f.font.setItalic(italic);
        f.color = colour;
        return f;
    };
    TFont inPoints = TFont::standard();
    inPoints.font.setPointSize(10);  // its pixels follow the image's resolution
    const TFont fonts[] = {
        TFont::standard(),
        font("DejaVu Sans", 11, false, false, QColor(0x30, 0x60, 0xC0)),
        font("DejaVu Sans", 15, true, true, Qt::black),
        font("DejaVu Serif", 22, false, true, Qt::darkGreen),  // "ffj" reaches past its width
        inPoints,
        font("DejaVu Sans", 11, false, false, QColor(255, 0, 0, 128)),  // not opaque
        font("DejaVu Serif", 14, true, false, Qt::black),
        font("DejaVu Sans", 80, false, false, Qt::black),  // drawn as outlines
    };
    // A text, or with bar set a bar (an upright polygon) in the text's colour.
    struct Step {
        int x, y;
        const char* text;
        int font = 0;
        QColor brush = Qt::white;
        QSize bar = {};
    };
    struct Case {
        const char* name;
        QSize size;
        std::vector<Step> steps;
        int dotsPerMeter = 3780;  // 96 dpi
        qreal pixelRatio = 1;
    } cases[] = {
        {"left", {60, 30}, {{-9, 5, "4820001"}}},
        {"right", {60, 30}, {{40, 5, "4820001"}}},
        {"top", {60, 30}, {{5, -6, "4820001"}}},
        {"bottom", {60, 30}, {{5, 24, "4820001"}}},
        {"corner", {60, 30}, {{-3, -4, "4820001"}, {50, 25, "4820001"}}},
        {"wholly out", {60, 30}, {{-80, 5, "4820001"}, {5, 40, "4820001"}}},
        {"colours", {80, 30}, {{3, 3, "Tarvik 1.1", 1, QColor(255, 240, 120)}}},
        {"bold italic", {120, 40}, {{4, 4, "EAN13 Wy", 2}}},
        {"bold serif", {200, 40}, {{4, 4, "Tarvik 1.1 (01)048", 6, Qt::yellow}}},
        {"overhang", {120, 50}, {{10, 8, "ffj fy", 3, Qt::yellow}}},
        {"ink left of the box", {60, 30}, {{5, 5, "j1 j", 0, Qt::yellow}}},
        {"kerning and ligatures", {200, 30}, {{2, 3, "AV Wa To fi fl LT 7."}, {2, 16, "AV Wa To fi fl LT 7.", 4}}},
        {"every printable character",
         {600, 40},
         {{2, 2, " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"},
          {2, 20, " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~",
           1, QColor(20, 20, 20)}}},
        {"beyond ASCII", {120, 30}, {{2, 3, "Вага 1,25 кг"}, {2, 15, "12\u00b705"}}},
        {"outlines", {400, 110}, {{-5, 2, "4820001", 7}}},
        {"not opaque", {80, 30}, {{3, 3, "4820001", 5}}},
        {"brush not opaque", {80, 30}, {{3, 3, "4820001", 0, QColor(0, 0, 255, 100)}}},
        {"brush as the font", {80, 30}, {{3, 3, "4820001", 0, Qt::black}}},
        {"points at 96 dpi", {100, 40}, {{3, 3, "4820001", 4}}},
        {"points at 300 dpi", {200, 80}, {{3, 3, "4820001", 4}}, 11811},
        {"several, overlapping, with bars between",
         {120, 50},
         {{2, 2, "4820001"},
          {20, 6, "4820001", 1, Qt::cyan},     // over the first
          {30, 0, "", 0, Qt::white, {3, 30}},  // a bar over both
          {2, 30, "4820001", 2},
          {50, 28, "4820001"},  // the same text, font and colour, elsewhere
          {10, 8, "", 1, Qt::white, {90, 2}}}},
        {"the same text in two fonts", {120, 40}, {{2, 2, "590123", 0}, {40, 12, "590123", 2}}},
        {"empty text", {20, 20}, {{2, 2, ""}}},
        {"two device pixels a pixel", {120, 60}, {{3, 3, "4820001"}, {3, 20, "", 0, Qt::white, {9, 4}}}, 3780, 2},
    };
    for (const QImage::Format format : {QImage::Format_RGB888, QImage::Format_RGB32, QImage::Format_ARGB32,
                                        QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB16}) {
        for (const Case& c : cases) {
            const auto paint = [&](TCanvas& canvas) {
                for (const Step& s : c.steps) {
                    canvas.setFont(fonts[s.font]);
                    canvas.setBrush({s.brush});
                    if (s.bar.isEmpty()) {
                        canvas.textOut(s.x, s.y, QString::fromUtf8(s.text));
                        continue;
                    }
                    canvas.setBrush({fonts[s.font].color});
                    canvas.setPen({fonts[s.font].color, 1});
                    const int r = s.x + s.bar.width() - 1, b = s.y + s.bar.height() - 1;
                    canvas.polygon({QPoint(s.x, s.y), QPoint(s.x, b), QPoint(r, b), QPoint(r, s.y)});
                }
            };
            const auto blank = [&] {
                QImage image(c.size, format);
                image.setDotsPerMeterX(c.dotsPerMeter);
                image.setDotsPerMeterY(c.dotsPerMeter);
                image.setDevicePixelRatio(c.pixelRatio);
                image.fill(QColor(200, 200, 200));
                return image;
            };
            QImage slow = blank();
            {
                PainterCanvas canvas(slow);
                paint(canvas);
            }
            // Glyphs drawn and kept the first time, taken afterwards.
            for (int round = 0; round < 2; ++round) {
                QImage fast = blank();
                {
                    TImageCanvas canvas(fast);
                    paint(canvas);
                    for (const Step& s : c.steps) {
                        canvas.setFont(fonts[s.font]);
                        const QString text = QString::fromUtf8(s.text);
                        QFontMetrics metrics(fonts[s.font].font, &fast);
                        EXPECT_EQ(canvas.textWidth(text), metrics.horizontalAdvance(text)) << c.name << ": " << s.text;
                        EXPECT_EQ(canvas.textHeight(text), metrics.height()) << c.name;
                    }
                }
                EXPECT_EQ(fast, slow) << c.name << " in format " << format << ", round " << round;
            }
        }
    }
}

// Numbers that are new each time, as weighed labels carry, put together from
// glyphs kept from the numbers before: each picture alone, and all on one
// image through one canvas, overlapping one another and the image's edges.
TEST(Picture, TheFastCanvasPaintsManyNewNumbersAsQPainterDoes)
{
    std::mt19937 random(20261210);
    const auto digits = [&](int count) {
        QString s;
        for (int i = 0; i < count; ++i)
            s += QChar(u'0' + int(random() % 10));
        return s;
    };
    const auto printable = [&](int count) {
        QString s;
        for (int i = 0; i < count; ++i)
            s += QChar(char16_t(0x20 + random() % 95));
        return s;
    };
    struct Code {
        TBarcodeType type;
        QString content;
        int font;
    };
    std::vector<Code> codes;
    for (int i = 0; i < 200; ++i) {
        const int font = i % 7 == 6 ? 1 : i % 11 == 10 ? 4 : 0;
        switch (i % 4) {
        case 0: codes.push_back({bcCodeEAN13, digits(12), font}); break;
        case 1: codes.push_back({bcCodeUPC_A, digits(11), font}); break;
        case 2: codes.push_back({bcCode128B, printable(4 + int(random() % 16)), font}); break;
        default: codes.push_back({bcCodeEAN8, digits(7), font}); break;
        }
    }
    const auto setUp = [](TBarcode& code, const Code& c, int left, int top) {
        code.SetShowTextPosition(stpBottomCenter);
        code.SetShowText(c.type == bcCode128B ? bcoBoth : bcoCode);
        code.SetCheckSum(c.type != bcCode128B);
        code.SetTyp(c.type);
        code.SetTop(top);
        code.SetLeft(left);
        code.SetModul(2);
        code.SetText(c.content);
        code.SetHeight(60);
        code.SetShowTextFont(textFont(c.font));
    };
    for (const QImage::Format format : {QImage::Format_RGB888, QImage::Format_RGB32, QImage::Format_ARGB32,
                                        QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB16}) {
        QImage slowAll(300, 140, format), fastAll(300, 140, format);
        slowAll.fill(QColor(200, 200, 200));
        fastAll.fill(QColor(200, 200, 200));
        {
            PainterCanvas slowCanvas(slowAll);
            TImageCanvas fastCanvas(fastAll);
            for (std::size_t i = 0; i < codes.size(); ++i) {
                TBarcode code;
                setUp(code, codes[i], 3, 1);
                QImage slow(code.GetCanvasWidth() + 6, code.GetCanvasHeight() + 2, format);
                slow.fill(QColor(200, 200, 200));
                QImage fast = slow;
                {
                    PainterCanvas canvas(slow);
                    code.DrawBarcode(canvas);
                }
                {
                    TImageCanvas canvas(fast);
                    code.DrawBarcode(canvas);
                }
                EXPECT_EQ(fast, slow) << codes[i].content.toStdString() << " in format " << format;

                TBarcode onAll;
                setUp(onAll, codes[i], int(i * 37 % 330) - 30, int(i * 23 % 170) - 40);
                onAll.DrawBarcode(slowCanvas);
                onAll.DrawBarcode(fastCanvas);
            }
        }
        EXPECT_EQ(fastAll, slowAll) << "format " << format;
    }
}
