#include "platform/richtext/document_model.h"

#include "platform/richtext/rtf_reader.h"

#include <QTextBlock>
#include <QTextFragment>
#include <QTextList>
#include <QTextTable>

#include <cmath>
#include <map>

namespace tarvik::richtext::testing {

QString Paragraph::text() const {
    QString t;
    for (const Run& r : runs)
        t += r.text;
    return t;
}

static int twips(double px) { return static_cast<int>(std::lround(px * kTwipsPerPixel)); }

std::vector<Paragraph> describe(const QTextDocument& doc) {
    std::vector<Paragraph> out;
    std::map<const QTextList*, int> lists;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        Paragraph p;
        const QTextBlockFormat bf = b.blockFormat();
        p.align = bf.alignment() & Qt::AlignHorizontal_Mask;
        if (p.align == Qt::AlignLeading || p.align == 0)
            p.align = Qt::AlignLeft;
        double left = bf.leftMargin() + bf.indent() * doc.indentWidth();
        p.first = twips(bf.textIndent());
        if (QTextList* l = b.textList()) {
            left += l->format().indent() * doc.indentWidth();
            const QTextListFormat::Style style = l->format().style();
            p.list = style > QTextListFormat::ListDecimal && style <= QTextListFormat::ListDisc ? 1 : 2;
            if (p.list == 2)
                p.label = l->itemText(b);
            p.listId = lists.emplace(l, static_cast<int>(lists.size())).first->second;
            p.first = twips(bf.doubleProperty(kBulletFirstIndentProperty));
        }
        p.left = twips(left);
        p.right = twips(bf.rightMargin());
        p.before = twips(bf.topMargin());
        p.after = twips(bf.bottomMargin());
        // A label kept as text is described as a Qt list's label is.
        qsizetype skip = 0;
        if (!b.textList() && bf.hasProperty(kListLabelProperty) &&
            b.text().startsWith(bf.stringProperty(kListLabelProperty) + u'\t')) {
            p.list = 2;
            p.label = bf.stringProperty(kListLabelProperty);
            skip = p.label.size() + 1;
        }
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            Run r;
            r.text = f.text();
            const qsizetype dropped = std::min(skip, r.text.size());
            r.text.remove(0, dropped);
            skip -= dropped;
            if (r.text.isEmpty())
                continue;
            r.bold = cf.fontWeight() >= QFont::DemiBold;
            r.italic = cf.fontItalic();
            r.underline = cf.fontUnderline();
            r.strike = cf.fontStrikeOut();
            const QStringList fam = cf.fontFamilies().toStringList();
            r.family = fam.isEmpty() ? doc.defaultFont().family() : fam.first();
            r.points = cf.fontPointSize() > 0 ? cf.fontPointSize() : doc.defaultFont().pointSizeF();
            if (cf.foreground().style() != Qt::NoBrush)
                r.colour = cf.foreground().color();
            if (!p.runs.empty()) {
                Run& last = p.runs.back();
                Run probe = r;
                probe.text = last.text;
                if (probe == last) {
                    last.text += r.text;
                    continue;
                }
            }
            p.runs.push_back(r);
        }
        out.push_back(p);
    }
    return out;
}

namespace {

void shownBlock(const QTextBlock& b, bool footnotes, QStringList& lines) {
    const QTextBlockFormat bf = b.blockFormat();
    if (bf.boolProperty(kTableSpacerProperty) || (!footnotes && bf.boolProperty(kFootnoteProperty)))
        return;
    QString text = b.text();
    if (const QTextList* list = b.textList()) {
        const bool bullet = list->format().style() > QTextListFormat::ListDecimal &&
                            list->format().style() <= QTextListFormat::ListDisc;  // disc, circle, square
        text = (bullet ? QStringLiteral("\u2022") : list->itemText(b)) + u' ' + text;
    } else if (bf.hasProperty(kListLabelProperty)) {
        const QString label = bf.stringProperty(kListLabelProperty) + u'\t';
        if (text.startsWith(label))
            text = label.chopped(1) + u' ' + text.mid(label.size());
    }
    text.replace(QChar::LineSeparator, u'\n').replace(QChar::Nbsp, u' ');
    lines += text.split(u'\n');
}

void shownFrame(const QTextFrame* frame, bool footnotes, QStringList& lines) {
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame* child = it.currentFrame()) {
            const auto* table = qobject_cast<const QTextTable*>(child);
            if (!table) {
                shownFrame(child, footnotes, lines);
                continue;
            }
            for (int r = 0; r < table->rows(); ++r) {
                for (int c = 0; c < table->columns(); ++c) {
                    const QTextTableCell cell = table->cellAt(r, c);
                    if (cell.column() != c)
                        continue;  // covered by the cell on its left
                    if (cell.row() != r) {
                        lines += QString();  // covered by the cell above
                        continue;
                    }
                    for (auto b = cell.begin(); !b.atEnd(); ++b)
                        if (b.currentBlock().isValid())
                            shownBlock(b.currentBlock(), footnotes, lines);
                }
            }
        } else if (it.currentBlock().isValid()) {
            shownBlock(it.currentBlock(), footnotes, lines);
        }
    }
}

}  // namespace

QStringList shownLines(const QTextDocument& doc, bool footnotes) {
    QStringList lines;
    shownFrame(doc.rootFrame(), footnotes, lines);
    return lines;
}

QString dump(const std::vector<Paragraph>& paragraphs) {
    QString s;
    for (const Paragraph& p : paragraphs) {
        s += QStringLiteral("[align %1 li %2 ri %3 fi %4 sb %5 sa %6 list %7/%8 %9]\n")
                 .arg(int(p.align)).arg(p.left).arg(p.right).arg(p.first).arg(p.before).arg(p.after)
                 .arg(p.list).arg(p.listId).arg(p.label);
        for (const Run& r : p.runs)
            s += QStringLiteral("  \"%1\" %2%3%4%5 %6 %7 %8\n")
                     .arg(r.text, r.bold ? "B" : "-", r.italic ? "I" : "-", r.underline ? "U" : "-",
                          r.strike ? "S" : "-", r.family)
                     .arg(r.points)
                     .arg(r.colour.isValid() ? r.colour.name() : QStringLiteral("auto"));
    }
    return s;
}

}  // namespace tarvik::richtext::testing
