// TForm1 offscreen over a real station folder: opened from "Редагувати" on a
// pressed block, driven through its toolbar, menu shortcuts and its dialogs
// (answered through the prompt layer), and closed, writing the template.

#include "dialogs/field_editor_fixture.h"

#include "dialogs/field_dialogs.h"
#include "dialogs/settings_dialog.h"
#include "model/station_model.h"
#include "platform/text/codec.h"
#include "station/main_window.h"
#include "station/station.h"
#include "station/windows.h"
#include "dialogs/station_fixture.h"
#include "support/station_folder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextList>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>

using namespace tarvik::dialogs::testing;
using FieldEditor = FieldEditorFixture;

TEST_F(FieldEditor, TheWindowHasItsToolbarEditBoxStatusBarAndHiddenMenu)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Редактор поля"));
    EXPECT_EQ(form.size(), QSize(389, 259));
    auto* bar = child<QToolBar>("ToolBar1");
    QStringList order;
    for (QAction* a : bar->actions())
        order << (a->isSeparator() ? QStringLiteral("|") : bar->widgetForAction(a)->objectName());
    EXPECT_EQ(order.join(u' '),
              QStringLiteral("| TBCut TBCopy TBPaste TBFind TBReplace | TBFont TBNumb TBLeft TBCenter "
                             "TBRight | TBExit"));
    struct Hint {
        const char* button;
        const char* tip;
        const char* status;
    } hints[] = {
        {"TBCut", "Вырезать", "Вырезание выделенного текста в Clipboard"},
        {"TBCopy", "Копировать", "Копирование выделенного текста в Clipboard"},
        {"TBPaste", "Вставить", " Вставить из Clipboard"},
        {"TBFind", "Найти", "Контекстный поиск"},
        {"TBReplace", "Заменить", "Контекстная замена"},
        {"TBFont", "Шрифт", "Выбор атрибутов шрифта"},
        {"TBNumb", "Список", "Формат в виде списка"},
        {"TBLeft", "Влево", "Выравниваение абзаца влево"},
        {"TBCenter", "По центру", "Выравнивание абзаца по центру"},
        {"TBRight", "Вправо", "Выравнивание абзаца вправо"},
        {"TBExit", "Выход", "Конец работы"},
    };
    for (const Hint& h : hints) {
        auto* b = child<QToolButton>(h.button);
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(h.tip)) << h.button;
        // The long part goes to the third panel when the pointer is over it.
        QStatusTipEvent tip(b->statusTip());
        QApplication::sendEvent(b, &tip);
        EXPECT_EQ(panel(2), QString::fromUtf8(h.status)) << h.button;
    }
    EXPECT_TRUE(child<QToolButton>("TBNumb")->isCheckable());
    EXPECT_FALSE(child<QToolButton>("TBNumb")->isChecked());
    EXPECT_TRUE(child<QToolButton>("TBLeft")->isChecked());
    EXPECT_FALSE(child<QToolButton>("TBCenter")->isChecked());

    EXPECT_EQ(editBox()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(editBox()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(editBox()->tabChangesFocus());
    EXPECT_EQ(editBox()->statusTip(), QStringLiteral("Просмотр и редактирование текста"));
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(child<QLabel>(QStringLiteral("Panel%1").arg(i).toLatin1().constData())->maximumWidth(), 50);
    EXPECT_EQ(child<QLabel>("Panel2")->minimumWidth(), 50);

    auto* menu = child<QMenuBar>("MainMenu1");
    EXPECT_TRUE(menu->isHidden());
    QStringList titles;
    for (QAction* a : menu->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"&Файл", "&Правка", "Фор&мат", "&Окно"}));
    struct Key {
        const char* item;
        const char* text;
        QKeySequence key;
    } keys[] = {
        {"MUndo", "&Отменить", QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {"MCut", "&Вырезать", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {"MCopy", "&Копировать", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"MPaste", "Вст&авить", QKeySequence(Qt::CTRL | Qt::Key_V)},
        {"MFind", "&Найти...", QKeySequence(Qt::CTRL | Qt::Key_F)},
        {"MReplace", "&Заменить...", QKeySequence()},
        {"MFont", "&Шрифт", QKeySequence()},
        {"MNumb", "&Список", QKeySequence()},
        {"MLeft", "В&лево", QKeySequence()},
        {"MRight", "В&право", QKeySequence()},
        {"MCenter", "По &центру", QKeySequence()},
        {"MExit", "В&ыход", QKeySequence()},
        {"MPlaceholder", "Вставить &подстановку...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)},
    };
    for (const Key& k : keys) {
        auto* a = child<QAction>(k.item);
        EXPECT_EQ(a->text(), QString::fromUtf8(k.text)) << k.item;
        EXPECT_EQ(a->shortcut(), k.key) << k.item;
        EXPECT_TRUE(form.actions().contains(a)) << k.item;  // works with the menu hidden
    }
}

TEST_F(FieldEditor, TheHeadOfLabelTwoOpensFromHead2AndClosingWritesBothFilesAndTheBlock)
{
    const QString head2 = fileText(st.path(QStringLiteral("Head_2.rtf")));
    const QString head1Before = st.pages->label(1).head.document.toPlainText();
    QString opened;
    edit(2, kHead, [&] {
        opened = editBox()->toPlainText();
        EXPECT_TRUE(form.isVisible());
        editBox()->moveCursor(QTextCursor::End);
        type(editBox(), QStringLiteral(" — коробка"));
    });
    EXPECT_EQ(opened, head2);
    EXPECT_FALSE(form.isVisible());
    const QString written = head2 + QStringLiteral(" — коробка");
    EXPECT_EQ(fileText(st.path(QStringLiteral("Head_2.rtf"))), written);
    EXPECT_EQ(fileText(st.path(QStringLiteral("Head_2_1.rtf"))), written);
    EXPECT_EQ(bytes(st.path(QStringLiteral("Head_2.rtf"))), bytes(st.path(QStringLiteral("Head_2_1.rtf"))));
    EXPECT_EQ(st.pages->label(2).head.document.toPlainText(), written);
    EXPECT_EQ(st.pages->label(1).head.document.toPlainText(), head1Before);
    EXPECT_EQ(bytes(st.path(QStringLiteral("Head_1_1.rtf"))), QByteArray("(none)"));
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'\n').toStdString();
}

TEST_F(FieldEditor, ClosingWithoutAChangeStillRewritesBothFiles)
{
    // A template as another editor wrote it comes back as this one writes it.
    st.write(
        QStringLiteral("Body_1.rtf"),
        "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 Arial;}}"
        "{\\*\\generator Msftedit 5.41.21.2510;}\\viewkind4\\uc1\\pard\\f0\\fs20 \\'d6\\'b3\\'ed\\'e0 $price\\par\n}");
    const QByteArray before = bytes(st.path(QStringLiteral("Body_1.rtf")));
    edit(1, kBody, [] {});
    EXPECT_NE(bytes(st.path(QStringLiteral("Body_1.rtf"))), before);
    EXPECT_EQ(fileText(st.path(QStringLiteral("Body_1.rtf"))), QStringLiteral("Ціна $price"));
    EXPECT_EQ(fileText(st.path(QStringLiteral("Body_1_1.rtf"))), QStringLiteral("Ціна $price"));
}

TEST_F(FieldEditor, AnAbsentWordShowsTheMessageAndKeepsTheSelection)
{
    bool found = false;
    edit(1, kHead, [&] {
        editBox()->setPlainText(QStringLiteral("abc abc abc"));
        select(0, 3);
        answers[QStringLiteral("FindDialog1")] = [&](QDialog& d) {
            auto& find = static_cast<tarvik::dialogs::SearchDialog&>(d);
            EXPECT_EQ(find.FindText->text(), QStringLiteral("abc"));  // the selection is the text to find
            EXPECT_TRUE(find.findChild<QCheckBox*>(QStringLiteral("WholeWord")));
            find.FindText->setText(QStringLiteral("xyz"));
            find.FindNext->click();
            EXPECT_EQ(messages(), QStringList{QStringLiteral("Текст 'xyz' не найден")});
            EXPECT_EQ(editBox()->textCursor().selectionStart(), 0);
            EXPECT_EQ(editBox()->textCursor().selectionEnd(), 3);
            // With the first three characters selected, the search starts at the fourth.
            find.FindText->setText(QStringLiteral("abc"));
            find.FindNext->click();
            EXPECT_EQ(editBox()->textCursor().selectionStart(), 4);
            find.FindNext->click();
            EXPECT_EQ(editBox()->textCursor().selectionStart(), 8);
            find.FindNext->click();
            EXPECT_EQ(editBox()->textCursor().selectionStart(), 8);
            EXPECT_EQ(messages().size(), 2);
            found = true;
            return int(QDialog::Rejected);
        };
        QTest::keyClick(editBox(), Qt::Key_F, Qt::ControlModifier);
    });
    EXPECT_TRUE(found);
}

TEST_F(FieldEditor, ReplaceAllEndsWithTheNotFoundMessageAndReplaceAloneNeedsASelection)
{
    edit(1, kHead, [&] {
        editBox()->setPlainText(QStringLiteral("$netto кг, $netto кг"));
        editBox()->moveCursor(QTextCursor::Start);
        answers[QStringLiteral("ReplaceDialog1")] = [&](QDialog& d) {
            auto& replace = static_cast<tarvik::dialogs::SearchDialog&>(d);
            EXPECT_EQ(replace.windowTitle(), QStringLiteral("Заменить"));
            replace.FindText->setText(QStringLiteral("кг"));
            replace.ReplaceText->setText(QStringLiteral("г"));
            replace.Replace->click();  // nothing selected
            EXPECT_EQ(messages(), QStringList{QStringLiteral("Текст 'кг' не найден")});
            EXPECT_EQ(editBox()->toPlainText(), QStringLiteral("$netto кг, $netto кг"));
            replace.FindNext->click();
            EXPECT_EQ(editBox()->textCursor().selectedText(), QStringLiteral("кг"));
            replace.Replace->click();
            EXPECT_EQ(editBox()->toPlainText(), QStringLiteral("$netto г, $netto кг"));
            prompts->seen.clear();
            replace.ReplaceAll->click();
            EXPECT_EQ(editBox()->toPlainText(), QStringLiteral("$netto г, $netto г"));
            EXPECT_EQ(messages(), QStringList{QStringLiteral("Текст 'кг' не найден")});
            return int(QDialog::Rejected);
        };
        click("TBReplace");
        // One undo takes back the whole "Заменить все".
        QTest::keyClick(editBox(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(editBox()->toPlainText(), QStringLiteral("$netto г, $netto кг"));
    });
}

TEST_F(FieldEditor, TheStatusBarShowsTheCaretAndTheModifiedMarkOnlyAfterAChange)
{
    edit(1, kBody, [&] {
        EXPECT_EQ(panel(0), QStringLiteral("1: 1"));
        EXPECT_EQ(panel(1), QString());
        // Moving is no change.
        QTest::keyClick(editBox(), Qt::Key_Down);
        QTest::keyClick(editBox(), Qt::Key_Down);
        QTest::keyClick(editBox(), Qt::Key_End);
        EXPECT_TRUE(panel(0).startsWith(QStringLiteral("3: "))) << panel(0).toStdString();
        EXPECT_EQ(panel(1), QString());
        QTest::keyClick(editBox(), Qt::Key_Home);
        EXPECT_EQ(panel(0), QStringLiteral("3: 1"));
        QTest::keyClick(editBox(), Qt::Key_X);
        EXPECT_EQ(panel(1), QStringLiteral("модиф."));
        EXPECT_EQ(panel(0), QStringLiteral("3: 2"));
        // Entering the edit box clears the flag.
        QFocusEvent in(QEvent::FocusIn);
        QApplication::sendEvent(editBox(), &in);
        EXPECT_EQ(panel(1), QString());
        // Tab is text, not a move to the next control.
        QTest::keyClick(editBox(), Qt::Key_Tab);
        EXPECT_TRUE(editBox()->document()->findBlockByNumber(2).text().startsWith(QStringLiteral("x\t")));
        // Escape does not close the editor.
        QTest::keyClick(editBox(), Qt::Key_Escape);
        EXPECT_TRUE(form.isVisible());
        // What was loaded is not undone.
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(editBox(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(editBox()->toPlainText(), fileText(st.path(QStringLiteral("Body_1.rtf"))));
    });
}

TEST_F(FieldEditor, TheFontDialogAppliesWithApplyAndOkButNotWithCancel)
{
    edit(1, kHead, [&] {
        editBox()->setPlainText(QStringLiteral("Сир твердий"));
        QTextCharFormat plain;
        plain.setFontWeight(QFont::Normal);
        QTextCursor all(editBox()->document());
        all.select(QTextCursor::Document);
        all.mergeCharFormat(plain);
        select(0, 3);
        auto weightAt = [&](int position) {
            QTextCursor c(editBox()->document());
            c.setPosition(position);
            return c.charFormat();
        };
        answers[QStringLiteral("FontDialog1")] = [&](QDialog& d) {
            auto& font = static_cast<tarvik::dialogs::FontDialog&>(d);
            EXPECT_EQ(font.windowTitle(), QStringLiteral("Шрифт"));
            font.FontStyle->setCurrentIndex(2);  // "Полужирный"
            font.FontSize->setCurrentText(QStringLiteral("20"));
            font.Underline->setChecked(true);
            font.FontColor->setCurrentIndex(font.FontColor->findText(QStringLiteral("Красный")));
            font.Apply->click();
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(weightAt(2).fontWeight(), QFont::Bold);
            EXPECT_EQ(weightAt(2).fontPointSize(), 20);
            EXPECT_TRUE(weightAt(2).fontUnderline());
            EXPECT_EQ(weightAt(2).foreground().color(), QColor(Qt::red));
            EXPECT_NE(weightAt(6).fontWeight(), QFont::Bold);
            font.Strikeout->setChecked(true);
            return int(QDialog::Rejected);
        };
        click("TBFont");
        EXPECT_FALSE(weightAt(2).fontStrikeOut());  // cancelled
        answers[QStringLiteral("FontDialog1")] = [&](QDialog& d) {
            auto& font = static_cast<tarvik::dialogs::FontDialog&>(d);
            // The dialog shows the selection's attributes.
            EXPECT_EQ(font.FontStyle->currentIndex(), 2);
            EXPECT_EQ(font.FontSize->currentText(), QStringLiteral("20"));
            EXPECT_EQ(font.FontColor->currentText(), QStringLiteral("Красный"));
            font.Strikeout->setChecked(true);
            return int(QDialog::Accepted);
        };
        click("TBFont");
        EXPECT_TRUE(weightAt(2).fontStrikeOut());
    });
    QTextDocument back;
    tarvik::richtext::loadRichTextFile(back, st.path(QStringLiteral("Head_1.rtf")));
    QTextCursor c(&back);
    c.setPosition(2);
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);
    EXPECT_TRUE(c.charFormat().fontStrikeOut());
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(Qt::red));
    // The template's family stays, though this system draws Arial with another font.
    EXPECT_EQ(c.charFormat().font().family(), QStringLiteral("Arial"));
}

TEST_F(FieldEditor, BulletsAndTheThreeAlignmentsAreSetOnTheSelectedParagraphs)
{
    edit(1, kBody, [&] {
        editBox()->setPlainText(QStringLiteral("один\nдва\nтри\nчотири"));
        select(0, 0);
        click("TBNumb");
        EXPECT_TRUE(child<QToolButton>("TBNumb")->isChecked());
        select(5, 0);
        click("TBCenter");
        select(9, 0);
        click("TBRight");
        EXPECT_TRUE(child<QToolButton>("TBRight")->isChecked());
        select(5, 0);  // the caret's paragraph puts its button down
        EXPECT_TRUE(child<QToolButton>("TBCenter")->isChecked());
        EXPECT_FALSE(child<QToolButton>("TBRight")->isChecked());
        select(0, 0);
        EXPECT_TRUE(child<QToolButton>("TBLeft")->isChecked());
    });
    QTextDocument back;
    tarvik::richtext::loadRichTextFile(back, st.path(QStringLiteral("Body_1.rtf")));
    ASSERT_EQ(back.blockCount(), 4);
    EXPECT_NE(back.findBlockByNumber(0).textList(), nullptr);
    EXPECT_EQ(back.findBlockByNumber(1).textList(), nullptr);
    EXPECT_TRUE(back.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(back.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignRight);
}

TEST_F(FieldEditor, APlaceholderIsChosenFromTheListAndInsertedAtTheCaret)
{
    edit(1, kHead, [&] {
        editBox()->setPlainText(QStringLiteral("Нетто:  кг"));
        select(7, 0);
        answers[QStringLiteral("PlaceholderDialog1")] = [&](QDialog& d) {
            auto* list = d.findChild<QListWidget*>(QStringLiteral("PlaceholderList"));
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Подстановки"));
            EXPECT_EQ(list->count(), 22);
            EXPECT_EQ(list->item(10)->text(), QStringLiteral("$netto — вес нетто"));
            list->setCurrentRow(10);
            return int(QDialog::Accepted);
        };
        QTest::keyClick(editBox(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(editBox()->toPlainText(), QStringLiteral("Нетто: $netto кг"));
        // Cancel inserts nothing.
        answers[QStringLiteral("PlaceholderDialog1")] = [](QDialog&) { return int(QDialog::Rejected); };
        child<QAction>("MPlaceholder")->trigger();
        EXPECT_EQ(editBox()->toPlainText(), QStringLiteral("Нетто: $netto кг"));
        EXPECT_TRUE(editBox()->actions().contains(child<QAction>("MPlaceholder")));  // on the edit box's menu
    });
    EXPECT_EQ(fileText(st.path(QStringLiteral("Head_1.rtf"))), QStringLiteral("Нетто: $netto кг"));
}

TEST_F(FieldEditor, ACharacterWindows1251CannotHoldKeepsTheEditorOpenWithItsText)
{
    const QByteArray before = bytes(st.path(QStringLiteral("Head_1.rtf")));
    edit(1, kHead, [&] {
        editBox()->setPlainText(QStringLiteral("Маса Ω"));
        click("TBExit");
        EXPECT_TRUE(form.isVisible());
        ASSERT_EQ(messages().size(), 1);
        EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("Символ \"Ω\" (U+03A9)"))) << messages()[0].toStdString();
        EXPECT_EQ(editBox()->toPlainText(), QStringLiteral("Маса Ω"));
        EXPECT_EQ(bytes(st.path(QStringLiteral("Head_1.rtf"))), before);
        EXPECT_EQ(bytes(st.path(QStringLiteral("Head_1_1.rtf"))), QByteArray("(none)"));
        // A file that cannot be written: said so, and the editor stays open too.
        editBox()->setPlainText(QStringLiteral("Маса"));
        st.pages->Elem.editedFile = st.path(QStringLiteral("no-such-folder/Head_1.rtf"));
        click("TBExit");
        EXPECT_TRUE(form.isVisible());
        ASSERT_EQ(messages().size(), 2);
        EXPECT_TRUE(messages()[1].startsWith(QStringLiteral("Шаблон не сохранён"))) << messages()[1].toStdString();
        st.pages->Elem.editedFile = st.path(QStringLiteral("Head_1.rtf"));
    });
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(fileText(st.path(QStringLiteral("Head_1.rtf"))), QStringLiteral("Маса"));
}

TEST(FieldEditorStation, AnEditedHeadPrintsOnTheNextLabelWithItsPlaceholderFilled)
{
    tarvik::testing::StationFolder folder;
    folder.scriptScale({QStringLiteral("1.000;S;")});
    tarvik::ui::ScopedScriptedResponder prompts;
    const auto station = tarvik::dialogs::testing::stationWithOneProduct(folder);

    std::map<QString, std::function<int(QDialog&)>> answers;
    prompts->onDialog = [&](QDialog& d) {
        const auto it = answers.find(d.objectName());
        return it == answers.end() ? int(QDialog::Rejected) : it->second(d);
    };
    answers[QStringLiteral("frSetting")] = [&](QDialog&) {
        // The head block of label 1 (8, 8, 216 x 36 px), pressed with the right button.
        auto* surface = frSetting->findChild<tarvik::printing::PageView*>(QStringLiteral("Image1"));
        for (QEvent::Type type : {QEvent::MouseMove, QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(type, QPointF(60, 20), surface->mapToGlobal(QPointF(60, 20)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::RightButton,
                          type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(surface, &e);
        }
        frSetting->findChild<QAction*>(QStringLiteral("N1"))->trigger();
        frSetting->bOk->click();
        return frSetting->result();
    };
    answers[QStringLiteral("Form1")] = [&](QDialog& d) {
        QApplication::setActiveWindow(&d);
        auto* edit = d.findChild<QTextEdit*>(QStringLiteral("RichEdit1"));
        edit->selectAll();
        type(edit, QStringLiteral("Вага "));
        QTest::keyClick(edit, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        type(edit, QStringLiteral(" кг"));
        // "net" of the inserted "$netto" made italic afterwards: the run still finds it.
        QTextCursor part(edit->document());
        part.setPosition(6);
        part.setPosition(9, QTextCursor::KeepAnchor);
        edit->setTextCursor(part);
        d.findChild<QToolButton*>(QStringLiteral("TBFont"))->click();
        d.findChild<QToolButton*>(QStringLiteral("TBExit"))->click();
        return d.result();
    };
    answers[QStringLiteral("PlaceholderDialog1")] = [](QDialog& d) {
        d.findChild<QListWidget*>(QStringLiteral("PlaceholderList"))->setCurrentRow(10);  // $netto
        return int(QDialog::Accepted);
    };
    answers[QStringLiteral("FontDialog1")] = [](QDialog& d) {
        d.findChild<QComboBox*>(QStringLiteral("FontStyle"))->setCurrentIndex(1);  // "Курсив"
        return int(QDialog::Accepted);
    };
    frMain->N4Click();
    EXPECT_EQ(fileText(folder.path(QStringLiteral("Head_1.rtf"))), QStringLiteral("Вага $netto кг"));
    EXPECT_EQ(fileText(folder.path(QStringLiteral("Head_1_1.rtf"))), QStringLiteral("Вага $netto кг"));

    frMain->TimerTimer();
    const QStringList labels =
        QDir(folder.path(QStringLiteral("PDF"))).entryList({QStringLiteral("*-label1.pdf")}, QDir::Files);
    ASSERT_EQ(labels.size(), 1);
    const QString printed = tarvik::labels::testing::pdfText(folder.path(QStringLiteral("PDF/")) + labels.at(0));
    EXPECT_TRUE(printed.contains(QRegularExpression(QStringLiteral("Вага [0-9]+,[0-9]+ кг")))) << printed.toStdString();
    EXPECT_FALSE(printed.contains(u'$')) << printed.toStdString();
    QStringList errors;
    for (const auto& m : prompts->messages())
        errors << m.text;
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}
