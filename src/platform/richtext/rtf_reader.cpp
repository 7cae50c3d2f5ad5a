#include "platform/richtext/rtf_reader.h"

#include "platform/richtext/codepages.h"
#include "platform/text/codec.h"
#include "platform/text/error.h"

#include <QColor>
#include <QHash>
#include <QScopeGuard>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tarvik::richtext {
namespace {

// Bounds that keep absurd numbers from producing absurd documents.
constexpr int kMaxParam = 1'000'000'000;
constexpr int kMaxIndentTwips = 31680;  // 22 inches
constexpr int kMaxHalfPoints = 3276;    // 1638 pt, the largest size editors offer
constexpr int kMaxWordLength = 32;

enum class Dest { Text, Skip, FontTable, FontName, ColorTable, Pn };
enum class ListKind { None, Bullet, Decimal };

struct CharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int font = -1;  // -1: the document's default font
    int halfPoints = 24;
    int colour = 0;  // 0: automatic
    bool operator==(const CharState&) const = default;
};

struct ParaState {
    Qt::Alignment align = Qt::AlignLeft;
    int left = 0, right = 0, first = 0, before = 0, after = 0;  // twips
    ListKind list = ListKind::None;
};

struct Group {
    CharState ch;
    ParaState para;
    Dest dest = Dest::Text;
    int uc = 1;
};

struct Font {
    QString family;
    int codepage = 0;  // 0: the document's code page
};

class Reader {
public:
    Reader(const QByteArray& data, QTextDocument& doc) : data_(data), cursor_(&doc) {}

    void run() {
        const qsizetype n = data_.size();
        while (pos_ < n) {
            const char c = data_[pos_];
            if (c == '{') {
                ++pos_;
                openGroup();
            } else if (c == '}') {
                ++pos_;
                if (!closeGroup())
                    break;  // the outermost group has closed: the document ends
            } else if (c == '\\') {
                ++pos_;
                control();
            } else {
                ++pos_;
                if (c != '\r' && c != '\n' && c != '\0')
                    textByte(static_cast<unsigned char>(c));
            }
        }
        // A truncated file: keep what was read.
        flush();
        if (!blockPending_)
            finishParagraph(false);
    }

private:
    Group& top() { return stack_.back(); }

    void openGroup() {
        flush();
        skip_ = 0;
        if (stack_.size() >= static_cast<size_t>(kMaxRtfDepth))
            throw Error(QStringLiteral("The rich text nests groups deeper than %1 levels").arg(kMaxRtfDepth));
        stack_.push_back(stack_.empty() ? Group{} : stack_.back());
    }

    // False when the outermost group closed.
    bool closeGroup() {
        flush();
        skip_ = 0;
        if (stack_.empty())
            return false;
        if (stack_.size() == 1)
            return false;  // the document's own group stays: its state finishes the last paragraph
        const Dest closing = top().dest;
        stack_.pop_back();
        if (closing == Dest::FontTable)
            commitFont();  // a font entry without its ';'
        return true;
    }

