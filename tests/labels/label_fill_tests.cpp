// Filling the blocks from their templates, parsed once, in the blocks'
// own documents.

#include "label_fixture.h"

#include "platform/printing/label_page.h"
#include "platform/richtext/rich_text.h"

#include <QAbstractTextDocumentLayout>

#include <QDateTime>
#include <QTextBlock>
#include <QTextCursor>

#include <functional>

using namespace tarvik::labels;
using namespace tarvik::labels::testing;

namespace {

QByteArray rtf(const QByteArray& body)
{
    return "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}\\f0\\fs20 " + body + "}";
}

// Label 1's three templates, and label 1 made current.
void writeTemplates(const StationLabels& st, const QByteArray& head, const QByteArray& body, const QByteArray& bottom)
{
    st.write(QStringLiteral("Head_1.rtf"), rtf(head));
    st.write(QStringLiteral("Body_1.rtf"), rtf(body));
    st.write(QStringLiteral("Button_1.rtf"), rtf(bottom));
    st.pages->makeCurrent(1);
}

ReplParam sampleValues()
{
    ReplParam v;
    v.name = QStringLiteral("Сир");
    v.weight = QStringLiteral("1,23");
    v.price = QStringLiteral("12,50");
    v.netto = QStringLiteral("1,18");
    v.text[2] = QString();
    v.numbox = QStringLiteral("8    ");
    v.KG_Weight = QStringLiteral("1180,");
    return v;
}

QString plain(const TextBlock& b)
{
    return b.document.toPlainText();
}

// The character format at the first character of `what` in the block.
QTextCharFormat formatAt(const TextBlock& b, const QString& what)
{
    const int at = int(b.document.toPlainText().indexOf(what));
    EXPECT_GE(at, 0) << what.toStdString();
    QTextCursor c(const_cast<QTextDocument*>(&b.document));
    c.setPosition(at + 1);
    return c.charFormat();
}

}  // namespace

TEST(FillLabelBlocks, TemplateCasesEndUpInTheBlocks)
{
    struct Case {
        const char* what;
        QByteArray templ;
        const char* filled;
    } cases[] = {
        {"plain", "Name: $name\\par", "Name: Сир"},
        {"split across formats", "$na{\\b me} and $we{\\i ight}\\par", "Сир and 1,23"},
        {"repeated: first only", "$weight / $weight\\par", "1,23 / $weight"},
        {"another case is not filled", "$Name $name\\par", "$Name Сир"},
        {"letters after stay", "$namex\\par", "Сирx"},
        {"line break inside", "$na\\line me\\par", "$na\nme"},
        {"empty value", "[$text3]\\par", "[]"},
        {"no placeholder", "\\'d6\\'b3\\'ed\\'e0 $ 100\\par", "Ціна $ 100"},
        {"value that looks like a number format", "$KG_Weight\\par", "1180,"},
        {"$netto before $numbox", "$numbox/$netto\\par", "8    /1,18"},
        {"in a list item", "\\pard{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}$name\\par", "Сир"},
        {"in a list item that starts at 3", "\\pard{\\*\\pn\\pnlvlbody\\pndec\\pnstart3{\\pntxta .}}$name\\par",
         "3.\tСир"},
        {"in table cells", "\\trowd\\cellx1000\\cellx2000\\pard\\intbl $weight\\cell {\\b $pri}ce\\cell\\row\\pard $netto\\par",
         "\n1,23\n12,50\n1,18"},
    };
    for (const auto& c : cases) {
        StationLabels st(false);
        st.write(QStringLiteral("Head_1.rtf"), rtf(c.templ));
        st.write(QStringLiteral("Body_1.rtf"), rtf("body\\par"));
        st.write(QStringLiteral("Button_1.rtf"), rtf("bottom $price\\par"));
        st.pages->makeCurrent(1);
        st.pages->FillLabelBlocks(st.pages->Elem, sampleValues(), 1);
        EXPECT_EQ(plain(st.pages->label(1).head), QString::fromUtf8(c.filled)) << c.what;
        EXPECT_EQ(plain(st.pages->label(1).body), QStringLiteral("body")) << c.what;
        EXPECT_EQ(plain(st.pages->label(1).bottom), QStringLiteral("bottom 12,50")) << c.what;
    }
}

TEST(FillLabelBlocks, AValueHoldingALaterPlaceholderIsFilledInTurn)
{
    StationLabels st(false);
    ReplParam v = sampleValues();
    v.name = QStringLiteral("Акція $price!");
    st.write(QStringLiteral("Head_2.rtf"), rtf("$name, $price\\par"));
    st.write(QStringLiteral("Body_2.rtf"), rtf("\\par"));
    st.write(QStringLiteral("Button_2.rtf"), rtf("\\par"));
    st.pages->makeCurrent(2);
    st.pages->FillLabelBlocks(st.pages->Elem, v, 2);
    EXPECT_EQ(plain(st.pages->label(2).head), QStringLiteral("Акція 12,50!, $price"));
    // Label 1's blocks are untouched.
    EXPECT_EQ(plain(st.pages->label(1).head), QString());
}

