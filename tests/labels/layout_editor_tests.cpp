// The layout editor's model: which element a press grabs, how a drag moves it
// and what the release stores, the editor label, and the files "Редагувати"
// names; over the fresh layout of a real station folder.

#include "labels/label_fixture.h"

#include "data/settings_files.h"
#include "platform/richtext/rich_text.h"
#include "platform/text/error.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tarvik::labels;
using namespace tarvik::labels::testing;

namespace {

// The fresh layout: head 160 x 40 at (32, 40), body 80 x 120 at (80, 80),
// bottom 200 x 40 at (40, 40), barcode 200 x 120 at (120, 120).
class LayoutEditorModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(st.path(QStringLiteral("St_Tick_1.ini")));
        QFile::remove(st.path(QStringLiteral("St_Tick_2.ini")));
        st.prepareLabels();
    }

    QStringList file(int label) const
    {
        QStringList lines;
        tarvik::data::LoadLayoutFile(st.path(QStringLiteral("St_Tick_%1.ini").arg(label)), lines);
        return lines;
    }

    StationLabels st;
};

}  // namespace

TEST_F(LayoutEditorModel, APressGrabsTheBarcodeOverTheBlocksAndTheLaterBlockOverTheEarlier)
{
    struct Case {
        QPoint press;
        int mode;
        LayoutElement element;
        const char* lastPressed;  // the element name after the press
    } cases[] = {
        {{35, 60}, 1, LayoutElement::Head, "Head"},      // head alone
        {{50, 60}, 1, LayoutElement::Button, "Button"},  // head and bottom: the later
        {{100, 100}, 1, LayoutElement::Body, "Body"},
        {{130, 150}, 2, LayoutElement::Barcode, "Body"},  // the barcode over the body
        {{150, 230}, 2, LayoutElement::Barcode, ""},      // the barcode alone
        {{32, 60}, 0, LayoutElement::None, ""},           // the head's left edge line
        {{100, 80}, 0, LayoutElement::None, ""},          // the head's bottom and the body's top edge
        {{160, 100}, 0, LayoutElement::None, ""},         // the body's right edge
        {{10, 10}, 0, LayoutElement::None, ""},           // the band only
    };
    for (const Case& c : cases) {
        st.pages->Elem.elementName.clear();
        st.pages->Drag = {};
        EXPECT_EQ(st.pages->GrabBlock(c.press), c.mode != 0) << c.press.x() << "," << c.press.y();
        EXPECT_EQ(st.pages->Drag.mode, c.mode) << c.press.x() << "," << c.press.y();
        EXPECT_EQ(st.pages->Drag.element, c.element) << c.press.x() << "," << c.press.y();
        EXPECT_EQ(st.pages->Elem.elementName, QString::fromLatin1(c.lastPressed)) << c.press.x() << "," << c.press.y();
        if (c.mode != 0) {
            EXPECT_EQ(st.pages->Drag.start, c.press);
        }
    }
    // A press elsewhere keeps the last pressed block.
    st.pages->Drag = {};
    st.pages->GrabBlock({100, 100});
    st.pages->MouseUp();
    st.pages->GrabBlock({150, 230});
    EXPECT_EQ(st.pages->Elem.elementName, QStringLiteral("Body"));
}

