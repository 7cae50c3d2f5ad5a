#include "platform/richtext/document_model.h"
#include "platform/richtext/list_numbering.h"
#include "platform/richtext/rich_text.h"
#include "platform/richtext/rtf_reader.h"
#include "platform/text/error.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <gtest/gtest.h>

using namespace tarvik::richtext;
using namespace tarvik::richtext::testing;

namespace {

QByteArray fixture(const char* name) {
    QFile f(QStringLiteral(TARVIK_SOURCE_DIR "/tests/platform/richtext/fixtures/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "missing fixture " << name;
    return f.readAll();
}

std::vector<Paragraph> read(const QByteArray& rtf) {
    QTextDocument doc;
    readRtf(rtf, doc);
    return describe(doc);
}

const Run* runWith(const Paragraph& p, const QString& text) {
    for (const Run& r : p.runs)
        if (r.text.contains(text))
            return &r;
    return nullptr;
}

const QString kLine = QString(QChar::LineSeparator);

}  // namespace

// What a WordPad-style editor writes: cp1251 escapes, tagged font names,
// \pn bullets continued without \pard, a picture, \uN with a substitute, a NUL after the end.
TEST(RtfReader, ReadsWordPadStyleFile) {
    const auto doc = read(fixture("wordpad_label.rtf"));
    ASSERT_EQ(doc.size(), 5u) << dump(doc).toStdString();

    EXPECT_EQ(doc[0].text(), QString::fromUtf8("Ковбаса «Лікарська»"));
    EXPECT_EQ(doc[0].align, Qt::AlignHCenter);
    ASSERT_EQ(doc[0].runs.size(), 1u);
    EXPECT_TRUE(doc[0].runs[0].bold);
    EXPECT_EQ(doc[0].runs[0].points, 14);
    EXPECT_EQ(doc[0].runs[0].family, "Arial");

    EXPECT_EQ(doc[1].text(), QString::fromUtf8("Вага: $weight кг, ціна $price грн") + kLine +
                                 QString::fromUtf8("Партія:\t$partia"));
    EXPECT_EQ(doc[1].align, Qt::AlignLeft);
    ASSERT_NE(runWith(doc[1], "$weight"), nullptr);
    EXPECT_TRUE(runWith(doc[1], "$weight")->italic);
    EXPECT_FALSE(runWith(doc[1], "$weight")->bold);
    EXPECT_EQ(runWith(doc[1], "$weight")->points, 10);
    EXPECT_EQ(runWith(doc[1], "$price")->colour, QColor(255, 0, 0));
    EXPECT_FALSE(runWith(doc[1], "$partia")->colour.isValid());

    for (int i : {2, 3}) {
        EXPECT_EQ(doc[i].list, 1) << i;
        EXPECT_EQ(doc[i].left, 200) << i;
        EXPECT_EQ(doc[i].first, -200) << i;
    }
    EXPECT_EQ(doc[2].listId, doc[3].listId);
    EXPECT_EQ(doc[2].text(), QString::fromUtf8("Зберігати при 0…+6 °C"));
    EXPECT_EQ(doc[3].text(), QString::fromUtf8("Термін: $exp"));
    EXPECT_TRUE(runWith(doc[3], QString::fromUtf8("Термін"))->underline);
    EXPECT_FALSE(runWith(doc[3], "$exp")->underline);

    EXPECT_EQ(doc[4].text(), QString::fromUtf8("Виробник ТОВ «Тарвік» № 1 старе −5"));
    EXPECT_EQ(doc[4].align, Qt::AlignRight);
    EXPECT_EQ(doc[4].list, 0);
    EXPECT_TRUE(runWith(doc[4], QString::fromUtf8("старе"))->strike);
    EXPECT_FALSE(runWith(doc[4], QString::fromUtf8("Виробник"))->strike);
    EXPECT_EQ(runWith(doc[4], QString::fromUtf8("Виробник"))->family, "Times New Roman");
    EXPECT_EQ(runWith(doc[4], QString::fromUtf8("Виробник"))->colour, QColor(0, 0, 255));
}

// What LibreOffice writes: \uN with \'3f substitutes, styles, \ls lists with
// \listtext, list and page tables, \loch/\hich switches.
TEST(RtfReader, ReadsLibreOfficeFile) {
    const auto doc = read(fixture("libreoffice_label.rtf"));
    ASSERT_EQ(doc.size(), 5u) << dump(doc).toStdString();

    EXPECT_EQ(doc[0].text(), QString::fromUtf8("Ковбаса «Лікарська»"));
    EXPECT_EQ(doc[0].align, Qt::AlignHCenter);
    EXPECT_TRUE(doc[0].runs[0].bold);
    EXPECT_EQ(doc[0].runs[0].points, 14);
    EXPECT_EQ(doc[0].runs[0].family, "Arial");

    EXPECT_EQ(doc[1].text(), QString::fromUtf8("Вага: $weight кг, ціна $price грн") + kLine +
                                 QString::fromUtf8("Партія:\t$partia"));
    EXPECT_TRUE(runWith(doc[1], "$weight")->italic);
    EXPECT_TRUE(runWith(doc[1], QString::fromUtf8("ціна"))->underline);
    EXPECT_FALSE(runWith(doc[1], QString::fromUtf8("Вага"))->underline);
    EXPECT_EQ(runWith(doc[1], "$price")->colour, QColor(255, 0, 0));
    EXPECT_EQ(runWith(doc[1], "$price")->points, 12);
    EXPECT_EQ(doc[1].after, 140);

    EXPECT_EQ(doc[2].list, 1);
    EXPECT_EQ(doc[3].list, 1);
    EXPECT_EQ(doc[2].listId, doc[3].listId);
    EXPECT_EQ(doc[2].left, 709);
    EXPECT_EQ(doc[2].first, -283);
    EXPECT_EQ(doc[2].text(), QString::fromUtf8("Зберігати при 0…+6 °C "));
    EXPECT_EQ(doc[3].text(), QString::fromUtf8("Старий термін: $exp "));
    EXPECT_TRUE(runWith(doc[3], QString::fromUtf8("Старий"))->strike);
    EXPECT_FALSE(runWith(doc[3], "$exp")->strike);

    EXPECT_EQ(doc[4].text(), QString::fromUtf8("Виробник ТОВ “Тарвік”"));
    EXPECT_EQ(doc[4].align, Qt::AlignRight);
    EXPECT_EQ(doc[4].list, 0);
    EXPECT_EQ(doc[4].runs[0].family, "Times New Roman");
}

struct Malformed {
    const char* name;
    QByteArray rtf;
    QString text;  // the displayed text that survives
};

class RtfReaderMalformed : public ::testing::TestWithParam<Malformed> {};

TEST_P(RtfReaderMalformed, KeepsTheTextAroundWhatItCannotRead) {
    QTextDocument doc;
    ASSERT_NO_THROW(readRtf(GetParam().rtf, doc));
    EXPECT_EQ(displayedText(doc), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RtfReaderMalformed,
    ::testing::Values(
        Malformed{"Empty", "", ""},
        Malformed{"TruncatedInText", "{\\rtf1 abc", "abc"},
        Malformed{"TruncatedInControlWord", "{\\rtf1 abc\\pa", "abc"},
        Malformed{"TruncatedInHexEscape", "{\\rtf1 abc\\'e", "abc"},
        Malformed{"TruncatedInFontTable", "{\\rtf1{\\fonttbl{\\f0\\fcharset204 Ari", ""},
        Malformed{"UnclosedInnerGroups", "{\\rtf1 {\\b a{\\i b", "ab"},
        Malformed{"ExtraClosingBracesEndTheDocument", "{\\rtf1 a}}}b", "a"},
        Malformed{"BadHexEscapeIsText", "{\\rtf1 \\'zz ok}", "zz ok"},
        Malformed{"HugeFontSize", "{\\rtf1 \\fs99999999999999999999999 big}", "big"},
        Malformed{"HugeNegativeUnicode", "{\\rtf1 \\u-99999999999?x}", "x"},
        Malformed{"HugeBinarySkipsToTheEnd", "{\\rtf1 a\\bin99999999999 bcd}", "a"},
        Malformed{"BinaryDataIsNotText", "{\\rtf1 a{\\pict\\bin3 }{x}b}", "ab"},
        Malformed{"HugeSkipCountStopsAtGroupEnd", "{\\rtf1 {\\uc999999\\u1040 abc}d}", QString::fromUtf8("Аd")},
        Malformed{"OverlongControlWord", "{\\rtf1 \\" + QByteArray(10000, 'a') + " text}", "text"},
        Malformed{"UnknownDestinationSkipped", "{\\rtf1 a{\\*\\unknowndest hidden {\\b more}}b}", "ab"},
        Malformed{"UnknownWordKeepsText", "{\\rtf1 a\\frobnicate42 b}", "ab"},
        Malformed{"ColourIndexOutOfTable", "{\\rtf1{\\colortbl;\\red1;}\\cf99 x}", "x"},
        Malformed{"UnknownCodePageFallsBackToCp1251", "{\\rtf1\\ansicpg99999 \\'e0}", QString::fromUtf8("а")},
        Malformed{"FontCharsetWins", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Arial;}}\\f0 \\'e9}", QString::fromUtf8("é")},
        Malformed{"SurrogatePair", "{\\rtf1\\uc1 \\u-10179?\\u-8704?}", QString::fromUtf8("😀")},
        Malformed{"EscapedSpecials", "{\\rtf1 \\\\\\{\\}\\~x}", QString::fromUtf8("\\{}\u00a0x")},
        Malformed{"NotRichTextIsPlainCp1251", QByteArray("\xcf\xf0\xe8\xe2\xb3\xf2\r\n2"), QString::fromUtf8("Привіт\n2")},
        Malformed{"PlainTextControlCharacters", QByteArray("a\x14" "b\tc\x7f"), "ab\tc"},
        Malformed{"ParagraphMarks", "{\\rtf1 a\\par\\par b\\par}", "a\n\nb"},
        Malformed{"LastParagraphMarkEndsTheText", "{\\rtf1 a\\par}", "a"},
        Malformed{"ControlCharactersAreNoText", "{\\rtf1 a\\'01\\'0a\\'0d\\'7f\\'09b}", "a\tb"},
        Malformed{"DocumentMarkersAreNoText", "{\\rtf1 a\\u65532?\\u-560?\\u-559?\\u8233?b}",
                  QString::fromUtf8("a\nb")},
        Malformed{"EscapedNewlineIsAParagraph", "{\\rtf1 a\\\nb}", "a\nb"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RtfReader, DeepNestingIsAClearError) {
    for (const QByteArray& prefix : {QByteArray("{\\rtf1 "), QByteArray("{\\rtf1 {\\*\\skipme ")}) {
        QTextDocument doc;
        const QByteArray rtf = prefix + QByteArray(100000, '{') + "x";
        try {
            readRtf(rtf, doc);
            FAIL() << "no error for 100000 nested groups";
        } catch (const tarvik::Error& e) {
            EXPECT_TRUE(e.text().contains(QString::number(kMaxRtfDepth))) << e.text().toStdString();
        }
        EXPECT_TRUE(doc.isEmpty());
    }
}

TEST(RtfReader, NestingUpToTheBoundIsRead) {
    QTextDocument doc;
    const int depth = kMaxRtfDepth;  // counting the document's own group
    const QByteArray rtf = "{\\rtf1 " + QByteArray(depth - 1, '{') + "\\b deep" + QByteArray(depth - 1, '}') + " flat}";
    readRtf(rtf, doc);
    const auto d = describe(doc);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].text(), "deep flat");
    EXPECT_TRUE(d[0].runs.front().bold);
    EXPECT_FALSE(d[0].runs.back().bold);
}

TEST(RtfReader, ReplacesWholeContentAndKeepsUndoSetting) {
    QTextDocument doc;
    doc.setPlainText("old text");
    ASSERT_TRUE(doc.isUndoRedoEnabled());
    readRtf("{\\rtf1 new}", doc);
    EXPECT_EQ(doc.toPlainText(), "new");
    EXPECT_TRUE(doc.isUndoRedoEnabled());
    EXPECT_FALSE(doc.isUndoAvailable());
}

TEST(RtfReader, LastParagraphWithoutMarkKeepsItsFormat) {
    struct Case {
        QByteArray rtf;
        std::vector<Qt::Alignment> aligns;
    };
    for (const Case& c : {Case{"{\\rtf1\\qc centred}", {Qt::AlignHCenter}},
                          Case{"{\\rtf1\\pard\\qr a\\par\\qc b}", {Qt::AlignRight, Qt::AlignHCenter}},
                          Case{"{\\rtf1\\pard\\qr a\\par\\pard b}", {Qt::AlignRight, Qt::AlignLeft}},
                          Case{"{\\rtf1 {\\qj truncated", {Qt::AlignJustify}}}) {
        const auto d = read(c.rtf);
        ASSERT_EQ(d.size(), c.aligns.size()) << c.rtf.toStdString();
        for (size_t i = 0; i < d.size(); ++i)
            EXPECT_EQ(d[i].align, c.aligns[i]) << c.rtf.toStdString() << " paragraph " << i;
    }
}

namespace {

QByteArray cyr(const char* body) {
    return QByteArray("{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0 ") + body + "}";
}

// Qt keeps an empty block after a table that ends the document; it is left out.
QStringList shown(const QByteArray& rtf, bool footnotes = true) {
    QTextDocument doc;
    readRtf(rtf, doc);
    QStringList lines = shownLines(doc, footnotes);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

struct Shown {
    const char* name;
    QByteArray rtf;
    QStringList lines;  // as shownLines() gives them
};

class RtfReaderShows : public ::testing::TestWithParam<Shown> {};

}  // namespace

TEST_P(RtfReaderShows, AsItsEditorShowsIt) {
    EXPECT_EQ(shown(GetParam().rtf).join(u'|').toStdString(), GetParam().lines.join(u'|').toStdString());
}

const QByteArray kListTable =
    "{\\rtf1 {\\*\\listtable{\\list{\\listlevel\\levelnfc0\\levelstartat3{\\leveltext\\'02\\'00.;}}"
    "{\\listlevel\\levelnfc4\\levelstartat1{\\leveltext\\'03\\'00.\\'01;}}\\listid7}"
    "{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}\\listid8}"
    "{\\list{\\listlevel\\levelnfc2\\levelstartat1{\\leveltext\\'02\\'00);}}\\listid9}"
    "{\\list{\\listlevel\\levelnfc255{\\leveltext\\'00;}}\\listid10}}"
    "{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}{\\listoverride\\listid8\\ls2}"
    "{\\listoverride\\listid9\\ls3}{\\listoverride\\listid7{\\lfolevel\\listoverridestartat\\levelstartat10}\\ls4}"
    "{\\listoverride\\listid10\\ls5}}";

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfReaderShows,
    ::testing::Values(
        // Code pages.
        Shown{"AnsiWithoutCodePageIsLatin", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Caf\\'e9}", {"Café"}},
        Shown{"AnsiCodePageWins", "{\\rtf1\\ansi\\ansicpg1251 \\'e0}", {"а"}},
        Shown{"CodePageBeforeAnsiStillWins", "{\\rtf1\\ansicpg1251\\ansi \\'e0}", {"а"}},
        Shown{"CyrillicFontInALatinFile", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset204 Arial;}{\\f1 Arial;}}\\f0 \\'e0{\\f1 \\'e0}}",
              {"аà"}},
        Shown{"NoCharacterSetIsCp1251", "{\\rtf1 \\'d1\\'e8\\'f0}", {"Сир"}},
        Shown{"MacFile", "{\\rtf1\\mac \\'8e}", {"é"}},
        // Hidden text.
        Shown{"HiddenGroup", "{\\rtf1 a{\\v hidden}b}", {"ab"}},
        Shown{"HiddenUntilV0", "{\\rtf1 a\\v x\\v0 b}", {"ab"}},
        Shown{"HiddenUnicode", "{\\rtf1 a{\\v \\u1040?}b}", {"ab"}},
        // \upr: its Unicode half.
        Shown{"UprReadsUd", "{\\rtf1 {\\upr{\\'c0}{\\*\\ud{\\u1041?}}}!}", {"Б!"}},
        Shown{"UprInFontTable", "{\\rtf1{\\fonttbl{\\f0{\\upr{Arial CYR}{\\*\\ud{Arial}}};}}\\f0 x}", {"x"}},
        // Footnotes: the mark stays, the text follows the document.
        Shown{"Footnotes",
              "{\\rtf1 a{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} one}b{\\super\\chftn}{\\*\\footnote "
              "\\chftn two}c\\par d\\par}",
              {"a1b2c", "d", "1\t one", "2\ttwo"}},
        Shown{"FootnoteTextIsNotInTheParagraph", "{\\rtf1 a{\\footnote note\\par more}b}", {"ab", "note", "more"}},
        Shown{"Fields", "{\\rtf1 {\\field{\\*\\fldinst DATE}{\\fldrslt 08.12.10}} {\\field{\\*\\fldinst PAGE}}x}",
              {"08.12.10 x"}},
        // Lists from the list table: start values, formats, levels, overrides.
        Shown{"ListTableStartsAtThree", kListTable + "\\pard\\ls1 a\\par\\pard\\ls1 b\\par}", {"3. a", "4. b"}},
        Shown{"ListTableLevelsShowTheirParent",
              kListTable + "\\pard\\ls1 a\\par\\pard\\ls1\\ilvl1 b\\par\\pard\\ls1\\ilvl1 c\\par\\pard\\ls1 d\\par"
                           "\\pard\\ls1\\ilvl1 e\\par}",
              {"3. a", "3.a b", "3.b c", "4. d", "4.a e"}},
        Shown{"ListGoesOnAfterAParagraph", kListTable + "\\pard\\ls3 a\\par\\pard x\\par\\pard\\ls3 b\\par}",
              {"i) a", "x", "ii) b"}},
        Shown{"OverrideStartsAgain", kListTable + "\\pard\\ls1 a\\par\\pard\\ls4 b\\par\\pard\\ls4 c\\par}",
              {"3. a", "10. b", "11. c"}},
        Shown{"BulletLevel", kListTable + "\\pard\\ls2 a\\par\\pard\\ls2 b\\par}", {"• a", "• b"}},
        Shown{"NoNumberLevel", kListTable + "\\pard\\ls5 a\\par}", {"a"}},
        Shown{"ListTextOfAnUnknownList", "{\\rtf1 \\pard{\\listtext 7)\\tab}\\ls9 a\\par}", {"7) a"}},
        Shown{"ListTextBullet", "{\\rtf1 \\pard{\\listtext \\'b7\\tab}\\ls9 a\\par}", {"• a"}},
        Shown{"EmptyListTextIsNoItem", "{\\rtf1 \\pard{\\listtext \\tab}\\ls9 a\\par}", {"a"}},
        // Lists as the rich-edit control writes them.
        Shown{"PnFromItsStart", "{\\rtf1 \\pard{\\*\\pn\\pnlvlbody\\pndec\\pnstart4{\\pntxta .}}a\\par b\\par}",
              {"4. a", "5. b"}},
        Shown{"PnLettersAndRoman",
              "{\\rtf1 \\pard{\\*\\pn\\pnlvlbody\\pnucltr{\\pntxtb (}{\\pntxta )}}a\\par b\\par"
              "\\pard{\\*\\pn\\pnlvlbody\\pnlcrm\\pnstart4{\\pntxta .}}c\\par}",
              {"(A) a", "(B) b", "iv. c"}},
        Shown{"PnRestartsAfterAParagraph",
              "{\\rtf1 \\pard{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}a\\par\\pard x\\par\\pard{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}"
              "b\\par}",
              {"1. a", "x", "1. b"}},
        // Tables.
        Shown{"TableCellsRowByRow",
              "{\\rtf1 before\\par\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\row"
              "\\trowd\\cellx1000\\cellx2000\\pard\\intbl c\\cell d\\cell\\row\\pard after\\par}",
              {"before", "a", "b", "c", "d", "after"}},
        Shown{"ParagraphMarkBeforeCellLeavesAnEmptyParagraph",
              "{\\rtf1 \\trowd\\cellx1000\\pard\\intbl a\\par\\cell\\row\\pard x\\par}", {"a", "", "x"}},
        Shown{"VerticallyMergedCellShowsOnce",
              "{\\rtf1 \\trowd\\clvmgf\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\row"
              "\\trowd\\clvmrg\\cellx1000\\cellx2000\\pard\\intbl\\cell c\\cell\\row}",
              {"a", "b", "", "c"}},
        Shown{"RowWithoutDefinition", "{\\rtf1 \\pard\\intbl a\\cell b\\cell\\row\\pard x\\par}", {"a", "b", "x"}},
        Shown{"TruncatedInACell", "{\\rtf1 \\trowd\\cellx1000\\pard\\intbl a", {"a"}},
        Shown{"ListInACell",
              kListTable + "\\trowd\\cellx3000\\pard\\intbl\\ls1 a\\par\\pard\\intbl\\ls1 b\\cell\\row\\pard x\\par}",
              {"3. a", "4. b", "x"}},
        Shown{"NestedTableIsFlat", "{\\rtf1 \\trowd\\cellx3000\\pard\\intbl a\\nestcell b\\nestrow c\\cell\\row}",
              {"a\tb", "c"}}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

const QTextTable* onlyTable(const QTextDocument& doc) {
    const QTextTable* found = nullptr;
    for (QTextFrame* f : doc.rootFrame()->childFrames())
        if (auto* t = qobject_cast<QTextTable*>(f); t && !found)
            found = t;
    return found;
}

}  // namespace