TEST(FillLabelBlocks, InsertedTextTakesTheFirstReplacedCharactersFormat)
{
    StationLabels st(false);
    writeTemplates(st, "{\\b $}name {\\i $wei}ght $pri{\\b ce}\\par", "\\par", "\\par");
    st.pages->FillLabelBlocks(st.pages->Elem, sampleValues(), 1);
    const TextBlock& head = st.pages->label(1).head;
    ASSERT_EQ(plain(head), QStringLiteral("Сир 1,23 12,50"));
    EXPECT_TRUE(formatAt(head, QStringLiteral("Сир")).font().bold());
    EXPECT_TRUE(formatAt(head, QStringLiteral("1,23")).font().italic());
    EXPECT_FALSE(formatAt(head, QStringLiteral("12,50")).font().bold());
    // The templates are unchanged.
    QTextDocument templ;
    tarvik::richtext::loadRichTextFile(templ, st.path(QStringLiteral("Head_1.rtf")));
    EXPECT_EQ(templ.toPlainText(), QStringLiteral("$name $weight $price"));
}

TEST(FillLabelBlocks, AMissingTemplateStopsAtItsBlock)
{
    StationLabels st(false);
    st.write(QStringLiteral("Head_1.rtf"), rtf("$name\\par"));
    st.write(QStringLiteral("Button_1.rtf"), rtf("$price\\par"));
    st.pages->makeCurrent(1);
    EXPECT_THROW(st.pages->FillLabelBlocks(st.pages->Elem, sampleValues(), 1), tarvik::Error);
    EXPECT_EQ(plain(st.pages->label(1).head), QStringLiteral("Сир"));
    EXPECT_EQ(plain(st.pages->label(1).bottom), QString());
}

TEST(LabelTemplates, LoadShowsTheTemplatesAgainAndStopsAtAMissingFile)
{
    StationLabels st;
    st.pages->LoadLabelTemplates();
    EXPECT_TRUE(plain(st.pages->label(1).head).contains(QStringLiteral("$name")));
    EXPECT_EQ(st.pages->label(1).barcode.picture.size(), QSize(101, 82));
    st.pages->makeCurrent(1);
    st.pages->FillLabelBlocks(st.pages->Elem, sampleValues(), 1);
    EXPECT_FALSE(plain(st.pages->label(1).head).contains(QStringLiteral("$name")));
    st.pages->LoadLabelTemplates();
    EXPECT_TRUE(plain(st.pages->label(1).head).contains(QStringLiteral("$name")));

    // Without Head_2.rtf: label 1's blocks and picture are loaded, label 2's stay.
    st.pages->FillLabelBlocks(st.pages->Elem, sampleValues(), 1);
    st.pages->label(2).head.document.setPlainText(QStringLiteral("before"));
    QFile::remove(st.path(QStringLiteral("Head_2.rtf")));
    EXPECT_THROW(st.pages->LoadLabelTemplates(), tarvik::Error);
    EXPECT_TRUE(plain(st.pages->label(1).head).contains(QStringLiteral("$name")));
    EXPECT_EQ(plain(st.pages->label(2).head), QStringLiteral("before"));
}

TEST(FillLabelBlocks, ATemplateTheEditorRewritesIsFilledAnew)
{
    StationLabels st(false);
    writeTemplates(st, "Old $name\\par", "\\par", "$price\\par");
    st.pages->FillLabelBlocks(st.pages->Elem, sampleValues(), 1);
    EXPECT_EQ(plain(st.pages->label(1).head), QStringLiteral("Old Сир"));

    // The field text editor saves the head (template and copy) as the layout editor names it.
    st.pages->Label1Active = true;
    st.pages->Elem.elementName = QStringLiteral("Head");
    ASSERT_TRUE(st.pages->prepareFieldEdit());
    QTextDocument edited;
    edited.setPlainText(QStringLiteral("New $name $weight"));
    st.pages->saveEditedBlock(edited);
    st.pages->FillLabelBlocks(st.pages->Elem, sampleValues(), 1);
    EXPECT_EQ(plain(st.pages->label(1).head), QStringLiteral("New Сир 1,23"));

    // Overwritten in place by another program, same size, at once.
    st.write(QStringLiteral("Button_1.rtf"), rtf("$netto\\par"));
    st.pages->FillLabelBlocks(st.pages->Elem, sampleValues(), 1);
    EXPECT_EQ(plain(st.pages->label(1).bottom), QStringLiteral("1,18"));
    EXPECT_EQ(plain(st.pages->label(1).head), QStringLiteral("New Сир 1,23"));

    // Removed: the block's fill fails naming the file, as a missing template always did.
    QFile::remove(st.path(QStringLiteral("Button_1.rtf")));
    try {
        st.pages->FillLabelBlocks(st.pages->Elem, sampleValues(), 1);
        ADD_FAILURE() << "no error";
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("Button_1.rtf"))) << e.text().toStdString();
    }
}