TEST_F(LayoutEditorModel, ADragFollowsThePointerAndTheReleaseStoresTruncatedMillimetres)
{
    struct Case {
        QPoint to;         // from a press at (35, 60) on the head
        QPoint position;   // the head's left and top after the drag
        const char* left;  // lines 4 and 5 stored
        const char* top;
    } cases[] = {
        {{45, 66}, {42, 46}, "10", "11"},
        {{-6, 60}, {-9, 40}, "-2", "10"},              // 9 px past the band's left edge
        {{0, 60}, {-3, 40}, "0", "10"},                // 3 px past it
        {{35, 60}, {32, 40}, "8", "10"},               // back where it was
        {{-500, -700}, {-503, -720}, "-125", "-180"},  // no limits
    };
    for (const Case& c : cases) {
        SetUp();  // the fresh layout again
        ASSERT_TRUE(st.pages->GrabBlock({35, 60}));
        QSignalSpy repaints(st.pages.get(), &LabelPages::pageChanged);
        // Every pixel of the way is followed.
        st.pages->MouseMove(1, {36, 60});
        EXPECT_EQ(st.pages->label(1).head.geometry.topLeft(), QPoint(33, 40));
        st.pages->MouseMove(1, c.to);
        EXPECT_EQ(st.pages->label(1).head.geometry, QRect(c.position, QSize(160, 40)));
        EXPECT_EQ(repaints.count(), 2);
        ASSERT_TRUE(st.pages->MouseUp());
        EXPECT_EQ(st.pages->Drag.mode, 0);
        const QStringList lines = file(1);
        EXPECT_EQ(lines.value(4), QStringLiteral("Х заголовка=") + QString::fromLatin1(c.left));
        EXPECT_EQ(lines.value(5), QStringLiteral("Y заголовка=") + QString::fromLatin1(c.top));
        EXPECT_EQ(lines.mid(6), tarvik::data::freshLayoutLines(1).mid(6));
        EXPECT_EQ(st.pages->ValueList, lines);
        // The preview keeps its pixels until the list is applied again.
        EXPECT_EQ(st.pages->label(1).head.geometry.topLeft(), c.position);
    }
}

TEST_F(LayoutEditorModel, AMoveWithoutAGrabMovesNothingAndAReleaseWithoutOneStoresNothing)
{
    const QRect head = st.pages->label(1).head.geometry;
    const QRect barcode = st.pages->label(1).barcode.geometry;
    QFile::remove(st.path(QStringLiteral("St_Tick_1.ini")));
    st.pages->MouseMove(1, {100, 100});
    EXPECT_FALSE(st.pages->MouseUp());
    EXPECT_FALSE(QFileInfo::exists(st.path(QStringLiteral("St_Tick_1.ini"))));
    EXPECT_EQ(st.pages->label(1).head.geometry, head);
    EXPECT_EQ(st.pages->label(1).barcode.geometry, barcode);
}

TEST_F(LayoutEditorModel, EachChangeOfTheEditorLabelReloadsTheListFromItsFile)
{
    QStringList two = tarvik::data::freshLayoutLines(2);
    two[0] = QStringLiteral("Ширина етикетки=77");
    tarvik::data::SaveLayoutFile(st.path(QStringLiteral("St_Tick_2.ini")), two);
    QSignalSpy reloads(st.pages.get(), &LabelPages::valueListChanged);
    QSignalSpy repaints(st.pages.get(), &LabelPages::pageChanged);

    st.pages->ValueList[0] = QStringLiteral("Ширина етикетки=60");  // typed, not entered
    st.pages->MouseMove(1, {5, 5});                                 // still label 1: nothing reloaded
    EXPECT_EQ(reloads.count(), 0);
    st.pages->MouseMove(2, {5, 5});
    EXPECT_TRUE(st.pages->Label2Active);
    EXPECT_FALSE(st.pages->Label1Active);
    EXPECT_EQ(st.pages->editorLabel(), 2);
    EXPECT_EQ(st.pages->currentLabel(), 2);
    EXPECT_EQ(st.pages->ValueList, two);
    st.pages->MouseMove(2, {6, 6});
    EXPECT_EQ(reloads.count(), 1);
    st.pages->MouseMove(1, {5, 5});
    EXPECT_EQ(st.pages->ValueList, tarvik::data::freshLayoutLines(1));  // the typed 60 is gone
    EXPECT_EQ(reloads.count(), 2);
    // The previews are not re-applied: label 2 still shows 50 mm.
    EXPECT_EQ(repaints.count(), 0);
    EXPECT_EQ(st.pages->label(2).page.width, 200);

    // A label whose file went missing gets its own fresh lines, written as its file.
    QFile::remove(st.path(QStringLiteral("St_Tick_2.ini")));
    st.pages->MouseMove(2, {5, 5});
    EXPECT_EQ(st.pages->ValueList, tarvik::data::freshLayoutLines(2));
    EXPECT_EQ(file(2), tarvik::data::freshLayoutLines(2));
}

