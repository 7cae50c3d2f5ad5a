// The field text editor's rules over a plain document: the caret's line and
// column, the forward search and its replace chain, paragraph formats, the
// placeholder list and the check of a template's characters.

#include "labels/field_text.h"
#include "labels/label_values.h"
#include "platform/richtext/rich_text.h"
#include "platform/text/error.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

using namespace tarvik::labels;

namespace {

// Paragraphs by "\n", line breaks inside a paragraph by "|".
void setText(QTextDocument& doc, const QString& text)
{
    doc.setPlainText(QString(text).replace(u'|', QChar::LineSeparator));
}

QTextCursor selecting(QTextDocument& doc, int from, int length)
{
    QTextCursor c(&doc);
    c.setPosition(from);
    c.setPosition(from + length, QTextCursor::KeepAnchor);
    return c;
}

}  // namespace

TEST(FieldText, TheCaretsLineAndColumnCountParagraphsAndLineBreaks)
{
    QTextDocument doc;
    setText(doc, QStringLiteral("Сир $name\nВага|нетто $netto\n\nКоробка № $numbox"));
    struct Case {
        int position;
        const char* shown;
    } cases[] = {
        {0, "1: 1"},  {3, "1: 4"},   {9, "1: 10"},   // the first paragraph and its end
        {10, "2: 1"}, {14, "2: 5"},                  // before the line break
        {15, "3: 1"}, {20, "3: 6"},  {27, "3: 13"},  // after it: a line of its own
        {28, "4: 1"},                                // the empty paragraph
        {29, "5: 1"}, {42, "5: 14"},
    };
    for (const Case& c : cases) {
        QTextCursor caret(&doc);
        caret.setPosition(c.position);
        EXPECT_EQ(caretPlaceText(caret), QString::fromLatin1(c.shown)) << c.position;
    }
}

TEST(FieldText, ASearchRunsForwardFromTheEndOfTheSelectionAndKeepsItWhenNothingIsFound)
{
    QTextDocument doc;
    setText(doc, QStringLiteral("abc Abc abcd\nxabc abc"));
    struct Case {
        int from, length;  // the selection before
        const char* what;
        bool whole, match;
        int found;  // start of the selected occurrence, -1: none
    } cases[] = {
        {0, 0, "abc", false, false, 0},
        {0, 3, "abc", false, false, 4},  // the first three selected: from the fourth
        {0, 3, "bc", false, false, 5},   // not the "bc" inside the selection
        {1, 0, "abc", false, true, 8},   // match case skips "Abc"
        {0, 3, "abc", true, false, 4},
        {5, 0, "abc", true, false, 18},  // whole words skip "abcd" and "xabc"
        {5, 0, "abc", true, true, 18},
        {19, 0, "abc", false, false, -1},  // to the end of the text only
        {0, 0, "zzz", false, false, -1},
        {0, 0, "", false, false, -1},
        {0, 0, "c A", false, false, 2},  // across words, within a paragraph
        {0, 0, "abcd\nx", false, false, -1},
    };
    for (const Case& c : cases) {
        QTextCursor caret = selecting(doc, c.from, c.length);
        const bool found = findNext(caret, {QString::fromLatin1(c.what), {}, c.whole, c.match});
        EXPECT_EQ(found, c.found >= 0) << c.what << " from " << c.from;
        if (c.found >= 0) {
            EXPECT_EQ(caret.selectionStart(), c.found) << c.what;
            EXPECT_EQ(caret.selectedText(), doc.toPlainText().mid(c.found, qsizetype(strlen(c.what)))) << c.what;
        } else {
            EXPECT_EQ(caret.selectionStart(), c.from) << c.what;  // the selection stays
            EXPECT_EQ(caret.selectionEnd(), c.from + c.length) << c.what;
        }
    }
}

TEST(FieldText, ReplaceTakesTheSelectionAndReplaceAllEndsWithTheNotFoundMessage)
{
    struct Case {
        const char* text;
        int from, length;
        const char* what;
        const char* with;
        ReplaceMode mode;
        const char* after;
        int replaced;
        bool message;
    } cases[] = {
        {"один два один", 0, 4, "один", "три", ReplaceMode::One, "три два один", 1, false},
        {"один два один", 0, 0, "один", "три", ReplaceMode::One, "один два один", 0, true},  // nothing selected
        {"один два один", 0, 0, "один", "три", ReplaceMode::All, "три два три", 2, true},
        {"aaaa", 0, 0, "a", "b", ReplaceMode::All, "bbbb", 4, true},            // one right after another
        {"a-a", 0, 0, "a", "aa", ReplaceMode::All, "aa-aa", 2, true},           // a replacement holding the text
        {"x один", 0, 1, "один", "два", ReplaceMode::All, "два два", 2, true},  // the selection first, whatever it is
        {"один", 4, 0, "один", "два", ReplaceMode::All, "один", 0, true},       // forward only
        {"Aa aA", 0, 0, "aa", "b", ReplaceMode::All, "b b", 2, true},
    };
    for (const Case& c : cases) {
        QTextDocument doc;
        setText(doc, QString::fromUtf8(c.text));
        QTextCursor caret = selecting(doc, c.from, c.length);
        QStringList messages;
        const int n = replace(caret, {QString::fromUtf8(c.what), QString::fromUtf8(c.with), false, false}, c.mode,
                              [&](const QString& m) { messages << m; });
        EXPECT_EQ(doc.toPlainText(), QString::fromUtf8(c.after)) << c.text;
        EXPECT_EQ(n, c.replaced) << c.text;
        if (c.message) {
            EXPECT_EQ(messages, QStringList{QStringLiteral("Текст '") + QString::fromUtf8(c.what)
                                            + QStringLiteral("' не найден")})
                << c.text;
        } else {
            EXPECT_TRUE(messages.isEmpty()) << c.text;
        }
    }
}