TEST(RtfReader, TableColumnsAreTheCellEdgesOfAllRows) {
    // Row 1: one cell over two columns (edges 0, 3000); row 2: 0, 1500, 3000;
    // row 3 merges horizontally with \clmgf/\clmrg.
    QTextDocument doc;
    readRtf("{\\rtf1 \\trowd\\clbrdrb\\brdrs\\cellx3000\\pard\\intbl wide\\cell\\row"
            "\\trowd\\cellx1500\\cellx3000\\pard\\intbl a\\cell b\\cell\\row"
            "\\trowd\\clmgf\\cellx1500\\clmrg\\cellx3000\\pard\\intbl merged\\cell\\cell\\row}",
            doc);
    const QTextTable* table = onlyTable(doc);
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->rows(), 3);
    ASSERT_EQ(table->columns(), 2);
    EXPECT_EQ(table->cellAt(0, 0).columnSpan(), 2);
    EXPECT_EQ(table->cellAt(1, 0).columnSpan(), 1);
    EXPECT_EQ(table->cellAt(2, 0).columnSpan(), 2);
    EXPECT_EQ(table->cellAt(2, 0).firstCursorPosition().block().text(), "merged");
    const auto widths = table->format().columnWidthConstraints();
    ASSERT_EQ(widths.size(), 2);
    EXPECT_EQ(widths[0], QTextLength(QTextLength::FixedLength, 100));  // 1500 twips
    EXPECT_EQ(widths[1], QTextLength(QTextLength::FixedLength, 100));
    EXPECT_EQ(table->format().border(), 1);  // a cell has a border
    EXPECT_EQ(table->cellAt(0, 0).format().toTableCellFormat().bottomBorder(), 1);
    EXPECT_EQ(table->cellAt(0, 0).format().toTableCellFormat().topBorder(), 0);
}

