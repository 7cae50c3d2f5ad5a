#include "barcode/canvas.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPen>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace tarvik::barcode {

// A text's width and, once it has been drawn, the pixels drawText and the
// background under it leave in its box for one look: image format, font
// colour and brush colour. Inside the box the background is the brush
// colour, so those pixels do not depend on what lay there before.
struct TImageCanvas::TextPixels {
    struct Look {
        QImage::Format format;
        QRgb pen, brush;
        bool operator==(const Look&) const = default;
    };
    int width = 0;
    Look look{QImage::Format_Invalid, 0, 0};
    int drawn = 0;        // times drawn in this look through QPainter
    bool failed = false;  // this look's pixels cannot be kept
    QImage box;           // the box as drawn in this look; null until learnt
};

namespace {

// The font as the image resolves it: a point size depends on its resolution.
struct FontKey {
    QFont font;
    int dotsX, dotsY;
    bool operator==(const FontKey&) const = default;
};

struct TextKey {
    FontKey font;
    QString text;
    bool operator==(const TextKey&) const = default;
};

struct TextKeyHash {
    size_t operator()(const TextKey& k) const noexcept
    {
        return qHashMulti(qHash(k.text), k.font.font, k.font.dotsX, k.font.dotsY);
    }
};

struct FontLines {
    FontKey key;
    int ascent, height;
};

// Per thread, as fonts are; bounded, emptied whole when full: texts differ
// from label to label and a recount is cheap.
struct TextCache {
    std::unordered_map<TextKey, TImageCanvas::TextPixels, TextKeyHash> texts;
    std::vector<FontLines> fonts;
    quint64 generation = 1;  // bumped when texts are emptied: pointers into them lapse

    void clearTexts()
    {
        texts.clear();
        ++generation;
    }
};

constexpr std::size_t kMaxTexts = 256;
constexpr std::size_t kMaxFonts = 16;

TextCache& textCache()
{
    thread_local TextCache cache;
    // Fonts are let go before the application ends, not at thread exit.
    static const bool hooked = [] {
        qAddPostRoutine([] {
            textCache().clearTexts();
            textCache().fonts.clear();
        });
        return true;
    }();
    Q_UNUSED(hooked);
    return cache;
}

FontKey fontKey(const QFont& font, const QImage& image)
{
    return {font, image.dotsPerMeterX(), image.dotsPerMeterY()};
}

// Draws the text as textOut does, on scratch images of the target's
// resolution, and returns its box with the background, or a null image when
// the box alone cannot stand for the drawing: a glyph reaches out of the box
// (its blended pixels would depend on what lies there), or the box drawn a
// pixel and two further on differs.
QImage learnBox(const QFont& font, const QImage& target, int ascent, int width, int height, const QString& text,
                const QColor& pen, const QColor& brush)
{
    if (width <= 0 || height <= 0)
        return {};
    const int pad = 2 * height + 4;  // room for overhanging and tall glyphs
    const auto draw = [&](QImage& scratch, QPoint origin, const QColor& colour) {
        scratch.setDotsPerMeterX(target.dotsPerMeterX());
        scratch.setDotsPerMeterY(target.dotsPerMeterY());
        QPainter p(&scratch);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setFont(font);
        p.setPen(colour);
        p.drawText(origin.x(), origin.y() + ascent, text);
    };
    const QRect box(pad, pad, width, height);
    {
        // Where any glyph covers the least part of a pixel, it is not transparent.
        QImage reach(width + 2 * pad, height + 2 * pad, QImage::Format_ARGB32_Premultiplied);
        reach.fill(Qt::transparent);
        draw(reach, box.topLeft(), pen);
        for (int y = 0; y < reach.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(reach.constScanLine(y));
            const bool inside = y >= box.top() && y <= box.bottom();
            for (int x = 0; x < reach.width(); ++x)
                if (line[x] != 0 && !(inside && x >= box.left() && x <= box.right()))
                    return {};
        }
    }
    QImage boxes[2];
    const QPoint shifts[2] = {QPoint(0, 0), QPoint(1, 2)};
    for (int i = 0; i < 2; ++i) {
        QImage scratch(width + 2 * pad, height + 2 * pad, target.format());
        scratch.fill(brush);
        draw(scratch, box.topLeft() + shifts[i], pen);
        boxes[i] = scratch.copy(box.translated(shifts[i]));
    }
    if (boxes[0] != boxes[1])
        return {};
    return boxes[0];
}

}  // namespace

int TFont::height() const
{
    if (font.pixelSize() > 0)
        return -font.pixelSize();
    return -static_cast<int>(std::lround(font.pointSizeF() * 96.0 / 72.0));
}

