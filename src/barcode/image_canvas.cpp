#include "barcode/canvas.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPen>
#include <QPolygon>
#include <QRawFont>
#include <QSet>
#include <QTextLayout>
#include <QVarLengthArray>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>

namespace tarvik::barcode {

namespace {

// The font as the image resolves it: a point size depends on its resolution.
struct FontKey {
    QFont font;
    int dotsX, dotsY;
    bool operator==(const FontKey&) const = default;
};

FontKey fontKey(const QFont& font, const QImage& image)
{
    return {font, image.dotsPerMeterX(), image.dotsPerMeterY()};
}

// The characters a text is put together from: printable ASCII, as barcode
// texts and type names are written. Others go through QPainter.
constexpr char16_t kFirstChar = 0x20;
constexpr int kChars = 0x7F - kFirstChar;
constexpr int kFractions = 64;  // glyph positions are kept in 1/64 pixel
// Larger glyphs are drawn by QPainter as one outline for the whole text.
constexpr int kLargestCachedGlyph = 64;

// One character drawn at one fraction of a pixel: its ink (what the glyph
// covers, however little) relative to the pixel its position falls in on the
// baseline, and the pixels of that rectangle as left over the background.
struct Patch {
    QRect ink;  // null for a character with no ink
    std::vector<uchar> pixels;    // the ink rectangle's rows, without padding
    std::vector<quint8> touched;  // 1 where the glyph covers or changes a pixel of the ink, row by row
};

// A kept patch: its ink and where its pixels and touched pixels start in the
// look's bytes, kept together as one text reads them together.
struct KeptPatch {
    QRect ink;
    std::size_t pixels, touched;
};

enum : qint16 { kPatchUnknown = -1, kPatchNone = -2 };

// Glyphs drawn in one look: image format, font colour and brush colour.
struct GlyphLook {
    QImage::Format format;
    QRgb pen, brush;
    std::array<qint16, kChars * kFractions> patch;  // index into patches, or kPatch*
    std::vector<KeptPatch> patches;
    std::vector<uchar> bytes;
};

constexpr std::size_t kMaxFonts = 16;
constexpr std::size_t kMaxLooks = 8;
constexpr qsizetype kMaxChecked = 256;
// Glyphs of one text drawn alone through QPainter at most.
constexpr int kMaxPainted = 4;
// A glyph index above this names a fallback font's glyph in its top byte.
constexpr quint32 kGlyphsOfTheFirstFont = 0xFFFFFF;

}  // namespace

// What is known of a font's printable characters on this thread.
struct TImageCanvas::GlyphFont {
    enum : quint8 { kUnknown, kYes, kNo };
    FontKey key;
    int ascent = 0, height = 0;
    bool cached = false;  // glyphs drawn from QPainter's glyph cache, one by one
    // Per character, laid out alone: advance in 1/64 pixel and glyph, or kNo.
    std::array<quint8, kChars> measured{};
    std::array<int, kChars> advance{};
    std::array<quint32, kChars> glyph{};
    // Per pair of characters: whether they are laid out as each alone (no
    // ligature), and the second's position from the first's in 1/64 pixel.
    std::array<quint8, kChars * kChars> paired{};
    std::array<int, kChars * kChars> distance{};
    // Texts with kerning whose layout as a whole was found the same as put
    // together pair by pair; bounded, emptied whole when full.
    QSet<QString> checked;
    std::vector<std::unique_ptr<GlyphLook>> looks;

    std::optional<QRawFont> raw;  // the font's glyphs, to draw one without layout

