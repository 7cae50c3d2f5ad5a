#include "platform/richtext/rtf_writer.h"

#include "platform/richtext/list_numbering.h"
#include "platform/richtext/rtf_reader.h"
#include "platform/text/codec.h"

#include <QColor>
#include <QHash>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextList>
#include <QTextTable>

#include <cmath>
#include <optional>
#include <map>
#include <vector>

namespace tarvik::richtext {
namespace {

// Unicode to Windows-1251 bytes, for the characters above ASCII.
const QHash<char16_t, unsigned char>& cp1251Bytes() {
    static const QHash<char16_t, unsigned char> table = [] {
        QHash<char16_t, unsigned char> t;
        for (int b = 0x80; b <= 0xFF; ++b) {
            const QString s = text::fromCp1251(QByteArray(1, static_cast<char>(b)));
            if (s.size() == 1 && s[0] != QChar::ReplacementCharacter)
                t.insert(s[0].unicode(), static_cast<unsigned char>(b));
        }
        return t;
    }();
    return table;
}

void appendEscaped(QByteArray& out, const QString& s) {
    static const char hex[] = "0123456789abcdef";
    for (const QChar ch : s) {
        const char16_t c = ch.unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == u'\t') {
            out += "\\tab ";
        } else if (c == QChar::LineSeparator) {
            out += "\\line ";
        } else if (c == 0x00A0) {
            out += "\\~";
        } else if (c < 0x20 || c == 0x7F || c == QChar::ObjectReplacementCharacter || c == QChar::ParagraphSeparator) {
            // nothing that a text shows
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const auto it = cp1251Bytes().constFind(c); it != cp1251Bytes().constEnd()) {
            out += "\\'";
            out += hex[*it >> 4];
            out += hex[*it & 15];
        } else {
            // \uN takes a signed 16-bit number; the '?' is for readers without Unicode.
            out += "\\u" + QByteArray::number(static_cast<int>(static_cast<int16_t>(c))) + '?';
        }
    }
}

int twips(double pixels) { return static_cast<int>(std::lround(pixels * kTwipsPerPixel)); }

// A numbered list as the list table writes it: one level, its number format,
// start and the text around the number.
struct WrittenList {
    NumberFormat format = NumberFormat::Decimal;
    int start = 1;
    QString prefix, suffix;
};

// \leveltext holds its length, then the text with \'00 for the number.
void appendLevelText(QByteArray& out, const WrittenList& l) {
    if (l.format == NumberFormat::Bullet) {
        out += "{\\leveltext\\'01\\u8226 ?;}{\\levelnumbers;}";
        return;
    }
    out += "{\\leveltext\\'" + QByteArray::number(l.prefix.size() + l.suffix.size() + 1, 16).rightJustified(2, '0');
    appendEscaped(out, l.prefix);
    out += "\\'00";
    appendEscaped(out, l.suffix);
    out += ";}{\\levelnumbers\\'" + QByteArray::number(l.prefix.size() + 1, 16).rightJustified(2, '0') + ";}";
}

class Writer {
public:
    explicit Writer(const QTextDocument& doc) : doc_(doc) {}

    QByteArray run() {
        collectTables();
        collectLists();
        QByteArray out = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl";
        for (int i = 0; i < static_cast<int>(fonts_.size()); ++i) {
            out += "{\\f" + QByteArray::number(i) +
                   (i == symbolFont_ ? "\\fnil\\fcharset2 " : "\\fnil\\fcharset204 ");
            appendEscaped(out, QString(fonts_[i]).remove(u';'));  // ';' ends a font entry
            out += ";}";
        }
        out += "}\r\n";
        if (!colours_.empty()) {
            out += "{\\colortbl ;";
            for (const QColor& c : colours_)
                out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) +
                       "\\blue" + QByteArray::number(c.blue()) + ';';
            out += "}\r\n";
        }
        listTable(out);
        out += "\\viewkind4\\uc1";
        frame(out, doc_.rootFrame());
        out += "}\r\n";
        return out;
    }

private:
    QString family(const QTextCharFormat& f) const {
        const QStringList families = f.fontFamilies().toStringList();
        if (!families.isEmpty() && !families.first().isEmpty())
            return families.first();
        return doc_.defaultFont().family();
    }

    int halfPoints(const QTextCharFormat& f) const {
        double pt = f.fontPointSize();
        if (pt <= 0) {
            const QFont d = doc_.defaultFont();
            pt = d.pointSizeF() > 0 ? d.pointSizeF() : d.pixelSize() * 0.75;
        }
        return std::max(2, static_cast<int>(std::lround(pt * 2)));
    }