TEST(RtfReader, ATableAtTheStartHasNoEmptyLineBeforeIt) {
    QTextDocument doc;
    readRtf("{\\rtf1 \\trowd\\cellx1000\\pard\\intbl a\\cell\\row\\trowd\\cellx1000\\cellx2000\\pard\\intbl b\\cell c\\cell\\row}",
            doc);
    const QTextBlock first = doc.begin();
    EXPECT_TRUE(first.blockFormat().boolProperty(kTableSpacerProperty));
    EXPECT_EQ(first.blockFormat().lineHeight(), 0);
    EXPECT_EQ(first.blockFormat().lineHeightType(), QTextBlockFormat::FixedHeight);
    EXPECT_EQ(doc.rootFrame()->childFrames().size(), 1);  // neighbouring rows are one table
}

TEST(RtfReader, ManyDistinctCellEdgesStillMakeATable) {
    QByteArray rtf = "{\\rtf1 ";
    for (int r = 0; r < 100; ++r)
        rtf += "\\trowd\\cellx" + QByteArray::number(100 + r) + "\\cellx" + QByteArray::number(5000 + r) +
               "\\pard\\intbl a\\cell b\\cell\\row";
    rtf += "}";
    QTextDocument doc;
    readRtf(rtf, doc);
    const QTextTable* table = onlyTable(doc);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rows(), 100);
    EXPECT_EQ(table->columns(), 2);  // one column per cell: 200 edges are no grid
}

