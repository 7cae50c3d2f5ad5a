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
    int list = 0;      // 0 none, 1 bullet, 2 decimal
    int listId = -1;   // paragraphs of one list share it
    QString text() const;
    bool operator==(const Paragraph&) const = default;
};

std::vector<Paragraph> describe(const QTextDocument& doc);
QString dump(const std::vector<Paragraph>& paragraphs);

}  // namespace tarvik::richtext::testing
