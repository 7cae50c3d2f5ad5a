// The layout editor on the tab "Етикетки": presses, moves and releases sent
// to Image1 and Image2 as the window system sends them, the value list, the
// popup "Редагувати" and the field text editor it opens; and a drag seen on
// the next label the station prints.

#include "labels/label_fixture.h"

#include "data/datasets.h"
#include "data/settings_files.h"
#include "dialogs/field_editor.h"
#include "dialogs/label_actions.h"
#include "dialogs/labels_tab.h"
#include "dialogs/settings_dialog.h"
#include "model/station_model.h"
#include "platform/preview/page_preview.h"
#include "platform/richtext/rich_text.h"
#include "platform/text/codec.h"
#include "platform/ui/responders.h"
#include "station/main_window.h"
#include "station/station.h"
#include "station/windows.h"
#include "dialogs/station_fixture.h"
#include "support/station_folder.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

using namespace tarvik::labels;
using namespace tarvik::labels::testing;
using tarvik::dialogs::LabelActions;
using tarvik::dialogs::LabelsTab;
using tarvik::printing::PageView;

namespace {

// Mouse events as the window system delivers them to a widget: the buttons
// held travel with every move.
class Mouse {
public:
    void move(QWidget* w, QPoint p) { send(w, QEvent::MouseMove, p, Qt::NoButton); }
    void press(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton)
    {
        held_ |= b;
        send(w, QEvent::MouseButtonPress, p, b);
    }
    void release(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton)
    {
        held_ &= ~Qt::MouseButtons(b);
        send(w, QEvent::MouseButtonRelease, p, b);
    }
    // Onto the surface, press, follow the way pixel by pixel, release.
    void drag(QWidget* w, QPoint from, QPoint to, Qt::MouseButton b = Qt::LeftButton)
    {
        move(w, from);
        press(w, from, b);
        QPoint at = from;
        while (at != to) {
            at += QPoint(at.x() < to.x()   ? 1
                         : at.x() > to.x() ? -1
                                           : 0,
                         at.y() < to.y()   ? 1
                         : at.y() > to.y() ? -1
                                           : 0);
            move(w, at);
        }
        release(w, to, b);
    }

private:
    void send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton b)
    {
        QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), b, held_, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    Qt::MouseButtons held_;
};

QByteArray bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList layoutFile(const QString& path)
{
    QStringList lines;
    tarvik::data::LoadLayoutFile(path, lines);
    return lines;
}

// The fresh layout on both labels: head 160 x 40 at (32, 40), body 80 x 120 at
// (80, 80), bottom 200 x 40 at (40, 40), barcode 200 x 120 at (120, 120).
class LayoutEditorTab : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(st.path(QStringLiteral("St_Tick_1.ini")));
        QFile::remove(st.path(QStringLiteral("St_Tick_2.ini")));
        st.prepareLabels();
        tab = std::make_unique<LabelsTab>(*st.pages, actions);
        editor = std::make_unique<TForm1>(*st.pages);
        tab->setFieldEditor(editor.get());
        tab->resize(908, 560);
        tab->show();
    }

    PageView* image(int label) const
    {
        return tab->findChild<PageView*>(label == 1 ? QStringLiteral("Image1") : QStringLiteral("Image2"));
    }
    QTableWidget* list() const { return tab->findChild<QTableWidget*>(QStringLiteral("ValueList")); }
    QRectF shown(int label, int element) const
    {
        const auto& p = image(label)->page();
        return element < 3 ? p.texts.at(std::size_t(element)).geometry : p.pictures.at(0).geometry;
    }
    QString file(int label) const { return st.path(QStringLiteral("St_Tick_%1.ini").arg(label)); }
    // Types a value into the list's second column, without Enter.
    void type(int row, const QString& value) { list()->item(row, 1)->setText(value); }
    void enter() { QTest::keyClick(list(), Qt::Key_Return); }
    QStringList messages()
    {
        QStringList out;
        for (const auto& m : prompts->messages())
            out << m.text;
        return out;
    }

    StationLabels st;
    tarvik::ui::ScopedScriptedResponder prompts;
    LabelActions actions{*st.pages};
    std::unique_ptr<LabelsTab> tab;
    std::unique_ptr<TForm1> editor;
    Mouse mouse;
};

enum { Head, Body, Bottom, Barcode };

}  // namespace