TEST(RtfReader, CapitalsScriptsAreFormats) {
    const auto d = read("{\\rtf1 {\\caps up}{\\scaps small}{\\super 2}{\\sub x}{\\caps\\caps0 none}}");
    QTextDocument doc;
    readRtf("{\\rtf1 {\\caps up}{\\scaps small}{\\super 2}{\\sub x}{\\caps\\caps0 none}}", doc);
    auto formatAt = [&](int position) {
        QTextCursor c(&doc);
        c.setPosition(position);
        return c.charFormat();
    };
    EXPECT_EQ(doc.toPlainText(), "upsmall2xnone");  // the letters as typed: placeholders stay findable
    EXPECT_EQ(formatAt(1).fontCapitalization(), QFont::AllUppercase);
    EXPECT_EQ(formatAt(3).fontCapitalization(), QFont::SmallCaps);
    EXPECT_EQ(formatAt(8).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(formatAt(9).verticalAlignment(), QTextCharFormat::AlignSubScript);
    EXPECT_EQ(formatAt(11).fontCapitalization(), QFont::MixedCase);
    ASSERT_EQ(d.size(), 1u);
}

TEST(RtfReader, NumberedListsThatQtCountsAreQtLists) {
    // Starting at 1 with one number between prefix and suffix: a QTextList, so
    // an editor renumbers it; starting at 3: the label is text at the block's
    // start with what the writer needs to write the list back.
    QTextDocument doc;
    readRtf(kListTable + "\\pard\\ls3\\li720\\fi-360 a\\par\\pard\\ls3\\li720\\fi-360 b\\par\\pard\\ls1\\li720\\fi-360 c\\par}", doc);
    const QTextBlock a = doc.begin();
    ASSERT_NE(a.textList(), nullptr);
    EXPECT_EQ(a.textList()->format().style(), QTextListFormat::ListLowerRoman);
    EXPECT_EQ(a.textList()->format().numberSuffix(), ")");
    EXPECT_EQ(a.textList(), a.next().textList());
    EXPECT_EQ(a.blockFormat().leftMargin(), 48);
    EXPECT_EQ(a.blockFormat().doubleProperty(kBulletFirstIndentProperty), -24);

    const QTextBlock c = a.next().next();
    EXPECT_EQ(c.textList(), nullptr);
    EXPECT_EQ(c.text(), "3.\tc");
    const QTextBlockFormat f = c.blockFormat();
    EXPECT_EQ(f.stringProperty(kListLabelProperty), "3.");
    EXPECT_EQ(f.intProperty(kListNumberProperty), 3);
    EXPECT_EQ(f.intProperty(kListFormatProperty), int(NumberFormat::Decimal));
    EXPECT_EQ(f.stringProperty(kListSuffixProperty), ".");
    EXPECT_EQ(f.textIndent(), -24);
    ASSERT_EQ(f.tabPositions().size(), 1);
    EXPECT_EQ(f.tabPositions()[0].position, 24);  // the text starts at the paragraph's indent
}

TEST(RtfReader, CellsPastTheLastColumnJoinIt) {
    QByteArray rtf = "{\\rtf1 \\pard\\intbl ";
    for (int i = 1; i <= 70; ++i)
        rtf += QByteArray::number(i) + "\\cell ";
    rtf += "\\row}";
    QTextDocument doc;
    readRtf(rtf, doc);
    const QTextTable* table = onlyTable(doc);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->columns(), 63);
    const QStringList lines = shownLines(doc, false);
    for (int i = 1; i <= 70; ++i)
        EXPECT_TRUE(lines.contains(QString::number(i))) << i;  // nothing is lost
}

