#include "platform/richtext/rtf_writer.h"

#include "platform/richtext/rtf_reader.h"
#include "platform/text/codec.h"

#include <QColor>
#include <QHash>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextList>

#include <cmath>
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

class Writer {
public:
    explicit Writer(const QTextDocument& doc) : doc_(doc) {}

    QByteArray run() {
        collectTables();
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
        out += "\\viewkind4\\uc1";
        for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next())
            block(out, b);
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

    void charState(QByteArray& out, const QTextCharFormat& f) {
        QByteArray s = "\\f" + QByteArray::number(fontIndex_.value(family(f))) + "\\fs" +
                       QByteArray::number(halfPoints(f));
        s += f.fontWeight() >= QFont::DemiBold ? "\\b" : "\\b0";
        s += f.fontItalic() ? "\\i" : "\\i0";
        s += f.fontUnderline() ? "\\ul" : "\\ulnone";
        s += f.fontStrikeOut() ? "\\strike" : "\\strike0";
        s += "\\cf" + QByteArray::number(f.foreground().style() == Qt::NoBrush
                                             ? 0
                                             : colourIndex_.value(f.foreground().color().rgb()));
        if (s != lastState_) {
            out += s + ' ';
            lastState_ = s;
        }
    }

    void block(QByteArray& out, const QTextBlock& b) {
        const QTextBlockFormat bf = b.blockFormat();
        out += "\r\n\\pard";
        double left = bf.leftMargin() + bf.indent() * doc_.indentWidth();
        double first = bf.textIndent();
        if (QTextList* list = b.textList()) {
            left += list->format().indent() * doc_.indentWidth();
            first = bf.hasProperty(kBulletFirstIndentProperty) ? bf.doubleProperty(kBulletFirstIndentProperty)
                                                               : -std::min(left, 24.0);
            const QByteArray sym = QByteArray::number(symbolFont_);
            const QTextListFormat::Style style = list->format().style();
            if (style == QTextListFormat::ListDecimal) {
                out += "{\\pntext\\f0 " + QByteArray::number(list->itemNumber(b) + 1) +
                       ".\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}";
            } else {
                out += "{\\pntext\\f" + sym + "\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf" + sym +
                       "\\pnindent0{\\pntxtb\\'b7}}";
            }
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
            charState(out, frag.charFormat());
            appendEscaped(out, frag.text());
            any = true;
        }
        if (!any)
            charState(out, b.charFormat());
        out += "\\par";
    }

    const QTextDocument& doc_;
    std::vector<QString> fonts_;
    QHash<QString, int> fontIndex_;
    std::vector<QColor> colours_;
    QHash<QRgb, int> colourIndex_;
    int symbolFont_ = -1;
    QByteArray lastState_;
};

}  // namespace

QByteArray writeRtf(const QTextDocument& document) { return Writer(document).run(); }

}  // namespace tarvik::richtext
