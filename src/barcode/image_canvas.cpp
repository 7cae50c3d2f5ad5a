#include "barcode/canvas.h"

#include <QFontMetrics>
#include <QPen>
#include <QPolygon>
#include <algorithm>
#include <cstring>
#include <cmath>

namespace tarvik::barcode {

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
    if (metrics_ && font.font == font_.font) {
        font_.color = font.color;  // the same font: its metrics and the painter's stay
        return;
    }
    font_ = font;
    if (painter_)
        painter_->setFont(font.font);
    metrics_.emplace(font.font, &image_);
    measured_ = QString();
}

void TImageCanvas::fill(const QRect& rect, const QColor& colour)
{
    const QRect r = rect & image_.rect();
    if (r.isEmpty())
        return;
    const QImage::Format format = image_.format();
    const bool kept = colour.alpha() == 255 &&
                      (format == QImage::Format_RGB888 || format == QImage::Format_RGB32 ||
                       format == QImage::Format_ARGB32 || format == QImage::Format_ARGB32_Premultiplied);
    if (!kept) {
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

void TImageCanvas::textOut(int x, int y, const QString& text)
{
    const QFontMetrics& fm = *metrics_;
    fill(QRect(x, y, textWidth(text), fm.height()), brush_.color);
    QPainter& p = painter();
    p.setPen(font_.color);
    p.drawText(x, y + fm.ascent(), text);
    toolsChanged_ = true;
}

int TImageCanvas::textWidth(const QString& text) const
{
    if (text != measured_ || measured_.isNull()) {
        measuredWidth_ = metrics_->horizontalAdvance(text);
        measured_ = text.isNull() ? QString(u""_qs) : text;
    }
    return measuredWidth_;
}

int TImageCanvas::textHeight(const QString&) const
{
    return metrics_->height();
}

}  // namespace tarvik::barcode