    void control() {
        const qsizetype n = data_.size();
        if (pos_ >= n)
            return;
        const char c = data_[pos_];
        if (!isLetter(c)) {
            ++pos_;
            symbol(c);
            return;
        }
        const qsizetype start = pos_;
        while (pos_ < n && isLetter(data_[pos_]))
            ++pos_;
        const qsizetype length = pos_ - start;
        bool hasParam = false;
        bool negative = false;
        long long param = 0;
        if (pos_ < n && data_[pos_] == '-' && pos_ + 1 < n && isDigit(data_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        while (pos_ < n && isDigit(data_[pos_])) {
            hasParam = true;
            param = std::min<long long>(param * 10 + (data_[pos_] - '0'), kMaxParam);
            ++pos_;
        }
        if (pos_ < n && data_[pos_] == ' ')
            ++pos_;
        if (negative)
            param = -param;
        if (length > kMaxWordLength) {
            ignorable_ = false;
            return;
        }
        word(QByteArray(data_.constData() + start, length), hasParam, static_cast<int>(param));
    }

    void symbol(char c) {
        if (c == '\'') {
            const qsizetype n = data_.size();
            if (pos_ + 2 > n) {
                pos_ = n;
                return;
            }
            const int hi = hexValue(data_[pos_]);
            const int lo = hexValue(data_[pos_ + 1]);
            if (hi < 0 || lo < 0)
                return;  // not an escape after all; the bytes are read as text
            pos_ += 2;
            textByte(static_cast<unsigned char>(hi * 16 + lo));
            return;
        }
        if (c == '*') {
            ignorable_ = true;
            return;
        }
        if (skip_ > 0) {
            --skip_;
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}':
            textByte(static_cast<unsigned char>(c));
            break;
        case '~':
            textChar(QChar(0x00A0));
            break;
        case '_':
            textChar(QChar(0x2011));
            break;
        case '\n':
        case '\r':
            paragraph();
            break;
        default:
            break;  // \- optional hyphen, \| and the like: nothing to show
        }
    }

    void word(const QByteArray& w, bool hasParam, int param) {
        const bool ignorable = std::exchange(ignorable_, false);
        if (skip_ > 0 && w != "bin") {
            --skip_;
            return;
        }
        if (stack_.empty())
            return;
        flush();
        Group& g = top();
        const int on = hasParam ? param : 1;

        // Destinations.
        if (w == "fonttbl") {
            g.dest = Dest::FontTable;
            return;
        }
        if (w == "colortbl") {
            g.dest = Dest::ColorTable;
            colourStarted_ = false;
            return;
        }
        if (w == "pn") {
            if (g.dest == Dest::Text) {
                g.dest = Dest::Pn;
                pnOwner_ = stack_.size() >= 2 ? stack_.size() - 2 : 0;
            } else {
                g.dest = Dest::Skip;
            }
            return;
        }
        if (w == "fname" && g.dest == Dest::FontTable) {
            g.dest = Dest::FontName;  // the font's real name, beside a tagged one such as "Arial CYR"
            return;
        }
        if (w == "fldrslt")
            return;  // a field's result is ordinary text
        if (ignorable || isSkippedDestination(w)) {
            g.dest = Dest::Skip;
            return;
        }
        if (w == "bin") {
            // Binary data: skip exactly that many bytes.
            const qsizetype count = std::clamp<qsizetype>(hasParam ? param : 0, 0, data_.size() - pos_);
            pos_ += count;
            return;
        }
        if (g.dest == Dest::Skip)
            return;

        if (g.dest == Dest::FontTable) {
            if (w == "f") {
                commitFont();
                fontNumber_ = param;
            } else if (w == "fcharset") {
                fontCodepage_ = codepageOfCharset(param, fontCodepage_);
            } else if (w == "cpg") {
                if (isKnownCodepage(param))
                    fontCodepage_ = param;
            }
            return;
        }
        if (g.dest == Dest::ColorTable) {
            const int v = std::clamp(param, 0, 255);
            if (w == "red") {
                colour_.setRed(v);
                colourStarted_ = true;
            } else if (w == "green") {
                colour_.setGreen(v);
                colourStarted_ = true;
            } else if (w == "blue") {
                colour_.setBlue(v);
                colourStarted_ = true;
            }
            return;
        }
        if (g.dest == Dest::Pn && pnOwner_ < stack_.size()) {
            ParaState& owner = stack_[pnOwner_].para;
            if (w == "pnlvlblt")
                owner.list = ListKind::Bullet;
            else if (w == "pnlvlbody")
                owner.list = ListKind::Decimal;
            else if (w == "pnlvlcont")
                owner.list = ListKind::None;
            return;
        }

        // Header.
        if (w == "ansicpg") {
            if (isKnownCodepage(param))
                ansiCodepage_ = param;
            return;
        }
        if (w == "deff") {
            defaultFont_ = param;
            return;
        }

        // Text and breaks.
        if (w == "par" || w == "sect" || w == "page" || w == "row") {
            paragraph();
        } else if (w == "line") {
            textChar(QChar::LineSeparator);
        } else if (w == "tab" || w == "cell") {
            textChar(QLatin1Char('\t'));
        } else if (w == "u") {
            int code = param;
            if (code < 0)
                code += 65536;
            if (code >= 0 && code <= 0xFFFF && code != 0)
                textChar(QChar(static_cast<char16_t>(code)));
            skip_ = g.uc;
        } else if (w == "uc") {
            g.uc = std::clamp(param, 0, 16);
        } else if (const char16_t special = specialCharacter(w)) {
            textChar(QChar(special));
        }
        // Character formatting.
        else if (w == "plain") {
            g.ch = CharState{};
        } else if (w == "b") {
            g.ch.bold = on != 0;
        } else if (w == "i") {
            g.ch.italic = on != 0;
        } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" || w == "ulth" ||
                   w == "ulwave" || w == "uldashd" || w == "uldashdd") {
            g.ch.underline = on != 0;
        } else if (w == "ulnone") {
            g.ch.underline = false;
        } else if (w == "strike" || w == "striked") {
            g.ch.strike = on != 0;
        } else if (w == "f") {
            g.ch.font = param;
        } else if (w == "fs") {
            if (hasParam)
                g.ch.halfPoints = std::clamp(param, 2, kMaxHalfPoints);
        } else if (w == "cf") {
            g.ch.colour = std::max(param, 0);
        }
        // Paragraph formatting.
        else if (w == "pard") {
            g.para = ParaState{};
        } else if (w == "ql") {
            g.para.align = Qt::AlignLeft;
        } else if (w == "qc") {
            g.para.align = Qt::AlignHCenter;
        } else if (w == "qr") {
            g.para.align = Qt::AlignRight;
        } else if (w == "qj") {
            g.para.align = Qt::AlignJustify;
        } else if (w == "li") {
            g.para.left = clampIndent(param);
        } else if (w == "ri") {
            g.para.right = clampIndent(param);
        } else if (w == "fi") {
            g.para.first = clampIndent(param);
        } else if (w == "sb") {
            g.para.before = std::clamp(param, 0, kMaxIndentTwips);
        } else if (w == "sa") {
            g.para.after = std::clamp(param, 0, kMaxIndentTwips);
        } else if (w == "ls") {
            g.para.list = param > 0 ? ListKind::Bullet : ListKind::None;
        }
        // Anything else is not ours to show.
    }

