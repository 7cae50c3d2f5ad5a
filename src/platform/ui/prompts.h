#pragma once
// Every message box, input dialog and modal window of the station goes through
// this layer. A responder answers it: real dialogs on a desktop, the headless
// answerer without a display, or a test's scripted answers. So nothing blocks
// on a modal loop that nobody is there to close.

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QWidget;

namespace tarvik::ui {

enum class Button { None, Ok, Cancel, Yes, No, Abort, Retry, Ignore };
enum class Icon { None, Information, Warning, Critical, Question };

struct Message {
    QString caption;
    QString text;
    Icon icon = Icon::None;
    QList<Button> buttons{Button::Ok};
    Button defaultButton = Button::Ok;
};

struct InputQuery {
    QString caption;
    QString prompt;
    QString value;  // initial text
};

class Responder {
public:
    virtual ~Responder() = default;
    virtual Button message(const Message& m) = 0;
    // The typed text, or nothing for Cancel.
    virtual std::optional<QString> input(const InputQuery& q) = 0;
    // Runs a modal window and returns its QDialog result code.
    virtual int dialog(QDialog& d) = 0;
};

class Prompts {
public:
    // The station's one prompt layer; it lives until the program ends.
    static Prompts& instance();

    Button message(const Message& m);
    // An error box: the application's title as caption, the text, Ok.
    void error(const QString& text);
    std::optional<QString> input(const InputQuery& q);
    // A modal window pauses the polling timer's ticks while it runs, unless
    // it is one the station keeps weighing behind (the about box).
    enum class Polling { Paused, Continues };
    int dialog(QDialog& d, Polling polling = Polling::Paused);

    // True while a box or modal window raised through this layer is open.
    // The polling timer skips its ticks then, so boxes never pile up.
    bool isOpen() const { return depth_ > 0; }

    // Replaces the responder; returns the previous one.
    std::unique_ptr<Responder> setResponder(std::unique_ptr<Responder> r);
    Responder& responder() { return *responder_; }

private:
    Prompts();
    struct Depth;
    std::unique_ptr<Responder> responder_;
    int depth_ = 0;
};

inline Prompts& prompts() { return Prompts::instance(); }

// The application's error display: shows the text of the error in flight in
// an error box. Call it inside a catch block; a failure that is no error
// object is shown with an empty text.
void showCurrentError();

// Runs f and shows whatever escapes it, for handlers that must not let an
// error unwind through the framework (a dialog's show, a modal loop).
template <class F>
void guarded(F&& f)
{
    try {
        f();
    } catch (...) {
        showCurrentError();
    }
}

}  // namespace tarvik::ui