TFont TFont::standard()
{
    // Made once: every picture starts with it.
    static const TFont standard = [] {
        TFont f;
        f.font = QFont(u"DejaVu Sans"_qs);
        f.font.setStyleHint(QFont::SansSerif);
        f.font.setPixelSize(11);  // 8 points at 96 dpi
        f.color = Qt::black;
        return f;
    }();
    return standard;
}

TImageCanvas::TImageCanvas(QImage& image) : image_(image), font_(TFont::standard())
{
    setFont(font_);
}

TImageCanvas::~TImageCanvas()
{
    flush();
}

QPainter& TImageCanvas::painter()
{
    flush();  // what was filled before lies under what the painter paints
    if (!painter_) {
        painter_.emplace(&image_);
        painter_->setRenderHint(QPainter::Antialiasing, false);
        painter_->setRenderHint(QPainter::TextAntialiasing, false);
        painter_->setFont(font_.font);
        toolsChanged_ = true;
    }
    return *painter_;
}

void TImageCanvas::setPen(const TPen& pen)
{
    pen_ = pen;
    toolsChanged_ = true;  // handed to the painter when it needs them
}

void TImageCanvas::setBrush(const TBrush& brush)
{
    brush_ = brush;
    toolsChanged_ = true;
}

void TImageCanvas::applyTools()
{
    QPainter& p = painter();
    if (!toolsChanged_)
        return;
    QPen pen(pen_.color);
    pen.setWidth(pen_.width <= 1 ? 0 : pen_.width);  // 0: the one-pixel cosmetic pen
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::SquareCap);
    p.setPen(pen);
    p.setBrush(brush_.color);
    toolsChanged_ = false;
}

void TImageCanvas::setFont(const TFont& font)
{
    if (height_ > 0 && font.font == font_.font) {
        font_.color = font.color;  // the same font: its lines and the painter's stay
        return;
    }
    font_ = font;
    if (painter_)
        painter_->setFont(font.font);
    metrics_.reset();
    measuredPixels_ = nullptr;
    measured_ = QString();

    TextCache& cache = textCache();
    const FontKey key = fontKey(font.font, image_);
    const auto known =
        std::find_if(cache.fonts.begin(), cache.fonts.end(), [&](const FontLines& f) { return f.key == key; });
    if (known != cache.fonts.end()) {
        ascent_ = known->ascent;
        height_ = known->height;
        return;
    }
    ascent_ = metrics().ascent();
    height_ = metrics().height();
    if (cache.fonts.size() >= kMaxFonts)
        cache.fonts.erase(cache.fonts.begin());
    cache.fonts.push_back({key, ascent_, height_});
}

const QFontMetrics& TImageCanvas::metrics() const
{
    if (!metrics_)
        metrics_.emplace(font_.font, &image_);
    return *metrics_;
}

bool TImageCanvas::direct() const
{
    const QImage::Format format = image_.format();
    return (format == QImage::Format_RGB888 || format == QImage::Format_RGB32 ||
            format == QImage::Format_ARGB32 || format == QImage::Format_ARGB32_Premultiplied) &&
           image_.devicePixelRatio() == 1.0;
}

void TImageCanvas::fill(const QRect& rect, const QColor& colour)
{
    const QRect r = rect & image_.rect();
    if (r.isEmpty())
        return;
    if (colour.alpha() != 255 || !direct()) {
        flush();
        painter().fillRect(r, colour);
        return;
    }
    fills_.push_back({r, colour.rgba()});  // opaque: the same premultiplied
}

