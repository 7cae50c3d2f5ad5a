#include "platform/richtext/rtf_reader.h"

#include "platform/richtext/codepages.h"
#include "platform/richtext/list_numbering.h"
#include "platform/text/codec.h"
#include "platform/text/error.h"

#include <QColor>
#include <QHash>
#include <QScopeGuard>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace tarvik::richtext {
namespace {

// Bounds that keep absurd numbers from producing absurd documents.
constexpr int kMaxParam = 1'000'000'000;
constexpr int kMaxIndentTwips = 31680;  // 22 inches
constexpr int kMaxHalfPoints = 3276;    // 1638 pt, the largest size editors offer
constexpr int kMaxWordLength = 32;
constexpr int kMaxTableColumns = 63;    // the most an editor makes
constexpr int kDefaultCellTwips = 1440;  // a cell whose row names no width
// A label's tables hold a few dozen cells; past this many in one document the
// rows are read as paragraphs, so a broken file cannot make a huge table.
constexpr size_t kMaxTableCells = 2000;

enum class Dest {
    Text, Skip, FontTable, FontName, ColorTable, Pn, Upr,
    ListTable, ListOverrideTable,
    // Destinations whose text is collected rather than shown:
    PnBefore, PnAfter, LevelText, ListText,
};

bool collects(Dest d) { return d == Dest::PnBefore || d == Dest::PnAfter || d == Dest::LevelText || d == Dest::ListText; }

struct CharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    QFont::Capitalization caps = QFont::MixedCase;
    QTextCharFormat::VerticalAlignment script = QTextCharFormat::AlignNormal;
    int font = -1;  // -1: the document's default font
    int halfPoints = 24;
    int colour = 0;  // 0: automatic
    bool operator==(const CharState&) const = default;
};

// A paragraph's numbering as the rich-edit control writes it (\pn).
struct PnState {
    bool on = false;
    bool bullet = false;
    NumberFormat format = NumberFormat::Decimal;
    int start = 1;
    QString before, after;
};

struct ParaState {
    Qt::Alignment align = Qt::AlignLeft;
    int left = 0, right = 0, first = 0, before = 0, after = 0;  // twips
    int ls = 0;     // \ls: the list override, 0 for none
    int level = 0;  // \ilvl
    PnState pn;
    bool inTable = false;
};

struct Group {
    CharState ch;
    ParaState para;
    Dest dest = Dest::Text;
    Dest uprOuter = Dest::Text;  // where the Unicode half of \upr goes
    int uc = 1;
};

struct Font {
    QString family;
    int codepage = 0;  // 0: the document's code page
};

struct ListLevel {
    NumberFormat format = NumberFormat::Decimal;
    int start = 1;
    std::optional<LevelText> text;
};

struct ListDef {
    int id = 0;
    std::vector<ListLevel> levels;
};

struct ListOverride {
    int listId = 0;
    int ls = 0;
    std::vector<int> starts;  // per \lfolevel; -1: the list's own start
};

// Where a paragraph's numbering comes from; keys of Target::lists.
constexpr int kNoList = 0;
constexpr int kPnBulletKey = -1;
constexpr int kPnNumberKey = -2;
constexpr int kListTextBulletKey = -3;
constexpr int kListTextNumberKey = -4;
int listKey(int list, int level) { return list * 16 + level + 1; }

// A list item as its editor shows it.
struct Item {
    bool none = false;  // a list level that shows nothing: the paragraph is no item
    NumberFormat format = NumberFormat::Bullet;
    int number = 0;
    QString label, prefix, suffix;
    bool countable = false;  // Qt's list can count it (its own number between a fixed prefix and suffix)
    int key = kNoList;
};

Item noItem() {
    Item item;
    item.none = true;
    return item;
}

struct OpenList {
    QTextList* list = nullptr;
    int count = 0;
    NumberFormat format = NumberFormat::Bullet;
    QString prefix, suffix;
};

// A document the reader writes into: the document itself, a table cell or a
// footnote, each kept aside until it is placed.
struct Target {
    std::unique_ptr<QTextDocument> owned;
    QTextCursor cursor;
    bool blockPending = false;  // the last paragraph is finished; text starts a new block
    std::map<int, OpenList> lists;
    int lastKey = kNoList;  // the previous paragraph's list
    int pnNumber = 0;
    QString pnStyle;

    Target() : owned(std::make_unique<QTextDocument>()), cursor(owned.get()) {}
    explicit Target(QTextDocument& doc) : cursor(&doc) {}
};

struct CellDef {
    int right = 0;  // twips from the row's origin
    bool mergeFirst = false, merged = false;    // \clmgf, \clmrg
    bool vmergeFirst = false, vmerged = false;  // \clvmgf, \clvmrg
    int borders = 0;                            // 1 top, 2 left, 4 bottom, 8 right
    Qt::Alignment valign = Qt::AlignTop;
};

struct TableRow {
    std::vector<CellDef> defs;
    std::vector<std::unique_ptr<QTextDocument>> cells;
    int left = 0;
    int gap = 0;
};

QTextListFormat::Style bulletStyle(const QString& sign) {
    static const QString kCircles = QString::fromUtf8("o◦○");
    static const QString kSquares = QString::fromUtf8("▪■□§\uf0a7");
    const QString s = sign.trimmed();
    if (s.size() == 1 && kCircles.contains(s))
        return QTextListFormat::ListCircle;
    if (s.size() == 1 && kSquares.contains(s))
        return QTextListFormat::ListSquare;
    return QTextListFormat::ListDisc;
}

