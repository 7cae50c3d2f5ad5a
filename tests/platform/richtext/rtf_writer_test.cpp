#include "platform/richtext/document_model.h"
#include "platform/richtext/rtf_reader.h"
#include "platform/richtext/rtf_writer.h"
#include "platform/richtext/sample_documents.h"

#include <QDir>
#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <gtest/gtest.h>

using namespace tarvik::richtext;
using namespace tarvik::richtext::testing;

namespace {

std::vector<Paragraph> roundTrip(const QTextDocument& doc, QByteArray* written = nullptr) {
    const QByteArray rtf = writeRtf(doc);
    if (written)
        *written = rtf;
    QTextDocument back;
    readRtf(rtf, back);
    return describe(back);
}

}  // namespace

TEST(RtfWriter, RoundTripKeepsTextAndFormats) {
    const auto doc = richSample();
    auto expected = describe(*doc);
    // A bullet made in the editor has no first-line indent of its own; the
    // writer gives it a hanging indent of a quarter inch (360 twips).
    for (Paragraph& p : expected)
        if (p.list)
            p.first = -360;
    QByteArray rtf;
    const auto actual = roundTrip(*doc, &rtf);
    EXPECT_EQ(dump(actual), dump(expected)) << rtf.toStdString();
    EXPECT_EQ(actual, expected);
}

TEST(RtfWriter, WritesSevenBitCp1251WithUnicodeEscapes) {
    const auto doc = richSample();
    const QByteArray rtf = writeRtf(*doc);
    for (const char c : rtf)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "8-bit byte in the output";
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251"));
    EXPECT_TRUE(rtf.contains("\\fcharset204 Arial;"));
    EXPECT_TRUE(rtf.contains("\\'ca\\'ee\\'e2"));          // "Ков" in cp1251
    EXPECT_TRUE(rtf.contains("\\u-10179?\\u-8704?"));     // the emoji as a surrogate pair
    EXPECT_TRUE(rtf.contains("\\u8722?"));                // minus sign, not in cp1251
    EXPECT_TRUE(rtf.contains("\\'88"));                   // the euro sign is
    EXPECT_TRUE(rtf.contains("\\{\\\\\\} 100%"));             // escaped specials
    EXPECT_TRUE(rtf.contains("{\\*\\pn\\pnlvlblt"));
}

TEST(RtfWriter, EmptyParagraphKeepsItsFontSize) {
    const auto doc = richSample();
    QTextDocument back;
    readRtf(writeRtf(*doc), back);
    const QTextBlock empty = back.findBlockByNumber(3);
    ASSERT_TRUE(empty.text().isEmpty());
    EXPECT_EQ(empty.charFormat().fontPointSize(), 20);
}

TEST(RtfWriter, EmptyAndTrailingEmptyParagraphs) {
    const QStringList cases[] = {{""}, {"a", ""}, {"", "", "b"}, {"a", "", ""}};
    for (const QStringList& paragraphs : cases) {
        QTextDocument doc;
        doc.setPlainText(paragraphs.join('\n'));
        QTextDocument back;
        readRtf(writeRtf(doc), back);
        EXPECT_EQ(back.blockCount(), paragraphs.size()) << paragraphs.join('|').toStdString();
        EXPECT_EQ(back.toPlainText(), doc.toPlainText());
    }
}

class FixtureRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureRoundTrip, WritingWhatWasReadChangesNothing) {
    QFile f(QStringLiteral(TARVIK_SOURCE_DIR "/tests/platform/richtext/fixtures/") + QLatin1String(GetParam()));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QTextDocument doc;
    readRtf(f.readAll(), doc);
    const auto first = describe(doc);
    EXPECT_EQ(dump(roundTrip(doc)), dump(first));
    EXPECT_EQ(roundTrip(doc), first);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureRoundTrip,
                         ::testing::Values("wordpad_label.rtf", "libreoffice_label.rtf"),
                         [](const auto& info) {
                             return QString::fromLatin1(info.param).section('.', 0, 0).toStdString();
                         });