TEST_F(LayoutEditorTab, TheHeadDraggedTenRightAndSixDownStoresTenAndEleven)
{
    PageView* surface = image(1);
    mouse.move(surface, {35, 60});
    mouse.press(surface, {35, 60});
    EXPECT_EQ(surface->cursor().shape(), Qt::SizeAllCursor);
    mouse.move(surface, {40, 63});
    EXPECT_EQ(shown(1, Head), QRectF(37, 43, 160, 40));  // followed on the way
    mouse.move(surface, {45, 66});
    mouse.release(surface, {45, 66});
    EXPECT_EQ(shown(1, Head), QRectF(42, 46, 160, 40));
    EXPECT_EQ(surface->cursor().shape(), Qt::ArrowCursor);
    const QStringList lines = layoutFile(file(1));
    EXPECT_EQ(lines.value(4), QStringLiteral("Х заголовка=10"));
    EXPECT_EQ(lines.value(5), QStringLiteral("Y заголовка=11"));
    EXPECT_EQ(list()->item(4, 1)->text(), QStringLiteral("10"));
    EXPECT_EQ(list()->item(5, 1)->text(), QStringLiteral("11"));
    EXPECT_EQ(layoutFile(file(2)), tarvik::data::freshLayoutLines(2));
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'\n').toStdString();
}

TEST_F(LayoutEditorTab, PastTheBandsEdgeTheStoredMillimetresTruncateTowardZero)
{
    struct Case {
        int element;
        QPoint from, to;
        int leftLine;
        const char* left;
        QPointF at;
    } cases[] = {
        {Head, {35, 60}, {-6, 60}, 4, "-2", {-9, 40}},  // 9 px past the left edge
        {Head, {35, 60}, {0, 60}, 4, "0", {-3, 40}},    // 3 px past it
        {Body, {100, 100}, {11, 100}, 8, "-2", {-9, 80}},
        {Barcode, {150, 230}, {21, 230}, 16, "-2", {-9, 120}},
    };
    for (const Case& c : cases) {
        SetUp();
        mouse.drag(image(1), c.from, c.to);
        EXPECT_EQ(shown(1, c.element).topLeft(), c.at) << c.left;
        EXPECT_EQ(layoutFile(file(1)).value(c.leftLine).section(u'=', 1), QString::fromLatin1(c.left));
    }
}

TEST_F(LayoutEditorTab, APressOnAnEdgeLineGrabsNothing)
{
    const QPoint edges[] = {{32, 60}, {35, 40}, {100, 80}, {160, 100}, {100, 200}, {120, 210}};
    QFile::remove(file(1));
    for (QPoint p : edges) {
        const auto before = image(1)->page().texts;
        mouse.drag(image(1), p, p + QPoint(15, 15));
        for (int e : {Head, Body, Bottom})
            EXPECT_EQ(shown(1, e), before.at(std::size_t(e)).geometry) << p.x() << "," << p.y();
        EXPECT_EQ(shown(1, Barcode), QRectF(120, 120, 200, 120));
        EXPECT_EQ(image(1)->cursor().shape(), Qt::ArrowCursor);
    }
    EXPECT_FALSE(QFileInfo::exists(file(1)));  // no release stored anything
    EXPECT_TRUE(st.pages->Elem.elementName.isEmpty());
}

TEST_F(LayoutEditorTab, WhereTheBarcodeCoversTheBodyTheBarcodeMovesAndEditOpensTheBody)
{
    mouse.drag(image(1), {130, 150}, {140, 160});
    EXPECT_EQ(shown(1, Barcode), QRectF(130, 130, 200, 120));
    EXPECT_EQ(shown(1, Body), QRectF(80, 80, 80, 120));
    EXPECT_EQ(layoutFile(file(1)).value(16), QStringLiteral("X штрихкоду=32"));

    QString opened;
    prompts->onDialog = [&](QDialog& d) {
        opened = d.findChild<QTextEdit*>(QStringLiteral("RichEdit1"))->toPlainText();
        return 0;
    };
    tab->findChild<QAction*>(QStringLiteral("N1"))->trigger();
    QTextDocument body;
    tarvik::richtext::loadRichTextFile(body, st.path(QStringLiteral("Body_1.rtf")));
    EXPECT_EQ(opened, body.toPlainText());
    EXPECT_FALSE(opened.isEmpty());
    EXPECT_EQ(st.pages->Elem.editedFile, st.path(QStringLiteral("Body_1.rtf")));
    EXPECT_EQ(st.pages->Elem.copyFile, st.path(QStringLiteral("Body_1_1.rtf")));
}

