#include "platform/ui/responders.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

namespace tarvik::ui {
namespace {

QMessageBox::StandardButton toQt(Button b)
{
    switch (b) {
    case Button::Ok: return QMessageBox::Ok;
    case Button::Cancel: return QMessageBox::Cancel;
    case Button::Yes: return QMessageBox::Yes;
    case Button::No: return QMessageBox::No;
    case Button::Abort: return QMessageBox::Abort;
    case Button::Retry: return QMessageBox::Retry;
    case Button::Ignore: return QMessageBox::Ignore;
    case Button::None: break;
    }
    return QMessageBox::NoButton;
}

Button fromQt(int b)
{
    switch (b) {
    case QMessageBox::Ok: return Button::Ok;
    case QMessageBox::Cancel: return Button::Cancel;
    case QMessageBox::Yes: return Button::Yes;
    case QMessageBox::No: return Button::No;
    case QMessageBox::Abort: return Button::Abort;
    case QMessageBox::Retry: return Button::Retry;
    case QMessageBox::Ignore: return Button::Ignore;
    default: return Button::None;
    }
}

QMessageBox::Icon toQt(Icon i)
{
    switch (i) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

// The window a prompt belongs to: the window in front of the station. A
// window manager keeps a stay-on-top tool window (the settings) above every
// box that has no owner, and may put a box the operator did not ask for
// (the error of a failed label run) beneath the window that has the focus;
// a box that belongs to the window in front is stacked above it. The active
// window may be one just closed (the print progress), whose end the window
// system has not reported yet: only a shown window owns a box.
QWidget* ownerOf(const QWidget* prompt = nullptr)
{
    const auto usable = [prompt](QWidget* w) {
        return w && w != prompt && w->isVisible() && !w->isMinimized() && !(w->windowType() == Qt::Popup) &&
               !(w->windowType() == Qt::ToolTip);
    };
    for (QWidget* w : {QApplication::activeModalWidget(), QApplication::activeWindow()}) {
        if (w && usable(w->window()))
            return w->window();
    }
    // No window of ours has the focus: a modal window is in front of the
    // others, a stay-on-top window above the plain ones.
    QWidget* front = nullptr;
    int rank = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!usable(w))
            continue;
        const int r = w->isModal() ? 3 : w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? 2 : 1;
        if (r > rank) {
            front = w;
            rank = r;
        }
    }
    return front;
}

// Once the box is shown, it is raised and asks for the keyboard: a window
// manager that refused it the focus (it opened without a click of the
// operator's) still stacks it in front, where the operator sees it.
void toFront(QWidget& box)
{
    QTimer::singleShot(0, &box, [w = &box] {
        if (!w->isVisible())
            return;
        w->raise();
        w->activateWindow();
    });
}

void toStderr(const QString& caption, const QString& text)
{
    QTextStream err(stderr);
    err << caption << ": " << text << Qt::endl;
}

}  // namespace

Button WidgetResponder::message(const Message& m)
{
    QMessageBox box(toQt(m.icon), m.caption, m.text, QMessageBox::NoButton, ownerOf());
    QMessageBox::StandardButtons set;
    for (Button b : m.buttons)
        set |= toQt(b);
    box.setStandardButtons(set);
    box.setDefaultButton(toQt(m.defaultButton));
    toFront(box);
    return fromQt(box.exec());
}

std::optional<QString> WidgetResponder::input(const InputQuery& q)
{
    QInputDialog dialog(ownerOf());
    dialog.setWindowTitle(q.caption);
    dialog.setLabelText(q.prompt);
    dialog.setTextValue(q.value);
    toFront(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

int WidgetResponder::dialog(QDialog& d)
{
    // Lent to the window it was opened from while it runs: the window manager
    // keeps a window above its parent, and Qt names the parent to it when the
    // window is shown.
    QWidget* owner = ownerOf(&d);
    const QPointer<QWidget> parent = d.parentWidget();
    const bool lend = owner && (!parent || parent->window() != owner);
    if (lend)
        d.setParent(owner, d.windowFlags());
    const QPointer<QDialog> dialog = &d;
    toFront(d);
    const int result = d.exec();
    if (lend && dialog)
        dialog->setParent(parent, dialog->windowFlags());
    return result;
}

Button HeadlessResponder::message(const Message& m)
{
    toStderr(m.caption, m.text);
    return m.defaultButton;
}

std::optional<QString> HeadlessResponder::input(const InputQuery& q)
{
    toStderr(q.caption, q.prompt);
    return std::nullopt;
}

int HeadlessResponder::dialog(QDialog& d)
{
    toStderr(d.windowTitle(), QStringLiteral("(вікно закрито без відповіді)"));
    return QDialog::Rejected;
}

Button ScriptedResponder::message(const Message& m)
{
    seen.push_back({Seen::Kind::Message, m.caption, m.text});
    if (buttons.empty())
        return m.defaultButton;
    Button b = buttons.front();
    buttons.pop_front();
    return b;
}

std::optional<QString> ScriptedResponder::input(const InputQuery& q)
{
    seen.push_back({Seen::Kind::Input, q.caption, q.prompt});
    if (inputs.empty())
        return std::nullopt;
    auto v = inputs.front();
    inputs.pop_front();
    return v;
}

int ScriptedResponder::dialog(QDialog& d)
{
    seen.push_back({Seen::Kind::Dialog, d.windowTitle(), {}});
    // Shown as a modal run would show it, so its show and close handlers run.
    d.show();
    const int result = onDialog ? onDialog(d) : int(QDialog::Rejected);
    if (d.isVisible())
        d.done(result);
    return d.result();
}

std::vector<ScriptedResponder::Seen> ScriptedResponder::messages() const
{
    std::vector<Seen> out;
    for (const auto& s : seen)
        if (s.kind == Seen::Kind::Message)
            out.push_back(s);
    return out;
}

ScopedScriptedResponder::ScopedScriptedResponder()
{
    auto r = std::make_unique<ScriptedResponder>();
    r_ = r.get();
    previous_ = Prompts::instance().setResponder(std::move(r));
}

ScopedScriptedResponder::~ScopedScriptedResponder()
{
    Prompts::instance().setResponder(std::move(previous_));
}

}  // namespace tarvik::ui