TEST_F(LayoutEditorModel, AnUnreadableLayoutFileIsReportedOnceNotAtEveryMove)
{
    st.write(QStringLiteral("St_Tick_2.ini"), "[count]\r\ncount=many\r\n");
    EXPECT_THROW(st.pages->MouseMove(2, {5, 5}), tarvik::Error);
    EXPECT_NO_THROW(st.pages->MouseMove(2, {6, 5}));
    EXPECT_EQ(st.pages->editorLabel(), 2);
    EXPECT_EQ(st.pages->ValueList, tarvik::data::freshLayoutLines(2));
}

TEST_F(LayoutEditorModel, ABadValueIsRefusedBeforeAnythingIsSavedOrApplied)
{
    const QByteArray before = [&] {
        QFile f(st.path(QStringLiteral("St_Tick_1.ini")));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    auto unchanged = [&] {
        QFile f(st.path(QStringLiteral("St_Tick_1.ini")));
        f.open(QIODevice::ReadOnly);
        return f.readAll() == before;
    };
    const int width = st.pages->label(1).page.width;

    st.pages->ValueList[0] = QStringLiteral("Ширина етикетки=70");  // good, but the list is refused whole
    st.pages->ValueList[7] = QStringLiteral("Висота тіла=0");
    EXPECT_THROW(st.pages->ValueListEnter(), tarvik::Error);
    EXPECT_TRUE(unchanged());
    EXPECT_EQ(st.pages->label(1).page.width, width);

    // A drag's release does not save it either; the element stays where it was dragged.
    ASSERT_TRUE(st.pages->GrabBlock({35, 60}));
    st.pages->MouseMove(1, {45, 66});
    EXPECT_THROW(st.pages->MouseUp(), tarvik::Error);
    EXPECT_EQ(st.pages->Drag.mode, 0);
    EXPECT_TRUE(unchanged());
    EXPECT_EQ(st.pages->label(1).head.geometry.topLeft(), QPoint(42, 46));

    st.pages->ValueList[7] = QStringLiteral("Висота тіла=31");
    st.pages->ValueListEnter();
    EXPECT_EQ(file(1).value(7), QStringLiteral("Висота тіла=31"));
    EXPECT_EQ(file(1).value(4), QStringLiteral("Х заголовка=10"));  // read back at the release
    EXPECT_EQ(st.pages->label(1).page.width, 280);
    EXPECT_EQ(st.pages->label(1).head.geometry.topLeft(), QPoint(40, 44));  // applied: whole millimetres
}

TEST_F(LayoutEditorModel, EditNamesTheLastPressedBlockOfTheEditorLabel)
{
    EXPECT_FALSE(st.pages->prepareFieldEdit());
    EXPECT_TRUE(st.pages->Elem.editedFile.isEmpty());
    struct Case {
        int label;
        QPoint press;
        const char* edited;
        const char* copy;
    } cases[] = {
        {1, {35, 60}, "Head_1.rtf", "Head_1_1.rtf"},
        {1, {130, 150}, "Body_1.rtf", "Body_1_1.rtf"},  // under the barcode
        {2, {50, 60}, "Button_2.rtf", "Button_2_1.rtf"},
    };
    for (const Case& c : cases) {
        st.pages->MouseMove(c.label, c.press);
        st.pages->GrabBlock(c.press);
        st.pages->MouseUp();
        st.pages->makeCurrent(c.label == 1 ? 2 : 1);  // a print of the other label in between
        ASSERT_TRUE(st.pages->prepareFieldEdit());
        EXPECT_EQ(st.pages->currentLabel(), c.label);
        EXPECT_EQ(st.pages->Elem.editedFile, st.path(QString::fromLatin1(c.edited)));
        EXPECT_EQ(st.pages->Elem.copyFile, st.path(QString::fromLatin1(c.copy)));
    }
    // The block is not forgotten when the label changes: label 1's bottom now.
    st.pages->MouseMove(1, {0, 0});
    ASSERT_TRUE(st.pages->prepareFieldEdit());
    EXPECT_EQ(st.pages->Elem.editedFile, st.path(QStringLiteral("Button_1.rtf")));
}

TEST_F(LayoutEditorModel, SavingTheEditedBlockWritesBothFilesAndReloadsTheBlock)
{
    st.pages->MouseMove(2, {0, 0});
    st.pages->GrabBlock({35, 60});
    st.pages->MouseUp();
    ASSERT_TRUE(st.pages->prepareFieldEdit());
    QTextDocument text;
    text.setPlainText(QStringLiteral("Коробка $numbox"));
    QSignalSpy repaints(st.pages.get(), &LabelPages::pageChanged);
    st.pages->saveEditedBlock(text);
    for (const char* name : {"Head_2.rtf", "Head_2_1.rtf"}) {
        QTextDocument back;
        tarvik::richtext::loadRichTextFile(back, st.path(QString::fromLatin1(name)));
        EXPECT_EQ(back.toPlainText(), QStringLiteral("Коробка $numbox")) << name;
    }
    EXPECT_EQ(st.pages->label(2).head.document.toPlainText(), QStringLiteral("Коробка $numbox"));
    EXPECT_NE(st.pages->label(1).head.document.toPlainText(), QStringLiteral("Коробка $numbox"));
    ASSERT_EQ(repaints.count(), 1);
    EXPECT_EQ(repaints.at(0).at(0).toInt(), 2);
}

TEST_F(LayoutEditorModel, ATextThatCannotBeWrittenLeavesTheFilesAsTheyWere)
{
    st.pages->MouseMove(1, {0, 0});
    st.pages->GrabBlock({35, 60});
    st.pages->MouseUp();
    ASSERT_TRUE(st.pages->prepareFieldEdit());
    auto read = [&](const char* name) {
        QFile f(st.path(QString::fromLatin1(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    };
    const QByteArray head = read("Head_1.rtf");
    const QString shown = st.pages->label(1).head.document.toPlainText();

    // A character Windows-1251 cannot hold: refused before anything is written.
    QTextDocument text;
    text.setPlainText(QStringLiteral("Сир Ω"));
    try {
        st.pages->saveEditedBlock(text);
        ADD_FAILURE() << "saved";
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("\"Ω\""))) << e.text().toStdString();
    }
    EXPECT_EQ(read("Head_1.rtf"), head);
    EXPECT_EQ(read("Head_1_1.rtf"), QByteArray("(none)"));
    EXPECT_EQ(st.pages->label(1).head.document.toPlainText(), shown);

    // A copy that cannot be written: the template is written and shown, the
    // error says the copy was not.
    QDir().mkpath(st.path(QStringLiteral("Head_1_1.rtf")));
    text.setPlainText(QStringLiteral("Сир"));
    try {
        st.pages->saveEditedBlock(text);
        ADD_FAILURE() << "saved";
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Шаблон сохранён в"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("копия не сохранена"))) << e.text().toStdString();
    }
    EXPECT_NE(read("Head_1.rtf"), head);
    EXPECT_EQ(st.pages->label(1).head.document.toPlainText(), QStringLiteral("Сир"));

    // A template that cannot be written: nothing changes.
    const QByteArray written = read("Head_1.rtf");
    st.pages->Elem.editedFile = st.path(QStringLiteral("no-such-folder/Head_1.rtf"));
    text.setPlainText(QStringLiteral("Масло"));
    try {
        st.pages->saveEditedBlock(text);
        ADD_FAILURE() << "saved";
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Шаблон не сохранён, прежний файл не изменён.")))
            << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("no-such-folder"))) << e.text().toStdString();
    }
    EXPECT_EQ(read("Head_1.rtf"), written);
    EXPECT_EQ(st.pages->label(1).head.document.toPlainText(), QStringLiteral("Сир"));
}
