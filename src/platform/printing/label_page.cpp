#include "platform/printing/label_page.h"

#include "platform/text/error.h"

#include <QAbstractTextDocumentLayout>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <QVariant>

#include <memory>

namespace tarvik::printing {
namespace {

constexpr double kPointsPerPagePixel = 72.0 / kPagePixelsPerInch;

// Marks a document laid out by prepareTextLayout, with the width it was laid out at.
const char* const kPreparedWidth = "tarvikLayoutWidth";

bool isPrepared(const QTextDocument& document, double width) {
    const QVariant prepared = document.property(kPreparedWidth);
    return prepared.isValid() && prepared.toDouble() == width && document.textWidth() == width &&
           document.documentMargin() == 0;
}

void drawText(QPainter& painter, const TextBox& box) {
    painter.save();
    painter.translate(box.geometry.topLeft());
    const QRectF area(QPointF(0, 0), box.geometry.size());
    painter.setClipRect(area, Qt::IntersectClip);
    if (box.background.isValid())
        painter.fillRect(area, box.background);
    if (box.document) {
        const QTextDocument* doc = box.document;
        std::unique_ptr<QTextDocument> copy;
        if (!isPrepared(*doc, area.width())) {
            copy.reset(doc->clone());
            prepareTextLayout(*copy, area.width());
            doc = copy.get();
        }
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = area;
        context.palette.setColor(QPalette::Text, Qt::black);
        doc->documentLayout()->draw(&painter, context);
    }
    painter.restore();
}

void drawPicture(QPainter& painter, const PictureBox& box) {
    if (box.picture.isNull())
        return;
    painter.save();
    painter.setClipRect(box.geometry, Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    QRectF target = box.geometry;
    if (!box.stretch) {
        target.setSize(box.picture.size());
        if (box.center)
            target.moveCenter(box.geometry.center());
    }
    painter.drawImage(target, box.picture);
    painter.restore();
}

}  // namespace

QPaintDevice* pagePixelDevice() {
    static QImage device = [] {
        QImage metrics(1, 1, QImage::Format_RGB32);
        metrics.setDotsPerMeterX(qRound(kPagePixelsPerInch / 0.0254));
        metrics.setDotsPerMeterY(qRound(kPagePixelsPerInch / 0.0254));
        return metrics;
    }();
    return &device;
}

void prepareTextLayout(QTextDocument& document, double width) {
    if (isPrepared(document, width))
        return;
    document.documentLayout()->setPaintDevice(pagePixelDevice());
    document.setDocumentMargin(0);
    document.setTextWidth(width);
    document.setProperty(kPreparedWidth, width);
}

QPageSize pageSizeOf(const LabelPage& page) {
    return QPageSize(page.size * kPointsPerPagePixel, QPageSize::Point, QString(), QPageSize::ExactMatch);
}

void renderPage(QPainter& painter, const LabelPage& page, RenderTarget target) {
    painter.save();
    const QRectF printable = QRectF(QPointF(0, 0), page.size).marginsRemoved(page.margins);
    painter.translate(printable.topLeft());
    painter.setClipRect(QRectF(QPointF(0, 0), printable.size()), Qt::IntersectClip);
    if (page.bandColour.isValid() && page.bandHeight > 0)
        painter.fillRect(QRectF(0, 0, printable.width(), page.bandHeight), page.bandColour);
    const bool all = target == RenderTarget::Screen;
    for (const TextBox& box : page.texts)
        if (all || box.enabled)
            drawText(painter, box);
    for (const PictureBox& box : page.pictures)
        if (all || box.enabled)
            drawPicture(painter, box);
    painter.restore();
}

QImage renderPageImage(const LabelPage& page, double scale) {
    QImage image((page.size * scale).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    renderPage(painter, page, RenderTarget::Screen);
    return image;
}

void paintOnPrinter(QPrinter& printer, const LabelPage& page) {
    QPainter painter;
    if (!painter.begin(&printer))
        throw Error(QStringLiteral("The printer \"%1\" cannot start the print job").arg(printer.printerName()));
    // Page pixels to printer dots; the paper's corner is the origin (full page).
    const double dots = printer.resolution() / kPagePixelsPerInch;
    const QRectF paper = printer.pageLayout().fullRectPixels(printer.resolution());
    const QRectF paint = printer.pageLayout().paintRectPixels(printer.resolution());
    if (!printer.fullPage())
        painter.translate(paper.topLeft() - paint.topLeft());
    painter.scale(dots, dots);
    renderPage(painter, page, RenderTarget::Printer);
    if (!painter.end())
        throw Error(QStringLiteral("The printer \"%1\" could not finish the print job").arg(printer.printerName()));
}

void printPage(QPrinter& printer, const LabelPage& page) {
    printer.setFullPage(true);
    printer.setCopyCount(1);
    const QPageLayout layout(pageSizeOf(page), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    if (!printer.setPageLayout(layout))
        throw Error(QStringLiteral("The printer \"%1\" does not take a page of %2 x %3 points")
                        .arg(printer.printerName())
                        .arg(page.size.width() * kPointsPerPagePixel)
                        .arg(page.size.height() * kPointsPerPagePixel));
    paintOnPrinter(printer, page);
}

}  // namespace tarvik::printing
