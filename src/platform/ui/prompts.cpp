#include "platform/ui/prompts.h"

#include "platform/text/error.h"
#include "platform/ui/responders.h"

#include <QCoreApplication>
#include <QDialog>

namespace tarvik::ui {

struct Prompts::Depth {
    explicit Depth(int& d) : d_(d) { ++d_; }
    ~Depth() { --d_; }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;
    int& d_;
};

Prompts::Prompts() : responder_(std::make_unique<WidgetResponder>()) {}

Prompts& Prompts::instance()
{
    // Created on first use on the user-interface thread; lives until exit.
    static Prompts p;
    return p;
}

Button Prompts::message(const Message& m)
{
    Depth d(depth_);
    return responder_->message(m);
}

void Prompts::error(const QString& text)
{
    Message m;
    m.caption = QCoreApplication::applicationName();
    m.text = text;
    m.icon = Icon::Critical;
    message(m);
}

std::optional<QString> Prompts::input(const InputQuery& q)
{
    Depth d(depth_);
    return responder_->input(q);
}

int Prompts::dialog(QDialog& dlg, Polling polling)
{
    if (polling == Polling::Continues)
        return responder_->dialog(dlg);
    Depth d(depth_);
    return responder_->dialog(dlg);
}

void showCurrentError()
{
    QString text;
    try {
        throw;
    } catch (const std::exception& e) {
        text = errorText(e);
    } catch (...) {
    }
    prompts().error(text);
}

std::unique_ptr<Responder> Prompts::setResponder(std::unique_ptr<Responder> r)
{
    if (!r)
        r = std::make_unique<WidgetResponder>();
    std::swap(responder_, r);
    return r;
}

}  // namespace tarvik::ui