void TImageCanvas::flush()
{
    if (fills_.empty())
        return;
    std::vector<int> edges;  // rows where the set of rectangles changes
    edges.reserve(2 * fills_.size());
    for (const Fill& f : fills_) {
        edges.push_back(f.rect.top());
        edges.push_back(f.rect.bottom() + 1);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

    const bool rgb888 = image_.format() == QImage::Format_RGB888;
    const int bytes = rgb888 ? 3 : 4;
    uchar* const bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    std::vector<std::pair<int, int>> spans;  // columns the band's rectangles cover
    for (std::size_t e = 0; e + 1 < edges.size(); ++e) {
        const int top = edges[e];
        const int bottom = edges[e + 1];  // exclusive
        uchar* const row = bits + top * stride;
        spans.clear();
        for (const Fill& f : fills_) {
            if (f.rect.top() > top || f.rect.bottom() < top)
                continue;
            uchar* p = row + bytes * f.rect.left();
            if (rgb888) {
                const uchar red = uchar(qRed(f.pixel)), green = uchar(qGreen(f.pixel)), blue = uchar(qBlue(f.pixel));
                for (int x = 0; x < f.rect.width(); ++x, p += 3) {
                    p[0] = red;
                    p[1] = green;
                    p[2] = blue;
                }
            } else {
                auto* line = reinterpret_cast<quint32*>(p);
                std::fill(line, line + f.rect.width(), f.pixel);
            }
            spans.emplace_back(f.rect.left(), f.rect.right() + 1);
        }
        if (spans.empty() || bottom - top < 2)
            continue;
        // Columns outside the rectangles keep what each row had.
        if (!std::is_sorted(spans.begin(), spans.end()))  // bars come left to right
            std::sort(spans.begin(), spans.end());
        std::size_t merged = 0;
        for (std::size_t i = 1; i < spans.size(); ++i) {
            if (spans[i].first <= spans[merged].second)
                spans[merged].second = std::max(spans[merged].second, spans[i].second);
            else
                spans[++merged] = spans[i];
        }
        spans.resize(merged + 1);
        for (int y = top + 1; y < bottom; ++y)
            for (const auto& [from, to] : spans)
                std::memcpy(bits + y * stride + bytes * from, row + bytes * from, std::size_t(bytes * (to - from)));
    }
    fills_.clear();
}

void TImageCanvas::polygon(const std::array<QPoint, 4>& points)
{
    // An upright rectangle (every bar at a right angle) is filled directly,
    // boundary pixels included: the same pixels, far cheaper.
    const bool upright = (points[0].x() == points[1].x() && points[2].x() == points[3].x() &&
                          points[0].y() == points[3].y() && points[1].y() == points[2].y()) ||
                         (points[0].y() == points[1].y() && points[2].y() == points[3].y() &&
                          points[0].x() == points[3].x() && points[1].x() == points[2].x());
    if (upright && pen_.width <= 1 && pen_.color == brush_.color) {
        const QPoint a = points[0];
        const QPoint c = points[2];
        fill(QRect(QPoint(std::min(a.x(), c.x()), std::min(a.y(), c.y())),
                   QPoint(std::max(a.x(), c.x()), std::max(a.y(), c.y()))),
             brush_.color);
        return;
    }
    applyTools();
    painter().drawPolygon(QPolygon({points[0], points[1], points[2], points[3]}));
}

TImageCanvas::TextPixels& TImageCanvas::pixelsOf(const QString& text) const
{
    TextCache& cache = textCache();
    if (measuredPixels_ && measuredGeneration_ == cache.generation && text == measured_)
        return *measuredPixels_;
    TextKey key{fontKey(font_.font, image_), text.isNull() ? QString(u""_qs) : text};
    auto found = cache.texts.find(key);
    if (found == cache.texts.end()) {
        if (cache.texts.size() >= kMaxTexts)
            cache.clearTexts();
        TextPixels pixels;
        pixels.width = metrics().horizontalAdvance(key.text);
        found = cache.texts.emplace(std::move(key), std::move(pixels)).first;
    }
    measured_ = found->first.text;
    measuredPixels_ = &found->second;
    measuredGeneration_ = cache.generation;
    return found->second;
}

void TImageCanvas::textOut(int x, int y, const QString& text)
{
    TextPixels& pixels = pixelsOf(text);
    // A text drawn before in the same look is written from its box; drawn
    // once, it is learnt (a text seen once, as most barcodes' numbers, may
    // never come again).
    if (direct() && font_.color.alpha() == 255 && brush_.color.alpha() == 255) {
        const TextPixels::Look look{image_.format(), font_.color.rgba(), brush_.color.rgba()};
        if (!(pixels.look == look))
            pixels = {pixels.width, look, 0, false, {}};
        if (pixels.box.isNull() && !pixels.failed && pixels.drawn > 0) {
            pixels.box = learnBox(font_.font, image_, ascent_, pixels.width, height_, text, font_.color, brush_.color);
            pixels.failed = pixels.box.isNull();
        }
        if (!pixels.box.isNull()) {
            flush();  // what was filled before lies under the box
            const QRect r = QRect(x, y, pixels.box.width(), pixels.box.height()) & image_.rect();
            if (r.isEmpty())
                return;
            const int bytes = image_.format() == QImage::Format_RGB888 ? 3 : 4;
            uchar* const bits = image_.bits();
            const qsizetype stride = image_.bytesPerLine();
            for (int row = r.top(); row <= r.bottom(); ++row)
                std::memcpy(bits + row * stride + bytes * r.left(),
                            pixels.box.constScanLine(row - y) + bytes * (r.left() - x), std::size_t(bytes * r.width()));
            return;
        }
        pixels.drawn = std::min(pixels.drawn + 1, 2);
    }
    fill(QRect(x, y, pixels.width, height_), brush_.color);
    QPainter& p = painter();
    p.setPen(font_.color);
    p.drawText(x, y + ascent_, text);
    toolsChanged_ = true;
}

int TImageCanvas::textWidth(const QString& text) const
{
    return pixelsOf(text).width;
}

int TImageCanvas::textHeight(const QString&) const
{
    return height_;
}

}  // namespace tarvik::barcode