enum class Into { NewBlock, CurrentBlock, Cell };

// Copies the blocks of a cell or footnote into place, lists included.
void copyBlocks(const QTextDocument& from, QTextCursor& to, Into into, bool footnote) {
    std::map<const QTextList*, QTextList*> lists;
    bool first = into != Into::NewBlock;
    for (QTextBlock b = from.begin(); b.isValid(); b = b.next()) {
        QTextBlockFormat bf = b.blockFormat();
        bf.clearProperty(QTextFormat::ObjectIndex);  // the list belongs to the other document
        if (footnote)
            bf.setProperty(kFootnoteProperty, true);
        if (first) {
            to.setBlockFormat(bf);
            if (into != Into::Cell)  // a cell's first block carries the cell's own format
                to.setBlockCharFormat(b.charFormat());
            first = false;
        } else {
            to.insertBlock(bf, b.charFormat());
        }
        for (auto it = b.begin(); !it.atEnd(); ++it)
            to.insertText(it.fragment().text(), it.fragment().charFormat());
        if (const QTextList* l = b.textList()) {
            if (const auto found = lists.find(l); found != lists.end())
                found->second->add(to.block());
            else
                lists.emplace(l, to.createList(l->format()));
        }
    }
}

class Reader {
public:
    Reader(const QByteArray& data, QTextDocument& doc) : data_(data), main_(doc) {}

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
        if (footnote_)
            endFootnote();
        if (cell_ || !rowCells_.empty() || !rows_.empty())
            finishTable();
        else if (!main_.blockPending)
            finishParagraph(main_, false);
        for (const auto& note : footnotes_)
            copyBlocks(*note, main_.cursor, main_.cursor.document()->isEmpty() ? Into::CurrentBlock : Into::NewBlock, true);
    }