    bool measure(int c, const QPaintDevice* device);
    const QRawFont& rawFont(const QPaintDevice* device)
    {
        if (!raw)
            raw = QRawFont::fromFont(QFont(key.font, device));
        return *raw;
    }
    bool pairs(int a, int b, const QPaintDevice* device);
    bool laidOutAsComposed(const QString& text, std::span<const int> offsets, int width, const QFontMetrics& metrics,
                           const QPaintDevice* device);
    GlyphLook& look(QImage::Format format, QRgb pen, QRgb brush);
};

namespace {

// Per thread, as fonts are; bounded, the oldest let go first.
struct GlyphCache {
    std::vector<std::shared_ptr<TImageCanvas::GlyphFont>> fonts;
};

GlyphCache& glyphCache()
{
    thread_local GlyphCache cache;
    // Fonts are let go before the application ends, not at thread exit.
    static const bool hooked = [] {
        qAddPostRoutine([] { glyphCache().fonts.clear(); });
        return true;
    }();
    Q_UNUSED(hooked);
    return cache;
}

// The glyphs of one laid-out text as a single run: indexes and positions.
struct Run {
    QList<quint32> glyphs;
    QList<QPointF> positions;
};

std::optional<Run> layOutAlone(const QString& text, const QFont& font, const QPaintDevice* device)
{
    QTextLayout layout(text, font, device);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() != 1)
        return std::nullopt;
    return Run{runs.front().glyphIndexes(), runs.front().positions()};
}

// A length in 1/64 pixel when it is one exactly.
std::optional<int> sixtyFourths(qreal length)
{
    const qreal scaled = length * kFractions;
    if (scaled != std::floor(scaled) || std::abs(scaled) > 1e7)
        return std::nullopt;
    return int(scaled);
}

// Draws the character as textOut does, its position's fraction given in
// 1/64 pixel, and keeps the pixels of its ink. No patch when the drawing is
// not one glyph shifted whole pixels with its position: when it reaches the
// scratch image's edge, or drawn a pixel and two further on gives other
// pixels.
std::optional<Patch> drawPatch(const FontKey& key, int ascent, int height, QChar ch, int fraction,
                               QImage::Format format, const QColor& pen, const QColor& brush)
{
    const int pad = 2 * height + 4;  // room for overhanging and tall glyphs
    const QSize size(3 * pad, 2 * pad + height);
    const QPointF origin(pad + qreal(fraction) / kFractions, pad + ascent);
    const QString text(ch);
    const auto draw = [&](QImage& scratch, QPoint shift) {
        scratch.setDotsPerMeterX(key.dotsX);
        scratch.setDotsPerMeterY(key.dotsY);
        QPainter p(&scratch);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setFont(key.font);
        p.setPen(pen);
        p.drawText(origin + shift, text);
    };
    // Where the glyph covers the least part of a pixel, it is not transparent.
    QImage reach(size, QImage::Format_ARGB32_Premultiplied);
    reach.fill(Qt::transparent);
    draw(reach, {});
    QImage background(size, format);
    background.fill(brush);
    QImage drawn[2] = {background, background};
    const QPoint shifts[2] = {QPoint(0, 0), QPoint(1, 2)};
    for (int i = 0; i < 2; ++i)
        draw(drawn[i], shifts[i]);
    // The ink: what the glyph covers or the drawing changed.
    const int bytes = background.depth() / 8;
    std::vector<quint8> touched(std::size_t(size.width() * size.height()));
    QRect ink;
    for (int y = 0; y < size.height(); ++y) {
        const auto* covered = reinterpret_cast<const QRgb*>(reach.constScanLine(y));
        const uchar* changed = drawn[0].constScanLine(y);
        const uchar* before = background.constScanLine(y);
        for (int x = 0; x < size.width(); ++x)
            if (covered[x] != 0 || std::memcmp(changed + bytes * x, before + bytes * x, std::size_t(bytes)) != 0) {
                touched[std::size_t(y * size.width() + x)] = 1;
                ink |= QRect(x, y, 1, 1);
            }
    }
    if (!ink.isNull() && !QRect(QPoint(1, 1), size - QSize(4, 4)).contains(ink))
        return std::nullopt;
    Patch patch;
    if (!ink.isNull()) {
        const QImage pixels = drawn[0].copy(ink);
        if (drawn[1].copy(ink.translated(shifts[1])) != pixels)
            return std::nullopt;
        for (int y = 0; y < pixels.height(); ++y)
            patch.pixels.insert(patch.pixels.end(), pixels.constScanLine(y),
                                pixels.constScanLine(y) + bytes * pixels.width());
        patch.ink = ink.translated(-pad, -(pad + ascent));
        for (int y = ink.top(); y <= ink.bottom(); ++y)
            for (int x = ink.left(); x <= ink.right(); ++x)
                patch.touched.push_back(touched[std::size_t(y * size.width() + x)]);
    }
    // Shifted, nothing else may change either.
    QImage rest = drawn[1];
    const QRect shifted = ink.translated(shifts[1]);
    for (int y = shifted.top(); y <= shifted.bottom(); ++y)
        std::memcpy(rest.scanLine(y) + bytes * shifted.left(), background.constScanLine(y) + bytes * shifted.left(),
                    std::size_t(bytes * shifted.width()));
    if (rest != background)
        return std::nullopt;
    return patch;
}

// Whether two glyphs' inks, placed at these rectangles, share a pixel.
bool share(const quint8* a, const QRect& atA, const quint8* b, const QRect& atB)
{
    const QRect both = atA & atB;
    for (int y = both.top(); y <= both.bottom(); ++y)
        for (int x = both.left(); x <= both.right(); ++x)
            if (a[(y - atA.top()) * atA.width() + x - atA.left()] && b[(y - atB.top()) * atB.width() + x - atB.left()])
                return true;
    return false;
}

}  // namespace

