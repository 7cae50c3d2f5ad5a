#pragma once
// A plain description of a QTextDocument's text and formats, so tests compare
// documents and print readable differences.

#include <QColor>
#include <QString>
#include <QTextDocument>

#include <ostream>
#include <vector>

namespace tarvik::richtext::testing {

struct Run {
    QString text;
    bool bold = false, italic = false, underline = false, strike = false;
    QString family;
    double points = 0;
    QColor colour;  // invalid: automatic
    bool operator==(const Run&) const = default;
};

struct Paragraph {
    std::vector<Run> runs;  // neighbouring runs of one format are merged
    Qt::Alignment align = Qt::AlignLeft;
    int left = 0, right = 0, first = 0, before = 0, after = 0;  // twips, rounded
    int list = 0;      // 0 none, 1 bullet, 2 numbered (a Qt list or a label kept as text)
    int listId = -1;   // paragraphs of one Qt list share it
    QString label;     // a numbered item's label, not part of the runs
    QString text() const;
    bool operator==(const Paragraph&) const = default;
};

std::vector<Paragraph> describe(const QTextDocument& doc);

// The text as an editor shows it and LibreOffice's text export writes it: one
// line per paragraph, a list item's label and a space before its text, a
// table's cells row by row one paragraph a line (a cell covered by the one
// above it as an empty line); line breaks as new lines, no-break spaces as
// spaces. Footnote paragraphs only when asked for.
QStringList shownLines(const QTextDocument& doc, bool footnotes);
QString dump(const std::vector<Paragraph>& paragraphs);

}  // namespace tarvik::richtext::testing
