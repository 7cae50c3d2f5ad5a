#pragma once
// The field text editor over a real station folder, opened the way the
// operator opens it: a press on a block of a label's preview, then
// "Редагувати"; every dialog it raises is answered by name.

#include "labels/label_fixture.h"

#include "dialogs/field_editor.h"
#include "dialogs/label_actions.h"
#include "dialogs/labels_tab.h"
#include "platform/preview/page_preview.h"
#include "platform/richtext/rich_text.h"
#include "platform/ui/responders.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTextEdit>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace tarvik::dialogs::testing {

using labels::testing::StationLabels;

inline QByteArray bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

// Types text as the keyboard would, any alphabet.
inline void type(QWidget* w, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

inline QString fileText(const QString& path)
{
    QTextDocument doc;
    tarvik::richtext::loadRichTextFile(doc, path);
    return doc.toPlainText();
}

class FieldEditorFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        st.prepareLabels();
        tab.setFieldEditor(&form);
        tab.show();
        // Each dialog raised through the prompt layer goes to its handler by name.
        prompts->onDialog = [this](QDialog& d) {
            const auto it = answers.find(d.objectName());
            return it == answers.end() ? int(QDialog::Rejected) : it->second(d);
        };
    }

    // Presses a text block of a label's preview and chooses "Редагувати"; the
    // editor runs `inside` and closes as its close box closes it.
    void edit(int label, QPoint block, const std::function<void()>& inside)
    {
        auto* image = tab.findChild<tarvik::printing::PageView*>(label == 1 ? "Image1" : "Image2");
        for (QEvent::Type type : {QEvent::MouseMove, QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(type, QPointF(block), image->mapToGlobal(QPointF(block)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(image, &e);
        }
        answers[QStringLiteral("Form1")] = [&, inside](QDialog& d) {
            // In front, as a modal window is: its shortcuts work.
            QApplication::setActiveWindow(&d);
            inside();
            d.close();
            return d.result();
        };
        tab.findChild<QAction*>(QStringLiteral("N1"))->trigger();
    }

    template <class T>
    T* child(const char* name)
    {
        T* w = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QTextEdit* editBox() { return child<QTextEdit>("RichEdit1"); }
    QString panel(int i) { return child<QLabel>(QStringLiteral("Panel%1").arg(i).toLatin1().constData())->text(); }
    void click(const char* button) { child<QToolButton>(button)->click(); }
    void select(int from, int length)
    {
        QTextCursor c = editBox()->textCursor();
        c.setPosition(from);
        c.setPosition(from + length, QTextCursor::KeepAnchor);
        editBox()->setTextCursor(c);
    }
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
    LabelsTab tab{*st.pages, actions};
    TForm1 form{*st.pages};
    std::map<QString, std::function<int(QDialog&)>> answers;
};

// On the demo labels: label 1's head block lies at (8, 8), 216 x 36; label 2's
// head at (8, 8) too, its body at (8, 48).
inline const QPoint kHead(100, 20);
inline const QPoint kBody(100, 100);

}  // namespace tarvik::dialogs::testing