    static bool isSkippedDestination(const QByteArray& w) {
        static constexpr const char* kSkipped[] = {
            "stylesheet", "info",    "pict",      "object",    "header",    "headerl",   "headerr",
            "headerf",    "footer",  "footerl",   "footerr",   "footerf",   "footnote",  "annotation",
            "fldinst",    "pntext",  "listtext",  "xe",        "tc",        "txe",       "rxe",
            "listtable",  "listoverridetable",    "revtbl",    "rsidtbl",   "filetbl",   "generator",
            "themedata",  "colorschememapping",   "latentstyles",           "datastore", "pgdsctbl",
            "shp",        "shpinst", "shprslt",   "nonshppict", "upr",      "template",  "bkmkstart",
            "bkmkend",    "userprops", "mmathPr", "atnid",     "atnauthor", "objdata",   "result",
        };
        return std::any_of(std::begin(kSkipped), std::end(kSkipped),
                           [&](const char* s) { return w == s; });
    }

    static char16_t specialCharacter(const QByteArray& w) {
        if (w == "emdash") return 0x2014;
        if (w == "endash") return 0x2013;
        if (w == "bullet") return 0x2022;
        if (w == "lquote") return 0x2018;
        if (w == "rquote") return 0x2019;
        if (w == "ldblquote") return 0x201C;
        if (w == "rdblquote") return 0x201D;
        if (w == "emspace") return 0x2003;
        if (w == "enspace") return 0x2002;
        if (w == "qmspace") return 0x2005;
        return 0;
    }