    void addFont(const QString& name) {
        if (!fontIndex_.contains(name)) {
            fontIndex_.insert(name, static_cast<int>(fonts_.size()));
            fonts_.push_back(name);
        }
    }

    void addColour(const QTextCharFormat& f) {
        if (f.foreground().style() == Qt::NoBrush)
            return;
        const QRgb rgb = f.foreground().color().rgb();
        if (!colourIndex_.contains(rgb)) {
            colours_.push_back(f.foreground().color());
            colourIndex_.insert(rgb, static_cast<int>(colours_.size()));
        }
    }

    void collectTables() {
        addFont(doc_.defaultFont().family());
        bool lists = false;
        for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next()) {
            addFont(family(b.charFormat()));
            addColour(b.charFormat());
            lists = lists || b.textList();
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                addFont(family(it.fragment().charFormat()));
                addColour(it.fragment().charFormat());
            }
        }
        if (lists) {
            symbolFont_ = static_cast<int>(fonts_.size());
            fonts_.push_back(QStringLiteral("Symbol"));
        }
    }

    // Every Qt list gets a list table entry: numbered ones count from 1;
    // items that show their label as text (a list that starts at 3) are
    // gathered into lists of consecutive numbers.
    void collectLists() {
        struct Run {
            int ls;
            int next;
            WrittenList list;
        };
        std::map<int, Run> runs;  // by the reader's list key
        for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next()) {
            if (const QTextList* l = b.textList()) {
                const QTextListFormat f = l->format();
                const NumberFormat format = numberFormatOfStyle(f.style());
                if (listIds_.contains(l))
                    continue;
                WrittenList w{format, 1, f.numberPrefix(),
                              f.hasProperty(QTextFormat::ListNumberSuffix) ? f.numberSuffix() : QStringLiteral(".")};
                lists_.push_back(w);
                listIds_.insert(l, static_cast<int>(lists_.size()));
            } else if (labelOf(b)) {
                const QTextBlockFormat bf = b.blockFormat();
                const WrittenList w{static_cast<NumberFormat>(bf.intProperty(kListFormatProperty)),
                                    bf.intProperty(kListNumberProperty), bf.stringProperty(kListPrefixProperty),
                                    bf.stringProperty(kListSuffixProperty)};
                if (w.format == NumberFormat::Bullet || w.format == NumberFormat::None)
                    continue;
                auto run = runs.find(bf.intProperty(kListKeyProperty));
                if (run == runs.end() || run->second.next != w.start || run->second.list.format != w.format ||
                    run->second.list.prefix != w.prefix || run->second.list.suffix != w.suffix) {
                    lists_.push_back(w);
                    run = runs.insert_or_assign(bf.intProperty(kListKeyProperty),
                                                Run{static_cast<int>(lists_.size()), w.start, w})
                              .first;
                }
                run->second.next = w.start + 1;
                labelled_.insert(b.blockNumber(), run->second.ls);
            }
        }
    }

    // The label a block shows as text at its start, if it is a list item of that kind.
    static std::optional<QString> labelOf(const QTextBlock& b) {
        const QTextBlockFormat bf = b.blockFormat();
        if (!bf.hasProperty(kListLabelProperty))
            return std::nullopt;
        const QString label = bf.stringProperty(kListLabelProperty) + u'\t';
        if (!b.text().startsWith(label))
            return std::nullopt;  // edited since: an ordinary paragraph now
        return label;
    }

    void listTable(QByteArray& out) const {
        if (lists_.empty())
            return;
        out += "{\\*\\listtable";
        for (size_t i = 0; i < lists_.size(); ++i) {
            const WrittenList& l = lists_[i];
            out += "\r\n{\\list\\listtemplateid" + QByteArray::number(i + 1) +
                   "\\listsimple{\\listlevel\\levelnfc" + QByteArray::number(static_cast<int>(l.format)) +
                   "\\leveljc0\\levelfollow0\\levelstartat" + QByteArray::number(l.start);
            appendLevelText(out, l);
            out += "}\\listid" + QByteArray::number(i + 1) + "}";
        }
        out += "}\r\n{\\*\\listoverridetable";
        for (size_t i = 0; i < lists_.size(); ++i)
            out += "{\\listoverride\\listid" + QByteArray::number(i + 1) + "\\listoverridecount0\\ls" +
                   QByteArray::number(i + 1) + "}";
        out += "}\r\n";
    }

    void frame(QByteArray& out, const QTextFrame* f) {
        for (auto it = f->begin(); !it.atEnd(); ++it) {
            if (QTextFrame* child = it.currentFrame()) {
                if (auto* t = qobject_cast<QTextTable*>(child))
                    table(out, *t);
                else
                    frame(out, child);
            } else if (const QTextBlock b = it.currentBlock(); b.isValid()) {
                if (b.blockFormat().boolProperty(kTableSpacerProperty) && b.length() <= 1)
                    continue;  // Qt's block before a table, not the user's
                block(out, b, false, "\\par");
            }
        }
    }

    // The widths of a table's columns in pixels: fixed ones as they are,
    // percentages of the text width, the rest share what is left.
    std::vector<double> columnWidths(const QTextTable& t) const {
        const double available = doc_.textWidth() > 0 ? doc_.textWidth() : 600;
        const QList<QTextLength> constraints = t.format().columnWidthConstraints();
        std::vector<double> widths(t.columns(), 0);
        double used = 0;
        int variable = 0;
        for (int c = 0; c < t.columns(); ++c) {
            const QTextLength l = c < constraints.size() ? constraints[c] : QTextLength();
            if (l.type() == QTextLength::FixedLength)
                widths[c] = l.rawValue();
            else if (l.type() == QTextLength::PercentageLength)
                widths[c] = available * l.rawValue() / 100;
            else
                ++variable;
            used += widths[c];
        }
        for (double& w : widths)
            if (w <= 0)
                w = std::max(20.0, (available - used) / std::max(variable, 1));
        return widths;
    }

    void table(QByteArray& out, const QTextTable& t) {
        const QTextTableFormat tf = t.format();
        std::vector<int> edges{twips(tf.leftMargin())};
        for (double w : columnWidths(t))
            edges.push_back(edges.back() + std::max(1, twips(w)));
        const int gap = twips(tf.cellPadding());
        for (int r = 0; r < t.rows(); ++r) {
            out += "\r\n\\trowd\\trgaph" + QByteArray::number(gap) + "\\trleft" + QByteArray::number(edges.front());
            for (int c = 0; c < t.columns(); ++c) {
                const QTextTableCell cell = t.cellAt(r, c);
                if (cell.column() != c)
                    continue;  // covered by the cell on its left
                if (cell.rowSpan() > 1)
                    out += cell.row() == r ? "\\clvmgf" : "\\clvmrg";
                const QTextTableCellFormat cf = cell.format().toTableCellFormat();
                if (cf.verticalAlignment() == QTextCharFormat::AlignMiddle)
                    out += "\\clvertalc";
                else if (cf.verticalAlignment() == QTextCharFormat::AlignBottom)
                    out += "\\clvertalb";
                if (tf.border() > 0) {
                    const std::pair<const char*, int> sides[] = {{"t", QTextFormat::TableCellTopBorder},
                                                                 {"l", QTextFormat::TableCellLeftBorder},
                                                                 {"b", QTextFormat::TableCellBottomBorder},
                                                                 {"r", QTextFormat::TableCellRightBorder}};
                    for (const auto& [side, property] : sides) {
                        const double width = cf.hasProperty(property) ? cf.doubleProperty(property) : tf.border();
                        if (width > 0)
                            out += QByteArray("\\clbrdr") + side + "\\brdrs\\brdrw" + QByteArray::number(twips(width));
                    }
                }
                out += "\\cellx" + QByteArray::number(edges[std::min<size_t>(c + cell.columnSpan(), edges.size() - 1)]);
            }
            for (int c = 0; c < t.columns(); ++c) {
                const QTextTableCell cell = t.cellAt(r, c);
                if (cell.column() != c)
                    continue;
                if (cell.row() != r) {
                    out += "\r\n\\pard\\intbl\\cell";  // covered by the cell above
                    continue;
                }
                std::vector<QTextBlock> blocks;
                for (auto it = cell.begin(); !it.atEnd(); ++it)
                    if (it.currentBlock().isValid())
                        blocks.push_back(it.currentBlock());
                for (size_t i = 0; i < blocks.size(); ++i)
                    block(out, blocks[i], true, i + 1 == blocks.size() ? "\\cell" : "\\par");
            }
            out += "\\row";
        }
    }

    void charState(QByteArray& out, const QTextCharFormat& f) {
        QByteArray s = "\\f" + QByteArray::number(fontIndex_.value(family(f))) + "\\fs" +
                       QByteArray::number(halfPoints(f));
        s += f.fontWeight() >= QFont::DemiBold ? "\\b" : "\\b0";
        s += f.fontItalic() ? "\\i" : "\\i0";
        s += f.fontUnderline() ? "\\ul" : "\\ulnone";
        s += f.fontStrikeOut() ? "\\strike" : "\\strike0";
        s += f.fontCapitalization() == QFont::AllUppercase ? "\\caps"
             : f.fontCapitalization() == QFont::SmallCaps  ? "\\scaps"
                                                           : "\\caps0\\scaps0";
        s += f.verticalAlignment() == QTextCharFormat::AlignSuperScript ? "\\super"
             : f.verticalAlignment() == QTextCharFormat::AlignSubScript ? "\\sub"
                                                                        : "\\nosupersub";
        s += "\\cf" + QByteArray::number(f.foreground().style() == Qt::NoBrush
                                             ? 0
                                             : colourIndex_.value(f.foreground().color().rgb()));
        if (s != lastState_) {
            out += s + ' ';
            lastState_ = s;
        }
    }

    void block(QByteArray& out, const QTextBlock& b, bool inTable, const char* end) {
        const QTextBlockFormat bf = b.blockFormat();
        out += inTable ? "\r\n\\pard\\intbl" : "\r\n\\pard";
        double left = bf.leftMargin() + bf.indent() * doc_.indentWidth();
        double first = bf.textIndent();
        qsizetype skip = 0;  // the label that a list item shows as text is written as its \listtext
        if (QTextList* list = b.textList()) {
            left += list->format().indent() * doc_.indentWidth();
            first = bf.hasProperty(kBulletFirstIndentProperty) ? bf.doubleProperty(kBulletFirstIndentProperty)
                                                               : -std::min(left, 24.0);
            const QByteArray sym = QByteArray::number(symbolFont_);
            const QByteArray ls = "\\ls" + QByteArray::number(listIds_.value(list)) + "\\ilvl0";
            if (numberFormatOfStyle(list->format().style()) != NumberFormat::Bullet) {
                out += "{\\listtext ";
                appendEscaped(out, list->itemText(b));
                out += "\\tab}" + ls;
            } else {
                // \pn for the rich-edit control; \ls after it, so that LibreOffice
                // does not count the bullets into a numbered list before them.
                out += "{\\pntext\\f" + sym + "\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf" + sym +
                       "\\pnindent0{\\pntxtb\\'b7}}" + ls;
            }
        } else if (const int ls = labelled_.value(b.blockNumber())) {
            const QString label = *labelOf(b);
            out += "{\\listtext ";
            appendEscaped(out, label.chopped(1));
            out += "\\tab}\\ls" + QByteArray::number(ls) + "\\ilvl0";
            skip = label.size();
        }
        switch (bf.alignment() & Qt::AlignHorizontal_Mask) {
        case Qt::AlignHCenter: out += "\\qc"; break;
        case Qt::AlignRight: out += "\\qr"; break;
        case Qt::AlignJustify: out += "\\qj"; break;
        default: break;
        }
        if (const int v = twips(first)) out += "\\fi" + QByteArray::number(v);
        if (const int v = twips(left)) out += "\\li" + QByteArray::number(v);
        if (const int v = twips(bf.rightMargin())) out += "\\ri" + QByteArray::number(v);
        if (const int v = twips(bf.topMargin())) out += "\\sb" + QByteArray::number(v);
        if (const int v = twips(bf.bottomMargin())) out += "\\sa" + QByteArray::number(v);
        lastState_.clear();
        bool any = false;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            QString text = frag.text();
            const qsizetype dropped = std::min(skip, text.size());
            text.remove(0, dropped);
            skip -= dropped;
            if (text.isEmpty())
                continue;
            charState(out, frag.charFormat());
            appendEscaped(out, text);
            any = true;
        }
        if (!any)
            charState(out, b.charFormat());
        if (lastState_.contains("\\super") || lastState_.contains("\\sub"))
            out += "\\nosupersub";  // LibreOffice loses a paragraph mark in super- or subscript
        out += end;
    }

    const QTextDocument& doc_;
    std::vector<QString> fonts_;
    QHash<QString, int> fontIndex_;
    std::vector<QColor> colours_;
    QHash<QRgb, int> colourIndex_;
    int symbolFont_ = -1;
    QByteArray lastState_;
    std::vector<WrittenList> lists_;        // \ls N is lists_[N - 1]
    QHash<const QTextList*, int> listIds_;  // a numbered Qt list's \ls
    QHash<int, int> labelled_;              // a labelled item's block number to its \ls
};

}  // namespace

QByteArray writeRtf(const QTextDocument& document) { return Writer(document).run(); }

}  // namespace tarvik::richtext
