#pragma once
// SIGTERM, SIGINT and SIGHUP end the station cleanly: the event loop quits, the
// windows are destroyed and the database commits, as when the window closes.
//
// The signals are blocked in every thread and read from a signal descriptor
// on the event loop. Delivered asynchronously they would interrupt whichever
// thread they hit, the embedded database engine's included, and an engine
// thread woken that way left the engine spinning when it later detached.

#include <QObject>

#include <memory>

class QSocketNotifier;
namespace tarvik::ui {
class Responder;
}

namespace tarvik::station {

class QuitOnSignals : public QObject {
    Q_OBJECT
public:
    // Call first in main(), before any thread is started: threads inherit the
    // blocked set from the thread that starts them.
    static void blockSignals();

    explicit QuitOnSignals(QObject* parent = nullptr);
    ~QuitOnSignals() override;

    // A signal came: the event loops running then were told to end, but one
    // started after it (the main loop, behind a box answered during start-up)
    // would not know. Boxes raised after it are answered at once, their texts
    // written to standard error, so none waits for an operator who has gone.
    bool requested() const { return requested_; }

private:
    bool requested_ = false;
    // The responder that was answering when the signal came; a box it shows
    // may still be on the stack.
    std::unique_ptr<tarvik::ui::Responder> previous_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tarvik::station
