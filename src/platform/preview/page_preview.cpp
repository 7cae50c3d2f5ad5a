#include "platform/preview/page_preview.h"

#include "platform/ui/prompts.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace tarvik::printing {

PageView::PageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageView::setPage(LabelPage page) {
    page_ = std::move(page);
    updateGeometry();
    update();
}

QSize PageView::sizeHint() const { return page_.size.toSize(); }

void PageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.fillRect(QRectF(QPointF(0, 0), page_.size), Qt::white);
    renderPage(painter, page_, RenderTarget::Screen);
}

int previewPage(const LabelPage& page, const QString& title) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(pageSizeOf(page), QPageLayout::Portrait, QMarginsF(), QPageLayout::Point));
    QPrintPreviewDialog dialog(&printer);
    dialog.setWindowTitle(title);
    // Wide enough for its whole tool bar: a narrower one hides "Друк" behind an overflow arrow.
    dialog.resize(900, 680);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&page](QPrinter* p) { paintOnPrinter(*p, page); });
    return ui::prompts().dialog(dialog);
}

}  // namespace tarvik::printing
