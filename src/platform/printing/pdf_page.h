#pragma once
// Label pages written as PDF by cairo. Qt's own PDF writer prepares every font
// anew for each document (its character map walks every code point of each
// face), which cost most of a label run; cairo's PDF surface keeps the font
// faces loaded for the life of the process and writes only the glyphs used.
//
// The page is drawn by the same renderPage as on screen and on QPrinter, so
// text is laid out by Qt as before and the PDF carries the same glyphs at the
// same places; only the file's writer differs.

#include "platform/printing/label_page.h"

#include <QString>

class QIODevice;

namespace tarvik::printing {

// Writes the page's enabled elements as a one-page PDF of the page's paper
// size to `out` (open for writing), titled `title`. Throws tarvik::Error when
// the PDF cannot be made or written.
void writePagePdf(const LabelPage& page, QIODevice& out, const QString& title);

// The same into a file, replacing it.
void writePagePdf(const LabelPage& page, const QString& file, const QString& title);

}  // namespace tarvik::printing