// The block is filled as one edit: its layout must stand as a fresh layout of
// the filled text would, and follow the block's later changes, also after a
// fill that failed at a later block.
TEST(FillLabelBlocks, AFilledBlockIsLaidOutAsItsTextAndFollowsLaterChanges)
{
    StationLabels st(false);
    writeTemplates(st, "$name\\line $weight\\line $price\\par", "body\\par", "$price\\par");
    TextBlock& head = st.pages->label(1).head;
    const double width = head.geometry.width();
    auto height = [](const QTextDocument& d) { return d.documentLayout()->documentSize().height(); };
    auto freshHeight = [&](const QTextDocument& d) {
        std::unique_ptr<QTextDocument> copy(d.clone());
        tarvik::printing::prepareTextLayout(*copy, width);
        return height(*copy);
    };

    for (int round = 0; round < 2; ++round) {
        st.pages->FillLabelBlocks(st.pages->Elem, sampleValues(), 1);
        ASSERT_EQ(plain(head), QStringLiteral("Сир\n1,23\n12,50"));
        EXPECT_GT(height(head.document), 0);
        EXPECT_EQ(height(head.document), freshHeight(head.document)) << round;
        EXPECT_FALSE(head.document.isUndoAvailable());
    }

    QFile::remove(st.path(QStringLiteral("Body_1.rtf")));
    EXPECT_THROW(st.pages->FillLabelBlocks(st.pages->Elem, sampleValues(), 1), tarvik::Error);
    const double filled = height(head.document);
    head.document.setPlainText(QStringLiteral("one\ntwo\nthree\nfour\nfive\nsix"));
    EXPECT_GT(height(head.document), filled);
    EXPECT_EQ(height(head.document), freshHeight(head.document));
    head.document.setPlainText(QStringLiteral("one"));
    EXPECT_LT(height(head.document), filled);
}

// A fill that would give the block it already holds leaves it as it is, laid
// out; any change that could give another block fills it again.
TEST(FillLabelBlocks, AnUnchangedFillKeepsTheBlockAndAnyChangeFillsItAgain)
{
    StationLabels st(false);
    writeTemplates(st, "$name\\par", "$weight kg\\par", "fixed\\par");
    // Written long ago, as a line's templates are: a file written within the
    // file system's clock tick is parsed again at every fill.
    auto settle = [&](const char* name, int secondsAgo) {
        QFile f(st.path(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo), QFileDevice::FileModificationTime));
    };
    for (const char* name : {"Head_1.rtf", "Body_1.rtf", "Button_1.rtf"})
        settle(name, 3600);
    TextBlock& head = st.pages->label(1).head;
    ReplParam v = sampleValues();

    struct Step {
        const char* what;
        std::function<void()> change;
        bool headFilledAgain;
        const char* head;
    } steps[] = {
        {"first fill", [] {}, true, "Сир"},
        {"same values", [] {}, false, "Сир"},
        {"a value the head does not hold", [&] { v.weight = QStringLiteral("2,50"); }, false, "Сир"},
        {"the head's value", [&] { v.name = QStringLiteral("Масло"); }, true, "Масло"},
        {"a name holding a placeholder", [&] { v.name = QStringLiteral("Масло $price"); }, true, "Масло 12,50"},
        {"the value put in through the name", [&] { v.price = QStringLiteral("13,00"); }, true, "Масло 13,00"},
        {"the block changed from outside", [&] { head.document.setPlainText(QStringLiteral("other")); }, true,
         "Масло 13,00"},
        {"the block's format changed from outside",
         [&] {
             QTextCursor c(&head.document);
             c.select(QTextCursor::Document);
             QTextCharFormat bold;
             bold.setFontWeight(QFont::Bold);
             c.mergeCharFormat(bold);
         },
         true, "Масло 13,00"},
        {"the template rewritten",
         [&] {
             st.write(QStringLiteral("Head_1.rtf"), rtf("New $name\\par"));
             settle("Head_1.rtf", 60);
         },
         true, "New Масло 13,00"},
    };
    for (const Step& s : steps) {
        s.change();
        const int before = head.document.revision();
        st.pages->FillLabelBlocks(st.pages->Elem, v, 1);
        EXPECT_EQ(head.document.revision() != before, s.headFilledAgain) << s.what;
        EXPECT_EQ(plain(head), QString::fromUtf8(s.head)) << s.what;
        EXPECT_FALSE(formatAt(head, QString::fromUtf8(s.head)).font().bold()) << s.what;
        EXPECT_EQ(plain(st.pages->label(1).body), v.weight + QStringLiteral(" kg")) << s.what;
    }
}
