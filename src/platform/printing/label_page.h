#pragma once
// The page engine: a page of a custom size in page pixels with a band at its
// top and boxes on the band, drawn on screen (the settings dialog's preview,
// the layout editor's surface) and on a printer by the same code.
//
// Units: 4 page pixels are one layout millimetre; page pixels go to paper at
// 96 per inch, so a 200 x 320 pixel page prints as 52.9 x 84.7 mm.

#include <QColor>
#include <QImage>
#include <QMarginsF>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>

#include <vector>

class QPaintDevice;
class QPainter;
class QPrinter;
class QTextDocument;

namespace tarvik::printing {

inline constexpr double kPagePixelsPerInch = 96.0;
inline constexpr int kPagePixelsPerMillimetre = 4;  // per layout millimetre

// A rich-text box: the document is drawn at the box's width, clipped to it;
// text that does not fit is not shown. The page does not own the document.
struct TextBox {
    QRectF geometry;  // page pixels, from the band's top left corner
    const QTextDocument* document = nullptr;
    bool enabled = true;       // a disabled box is left out of printing
    QColor background;         // invalid: transparent
};

// A picture box: the picture stretched to fill the box (or, not stretched,
// at its own size and centred), scaled without smoothing so bars stay sharp.
struct PictureBox {
    QRectF geometry;
    QImage picture;
    bool enabled = true;
    bool stretch = true;
    bool center = true;
};

struct LabelPage {
    QSizeF size;           // the paper, in page pixels
    QMarginsF margins;     // page pixels; 0 on label pages
    double bandHeight = 0; // the band at the top of the printable area, as wide as it
    QColor bandColour = Qt::white;
    std::vector<TextBox> texts;       // drawn in this order, then the pictures
    std::vector<PictureBox> pictures;
};

// The device text boxes are laid out for: 96 page pixels per inch whatever
// the screen says, so screen and paper break lines alike.
QPaintDevice* pagePixelDevice();

// Lays the document out as a text box `width` page pixels wide draws it (on
// pagePixelDevice, no margin). A box whose document was so prepared is drawn
// as it stands; any other is drawn from a copy laid out for the drawing.
void prepareTextLayout(QTextDocument& document, double width);

// The paper size of a page (whole points when the size is whole millimetres of layout).
QPageSize pageSizeOf(const LabelPage& page);

enum class RenderTarget {
    Screen,   // every element, as the preview shows it
    Printer,  // enabled elements only
};

// Draws the page with the painter's coordinates in page pixels.
void renderPage(QPainter& painter, const LabelPage& page, RenderTarget target);

// The screen preview of a page as a picture, `scale` device pixels per page pixel.
QImage renderPageImage(const LabelPage& page, double scale = 1.0);

// Sets the printer's paper to the page (portrait, margins 0, one copy) and
// prints it as one sheet. Throws tarvik::Error when the printer cannot start
// or finish the job.
void printPage(QPrinter& printer, const LabelPage& page);

// Paints the page on a printer that is already set up (a print preview's).
void paintOnPrinter(QPrinter& printer, const LabelPage& page);

}  // namespace tarvik::printing