bool TImageCanvas::GlyphFont::measure(int c, const QPaintDevice* device)
{
    if (measured[c] != kUnknown)
        return measured[c] == kYes;
    measured[c] = kNo;
    const QString text(QChar(char16_t(kFirstChar + c)));
    const std::optional<Run> run = layOutAlone(text, key.font, device);
    const std::optional<int> width = sixtyFourths(QFontMetricsF(key.font, device).horizontalAdvance(text));
    if (!run || run->glyphs.size() != 1 || run->positions.front().x() != 0 || !width)
        return false;
    advance[c] = *width;
    glyph[c] = run->glyphs.front();
    measured[c] = kYes;
    return true;
}

bool TImageCanvas::GlyphFont::pairs(int a, int b, const QPaintDevice* device)
{
    quint8& known = paired[a * kChars + b];
    if (known != kUnknown)
        return known == kYes;
    known = kNo;
    if (!measure(a, device) || !measure(b, device))
        return false;
    // The second glyph may move (kerning), but the pair's width must grow
    // by as much: what moves it is the first one's advance, and so moves
    // all after it.
    const QString text = QString(QChar(char16_t(kFirstChar + a))) + QChar(char16_t(kFirstChar + b));
    const std::optional<Run> run = layOutAlone(text, key.font, device);
    if (!run || run->glyphs.size() != 2 || run->glyphs[0] != glyph[a] || run->glyphs[1] != glyph[b]
        || run->positions[0] != QPointF(0, run->positions[1].y()))
        return false;
    const std::optional<int> second = sixtyFourths(run->positions[1].x());
    if (!second || sixtyFourths(QFontMetricsF(key.font, device).horizontalAdvance(text)) != *second + advance[b])
        return false;
    distance[a * kChars + b] = *second;
    known = kYes;
    return true;
}

bool TImageCanvas::GlyphFont::laidOutAsComposed(const QString& text, std::span<const int> offsets, int width,
                                                const QFontMetrics& metrics, const QPaintDevice* device)
{
    if (checked.contains(text))
        return true;
    const std::optional<Run> run = layOutAlone(text, key.font, device);
    if (!run || run->glyphs.size() != text.size() || metrics.horizontalAdvance(text) != width)
        return false;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (run->glyphs[i] != glyph[text[i].unicode() - kFirstChar] || run->positions[i].y() != run->positions[0].y()
            || sixtyFourths(run->positions[i].x()) != offsets[std::size_t(i)])
            return false;
    if (checked.size() >= kMaxChecked)
        checked.clear();
    checked.insert(text);
    return true;
}

GlyphLook& TImageCanvas::GlyphFont::look(QImage::Format format, QRgb pen, QRgb brush)
{
    const auto found = std::find_if(looks.begin(), looks.end(), [&](const auto& l) {
        return l->format == format && l->pen == pen && l->brush == brush;
    });
    if (found != looks.end())
        return **found;
    if (looks.size() >= kMaxLooks)
        looks.erase(looks.begin());
    auto made = std::make_unique<GlyphLook>();
    made->format = format;
    made->pen = pen;
    made->brush = brush;
    made->patch.fill(kPatchUnknown);
    looks.push_back(std::move(made));
    return *looks.back();
}

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
    if (glyphs_ && font.font == font_.font) {
        font_.color = font.color;  // the same font: its record and the painter's stay
        return;
    }
    font_ = font;
    if (painter_)
        painter_->setFont(font.font);
    metrics_.reset();
    layout_ = {};

    GlyphCache& cache = glyphCache();
    const FontKey key = fontKey(font.font, image_);
    const auto known =
        std::find_if(cache.fonts.begin(), cache.fonts.end(), [&](const auto& f) { return f->key == key; });
    if (known != cache.fonts.end()) {
        glyphs_ = *known;
    } else {
        glyphs_ = std::make_shared<GlyphFont>();
        glyphs_->key = key;
        glyphs_->ascent = metrics().ascent();
        glyphs_->height = metrics().height();
        glyphs_->cached = QFontInfo(QFont(font.font, &image_)).pixelSize() < kLargestCachedGlyph;
        if (cache.fonts.size() >= kMaxFonts)
            cache.fonts.erase(cache.fonts.begin());
        cache.fonts.push_back(glyphs_);
    }
    ascent_ = glyphs_->ascent;
    height_ = glyphs_->height;
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

