#include "platform/richtext/document_model.h"
#include "platform/richtext/rich_text.h"
#include "platform/richtext/sample_documents.h"
#include "platform/text/error.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace tarvik::richtext;
using namespace tarvik::richtext::testing;

TEST(RichTextFiles, SaveAndLoadRoundTrip) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Head_1.rtf");
    const auto doc = richSample();
    saveRichTextFile(*doc, path);
    QTextDocument back;
    back.setPlainText("replaced");
    loadRichTextFile(back, path);
    EXPECT_EQ(back.toPlainText(), doc->toPlainText());
    EXPECT_EQ(describe(back).size(), describe(*doc).size());
}

TEST(RichTextFiles, ErrorsNameTheFile) {
    QTemporaryDir dir;
    QTextDocument doc;
    doc.setPlainText("kept");
    const QString missing = dir.filePath("Body_1.rtf");
    try {
        loadRichTextFile(doc, missing);
        FAIL();
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().contains(missing)) << e.text().toStdString();
    }
    EXPECT_EQ(doc.toPlainText(), "kept");  // a failed load leaves the block as it was

    const QString unwritable = dir.filePath("no/such/dir/temp");
    EXPECT_THROW(saveRichTextFile(doc, unwritable), tarvik::Error);

    QFile deep(dir.filePath("deep.rtf"));
    ASSERT_TRUE(deep.open(QIODevice::WriteOnly));
    deep.write("{\\rtf1 " + QByteArray(1000, '{'));
    deep.close();
    try {
        loadRichTextFile(doc, deep.fileName());
        FAIL();
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().contains(deep.fileName())) << e.text().toStdString();
    }
}

TEST(RichTextText, DisplayedTextPositionsAreCursorPositions) {
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText("ab");
    c.insertText(QString(QChar::LineSeparator));
    c.insertText("c");
    c.insertBlock();
    c.insertText("$name");
    const QString text = displayedText(doc);
    EXPECT_EQ(text, "ab\nc\n$name");
    const QTextCursor found = findText(doc, "$name", 0, {true, false});
    EXPECT_EQ(found.selectionStart(), text.indexOf("$name"));
}

struct FindCase {
    const char* name;
    const char* text;
    const char* what;
    int from;
    FindOptions options;
    int expected;  // -1: not found
};

class RichTextFind : public ::testing::TestWithParam<FindCase> {};

TEST_P(RichTextFind, FindsForwardFromPosition) {
    const FindCase& p = GetParam();
    QTextDocument doc;
    doc.setPlainText(QString::fromUtf8(p.text));
    const QTextCursor c = findText(doc, QString::fromUtf8(p.what), p.from, p.options);
    if (p.expected < 0) {
        EXPECT_TRUE(c.isNull());
    } else {
        ASSERT_FALSE(c.isNull());
        EXPECT_EQ(c.selectionStart(), p.expected);
        EXPECT_EQ(c.selectedText().toLower(), QString::fromUtf8(p.what).toLower());
        EXPECT_EQ(c.selectionEnd() - c.selectionStart(), QString::fromUtf8(p.what).size());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RichTextFind,
    ::testing::Values(
        FindCase{"IgnoresCaseByDefault", "Ціна ЦІНА", "ціна", 0, {}, 0},
        FindCase{"ExactCase", "Ціна ЦІНА ціна", "ціна", 0, {true, false}, 10},
        FindCase{"ExactCaseMissing", "$Name", "$name", 0, {true, false}, -1},
        FindCase{"PrefixOfLongerWordMatches", "$names", "$name", 0, {true, false}, 0},
        FindCase{"WholeWordSkipsPrefix", "$names $name", "name", 0, {false, true}, 8},
        FindCase{"WholeWordMissing", "names", "name", 0, {false, true}, -1},
        FindCase{"FromSkipsEarlier", "abc abc", "abc", 1, {}, 4},
        FindCase{"FromAtMatch", "abc abc", "abc", 4, {}, 4},
        FindCase{"NotBackwards", "abc x", "abc", 2, {}, -1},
        FindCase{"NotAcrossParagraphs", "$na\nme", "$name", 0, {true, false}, -1},
        FindCase{"SecondParagraph", "x\n$date", "$date", 0, {true, false}, 2},
        FindCase{"EmptyNeedle", "abc", "", 0, {}, -1},
        FindCase{"FromPastEnd", "abc", "abc", 99, {}, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RichTextReplace, TakesTheFormatOfTheFirstReplacedCharacter) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat plain;
    plain.setFontPointSize(10);
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);
    bold.setForeground(QColor(255, 0, 0));
    QTextCharFormat italic = plain;
    italic.setFontItalic(true);
    c.insertText("x ", plain);
    c.insertText("$n", bold);  // the placeholder's letters carry two formats
    c.insertText("ame", italic);
    c.insertText(" y", plain);

    QTextCursor found = findText(doc, "$name", 0, {true, false});
    ASSERT_FALSE(found.isNull());
    replaceSelection(found, QString::fromUtf8("Сир"));
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf8("x Сир y"));
    const auto d = describe(doc);
    ASSERT_EQ(d.size(), 1u);
    ASSERT_EQ(d[0].runs.size(), 3u) << dump(d).toStdString();
    EXPECT_EQ(d[0].runs[1].text, QString::fromUtf8("Сир"));
    EXPECT_TRUE(d[0].runs[1].bold);
    EXPECT_FALSE(d[0].runs[1].italic);
    EXPECT_EQ(d[0].runs[1].colour, QColor(255, 0, 0));
    EXPECT_EQ(found.position(), 5);
}

TEST(RichTextReplace, AtParagraphStartAndWithEmptyValue) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat first;
    first.setFontUnderline(true);
    c.insertText("a\n", QTextCharFormat());
    c.insertText("$x", first);
    c.insertText("b", QTextCharFormat());
    QTextCursor found = findText(doc, "$x", 0, {true, false});
    replaceSelection(found, "VAL");
    EXPECT_EQ(describe(doc)[1].runs[0].text, "VAL");
    EXPECT_TRUE(describe(doc)[1].runs[0].underline);

    found = findText(doc, "VAL", 0, {true, false});
    replaceSelection(found, "");  // an empty value removes the placeholder
    EXPECT_EQ(doc.toPlainText(), "a\nb");
}
