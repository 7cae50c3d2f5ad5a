#pragma once
// Showing a page: a widget that draws it as the settings dialog's preview (the
// layout editor takes its mouse presses), and the print preview window, raised
// through the prompt layer, from which the user may print the page.

#include "platform/printing/label_page.h"

#include <QWidget>

namespace tarvik::printing {

// Draws a page at one screen pixel per page pixel, every element shown. It
// handles no mouse input, so presses reach whoever watches it.
class PageView : public QWidget {
    Q_OBJECT
public:
    explicit PageView(QWidget* parent = nullptr);

    // The page to draw; its documents must outlive the view or the next call.
    void setPage(LabelPage page);
    const LabelPage& page() const { return page_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LabelPage page_;
};

// Opens the print preview of the page (QPrintPreviewDialog, through the
// prompt layer) with the given window title; returns the dialog's result.
int previewPage(const LabelPage& page, const QString& title);

}  // namespace tarvik::printing