namespace {

// Writes an opaque pixel count times from p on, in RGB888 or a 32-bit format.
void writePixels(uchar* p, int count, quint32 pixel, bool rgb888)
{
    if (rgb888) {
        const uchar red = uchar(qRed(pixel)), green = uchar(qGreen(pixel)), blue = uchar(qBlue(pixel));
        for (int x = 0; x < count; ++x, p += 3) {
            p[0] = red;
            p[1] = green;
            p[2] = blue;
        }
    } else {
        auto* line = reinterpret_cast<quint32*>(p);
        std::fill(line, line + count, pixel);
    }
}

}  // namespace

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
            writePixels(row + bytes * f.rect.left(), f.rect.width(), f.pixel, rgb888);
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

const TImageCanvas::Layout& TImageCanvas::layOut(const QString& text) const
{
    if (!layout_.text.isNull() && text == layout_.text)  // laid out texts are never null
        return layout_;
    Layout& l = layout_;
    l.text = text.isNull() ? QString(u""_qs) : text;
    l.offsets.clear();
    l.composable = glyphs_->cached;
    // Each character's position is the sum of the distances between the
    // pairs before it, each pair laid out alone; where one is kerned, the
    // whole text's layout is compared once.
    int position = 0;
    int previous = -1;
    bool kerned = false;
    for (const QChar ch : l.text) {
        if (!l.composable)
            break;
        const int c = int(ch.unicode()) - int(kFirstChar);
        if (c < 0 || c >= kChars || !glyphs_->measure(c, &image_)
            || (previous >= 0 && !glyphs_->pairs(previous, c, &image_))) {
            l.composable = false;
            break;
        }
        if (previous >= 0) {
            const int distance = glyphs_->distance[previous * kChars + c];
            kerned = kerned || distance != glyphs_->advance[previous];
            position += distance;
        }
        l.offsets.push_back(position);
        previous = c;
    }
    if (previous >= 0)
        position += glyphs_->advance[previous];
    // As QFontMetrics rounds the width of the laid-out text.
    l.width = (position + kFractions / 2) / kFractions;
    if (l.composable && kerned)
        l.composable = glyphs_->laidOutAsComposed(l.text, {l.offsets.data(), std::size_t(l.offsets.size())}, l.width,
                                                  metrics(), &image_);
    if (!l.composable)
        l.width = metrics().horizontalAdvance(l.text);
    return l;
}

