#pragma once
// The three kinds of answerer of the prompt layer.

#include "platform/ui/prompts.h"

#include <QDialog>
#include <deque>
#include <functional>
#include <vector>

namespace tarvik::ui {

// Real boxes and dialogs, for an operator at a display.
class WidgetResponder : public Responder {
public:
    Button message(const Message& m) override;
    std::optional<QString> input(const InputQuery& q) override;
    int dialog(QDialog& d) override;
};

// No display: writes caption and text to standard error and takes the default
// answer (Cancel for an input dialog, rejected for a modal window).
class HeadlessResponder : public Responder {
public:
    Button message(const Message& m) override;
    std::optional<QString> input(const InputQuery& q) override;
    int dialog(QDialog& d) override;
};

// For tests: records every prompt and answers from queues; an empty queue
// gives the default answer. A dialog handler may drive the window (it is shown
// but not run modally) and returns its result code.
class ScriptedResponder : public Responder {
public:
    struct Seen {
        enum class Kind { Message, Input, Dialog } kind;
        QString caption;
        QString text;
    };

    Button message(const Message& m) override;
    std::optional<QString> input(const InputQuery& q) override;
    int dialog(QDialog& d) override;

    std::deque<Button> buttons;
    std::deque<std::optional<QString>> inputs;
    std::function<int(QDialog&)> onDialog;  // default: rejected
    std::vector<Seen> seen;

    std::vector<Seen> messages() const;
};

// Installs a ScriptedResponder for the life of the object (tests).
class ScopedScriptedResponder {
public:
    ScopedScriptedResponder();
    ~ScopedScriptedResponder();
    ScopedScriptedResponder(const ScopedScriptedResponder&) = delete;
    ScopedScriptedResponder& operator=(const ScopedScriptedResponder&) = delete;
    ScriptedResponder* operator->() { return r_; }
    ScriptedResponder& operator*() { return *r_; }

private:
    ScriptedResponder* r_;
    std::unique_ptr<Responder> previous_;
};

}  // namespace tarvik::ui
