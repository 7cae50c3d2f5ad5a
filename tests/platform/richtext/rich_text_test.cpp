#include "platform/richtext/document_model.h"
#include "platform/richtext/rich_text.h"
#include "platform/richtext/sample_documents.h"
#include "platform/richtext/template_cache.h"
#include "platform/text/error.h"

#include <QDateTime>
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

namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray rtfText(const char* text) {
    return QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ") + text + "\\par}";
}

// Older than any clock tick of the file system: the cache may trust its stamp.
void settle(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
}

}  // namespace

TEST(TemplateCache, ParsesOnceAndAgainWhenTheFileChanges) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Head_1.rtf");
    writeBytes(path, rtfText("one $name"));
    settle(path);
    TemplateCache cache;
    EXPECT_EQ(cache.document(path).toPlainText(), "one $name");
    EXPECT_EQ(cache.document(path).toPlainText(), "one $name");
    EXPECT_EQ(cache.parses(), 1);

    // Rewritten in place at once, same size, possibly within one tick of the
    // file system's clock: its stamp may not tell, the cache still rereads.
    writeBytes(path, rtfText("two $name"));
    EXPECT_EQ(cache.document(path).toPlainText(), "two $name");
    writeBytes(path, rtfText("two $nam2"));
    QTextDocument copy;
    cache.copyInto(path, copy);
    EXPECT_EQ(copy.toPlainText(), "two $nam2");

    // Replaced whole, as the editors save a template, with an old time.
    saveRichTextFile(*[] {
        auto d = std::make_unique<QTextDocument>();
        d->setPlainText("three");
        return d;
    }(), path);
    settle(path);
    EXPECT_EQ(cache.document(path).toPlainText(), "three");
    const int parses = cache.parses();
    EXPECT_EQ(cache.document(path).toPlainText(), "three");
    EXPECT_EQ(cache.parses(), parses);
}

TEST(TemplateCache, AFileThatFailsIsNotKeptAndIsReadWhenItIsBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Body_1.rtf");
    writeBytes(path, rtfText("kept"));
    settle(path);
    TemplateCache cache;
    EXPECT_EQ(cache.document(path).toPlainText(), "kept");
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_THROW(cache.document(path), tarvik::Error);
    writeBytes(path, "{\\rtf1" + QByteArray(300, '{'));  // deeper than the reader goes
    EXPECT_THROW(cache.document(path), tarvik::Error);
    writeBytes(path, rtfText("back"));
    EXPECT_EQ(cache.document(path).toPlainText(), "back");
}

TEST(TemplateCache, WrittenBackGivesEveryCharacterItsFontAsTheWriterDoes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Button_1.rtf");
    writeBytes(path, "plain $price");  // no rich text: no font of its own
    TemplateCache asRead, writtenBack(TemplateCache::Form::WrittenBack);
    QTextCursor read(const_cast<QTextDocument*>(&asRead.document(path)));
    read.setPosition(1);
    EXPECT_TRUE(read.charFormat().fontFamilies().toStringList().isEmpty());

    QTextDocument expected;
    loadRichTextFile(expected, path);
    const QString scratch = dir.filePath("temp");
    saveRichTextFile(expected, scratch, SaveMode::Scratch);
    loadRichTextFile(expected, scratch);
    const QTextDocument& cached = writtenBack.document(path);
    EXPECT_EQ(cached.toPlainText(), "plain $price");
    EXPECT_EQ(describe(cached), describe(expected));
    QTextCursor back(const_cast<QTextDocument*>(&cached));
    back.setPosition(1);
    EXPECT_FALSE(back.charFormat().fontFamilies().toStringList().isEmpty());
}

TEST(TemplateCache, CopyKeepsContentAndTheTargetsDefaults) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Body_1.rtf");
    saveRichTextFile(*richSample(), path);
    TemplateCache cache;
    QTextDocument to;
    QFont font("Arial");
    font.setPixelSize(13);
    to.setDefaultFont(font);
    to.setDocumentMargin(0);
    to.setPlainText("replaced");
    cache.copyInto(path, to);
    EXPECT_EQ(describe(to), describe(cache.document(path)));
    EXPECT_EQ(to.defaultFont(), font);
    EXPECT_EQ(to.documentMargin(), 0);
    EXPECT_FALSE(to.isUndoAvailable());
}
