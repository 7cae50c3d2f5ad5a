#pragma once
// SIGTERM, SIGINT and SIGHUP end the station cleanly: the event loop quits, the
// windows are destroyed and the database commits, as when the window closes.
// (The embedded database engine would otherwise take these signals itself.)

#include <QObject>

class QSocketNotifier;

namespace tarvik::station {

class QuitOnSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignals(QObject* parent = nullptr);
    ~QuitOnSignals() override;

    // Takes the signals back after a library installed handlers of its own.
    void install();

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tarvik::station