namespace {

QByteArray corpusFile(const QString& name) {
    QFile f(QStringLiteral(TARVIK_SOURCE_DIR "/tests/platform/richtext/corpus/") + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
}

// Rows, columns, spans and column widths of each table, in document order.
QString tableShapes(const QTextDocument& doc) {
    QString s;
    for (QTextFrame* f : doc.rootFrame()->childFrames()) {
        const auto* t = qobject_cast<QTextTable*>(f);
        if (!t)
            continue;
        s += QStringLiteral("[%1x%2").arg(t->rows()).arg(t->columns());
        for (const QTextLength& w : t->format().columnWidthConstraints())
            s += QStringLiteral(" w%1").arg(qRound(w.rawValue()));
        for (int r = 0; r < t->rows(); ++r)
            for (int c = 0; c < t->columns(); ++c) {
                const QTextTableCell cell = t->cellAt(r, c);
                if (cell.row() == r && cell.column() == c && (cell.rowSpan() > 1 || cell.columnSpan() > 1))
                    s += QStringLiteral(" (%1,%2:%3x%4)").arg(r).arg(c).arg(cell.rowSpan()).arg(cell.columnSpan());
            }
        s += u']';
    }
    return s;
}

class CorpusRoundTrip : public ::testing::TestWithParam<QString> {};

}  // namespace

// What we write we read back as we read the file: text, list numbers, tables.
TEST_P(CorpusRoundTrip, WritingWhatWasReadKeepsWhatIsShown) {
    QTextDocument doc;
    readRtf(corpusFile(GetParam()), doc);
    const QByteArray written = writeRtf(doc);
    QTextDocument back;
    readRtf(written, back);
    EXPECT_EQ(shownLines(back, true).join(u'\n').toStdString(), shownLines(doc, true).join(u'\n').toStdString());
    EXPECT_EQ(tableShapes(back).toStdString(), tableShapes(doc).toStdString());
    // A label kept as text may come back as a Qt list that counts the same;
    // which list a paragraph belongs to is in the shown text above.
    auto formats = [](const QTextDocument& d) {
        auto paragraphs = describe(d);
        for (Paragraph& p : paragraphs)
            p.listId = -1;
        return dump(paragraphs).toStdString();
    };
    EXPECT_EQ(formats(back), formats(doc));
    // Written once more, nothing changes: the writer's output is stable.
    EXPECT_EQ(writeRtf(back), written);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusRoundTrip,
                         ::testing::ValuesIn(QDir(QStringLiteral(TARVIK_SOURCE_DIR "/tests/platform/richtext/corpus"))
                                                 .entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name)),
                         [](const auto& info) {
                             return info.param.chopped(4).replace(u'-', u'_').toStdString();
                         });

TEST(RtfWriter, NumberedListsKeepTheirFormatAndStart) {
    QTextDocument doc;
    readRtf("{\\rtf1 {\\*\\listtable{\\list{\\listlevel\\levelnfc3\\levelstartat4{\\leveltext\\'02(\\'00;}}\\listid5}"
            "{\\list{\\listlevel\\levelnfc0\\levelstartat1{\\leveltext\\'02\\'00);}}\\listid6}}"
            "{\\*\\listoverridetable{\\listoverride\\listid5\\ls1}{\\listoverride\\listid6\\ls2}}"
            "\\pard\\ls1 a\\par\\pard\\ls1 b\\par\\pard\\ls2 c\\par\\pard\\ls2 d\\par}",
            doc);
    const QByteArray rtf = writeRtf(doc);
    // The list that starts at D: its number format, start and level text.
    EXPECT_TRUE(rtf.contains("\\levelnfc3\\leveljc0\\levelfollow0\\levelstartat4{\\leveltext\\'02(\\'00;}")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("{\\listtext (D\\tab}\\ls1\\ilvl0")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("{\\listtext (E\\tab}\\ls1\\ilvl0")) << rtf.toStdString();
    // The Qt list from 1 with its suffix.
    EXPECT_TRUE(rtf.contains("\\levelnfc0\\leveljc0\\levelfollow0\\levelstartat1{\\leveltext\\'02\\'00);}")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("{\\listtext 2)\\tab}\\ls2\\ilvl0")) << rtf.toStdString();
    // The label is written once, as \listtext, not again as text.
    EXPECT_FALSE(rtf.contains("(D\\tab a")) << rtf.toStdString();
}

TEST(RtfWriter, AnEditedLabelIsAnOrdinaryParagraph) {
    QTextDocument doc;
    readRtf("{\\rtf1 \\pard{\\*\\pn\\pnlvlbody\\pndec\\pnstart3{\\pntxta .}}a\\par}", doc);
    ASSERT_EQ(doc.toPlainText(), "3.\ta");
    QTextCursor c(&doc);
    c.deleteChar();  // the user removed the "3"
    const QByteArray rtf = writeRtf(doc);
    EXPECT_FALSE(rtf.contains("\\ls")) << rtf.toStdString();
    QTextDocument back;
    readRtf(rtf, back);
    EXPECT_EQ(back.toPlainText(), ".\ta");
}

