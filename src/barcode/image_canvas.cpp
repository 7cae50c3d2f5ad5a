#include "barcode/canvas.h"

#include <QFontMetrics>
#include <QPen>
#include <QPolygon>
#include <algorithm>
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
    TFont f;
    f.font = QFont(u"DejaVu Sans"_qs);
    f.font.setStyleHint(QFont::SansSerif);
    f.font.setPixelSize(11);  // 8 points at 96 dpi
    f.color = Qt::black;
    return f;
}

TImageCanvas::TImageCanvas(QImage& image) : painter_(&image), font_(TFont::standard())
{
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    applyTools();
    setFont(font_);
}

TImageCanvas::~TImageCanvas() = default;

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
    if (!toolsChanged_)
        return;
    QPen p(pen_.color);
    p.setWidth(pen_.width <= 1 ? 0 : pen_.width);  // 0: the one-pixel cosmetic pen
    p.setJoinStyle(Qt::MiterJoin);
    p.setCapStyle(Qt::SquareCap);
    painter_.setPen(p);
    painter_.setBrush(brush_.color);
    toolsChanged_ = false;
}

void TImageCanvas::setFont(const TFont& font)
{
    font_ = font;
    painter_.setFont(font.font);
    metrics_.emplace(font.font, painter_.device());
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
        painter_.fillRect(QRect(QPoint(std::min(a.x(), c.x()), std::min(a.y(), c.y())),
                                QPoint(std::max(a.x(), c.x()), std::max(a.y(), c.y()))),
                          brush_.color);
        return;
    }
    applyTools();
    painter_.drawPolygon(QPolygon({points[0], points[1], points[2], points[3]}));
}

void TImageCanvas::textOut(int x, int y, const QString& text)
{
    const QFontMetrics& fm = *metrics_;
    const QRect box(x, y, fm.horizontalAdvance(text), fm.height());
    painter_.fillRect(box, brush_.color);
    painter_.setPen(font_.color);
    painter_.drawText(x, y + fm.ascent(), text);
    toolsChanged_ = true;
}

int TImageCanvas::textWidth(const QString& text) const
{
    return metrics_->horizontalAdvance(text);
}

int TImageCanvas::textHeight(const QString&) const
{
    return metrics_->height();
}

}  // namespace tarvik::barcode
