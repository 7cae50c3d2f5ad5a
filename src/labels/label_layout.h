#pragma once
// A label's geometry from its eighteen layout values ("name=value" lines in
// whole millimetres, one millimetre being 4 page pixels).

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

namespace tarvik::labels {

inline constexpr int kLayoutLines = 18;
inline constexpr int kPixelsPerMillimetre = 4;

// Page pixels; a rectangle's position is from the band's top left corner.
struct LabelGeometry {
    int pageWidth = 0;
    int pageHeight = 0;
    int bandHeight = 0;
    QRect head, body, bottom, barcode;

    bool operator==(const LabelGeometry&) const = default;
};

// The value of a layout line: the text after its first "=", a decimal whole
// number (blanks around it allowed). Throws the integer conversion error.
int layoutValue(const QString& line);

// Sets what line `index` (0-17) sets, from a value in millimetres.
void applyLayoutValue(int index, int millimetres, LabelGeometry& g);

// Applies the lines 0 to 17 in order. A line that does not convert throws;
// the lines before it are already applied. Missing lines are an error too.
void applyLayoutLines(const QStringList& lines, LabelGeometry& g);

// Pixels back to millimetres, truncated toward zero (-7 pixels give -1).
constexpr int pixelsToMillimetres(int pixels) { return pixels / kPixelsPerMillimetre; }

// The largest layout value, either sign: far beyond any label, and small
// enough that no position plus size in pixels leaves the range of an int.
inline constexpr int kMaxLayoutMillimetres = 100000;

// Lines 0 and 1 and the width and height of every element are sizes; the
// left and top of the four elements (4 and 5, 8 and 9 ...) are positions.
constexpr bool isSizeLine(int index) { return index < 2 || (index - 2) % 4 < 2; }

// Checks the value list before it is saved or applied: eighteen lines, each
// value a whole number of millimetres (at most kMaxLayoutMillimetres either
// way), every size above 0. Positions may be negative. Throws an error naming
// the first bad line.
void checkLayoutLines(const QStringList& lines);

// The four elements the layout editor moves, in the order its hit test tries them.
enum class LayoutElement { None, Head, Body, Button, Barcode };

// Whether a press at p hits the element's box: strictly inside on all four
// sides, so a press on its edge line does not.
constexpr bool hits(const QRect& box, QPoint p)
{
    return box.x() < p.x() && p.x() < box.x() + box.width() && box.y() < p.y() && p.y() < box.y() + box.height();
}

}  // namespace tarvik::labels