private:
    Group& top() { return stack_.back(); }

    // The document, the open table cell or the open footnote.
    Target& out() {
        if (footnote_)
            return *footnote_;
        if (cell_)
            return *cell_;
        return main_;
    }

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
        if (footnote_ && stack_.size() == footnoteDepth_)
            endFootnote();
        const Dest closing = top().dest;
        if (collects(closing) && stack_[stack_.size() - 2].dest != closing)
            collected(closing);
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

    // Destinations: true when the word opened or changed one.
    bool destination(Group& g, const QByteArray& w, bool ignorable) {
        if (w == "fonttbl") {
            g.dest = Dest::FontTable;
        } else if (w == "colortbl") {
            g.dest = Dest::ColorTable;
            colourStarted_ = false;
        } else if (w == "pn") {
            if (g.dest == Dest::Text) {
                g.dest = Dest::Pn;
                pnOwner_ = stack_.size() >= 2 ? stack_.size() - 2 : 0;
            } else {
                g.dest = Dest::Skip;
            }
        } else if (w == "pntxtb" || w == "pntxta") {
            g.dest = g.dest == Dest::Pn ? (w == "pntxtb" ? Dest::PnBefore : Dest::PnAfter) : Dest::Skip;
            collected_.clear();
        } else if (w == "fname" && g.dest == Dest::FontTable) {
            g.dest = Dest::FontName;  // the font's real name, beside a tagged one such as "Arial CYR"
        } else if (w == "fldrslt") {
            // A field's result is ordinary text: a DATE or PAGE field shows
            // what it showed when the file was saved.
        } else if (w == "listtable") {
            g.dest = Dest::ListTable;
        } else if (w == "listoverridetable") {
            g.dest = Dest::ListOverrideTable;
        } else if (w == "leveltext" && g.dest == Dest::ListTable) {
            g.dest = Dest::LevelText;
            collected_.clear();
        } else if ((w == "listtext" || w == "pntext") && g.dest == Dest::Text) {
            g.dest = Dest::ListText;
            collected_.clear();
        } else if (w == "footnote") {
            if (g.dest == Dest::Text && !footnote_)
                startFootnote();
            else
                g.dest = Dest::Skip;
        } else if (w == "upr") {
            // {\upr{ansi text}{\*\ud{unicode text}}}: the Unicode half is read.
            g.uprOuter = g.dest;
            g.dest = Dest::Upr;
        } else if (w == "ud") {
            if (g.dest == Dest::Upr)
                g.dest = g.uprOuter;
        } else if (ignorable || isSkippedDestination(w)) {
            g.dest = Dest::Skip;
        } else {
            return false;
        }
        return true;
    }

    void word(const QByteArray& w, bool hasParam, int param) {
        const bool ignorable = std::exchange(ignorable_, false);
        if (skip_ > 0 && w != "bin") {
            --skip_;
            return;
        }
        if (stack_.empty())
            return;
        if (!isKnown(w)) {
            if (ignorable)
                top().dest = Dest::Skip;  // a destination we do not know
            return;
        }
        flush();
        Group& g = top();
        const int on = hasParam ? param : 1;

        if (destination(g, w, ignorable))
            return;
        if (w == "bin") {
            // Binary data: skip exactly that many bytes.
            const qsizetype count = std::clamp<qsizetype>(hasParam ? param : 0, 0, data_.size() - pos_);
            pos_ += count;
            return;
        }
        switch (g.dest) {
        case Dest::Skip:
        case Dest::Upr:
            return;
        case Dest::FontTable:
            fontTableWord(w, param);
            return;
        case Dest::ColorTable:
            colourWord(w, param);
            return;
        case Dest::Pn:
            pnWord(w, param);
            return;
        case Dest::ListTable:
            listTableWord(w, param);
            return;
        case Dest::ListOverrideTable:
            overrideWord(w, param);
            return;
        default:
            break;
        }

        // Header.
        if (w == "ansicpg") {
            if (isKnownCodepage(param)) {
                ansiCodepage_ = param;
                codepageNamed_ = true;
            }
            return;
        }
        if (const int cp = characterSetCodepage(w)) {
            // A file that names its character set but no code page: \ansi is
            // Windows Latin (1252), as the RTF definition, LibreOffice and Word
            // read it; "Café" must not become "Cafй". A file that names neither
            // stays Windows-1251, the station's own text, and a font's
            // \fcharset204 keeps Cyrillic wherever that font is used.
            if (!codepageNamed_)
                ansiCodepage_ = cp;
            return;
        }
        if (w == "deff") {
            defaultFont_ = param;
            return;
        }
        if (textWord(g, w, param) || tableWord(g, w, param))
            return;

        // Character formatting.
        if (w == "plain") {
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
        } else if (w == "v") {
            g.ch.hidden = on != 0;
        } else if (w == "caps") {
            g.ch.caps = on != 0 ? QFont::AllUppercase : QFont::MixedCase;
        } else if (w == "scaps") {
            g.ch.caps = on != 0 ? QFont::SmallCaps : QFont::MixedCase;
        } else if (w == "super") {
            g.ch.script = on != 0 ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignNormal;
        } else if (w == "sub") {
            g.ch.script = on != 0 ? QTextCharFormat::AlignSubScript : QTextCharFormat::AlignNormal;
        } else if (w == "nosupersub") {
            g.ch.script = QTextCharFormat::AlignNormal;
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
            g.para.ls = std::max(param, 0);
        } else if (w == "ilvl") {
            g.para.level = std::clamp(param, 0, 8);
        }
        // Anything else is not ours to show.
    }

    static int characterSetCodepage(const QByteArray& w) {
        if (w == "ansi") return 1252;
        if (w == "mac") return 10000;
        if (w == "pc") return 437;
        if (w == "pca") return 850;
        return 0;
    }

    // Breaks, characters and notes; true when the word was one.
    bool textWord(Group& g, const QByteArray& w, int param) {
        if (w == "par" || w == "sect" || w == "page" || w == "nestrow") {
            paragraph();
        } else if (w == "line") {
            textChar(QChar::LineSeparator);
        } else if (w == "tab" || w == "nestcell") {
            textChar(QLatin1Char('\t'));  // a table nested in a cell is shown flat
        } else if (w == "u") {
            int code = param;
            if (code < 0)
                code += 65536;
            if (code >= 0 && code <= 0xFFFF && code != 0)
                textChar(QChar(static_cast<char16_t>(code)));
            skip_ = g.uc;
        } else if (w == "uc") {
            g.uc = std::clamp(param, 0, 16);
        } else if (w == "chftn") {
            // The reference mark names the footnote that follows it; inside a
            // footnote it is that footnote's own number.
            // A footnote's own number is followed by a tab to its text's indent.
            textString(footnote_ ? QString::number(footnoteCount_) + u'\t' : QString::number(footnoteCount_ + 1));
        } else if (const char16_t special = specialCharacter(w)) {
            textChar(QChar(special));
        } else {
            return false;
        }
        return true;
    }

    // Table rows and cells; true when the word was one.
    bool tableWord(Group& g, const QByteArray& w, int param) {
        if (w == "intbl") {
            g.para.inTable = true;
        } else if (w == "itap") {
            g.para.inTable = param > 0;
        } else if (w == "cell") {
            endCell();
        } else if (w == "row") {
            endRow();
        } else if (w == "trowd") {
            rowDef_.clear();
            cellDef_ = CellDef{};
            rowLeft_ = 0;
            rowGap_ = 0;
        } else if (w == "trleft") {
            // Cell edges are not clamped beyond the parameter's own bound: the
            // writer writes back edges the reader computed, and must read them alike.
            rowLeft_ = param;
        } else if (w == "trgaph") {
            rowGap_ = std::clamp(param, 0, kMaxIndentTwips);
        } else if (w == "cellx") {
            cellDef_.right = param;
            rowDef_.push_back(cellDef_);
            cellDef_ = CellDef{};
            borderSide_ = 0;
        } else if (w == "clmgf") {
            cellDef_.mergeFirst = true;
        } else if (w == "clmrg") {
            cellDef_.merged = true;
        } else if (w == "clvmgf") {
            cellDef_.vmergeFirst = true;
        } else if (w == "clvmrg") {
            cellDef_.vmerged = true;
        } else if (w == "clvertalt") {
            cellDef_.valign = Qt::AlignTop;
        } else if (w == "clvertalc") {
            cellDef_.valign = Qt::AlignVCenter;
        } else if (w == "clvertalb") {
            cellDef_.valign = Qt::AlignBottom;
        } else if (w == "clbrdrt" || w == "clbrdrl" || w == "clbrdrb" || w == "clbrdrr") {
            borderSide_ = w == "clbrdrt" ? 1 : w == "clbrdrl" ? 2 : w == "clbrdrb" ? 4 : 8;
            cellDef_.borders |= borderSide_;
        } else if (w == "brdrnone" || (w == "brdrw" && param == 0)) {
            cellDef_.borders &= ~borderSide_;
        } else if (w.startsWith("trbrdr") || w == "brdrt" || w == "brdrl" || w == "brdrb" || w == "brdrr" ||
                   w == "box") {
            borderSide_ = 0;  // a row's or paragraph's border, not a cell's
        } else {
            return false;
        }
        return true;
    }

    void fontTableWord(const QByteArray& w, int param) {
        if (w == "f") {
            commitFont();
            fontNumber_ = param;
        } else if (w == "fcharset") {
            fontCodepage_ = codepageOfCharset(param, fontCodepage_);
        } else if (w == "cpg") {
            if (isKnownCodepage(param))
                fontCodepage_ = param;
        }
    }

    void colourWord(const QByteArray& w, int param) {
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
    }

    void pnWord(const QByteArray& w, int param) {
        if (pnOwner_ >= stack_.size())
            return;
        PnState& pn = stack_[pnOwner_].para.pn;
        if (w == "pnlvlblt") {
            pn.on = true;
            pn.bullet = true;
        } else if (w == "pnlvlbody" || w == "pnlvl") {
            pn.on = true;
            pn.bullet = false;
        } else if (w == "pnlvlcont") {
            pn.on = false;
        } else if (w == "pndec" || w == "pncard" || w == "pnord" || w == "pnordt") {
            pn.format = NumberFormat::Decimal;
        } else if (w == "pnucrm") {
            pn.format = NumberFormat::UpperRoman;
        } else if (w == "pnlcrm") {
            pn.format = NumberFormat::LowerRoman;
        } else if (w == "pnucltr") {
            pn.format = NumberFormat::UpperLetter;
        } else if (w == "pnlcltr") {
            pn.format = NumberFormat::LowerLetter;
        } else if (w == "pnstart") {
            pn.start = std::clamp(param, 0, 32767);
        }
    }

    void listTableWord(const QByteArray& w, int param) {
        if (w == "list") {
            lists_.emplace_back();
            return;
        }
        if (lists_.empty())
            return;
        ListDef& list = lists_.back();
        if (w == "listid") {
            list.id = param;
        } else if (w == "listlevel") {
            if (list.levels.size() < 9)
                list.levels.emplace_back();
        } else if (!list.levels.empty()) {
            ListLevel& level = list.levels.back();
            if (w == "levelnfc" || w == "levelnfcn")
                level.format = numberFormatOf(param);
            else if (w == "levelstartat")
                level.start = std::clamp(param, 0, 32767);
        }
    }

    void overrideWord(const QByteArray& w, int param) {
        if (w == "listoverride") {
            overrides_.emplace_back();
            return;
        }
        if (overrides_.empty())
            return;
        ListOverride& o = overrides_.back();
        if (w == "listid") {
            o.listId = param;
        } else if (w == "ls") {
            o.ls = param;
        } else if (w == "lfolevel") {
            if (o.starts.size() < 9)
                o.starts.push_back(-1);
        } else if (w == "levelstartat" && !o.starts.empty()) {
            o.starts.back() = std::clamp(param, 0, 32767);
        }
    }

    // A destination whose text was collected has closed.
    void collected(Dest d) {
        QString text = std::exchange(collected_, {});
        switch (d) {
        case Dest::PnBefore:
        case Dest::PnAfter:
            if (pnOwner_ < stack_.size())
                (d == Dest::PnBefore ? stack_[pnOwner_].para.pn.before : stack_[pnOwner_].para.pn.after) = text;
            break;
        case Dest::LevelText:
            if (!lists_.empty() && !lists_.back().levels.empty() && !text.isEmpty()) {
                // The first character is the text's length; a ';' ends it.
                const int length = text[0].unicode();
                text = text.mid(1);
                if (text.endsWith(u';'))
                    text.chop(1);
                lists_.back().levels.back().text = LevelText{text.left(length)};
            }
            break;
        case Dest::ListText:
            listText_ = text;
            break;
        default:
            break;
        }
    }

    // Destinations whose text is not shown.
    static const QSet<QByteArray>& skippedDestinations() {
        static const QSet<QByteArray> kSkipped = {
            "stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf", "footer",
            "footerl", "footerr", "footerf", "annotation", "fldinst", "xe", "tc", "txe", "rxe",
            "levelnumbers", "listname", "revtbl", "rsidtbl", "filetbl", "generator", "themedata",
            "colorschememapping", "latentstyles", "datastore", "pgdsctbl", "shp", "shpinst", "shprslt",
            "nonshppict", "template", "bkmkstart", "bkmkend", "userprops", "mmathPr", "atnid", "atnauthor",
            "objdata", "result", "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn",
        };
        return kSkipped;
    }

    static bool isSkippedDestination(const QByteArray& w) { return skippedDestinations().contains(w); }

    // The control words the reader acts on. Most words in a file are of no
    // concern to a label (\loch, \rtlch, \lang …); they are passed over at
    // once instead of being compared with every word below.
    static bool isKnown(const QByteArray& w) {
        static const QSet<QByteArray> kKnown = [] {
            QSet<QByteArray> known = {
                "ansi", "ansicpg", "b", "bin", "blue", "box", "brdrb", "brdrl", "brdrnone", "brdrr", "brdrt",
                "brdrw", "bullet", "caps", "cell", "cellx", "cf", "chftn", "clbrdrb", "clbrdrl", "clbrdrr",
                "clbrdrt", "clmgf", "clmrg", "clvertalb", "clvertalc", "clvertalt", "clvmgf", "clvmrg",
                "colortbl", "cpg", "deff", "emdash", "emspace", "endash", "enspace", "f", "fcharset", "fi",
                "fldrslt", "fname", "fonttbl", "footnote", "fs", "green", "i", "ilvl", "intbl", "itap",
                "ldblquote", "levelnfc", "levelnfcn", "levelstartat", "leveltext", "lfolevel", "li", "line",
                "list", "listid", "listlevel", "listoverride", "listoverridetable", "listtable", "listtext",
                "lquote", "ls", "mac", "nestcell", "nestrow", "nosupersub", "page", "par", "pard", "pc",
                "pca", "plain", "pn", "pncard", "pndec", "pnlcltr", "pnlcrm", "pnlvl", "pnlvlblt",
                "pnlvlbody", "pnlvlcont", "pnord", "pnordt", "pnstart", "pntext", "pntxta", "pntxtb",
                "pnucltr", "pnucrm", "qc", "qj", "ql", "qmspace", "qr", "rdblquote", "red", "ri", "row",
                "rquote", "sa", "sb", "scaps", "sect", "strike", "striked", "sub", "super", "tab", "trgaph",
                "trleft", "trowd", "u", "uc", "ud", "ul", "uld", "uldash", "uldashd", "uldashdd", "uldb",
                "ulnone", "ulth", "ulw", "ulwave", "upr", "v",
            };
            known.unite(skippedDestinations());
            return known;
        }();
        return kKnown.contains(w) || w.startsWith("trbrdr");
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
        const Dest d = top().dest;
        switch (d) {
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
            if (collects(d)) {
                // A level text's numbers are the bytes 0 to 8.
                if (b < 0x20)
                    collected_ += QChar(b);
                else
                    collected_ += decodeCodepage(QByteArray(1, static_cast<char>(b)), currentCodepage());
            }
            break;
        }
    }

    void textChar(QChar c) { textString(QString(c)); }

    void textString(const QString& s) {
        if (stack_.empty())
            return;
        if (collects(top().dest)) {
            collected_ += s;
            return;
        }
        if (top().dest != Dest::Text)
            return;
        flushBytes();
        pendingText_ += s;
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
        if (top().ch.hidden) {
            pendingText_.clear();  // hidden text is not shown, so not read
            return;
        }
        sanitise(pendingText_);
        if (!pendingText_.isEmpty()) {
            route();
            Target& t = out();
            ensureBlock(t);
            t.cursor.insertText(pendingText_, charFormat(top().ch));
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
        if (ch.caps != QFont::MixedCase)
            f.setFontCapitalization(ch.caps);
        if (ch.script != QTextCharFormat::AlignNormal)
            f.setVerticalAlignment(ch.script);
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

    // Sends what follows into a table cell when the paragraph is in a table,
    // and places a finished table when the text flow leaves it.
    void route() {
        if (footnote_ || cell_)
            return;  // a cell stays open until its \cell
        if (top().para.inTable)
            cell_ = std::make_unique<Target>();
        else if (!rowCells_.empty() || !rows_.empty())
            finishTable();
    }

    void ensureBlock(Target& t) {
        if (!t.blockPending)
            return;
        t.cursor.insertBlock(QTextBlockFormat(), charFormat(top().ch));
        t.blockPending = false;
    }

    void paragraph() {
        if (stack_.empty() || top().dest != Dest::Text)
            return;
        flush();
        route();
        Target& t = out();
        ensureBlock(t);
        finishParagraph(t, true);
        t.blockPending = true;
    }

    void finishParagraph(Target& t, bool fromMark) {
        const ParaState para = stack_.empty() ? ParaState{} : top().para;
        QTextBlockFormat bf;
        bf.setAlignment(para.align);
        bf.setRightMargin(para.right / kTwipsPerPixel);
        bf.setTopMargin(para.before / kTwipsPerPixel);
        bf.setBottomMargin(para.after / kTwipsPerPixel);
        bf.setLeftMargin(para.left / kTwipsPerPixel);
        Item item = listItem(t, para);
        for (QString* text : {&item.label, &item.prefix, &item.suffix}) {
            // A label is one line of text; its tab is ours.
            sanitise(*text);
            text->replace(QChar::LineSeparator, u' ').replace(u'\t', u' ');
        }
        QTextCursor& c = t.cursor;
        if (item.none) {
            bf.setTextIndent(para.first / kTwipsPerPixel);
            c.setBlockFormat(bf);
        } else if (!placeInList(t, item, bf, para)) {
            placeLabel(c, item, bf, para);
        }
        const QTextBlock block = c.block();
        if (fromMark && block.length() <= 1 && !stack_.empty())
            c.setBlockCharFormat(charFormat(top().ch));
        if (item.none) {
            // Lists that a rich-edit control or a label text numbers restart
            // after any other paragraph; list-table lists go on.
            std::erase_if(t.lists, [](const auto& entry) { return entry.first < 0; });
        }
        t.lastKey = item.key;
    }

    // The paragraph's list item, its number counted: from the list table where
    // the file has one, else from \pn, else from the label text alone.
    Item listItem(Target& t, const ParaState& p) {
        const QString labelText = std::exchange(listText_, {});
        if (p.ls > 0) {
            if (std::optional<Item> item = fromListTable(t, p))
                return *item;
        }
        if (p.pn.on)
            return fromPn(t, p.pn);
        if (p.ls > 0 || !labelText.isEmpty())
            return fromLabel(labelText);
        return noItem();
    }

    int listIndex(int listId) {
        if (const auto it = listIndexes_.constFind(listId); it != listIndexes_.constEnd())
            return *it;
        const int index = static_cast<int>(listIndexes_.size()) + 1;
        listIndexes_.insert(listId, index);
        return index;
    }

    std::optional<Item> fromListTable(Target& t, const ParaState& p) {
        const auto o = std::find_if(overrides_.begin(), overrides_.end(), [&](const auto& x) { return x.ls == p.ls; });
        if (o == overrides_.end())
            return std::nullopt;
        const auto def = std::find_if(lists_.begin(), lists_.end(), [&](const auto& x) { return x.id == o->listId; });
        if (def == lists_.end() || def->levels.empty())
            return std::nullopt;
        const int level = std::min(p.level, static_cast<int>(def->levels.size()) - 1);
        auto start = [&](int k) {
            if (k < static_cast<int>(o->starts.size()) && o->starts[k] >= 0)
                return o->starts[k];
            return k < static_cast<int>(def->levels.size()) ? def->levels[k].start : 1;
        };
        // Lists of one list definition count together, as Word and
        // LibreOffice count them; an override that names a start restarts.
        const int list = listIndex(o->listId);
        Counters& counters = counters_[list];
        if (!restarted_.contains(p.ls)) {
            restarted_.insert(p.ls);
            for (size_t k = 0; k < o->starts.size(); ++k)
                if (o->starts[k] >= 0)
                    counters.started[k] = false;
        }
        counters.number[level] = counters.started[level] ? counters.number[level] + 1 : start(level);
        counters.started[level] = true;
        for (int k = level + 1; k < 9; ++k) {
            counters.started[k] = false;
            t.lists.erase(listKey(list, k));  // a deeper level counts again under the next item
        }
        std::array<int, 9> numbers{};
        std::array<NumberFormat, 9> formats{};
        for (int k = 0; k < 9; ++k) {
            numbers[k] = counters.started[k] ? counters.number[k] : start(k);
            formats[k] = k < static_cast<int>(def->levels.size()) ? def->levels[k].format : NumberFormat::Bullet;
        }
        const ListLevel& lv = def->levels[level];
        Item item;
        item.key = listKey(list, level);
        item.format = lv.format;
        if (lv.format == NumberFormat::None)
            return noItem();
        if (lv.format == NumberFormat::Bullet) {
            item.label = lv.text ? lv.text->text : QString(QChar(0x2022));
            return item;
        }
        item.number = numbers[level];
        const LevelText text = lv.text.value_or(LevelText{QString(QChar(static_cast<char16_t>(level))) + u'.'});
        item.label = text.label(numbers, formats);
        item.prefix = LevelText{text.prefix(level)}.label(numbers, formats);
        item.suffix = LevelText{text.suffix(level)}.label(numbers, formats);
        item.countable = text.countsOnlyItsOwnNumber(level);
        return item;
    }

    Item fromPn(Target& t, const PnState& pn) {
        Item item;
        if (pn.bullet) {
            item.key = kPnBulletKey;
            item.label = pn.before.isEmpty() ? QString(QChar(0x2022)) : pn.before;
            return item;
        }
        item.key = kPnNumberKey;
        item.format = pn.format;
        // Numbering goes on while paragraphs keep one numbering; a change of
        // format or text around the number starts again at \pnstart.
        const QString style = QString::number(static_cast<int>(pn.format)) + u'\n' + pn.before + u'\n' + pn.after;
        item.number = t.lastKey == kPnNumberKey && t.pnStyle == style ? t.pnNumber + 1 : pn.start;
        t.pnNumber = item.number;
        t.pnStyle = style;
        item.prefix = pn.before;
        item.suffix = pn.after;
        item.label = pn.before + formatNumber(item.number, pn.format) + pn.after;
        item.countable = true;
        return item;
    }

    // A label is all the file gives (\listtext without a list table).
    static Item fromLabel(const QString& text) {
        const QString label = text.trimmed();
        const std::optional<LabelReading> r = readLabel(label);
        Item item;
        if (label.isEmpty())
            return noItem();
        if (r && r->format == NumberFormat::Bullet) {
            item.key = kListTextBulletKey;
            item.label = label;
            return item;
        }
        item.key = kListTextNumberKey;
        item.label = label;
        if (r) {
            item.format = r->format;
            item.number = r->number;
            item.prefix = r->prefix;
            item.suffix = r->suffix;
            item.countable = true;
        } else {
            item.format = NumberFormat::None;  // a label we cannot count is kept as text, and written so
        }
        return item;
    }

    // Makes the block an item of a Qt list when Qt counts it as its editor
    // does; false when it must show its label as text instead.
    bool placeInList(Target& t, const Item& item, QTextBlockFormat bf, const ParaState& para) {
        const bool bullet = item.format == NumberFormat::Bullet;
        const std::optional<QTextListFormat::Style> style =
            bullet ? std::optional(bulletStyle(item.label)) : qtStyleOf(item.format);
        if (!style || (!bullet && !item.countable))
            return false;
        auto open = t.lists.find(item.key);
        const bool continues = open != t.lists.end() && open->second.list->format().style() == *style &&
                               open->second.prefix == item.prefix && open->second.suffix == item.suffix &&
                               (bullet || open->second.count + 1 == item.number);
        if (!continues && !bullet && item.number != 1) {
            t.lists.erase(item.key);
            return false;
        }
        // Qt draws the number in the hanging room; the first-line indent is
        // kept only to be written back.
        bf.setProperty(kBulletFirstIndentProperty, para.first / kTwipsPerPixel);
        t.cursor.setBlockFormat(bf);
        if (continues) {
            open->second.list->add(t.cursor.block());
            ++open->second.count;
            return true;
        }
        QTextListFormat lf;
        lf.setStyle(*style);
        lf.setIndent(0);
        if (!bullet) {
            lf.setNumberPrefix(item.prefix);
            lf.setNumberSuffix(item.suffix);
        }
        t.lists[item.key] = OpenList{t.cursor.createList(lf), 1, item.format, item.prefix, item.suffix};
        return true;
    }

    // The label as text at the block's start, a tab after it reaching the
    // paragraph's indent, as the editor lays it out.
    void placeLabel(QTextCursor& c, const Item& item, QTextBlockFormat bf, const ParaState& para) {
        const double first = para.first / kTwipsPerPixel;
        bf.setTextIndent(first);
        if (first < 0)
            bf.setTabPositions({QTextOption::Tab(-first, QTextOption::LeftTab)});
        bf.setProperty(kListLabelProperty, item.label);
        bf.setProperty(kListNumberProperty, item.number);
        // A label whose text around the number is not fixed (it holds a
        // deeper level's number) has no list the writer could write: it stays text.
        bf.setProperty(kListFormatProperty, static_cast<int>(item.countable ? item.format : NumberFormat::None));
        bf.setProperty(kListPrefixProperty, item.prefix);
        bf.setProperty(kListSuffixProperty, item.suffix);
        bf.setProperty(kListKeyProperty, item.key);
        c.setBlockFormat(bf);
        // The label looks like the paragraph's first character.
        const QTextBlock block = c.block();
        const QTextCharFormat f = block.length() > 1 ? block.begin().fragment().charFormat() : block.charFormat();
        QTextCursor(block).insertText(item.label + u'\t', f);
    }

    // --- tables ---

    void endCell() {
        if (top().dest != Dest::Text || footnote_)
            return;
        flush();
        if (!cell_)
            cell_ = std::make_unique<Target>();  // a cell with nothing in it
        ensureBlock(*cell_);  // a \par before \cell leaves an empty paragraph, as editors show it
        finishParagraph(*cell_, true);
        if (rowCells_.size() < static_cast<size_t>(kMaxTableColumns)) {
            rowCells_.push_back(std::move(cell_->owned));
        } else {
            QTextCursor last(rowCells_.back().get());  // cells past the last column join it
            last.movePosition(QTextCursor::End);
            copyBlocks(*cell_->owned, last, Into::NewBlock, false);
        }
        cell_.reset();
    }

    void endRow() {
        if (top().dest != Dest::Text || footnote_)
            return;
        flush();
        if (cell_)
            endCell();  // text after the row's last \cell
        if (rowCells_.empty() && rowDef_.empty())
            return;
        keepRow();
    }

    void keepRow() {
        std::vector<std::unique_ptr<QTextDocument>> cells = std::move(rowCells_);
        rowCells_.clear();
        tableCells_ += cells.size();
        if (tableCells_ <= kMaxTableCells) {
            rows_.push_back(TableRow{rowDef_, std::move(cells), rowLeft_, rowGap_});
            return;
        }
        finishTable();
        for (const auto& cell : cells) {
            Target& t = main_;
            const bool free = !t.blockPending && t.cursor.block().length() <= 1;
            copyBlocks(*cell, t.cursor, free ? Into::CurrentBlock : Into::NewBlock, false);
            t.blockPending = true;
        }
    }

    struct Placed {
        int row = 0, column = 0, rows = 1, columns = 1;
        const QTextDocument* content = nullptr;
        CellDef def;
    };

    // Places the rows read so far as one QTextTable: its columns are the cell
    // edges of all rows, so a cell spans the columns between its edges.
    void finishTable() {
        if (cell_)
            endCell();
        if (!rowCells_.empty())
            keepRow();
        const std::vector<TableRow> rows = std::move(rows_);
        rows_.clear();
        if (rows.empty())
            return;

        // Each row's cell edges; cells past the row's definition get a default width.
        std::vector<std::vector<int>> edges;
        std::set<int> all;
        for (const TableRow& row : rows) {
            const size_t count = std::min<size_t>(std::max(row.cells.size(), row.defs.size()), kMaxTableColumns);
            std::vector<int> e{row.left};
            for (size_t i = 0; i < count; ++i) {
                const int right = i < row.defs.size() ? row.defs[i].right : e.back() + kDefaultCellTwips;
                e.push_back(std::max(right, e.back() + 1));
            }
            all.insert(e.begin(), e.end());
            edges.push_back(std::move(e));
        }
        const bool byEdges = all.size() <= static_cast<size_t>(kMaxTableColumns) + 1;
        std::vector<int> columnsAt(all.begin(), all.end());
        auto columnOf = [&](int edge) {
            return static_cast<int>(std::lower_bound(columnsAt.begin(), columnsAt.end(), edge) - columnsAt.begin());
        };
        int columnCount = 1;
        std::vector<Placed> placed;
        std::map<int, size_t> lastInColumn;  // the cell placed last at each column
        const QTextDocument empty;
        for (size_t r = 0; r < rows.size(); ++r) {
            const TableRow& row = rows[r];
            const std::vector<int>& e = edges[r];
            Placed* previous = nullptr;
            for (size_t i = 0; i + 1 < e.size(); ++i) {
                const CellDef def = i < row.defs.size() ? row.defs[i] : CellDef{};
                // With too many distinct edges (a broken file) cells are laid out one per column.
                const int from = byEdges ? columnOf(e[i]) : static_cast<int>(i);
                const int to = byEdges ? columnOf(e[i + 1]) : static_cast<int>(i) + 1;
                columnCount = std::max(columnCount, to);
                if (def.merged && previous) {
                    previous->columns = to - previous->column;
                    continue;
                }
                if (def.vmerged) {
                    const auto above = lastInColumn.find(from);
                    if (above != lastInColumn.end()) {
                        Placed& anchor = placed[above->second];
                        if (anchor.row + anchor.rows == static_cast<int>(r) && anchor.column + anchor.columns == to) {
                            ++anchor.rows;
                            previous = nullptr;
                            continue;
                        }
                    }
                }
                const QTextDocument* content = i < row.cells.size() ? row.cells[i].get() : &empty;
                placed.push_back(Placed{static_cast<int>(r), from, 1, to - from, content, def});
                lastInColumn[from] = placed.size() - 1;
                previous = &placed.back();
            }
        }

        QTextTableFormat tf;
        tf.setCellSpacing(0);
        tf.setCellPadding(rows.front().gap / kTwipsPerPixel);
        tf.setMargin(0);
        tf.setLeftMargin(std::max(0, columnsAt.front()) / kTwipsPerPixel);
        const bool borders = std::any_of(placed.begin(), placed.end(), [](const Placed& p) { return p.def.borders != 0; });
        tf.setBorder(borders ? 1 : 0);
        tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        tf.setBorderBrush(QColor(Qt::black));
        tf.setBorderCollapse(true);
        tf.setAlignment(Qt::AlignLeft);
        if (byEdges) {
            QList<QTextLength> widths;
            for (size_t k = 0; k + 1 < columnsAt.size(); ++k)
                widths << QTextLength(QTextLength::FixedLength, (columnsAt[k + 1] - columnsAt[k]) / kTwipsPerPixel);
            tf.setColumnWidthConstraints(widths);
        }

        Target& t = main_;
        if (!t.blockPending && t.cursor.block().length() <= 1) {
            // Qt keeps a block before a table; at the start of a document or
            // between two tables it has no height and is not written.
            QTextBlockFormat spacer;
            spacer.setLineHeight(0, QTextBlockFormat::FixedHeight);
            spacer.setProperty(kTableSpacerProperty, true);
            t.cursor.setBlockFormat(spacer);
        }
        QTextTable* table = t.cursor.insertTable(static_cast<int>(rows.size()), columnCount, tf);
        for (const Placed& p : placed)
            if (p.rows > 1 || p.columns > 1)
                table->mergeCells(p.row, p.column, p.rows, p.columns);
        for (const Placed& p : placed) {
            QTextTableCell cell = table->cellAt(p.row, p.column);
            QTextTableCellFormat cf = cell.format().toTableCellFormat();
            cf.setVerticalAlignment(p.def.valign == Qt::AlignVCenter ? QTextCharFormat::AlignMiddle
                                    : p.def.valign == Qt::AlignBottom ? QTextCharFormat::AlignBottom
                                                                      : QTextCharFormat::AlignTop);
            if (borders) {
                cf.setTopBorder(p.def.borders & 1 ? 1 : 0);
                cf.setLeftBorder(p.def.borders & 2 ? 1 : 0);
                cf.setBottomBorder(p.def.borders & 4 ? 1 : 0);
                cf.setRightBorder(p.def.borders & 8 ? 1 : 0);
            }
            cell.setFormat(cf);
            QTextCursor into = cell.firstCursorPosition();
            copyBlocks(*p.content, into, Into::Cell, false);
        }
        t.cursor.setPosition(table->lastPosition() + 1);
        t.blockPending = false;
    }

    // --- footnotes ---

    void startFootnote() {
        ++footnoteCount_;
        footnote_ = std::make_unique<Target>();
        footnoteDepth_ = stack_.size();
    }

    void endFootnote() {
        flush();
        if (!footnote_->blockPending)
            finishParagraph(*footnote_, false);
        if (!footnote_->owned->isEmpty())
            footnotes_.push_back(std::move(footnote_->owned));
        footnote_.reset();
        footnoteDepth_ = 0;
    }

    struct Counters {
        std::array<int, 9> number{};
        std::array<bool, 9> started{};
    };

    const QByteArray& data_;
    Target main_;
    qsizetype pos_ = 0;
    std::vector<Group> stack_;
    bool ignorable_ = false;
    int skip_ = 0;
    size_t pnOwner_ = 0;

    int ansiCodepage_ = 1251;
    bool codepageNamed_ = false;
    int defaultFont_ = 0;
    QHash<int, Font> fonts_;
    int fontNumber_ = -1;
    int fontCodepage_ = 0;
    QByteArray fontName_;
    QByteArray fontRealName_;
    std::vector<QColor> colours_;
    QColor colour_{0, 0, 0};
    bool colourStarted_ = false;

    std::vector<ListDef> lists_;
    std::vector<ListOverride> overrides_;
    std::map<int, Counters> counters_;  // by listIndex
    QHash<int, int> listIndexes_;       // \listid to a small number
    QSet<int> restarted_;               // overrides whose starts were applied
    QString collected_;
    QString listText_;

    std::unique_ptr<Target> cell_;
    std::vector<std::unique_ptr<QTextDocument>> rowCells_;
    std::vector<TableRow> rows_;
    std::vector<CellDef> rowDef_;
    CellDef cellDef_;
    int borderSide_ = 0;
    size_t tableCells_ = 0;  // cells read into tables so far
    int rowLeft_ = 0;
    int rowGap_ = 0;

    std::unique_ptr<Target> footnote_;
    size_t footnoteDepth_ = 0;
    int footnoteCount_ = 0;
    std::vector<std::unique_ptr<QTextDocument>> footnotes_;

    QByteArray pendingBytes_;
    QString pendingText_;
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