TEST(FieldText, AReplacementTakesTheFormatOfTheFirstReplacedCharacter)
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("Вага $netto кг"));
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    selecting(doc, 5, 1).mergeCharFormat(bold);  // "$" bold, "netto" plain
    QTextCursor caret = selecting(doc, 5, 6);
    replace(caret, {QStringLiteral("$netto"), QStringLiteral("1,234"), false, false}, ReplaceMode::One,
            [](const QString&) {});
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("Вага 1,234 кг"));
    QTextCursor inside(&doc);
    inside.setPosition(8);
    EXPECT_EQ(inside.charFormat().fontWeight(), QFont::Bold);
}

TEST(FieldText, ParagraphCommandsActOnEveryParagraphTheSelectionTouches)
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("один\nдва\nтри\nчотири"));
    QTextCursor two = selecting(doc, 6, 5);  // "ва\nтр": paragraphs 2 and 3
    setBulleted(two, true);
    auto block = [&](int i) { return doc.findBlockByNumber(i); };
    EXPECT_EQ(block(0).textList(), nullptr);
    ASSERT_NE(block(1).textList(), nullptr);
    EXPECT_EQ(block(1).textList(), block(2).textList());
    EXPECT_EQ(block(1).textList()->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(block(3).textList(), nullptr);
    setBulleted(selecting(doc, 6, 0), false);
    EXPECT_EQ(block(1).textList(), nullptr);
    EXPECT_NE(block(2).textList(), nullptr);

    struct Case {
        Qt::Alignment set;
        Qt::Alignment read;
    } cases[] = {{Qt::AlignHCenter, Qt::AlignHCenter},
                 {Qt::AlignRight, Qt::AlignRight},
                 {Qt::AlignLeft, Qt::AlignLeft},
                 {Qt::AlignJustify, Qt::AlignLeft}};
    for (const Case& c : cases) {
        setParagraphAlignment(two, c.set);
        EXPECT_EQ(paragraphAlignment(QTextCursor(block(1))), c.read);
        EXPECT_EQ(paragraphAlignment(QTextCursor(block(2))), c.read);
        EXPECT_EQ(paragraphAlignment(QTextCursor(block(0))), Qt::AlignLeft);
    }
    setParagraphAlignment(selecting(doc, 0, 0), Qt::AlignRight);
    EXPECT_EQ(paragraphAlignment(QTextCursor(block(1))), Qt::AlignLeft);  // justified reads as left

    QTextBlockFormat indented;
    indented.setTextIndent(20);
    indented.setLeftMargin(-20);
    QTextCursor(block(3)).mergeBlockFormat(indented);
    QTextCursor(block(0)).mergeBlockFormat(indented);
    doc.clearUndoRedoStacks();
    clearIndents(selecting(doc, doc.characterCount() - 2, 0));
    EXPECT_EQ(block(3).blockFormat().textIndent(), 0);
    EXPECT_EQ(block(3).blockFormat().leftMargin(), 0);
    EXPECT_EQ(block(0).blockFormat().textIndent(), 20);  // not selected
    EXPECT_EQ(doc.availableUndoSteps(), 1);
    clearIndents(selecting(doc, doc.characterCount() - 2, 0));
    EXPECT_EQ(doc.availableUndoSteps(), 1);  // nothing to clear: nothing to undo
}

TEST(FieldText, TheListOffersTheTwentyTwoPlaceholdersInTheirOrder)
{
    const auto& entries = placeholderEntries();
    ASSERT_EQ(entries.size(), kPlaceholders.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].placeholder, QString::fromLatin1(kPlaceholders[i]));
        EXPECT_FALSE(entries[i].meaning.isEmpty());
    }
    EXPECT_EQ(entries[10].placeholder, QStringLiteral("$netto"));
    EXPECT_EQ(entries[10].meaning, QStringLiteral("вес нетто"));
}

TEST(FieldText, ATemplateHoldsOnlyWindows1251Characters)
{
    struct Case {
        const char* text;
        const char* refused;  // empty: accepted
    } cases[] = {
        {"Ціна: 12,50 грн € № ї Ґ «»\tкінець", ""},
        {"Ω-три", "Символ \"Ω\" (U+03A9)"},
        {"ok\nдругий рядок: ā", "Символ \"ā\" (U+0101)"},
        {"смайл 😀", "Символ \"😀\" (U+1F600)"},
    };
    for (const Case& c : cases) {
        QTextDocument doc;
        doc.setPlainText(QString::fromUtf8(c.text));
        const QString refused = QString::fromUtf8(c.refused);
        if (refused.isEmpty()) {
            EXPECT_NO_THROW(checkTemplateText(doc)) << c.text;
            continue;
        }
        try {
            checkTemplateText(doc);
            ADD_FAILURE() << "accepted " << c.text;
        } catch (const tarvik::Error& e) {
            EXPECT_TRUE(e.text().startsWith(refused)) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QStringLiteral("Windows-1251"))) << e.text().toStdString();
        }
    }
}