    static int clampIndent(int v) { return std::clamp(v, -kMaxIndentTwips, kMaxIndentTwips); }
    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexValue(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    // --- text ---

    void textByte(unsigned char b) {
        if (skip_ > 0) {
            --skip_;
            return;
        }
        if (stack_.empty())
            return;
        switch (top().dest) {
        case Dest::Text:
            pendingBytes_.append(static_cast<char>(b));
            break;
        case Dest::FontTable:
            if (b == ';')
                commitFont();
            else
                fontName_.append(static_cast<char>(b));
            break;
        case Dest::FontName:
            if (b != ';')
                fontRealName_.append(static_cast<char>(b));
            break;
        case Dest::ColorTable:
            if (b == ';') {
                colours_.push_back(colourStarted_ ? colour_ : QColor());
                colour_ = QColor(0, 0, 0);
                colourStarted_ = false;
            }
            break;
        default:
            break;
        }
    }

    void textChar(QChar c) {
        if (stack_.empty() || top().dest != Dest::Text)
            return;
        flushBytes();
        pendingText_.append(c);
    }

    int currentCodepage() {
        const int f = top().ch.font >= 0 ? top().ch.font : defaultFont_;
        const auto it = fonts_.constFind(f);
        if (it != fonts_.constEnd() && it->codepage != 0)
            return it->codepage;
        return ansiCodepage_;
    }

    void flushBytes() {
        if (pendingBytes_.isEmpty())
            return;
        pendingText_.append(decodeCodepage(pendingBytes_, currentCodepage()));
        pendingBytes_.clear();
    }

    void flush() {
        if (stack_.empty())
            return;
        flushBytes();
        if (pendingText_.isEmpty())
            return;
        sanitise(pendingText_);
        if (!pendingText_.isEmpty()) {
            ensureBlock();
            cursor_.insertText(pendingText_, charFormat(top().ch));
        }
        pendingText_.clear();
    }

    // Control characters are no text, and the document's own markers (frame
    // bounds, object places, paragraph separators) must not come from a file:
    // paragraphs are made by \par alone.
    static void sanitise(QString& text) {
        text.removeIf([](QChar c) {
            const char16_t u = c.unicode();
            return (u < 0x20 && u != u'\t') || u == 0x7F || u == QChar::ObjectReplacementCharacter ||
                   u == 0xFDD0 || u == 0xFDD1 || u == 0xFEFF;
        });
        text.replace(QChar::ParagraphSeparator, QChar::LineSeparator);
    }

    QTextCharFormat charFormat(const CharState& ch) const {
        QTextCharFormat f;
        const auto it = fonts_.constFind(ch.font >= 0 ? ch.font : defaultFont_);
        if (it != fonts_.constEnd() && !it->family.isEmpty())
            f.setFontFamilies(QStringList{it->family});
        f.setFontPointSize(ch.halfPoints / 2.0);
        f.setFontWeight(ch.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(ch.italic);
        f.setFontUnderline(ch.underline);
        f.setFontStrikeOut(ch.strike);
        if (ch.colour > 0 && ch.colour < static_cast<int>(colours_.size()) && colours_[ch.colour].isValid())
            f.setForeground(colours_[ch.colour]);
        return f;
    }

    void commitFont() {
        if (fontNumber_ >= 0) {
            const int cp = fontCodepage_ ? fontCodepage_ : ansiCodepage_;
            QString family = decodeCodepage(fontRealName_, cp).trimmed();
            if (family.isEmpty())
                family = decodeCodepage(fontName_, cp).trimmed();
            if (!fonts_.contains(fontNumber_) || !family.isEmpty())
                fonts_.insert(fontNumber_, Font{family, fontCodepage_});
        }
        fontNumber_ = -1;
        fontCodepage_ = 0;
        fontName_.clear();
        fontRealName_.clear();
    }

    // --- paragraphs ---

    void ensureBlock() {
        if (!blockPending_)
            return;
        cursor_.insertBlock(QTextBlockFormat(), charFormat(top().ch));
        blockPending_ = false;
    }

    void paragraph() {
        if (stack_.empty() || top().dest != Dest::Text)
            return;
        flush();
        ensureBlock();
        finishParagraph(true);
        blockPending_ = true;
    }

    void finishParagraph(bool fromMark) {
        const ParaState para = stack_.empty() ? ParaState{} : top().para;
        QTextBlockFormat bf;
        bf.setAlignment(para.align);
        bf.setRightMargin(para.right / kTwipsPerPixel);
        bf.setTopMargin(para.before / kTwipsPerPixel);
        bf.setBottomMargin(para.after / kTwipsPerPixel);
        bf.setLeftMargin(para.left / kTwipsPerPixel);
        if (para.list == ListKind::None)
            bf.setTextIndent(para.first / kTwipsPerPixel);
        else
            bf.setProperty(kBulletFirstIndentProperty, para.first / kTwipsPerPixel);
        cursor_.setBlockFormat(bf);
        const QTextBlock block = cursor_.block();
        if (fromMark && block.length() <= 1 && !stack_.empty())
            cursor_.setBlockCharFormat(charFormat(top().ch));

        if (para.list == ListKind::None) {
            list_ = nullptr;
            return;
        }
        const QTextListFormat::Style style =
            para.list == ListKind::Bullet ? QTextListFormat::ListDisc : QTextListFormat::ListDecimal;
        if (list_ && listBlock_ == block.previous().blockNumber() && list_->format().style() == style) {
            list_->add(block);
        } else {
            QTextListFormat lf;
            lf.setStyle(style);
            lf.setIndent(0);
            list_ = cursor_.createList(lf);
        }
        listBlock_ = block.blockNumber();
    }

    const QByteArray& data_;
    QTextCursor cursor_;
    qsizetype pos_ = 0;
    std::vector<Group> stack_;
    bool ignorable_ = false;
    int skip_ = 0;
    size_t pnOwner_ = 0;

    int ansiCodepage_ = 1251;
    int defaultFont_ = 0;
    QHash<int, Font> fonts_;
    int fontNumber_ = -1;
    int fontCodepage_ = 0;
    QByteArray fontName_;
    QByteArray fontRealName_;
    std::vector<QColor> colours_;
    QColor colour_{0, 0, 0};
    bool colourStarted_ = false;

    QByteArray pendingBytes_;
    QString pendingText_;
    bool blockPending_ = false;
    QTextList* list_ = nullptr;
    int listBlock_ = -1;
};

}  // namespace

void readRtf(const QByteArray& data, QTextDocument& document) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    const auto restore = qScopeGuard([&] { document.setUndoRedoEnabled(undo); });
    if (!data.startsWith("{\\rtf")) {
        QString text = text::fromCp1251(data);
        text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        text.removeIf([](QChar c) { return (c < u' ' && c != u'\t' && c != u'\n') || c == u'\x7f'; });
        QTextCursor(&document).insertText(text);
        return;
    }
    try {
        Reader(data, document).run();
    } catch (...) {
        document.clear();
        throw;
    }
}

}  // namespace tarvik::richtext
