#pragma once
// SIGTERM, SIGINT and SIGHUP end the station cleanly: the event loop quits, the
// windows are destroyed and the database commits, as when the window closes.
//
// The signals are blocked in every thread and read from a signal descriptor
// on the event loop. Delivered asynchronously they would interrupt whichever
// thread they hit, the embedded database engine's included, and an engine
// thread woken that way left the engine spinning when it later detached.

#include <QObject>

class QSocketNotifier;

namespace tarvik::station {

class QuitOnSignals : public QObject {
    Q_OBJECT
public:
    // Call first in main(), before any thread is started: threads inherit the
    // blocked set from the thread that starts them.
    static void blockSignals();

    explicit QuitOnSignals(QObject* parent = nullptr);
    ~QuitOnSignals() override;

private:
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tarvik::station