TEST_F(LayoutEditorTab, ARightButtonGrabStoresTheUnchangedPositionsAndOpensTheMenu)
{
    QFile::remove(file(1));
    auto* menu = tab->findChild<QMenu*>(QStringLiteral("PopupMenu1"));
    ASSERT_NE(menu, nullptr);
    mouse.move(image(1), {35, 60});
    mouse.press(image(1), {35, 60}, Qt::RightButton);
    EXPECT_EQ(image(1)->cursor().shape(), Qt::SizeAllCursor);
    QContextMenuEvent request(QContextMenuEvent::Mouse, {35, 60}, image(1)->mapToGlobal(QPoint(35, 60)));
    QApplication::sendEvent(image(1), &request);
    EXPECT_FALSE(menu->isVisible());  // not while the button is down
    mouse.release(image(1), {35, 60}, Qt::RightButton);
    EXPECT_EQ(layoutFile(file(1)), tarvik::data::freshLayoutLines(1));
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().at(0)->text(), QStringLiteral("Редагувати"));
    menu->hide();

    // The menu key opens it too, and "Редагувати" opens the head pressed with the right button.
    QContextMenuEvent key(QContextMenuEvent::Keyboard, {10, 10}, image(2)->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(image(2), &key);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    prompts->onDialog = [](QDialog&) { return 0; };
    tab->findChild<QAction*>(QStringLiteral("N1"))->trigger();
    EXPECT_EQ(st.pages->Elem.editedFile, st.path(QStringLiteral("Head_1.rtf")));
}

TEST_F(LayoutEditorTab, ATypedValueIsSavedByADragButNotApplied)
{
    type(0, QStringLiteral("70"));
    mouse.drag(image(1), {35, 60}, {45, 66});
    const QStringList lines = layoutFile(file(1));
    EXPECT_EQ(lines.value(0), QStringLiteral("Ширина етикетки=70"));
    EXPECT_EQ(lines.value(4), QStringLiteral("Х заголовка=10"));
    EXPECT_EQ(image(1)->page().size, QSizeF(200, 320));
    EXPECT_EQ(list()->item(0, 1)->text(), QStringLiteral("70"));
}

TEST_F(LayoutEditorTab, ATypedValueIsLostWhenThePointerMovesOntoTheOtherLabel)
{
    QStringList two = tarvik::data::freshLayoutLines(2);
    two[0] = QStringLiteral("Ширина етикетки=44");
    tarvik::data::SaveLayoutFile(file(2), two);
    const QByteArray one = bytes(file(1));

    mouse.move(image(1), {5, 5});
    type(0, QStringLiteral("70"));
    mouse.move(image(2), {5, 5});
    EXPECT_EQ(list()->item(0, 1)->text(), QStringLiteral("44"));
    mouse.move(image(1), {5, 5});
    EXPECT_EQ(list()->item(0, 1)->text(), QStringLiteral("50"));
    EXPECT_EQ(bytes(file(1)), one);
    // Neither preview was laid out again.
    EXPECT_EQ(image(1)->page().size.width(), 200);
    EXPECT_EQ(image(2)->page().size.width(), 200);
}

TEST_F(LayoutEditorTab, AfterABoxLabelWasPrintedEnterSavesLabelOnesFile)
{
    st.openCatalogue();
    st.pages->loadPicture(2, QStringLiteral("Barcod_2.bmp"));
    st.pages->PrepareLabel(2);
    ASSERT_EQ(st.pdfs().size(), 1);
    ASSERT_EQ(st.pages->currentLabel(), 2);
    const QByteArray two = bytes(file(2));

    type(1, QStringLiteral("70"));
    enter();
    EXPECT_EQ(layoutFile(file(1)).value(1), QStringLiteral("Висота етикетки=70"));
    EXPECT_EQ(bytes(file(2)), two);
    // A new height sizes both the page and its band.
    EXPECT_EQ(image(1)->page().size, QSizeF(200, 280));
    EXPECT_EQ(image(1)->page().bandHeight, 280);
    EXPECT_EQ(image(2)->page().size, QSizeF(200, 320));
    EXPECT_EQ(image(2)->page().bandHeight, 320);
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'\n').toStdString();
}