TEST(RtfReader, AHugeTableIsReadAsParagraphsPastItsBound) {
    QByteArray rtf = "{\\rtf1 ";
    for (int r = 0; r < 1500; ++r)
        rtf += "\\trowd\\cellx1000\\cellx2000\\pard\\intbl a" + QByteArray::number(r) + "\\cell b\\cell\\row";
    rtf += "\\pard end\\par}";
    QTextDocument doc;
    readRtf(rtf, doc);
    const QTextTable* table = onlyTable(doc);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rows(), 1000);  // 2000 cells
    const QStringList lines = shownLines(doc, false);
    ASSERT_EQ(lines.size(), 3000 + 1);  // every cell a line (the first past the table in Qt's block after it), "end"
    EXPECT_EQ(lines[1999], "b");
    EXPECT_EQ(lines[2000], "a1000");
    EXPECT_EQ(lines[2998], "a1499");
    EXPECT_EQ(lines.last(), "end");
}

TEST(RtfReader, ABorderOfNoWidthOrNoneIsNoBorder) {
    for (const QByteArray border : {QByteArray("\\clbrdrb\\brdrs\\brdrw0"), QByteArray("\\clbrdrb\\brdrnone"),
                                    QByteArray("\\clbrdrb\\brdrs\\brdrw10\\trbrdrt\\brdrnone")}) {
        QTextDocument doc;
        readRtf("{\\rtf1 \\trowd" + border + "\\cellx1000\\pard\\intbl a\\cell\\row}", doc);
        const QTextTable* table = onlyTable(doc);
        ASSERT_NE(table, nullptr);
        // The third has a cell border: a row border's "none" is not the cell's.
        EXPECT_EQ(table->format().border(), border.contains("trbrdrt") ? 1 : 0) << border.toStdString();
    }
}

TEST(RtfReader, ALabelHoldsNoControlCharactersOrTabs) {
    QTextDocument doc;
    readRtf("{\\rtf1 \\pard{\\listtext 7\\'01\\tab b\\line )\\tab}\\ls9 a\\par}", doc);
    EXPECT_EQ(doc.toPlainText(), "7 b )\ta");  // the label, then the one tab that ends it
}
