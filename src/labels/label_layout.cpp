#include "labels/label_layout.h"

#include "platform/text/error.h"
#include "platform/text/currency.h"

namespace tarvik::labels {

int layoutValue(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    return textToInt((eq < 0 ? line : line.mid(eq + 1)).trimmed());
}

void applyLayoutValue(int index, int millimetres, LabelGeometry& g)
{
    const int px = millimetres * kPixelsPerMillimetre;
    QRect* const rects[] = {&g.head, &g.body, &g.bottom, &g.barcode};
    switch (index) {
    case 0: g.pageWidth = px; return;
    case 1: g.pageHeight = px; g.bandHeight = px; return;
    default: break;
    }
    if (index < 2 || index >= kLayoutLines)
        throw Error(QStringLiteral("Немає рядка розмітки з номером %1").arg(index));
    // Lines 2-17 come in fours: width, height, left, top of one element.
    QRect& r = *rects[(index - 2) / 4];
    switch ((index - 2) % 4) {
    case 0: r.setWidth(px); break;
    case 1: r.setHeight(px); break;
    case 2: r.moveLeft(px); break;
    case 3: r.moveTop(px); break;
    }
}

namespace {

// The value of line i, refused with the line's number and name when it is no
// whole number of millimetres or beyond the bounds.
int checkedLayoutValue(int i, const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    const QString name = eq < 0 ? line : line.left(eq);
    const QString where = QStringLiteral("Рядок %1 \"%2\"").arg(i + 1).arg(name);
    int value = 0;
    try {
        value = layoutValue(line);
    } catch (const ConvertError&) {
        throw ConvertError(QStringLiteral("%1: значення \"%2\" не є цілим числом міліметрів")
                        .arg(where, eq < 0 ? QString() : line.mid(eq + 1)));
    }
    if (value > kMaxLayoutMillimetres || value < -kMaxLayoutMillimetres)
        throw Error(QStringLiteral("%1: %2 мм завелике значення, можна від -%3 до %3")
                        .arg(where)
                        .arg(value)
                        .arg(kMaxLayoutMillimetres));
    if (isSizeLine(i) && value <= 0)
        throw Error(QStringLiteral("%1: розмір має бути більшим за 0, а не %2").arg(where).arg(value));
    return value;
}

}  // namespace

void applyLayoutLines(const QStringList& lines, LabelGeometry& g)
{
    for (int i = 0; i < kLayoutLines; ++i) {
        if (i >= lines.size())
            throw Error(QStringLiteral("У розмітці етикетки %1 рядків замість %2").arg(lines.size()).arg(kLayoutLines));
        applyLayoutValue(i, checkedLayoutValue(i, lines[i]), g);
    }
}

void checkLayoutLines(const QStringList& lines)
{
    if (lines.size() < kLayoutLines)
        throw Error(QStringLiteral("У розмітці етикетки %1 рядків замість %2").arg(lines.size()).arg(kLayoutLines));
    for (int i = 0; i < kLayoutLines; ++i)
        checkedLayoutValue(i, lines[i]);
}

}  // namespace tarvik::labels