TEST_F(LayoutEditorTab, LabelTwoIsEditedEndToEnd)
{
    const QByteArray one = bytes(file(1));
    mouse.move(image(2), {1, 1});
    EXPECT_EQ(st.pages->editorLabel(), 2);
    mouse.drag(image(2), {150, 230}, {130, 220});  // the barcode
    EXPECT_EQ(shown(2, Barcode), QRectF(100, 110, 200, 120));
    EXPECT_EQ(shown(1, Barcode), QRectF(120, 120, 200, 120));
    type(0, QStringLiteral("60"));
    type(1, QStringLiteral("45"));
    type(15, QStringLiteral("20"));
    enter();
    const QStringList lines = layoutFile(file(2));
    EXPECT_EQ(lines.value(16), QStringLiteral("X штрихкоду=25"));
    EXPECT_EQ(lines.value(17), QStringLiteral("Y штрихкоду=27"));
    EXPECT_EQ(lines.value(0), QStringLiteral("Ширина етикетки=60"));
    EXPECT_EQ(image(2)->page().size, QSizeF(240, 180));
    EXPECT_EQ(image(2)->page().bandHeight, 180);
    EXPECT_EQ(shown(2, Barcode), QRectF(100, 108, 200, 80));  // whole millimetres once applied
    EXPECT_EQ(bytes(file(1)), one);
    EXPECT_EQ(image(1)->page().size, QSizeF(200, 320));

    // "Редагувати" on label 2's bottom block opens Button_2.rtf; closing writes it back.
    mouse.drag(image(2), {50, 60}, {50, 60});
    QString opened;
    prompts->onDialog = [&](QDialog& d) {
        opened = d.findChild<QTextEdit*>(QStringLiteral("RichEdit1"))->toPlainText();
        return 0;
    };
    tab->findChild<QAction*>(QStringLiteral("N1"))->trigger();
    EXPECT_TRUE(opened.contains(QStringLiteral("$"))) << opened.toStdString();
    EXPECT_TRUE(QFileInfo::exists(st.path(QStringLiteral("Button_2_1.rtf"))));
    EXPECT_FALSE(QFileInfo::exists(st.path(QStringLiteral("Button_1_1.rtf"))));
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'\n').toStdString();
}

TEST_F(LayoutEditorTab, ABadValueIsRefusedNamingItsLineAndNothingChanges)
{
    const struct {
        int row;
        const char* value;
        const char* message;
    } cases[] = {
        {2, "abc", "Рядок 3 \"Ширина заголовка\": значення \"abc\" не є цілим числом міліметрів"},
        {1, "0", "Рядок 2 \"Висота етикетки\": розмір має бути більшим за 0, а не 0"},
        {14, "-10", "Рядок 15 \"Ширина штрихкоду\": розмір має бути більшим за 0, а не -10"},
        {7, "1.5", "Рядок 8 \"Висота тіла\": значення \"1.5\" не є цілим числом міліметрів"},
    };
    const QByteArray before = bytes(file(1));
    for (const auto& c : cases) {
        prompts->seen.clear();
        type(c.row, QString::fromLatin1(c.value));
        enter();
        EXPECT_EQ(messages(), QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(bytes(file(1)), before) << c.value;
        EXPECT_EQ(image(1)->page().size, QSizeF(200, 320));
        EXPECT_EQ(shown(1, Head), QRectF(32, 40, 160, 40));
        EXPECT_EQ(shown(1, Barcode), QRectF(120, 120, 200, 120));
        // Nor does a drag save it.
        prompts->seen.clear();
        mouse.drag(image(1), {35, 60}, {36, 60});
        EXPECT_EQ(messages(), QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(bytes(file(1)), before);
        EXPECT_EQ(image(1)->cursor().shape(), Qt::ArrowCursor);
        mouse.drag(image(1), {36, 60}, {35, 60});
        type(c.row, tarvik::data::freshLayoutLines(1)[c.row].section(u'=', 1));
    }
}

TEST_F(LayoutEditorTab, EditBeforeAnyBlockWasPressedSaysWhatToPressAndOpensNothing)
{
    mouse.drag(image(1), {150, 230}, {150, 230});  // the barcode is no text block
    int opened = 0;
    prompts->onDialog = [&](QDialog&) { return ++opened, 0; };
    tab->findChild<QAction*>(QStringLiteral("N1"))->trigger();
    EXPECT_EQ(opened, 0);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(prompts->messages()[0].caption, QStringLiteral("Редагувати"));
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("текстовий блок"))) << messages()[0].toStdString();
    EXPECT_TRUE(st.pages->Elem.editedFile.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(st.path(QStringLiteral("_1.rtf"))));
}