TEST(RtfWriter, TablesKeepCellsWidthsBordersAndMerges) {
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText("before");
    QTextTableFormat tf;
    tf.setBorder(1);
    tf.setBorderCollapse(true);
    tf.setCellPadding(4);
    tf.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 60), QTextLength(QTextLength::FixedLength, 90),
                                  QTextLength(QTextLength::VariableLength, 0)});
    QTextTable* t = c.insertTable(3, 3, tf);
    t->mergeCells(0, 0, 1, 3);
    t->mergeCells(1, 0, 2, 1);
    t->cellAt(0, 0).firstCursorPosition().insertText("$name");
    t->cellAt(1, 0).firstCursorPosition().insertText(QString::fromUtf8("Ціна"));
    QTextCursor in = t->cellAt(1, 1).firstCursorPosition();
    in.insertText("$price");
    in.insertBlock();
    in.insertText(QString::fromUtf8("грн"));
    t->cellAt(2, 2).firstCursorPosition().insertText("$summa");
    const QByteArray rtf = writeRtf(doc);
    EXPECT_TRUE(rtf.contains("\\trowd\\trgaph60\\trleft0")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("\\cellx900")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("\\cellx2250")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("\\cellx9000")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("\\clvmgf")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("\\clvmrg")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("\\clbrdrt\\brdrs\\brdrw15")) << rtf.toStdString();

    QTextDocument back;
    readRtf(rtf, back);
    EXPECT_EQ(tableShapes(back), "[3x3 w60 w90 w450 (0,0:1x3) (1,0:2x1)]");
    EXPECT_EQ(shownLines(back, true).join(u'|'), QString::fromUtf8("before|$name|Ціна|$price|грн||||$summa|"));
    EXPECT_EQ(back.rootFrame()->childFrames().front()->format().toTableFormat().cellPadding(), 4);
}

TEST(RtfWriter, CapitalsAndScriptsRoundTrip) {
    QTextDocument doc;
    readRtf("{\\rtf1 {\\caps a}{\\scaps b}{\\super c}{\\sub d}e\\par}", doc);
    const QByteArray rtf = writeRtf(doc);
    QTextDocument back;
    readRtf(rtf, back);
    auto at = [&](int position) {
        QTextCursor c(&back);
        c.setPosition(position);
        return c.charFormat();
    };
    EXPECT_EQ(at(1).fontCapitalization(), QFont::AllUppercase);
    EXPECT_EQ(at(2).fontCapitalization(), QFont::SmallCaps);
    EXPECT_EQ(at(3).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(at(4).verticalAlignment(), QTextCharFormat::AlignSubScript);
    EXPECT_EQ(at(5).fontCapitalization(), QFont::MixedCase);
    EXPECT_EQ(at(5).verticalAlignment(), QTextCharFormat::AlignNormal);
}

TEST(RtfWriter, ALabelThatCountsNothingIsWrittenAsText) {
    // "1.2)" given as text alone is no number a list can count: it stays text, and reads back so.
    QTextDocument doc;
    readRtf("{\\rtf1 \\pard{\\listtext 1.2)\\tab}\\ls3 a\\par}", doc);
    ASSERT_EQ(doc.toPlainText(), QString::fromUtf8("1.2)\ta"));
    const QByteArray rtf = writeRtf(doc);
    EXPECT_FALSE(rtf.contains("\\ls")) << rtf.toStdString();
    QTextDocument back;
    readRtf(rtf, back);
    EXPECT_EQ(back.toPlainText(), doc.toPlainText());
}

TEST(RtfWriter, CellEdgesBeyondAPageReadBackAlike) {
    // Edges out of order and far out, and a cell past the row's definition.
    QTextDocument doc;
    readRtf("{\\rtf1 \\trowd\\cellx43218030\\cellx8640\\pard\\intbl a\\cell b\\cell c\\cell\\row"
            "\\trowd\\cellx4320\\cellx8640\\pard\\intbl d\\cell e\\cell\\row}",
            doc);
    QTextDocument back;
    readRtf(writeRtf(doc), back);
    EXPECT_EQ(tableShapes(back).toStdString(), tableShapes(doc).toStdString());
    EXPECT_EQ(shownLines(back, true), shownLines(doc, true));
}

namespace {
class FuzzSeedRoundTrip : public ::testing::TestWithParam<QString> {};
}  // namespace

// What the fuzz target checks, for the inputs it found: our own output reads
// back to the same text.
TEST_P(FuzzSeedRoundTrip, OurOutputReadsBackToTheSameText) {
    QFile f(QStringLiteral(TARVIK_SOURCE_DIR "/fuzz/richtext/corpus/") + GetParam());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QTextDocument doc;
    readRtf(f.readAll(), doc);
    QTextDocument back;
    readRtf(writeRtf(doc), back);
    EXPECT_EQ(back.toPlainText().toStdString(), doc.toPlainText().toStdString());
}

INSTANTIATE_TEST_SUITE_P(Seeds, FuzzSeedRoundTrip,
                         ::testing::ValuesIn(QDir(QStringLiteral(TARVIK_SOURCE_DIR "/fuzz/richtext/corpus"))
                                                 .entryList(QDir::Files, QDir::Name)),
                         [](const auto& info) {
                             return QString(info.param).replace(u'.', u'_').replace(u'-', u'_').toStdString();
                         });