bool TImageCanvas::compose(int x, int y, const Layout& layout)
{
    if (!layout.composable || !direct() || font_.color.alpha() != 255 || brush_.color.alpha() != 255)
        return false;
    GlyphLook& look = glyphs_->look(image_.format(), font_.color.rgba(), brush_.color.rgba());
    const QRect box(0, 0, layout.width, height_);
    // Each glyph's patch and where it lands, relative to the box.
    struct Placed {
        qint16 patch;  // made patches may move the earlier ones
        QRect ink;
        qsizetype index;  // in the text
        bool masked;  // its rectangle crosses another's: only its ink is written
        bool painted;  // its ink reaches out of the box: drawn through QPainter
    };
    QVarLengthArray<Placed, 32> placed;
    int paintedCount = 0;
    for (qsizetype i = 0; i < layout.text.size(); ++i) {
        const int c = int(layout.text[i].unicode()) - int(kFirstChar);
        const int offset = layout.offsets[i];
        const int fraction = offset % kFractions;
        qint16& index = look.patch[std::size_t(c * kFractions + fraction)];
        if (index == kPatchUnknown) {
            std::optional<Patch> patch = drawPatch(glyphs_->key, ascent_, height_, layout.text[i], fraction,
                                                   look.format, font_.color, brush_.color);
            index = kPatchNone;
            if (patch) {
                index = qint16(look.patches.size());
                look.patches.push_back({patch->ink, look.bytes.size(), look.bytes.size() + patch->pixels.size()});
                look.bytes.insert(look.bytes.end(), patch->pixels.begin(), patch->pixels.end());
                look.bytes.insert(look.bytes.end(), patch->touched.begin(), patch->touched.end());
            }
        }
        if (index == kPatchNone)
            return false;
        const KeptPatch& patch = look.patches[std::size_t(index)];
        if (patch.ink.isNull())
            continue;
        // Relative to the box, from the pixel of the glyph's position on the baseline.
        const QRect ink = patch.ink.translated(offset / kFractions, ascent_);
        // Ink out of the box blends with what lies there, ink shared with a
        // glyph before blends over that one: such a glyph is drawn alone
        // where drawText puts it, after the others, in the text's order.
        bool painted = !box.contains(ink);
        bool masked = false;
        for (Placed& other : placed)
            if (other.ink.intersects(ink)) {
                masked = other.masked = true;
                painted = painted
                          || share(look.bytes.data() + look.patches[std::size_t(other.patch)].touched, other.ink,
                                   look.bytes.data() + patch.touched, ink);
            }
        // A glyph of another font than the first is not drawn alone.
        if (painted && glyphs_->glyph[c] > kGlyphsOfTheFirstFont)
            return false;
        if (painted && ++paintedCount > kMaxPainted)
            return false;  // drawText for the whole text is quicker
        placed.push_back({index, ink, i, masked, painted});
    }

    flush();  // what was filled before lies under the text
    const bool rgb888 = image_.format() == QImage::Format_RGB888;
    const int bytes = rgb888 ? 3 : 4;
    uchar* const bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    // The background: its first row written, then copied down.
    const QRect back = box.translated(x, y) & image_.rect();
    if (!back.isEmpty()) {
        uchar* const first = bits + back.top() * stride + bytes * back.left();
        writePixels(first, back.width(), brush_.color.rgba(), rgb888);
        for (int row = back.top() + 1; row <= back.bottom(); ++row)
            std::memcpy(bits + row * stride + bytes * back.left(), first, std::size_t(bytes * back.width()));
    }
    bool painted = false;
    for (const Placed& p : placed) {
        painted = painted || p.painted;
        if (p.painted)
            continue;
        const KeptPatch& patch = look.patches[std::size_t(p.patch)];
        const QRect ink = p.ink.translated(x, y);
        const QRect r = ink & image_.rect();
        for (int row = r.top(); row <= r.bottom(); ++row) {
            uchar* const to = bits + row * stride + bytes * r.left();
            const uchar* const from =
                look.bytes.data() + patch.pixels + bytes * ((row - ink.top()) * ink.width() + r.left() - ink.left());
            if (!p.masked) {
                std::memcpy(to, from, std::size_t(bytes * r.width()));
                continue;
            }
            const quint8* const touched =
                look.bytes.data() + patch.touched + (row - ink.top()) * ink.width() + (r.left() - ink.left());
            for (int i = 0; i < r.width(); ++i)
                if (touched[i])
                    std::memcpy(to + bytes * i, from + bytes * i, std::size_t(bytes));
        }
    }
    if (!painted)
        return true;
    // The glyph as drawText draws it, without laying the character out again.
    QPainter& painter = this->painter();
    painter.setPen(font_.color);
    toolsChanged_ = true;
    QGlyphRun run;
    run.setRawFont(glyphs_->rawFont(&image_));
    for (const Placed& p : placed)
        if (p.painted) {
            run.setGlyphIndexes({glyphs_->glyph[layout.text[p.index].unicode() - kFirstChar]});
            run.setPositions({QPointF(qreal(layout.offsets[p.index]) / kFractions, 0)});
            painter.drawGlyphRun(QPointF(x, y + ascent_), run);
        }
    return true;
}

void TImageCanvas::textOut(int x, int y, const QString& text)
{
    const Layout& layout = layOut(text);
    if (compose(x, y, layout))
        return;
    fill(QRect(x, y, layout.width, height_), brush_.color);
    QPainter& p = painter();
    p.setPen(font_.color);
    p.drawText(x, y + ascent_, text);
    toolsChanged_ = true;
}

int TImageCanvas::textWidth(const QString& text) const
{
    return layOut(text).width;
}

int TImageCanvas::textHeight(const QString&) const
{
    return height_;
}

}  // namespace tarvik::barcode