TEST_F(LayoutEditorTab, AnEditedFileThatDoesNotExistOpensEmptyAndIsCreatedWhenTheEditorCloses)
{
    QFile::remove(st.path(QStringLiteral("Head_2.rtf")));
    mouse.drag(image(2), {35, 60}, {35, 60});
    QString opened = QStringLiteral("(not opened)");
    prompts->onDialog = [&](QDialog& d) {
        auto* edit = d.findChild<QTextEdit*>(QStringLiteral("RichEdit1"));
        opened = edit->toPlainText();
        edit->setPlainText(QStringLiteral("Нова коробка"));
        return 0;
    };
    tab->findChild<QAction*>(QStringLiteral("N1"))->trigger();
    EXPECT_EQ(opened, QString());
    for (const char* name : {"Head_2.rtf", "Head_2_1.rtf"}) {
        QTextDocument back;
        tarvik::richtext::loadRichTextFile(back, st.path(QString::fromLatin1(name)));
        EXPECT_EQ(back.toPlainText(), QStringLiteral("Нова коробка")) << name;
    }
    EXPECT_EQ(st.pages->label(2).head.document.toPlainText(), QStringLiteral("Нова коробка"));
    EXPECT_EQ(image(2)->page().texts.at(0).document, &st.pages->label(2).head.document);
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'\n').toStdString();
}

namespace {

// One word of pdftotext -bbox: its box in points.
struct Word {
    QString text;
    QRectF box;
};

std::vector<Word> pdfWords(const QString& pdf)
{
    const QString html =
        QString::fromUtf8(run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}));
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    std::vector<Word> out;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        out.push_back({m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                             QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    }
    return out;
}

QRectF wordBox(const std::vector<Word>& words, const QString& text)
{
    for (const Word& w : words)
        if (w.text == text)
            return w.box;
    return {};
}

}  // namespace

TEST(LayoutEditorStation, TheNextLabelAfterADragPrintsTheElementAtItsNewPlace)
{
    tarvik::testing::StationFolder folder;
    folder.scriptScale({QStringLiteral("1.000;S;"), QStringLiteral("0.000;S;"), QStringLiteral("1.000;S;")});
    tarvik::ui::ScopedScriptedResponder prompts;
    const auto station = tarvik::dialogs::testing::stationWithOneProduct(folder);
    const QString pdfFolder = folder.path(QStringLiteral("PDF/"));
    auto labels = [&] { return QDir(pdfFolder).entryList({QStringLiteral("*-label1.pdf")}, QDir::Files, QDir::Name); };

    frMain->TimerTimer();
    ASSERT_EQ(labels().size(), 1);
    const QRectF before = wordBox(pdfWords(pdfFolder + labels().at(0)), QStringLiteral("Бринза"));
    ASSERT_FALSE(before.isNull());

    // On the settings dialog's tab: the head block (8, 8, 216 x 36 px) 12 px right, 40 down.
    prompts->onDialog = [&](QDialog&) {
        auto* surface = frSetting->findChild<PageView*>(QStringLiteral("Image1"));
        Mouse mouse;
        mouse.drag(surface, {20, 20}, {32, 60});
        frSetting->bOk->click();
        return frSetting->result();
    };
    frMain->N4Click();
    EXPECT_EQ(layoutFile(folder.path(QStringLiteral("St_Tick_1.ini"))).value(4), QStringLiteral("Х заголовка=5"));

    frMain->TimerTimer();
    frMain->TimerTimer();
    ASSERT_EQ(labels().size(), 2);
    const QRectF after = wordBox(pdfWords(pdfFolder + labels().at(1)), QStringLiteral("Бринза"));
    ASSERT_FALSE(after.isNull());
    // 4 page pixels print as 3 points.
    EXPECT_NEAR(after.left() - before.left(), 12 * 0.75, 0.2);
    EXPECT_NEAR(after.top() - before.top(), 40 * 0.75, 0.2);
    QStringList errors;
    for (const auto& m : prompts->messages())
        errors << m.text;
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}
