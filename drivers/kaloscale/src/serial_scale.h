#pragma once
// A scale on a serial line. Bytes arrive through QSerialPort's readyRead on the owner's event loop;
// nothing here waits for the line, so reading() answers at once with the latest fresh frame.
// A device that is missing or goes away (a cable pulled, a pty closed) is tried again every
// ReopenInterval until it is back. What goes wrong on the line is said once per change (LinkMonitor).

#include "config.h"
#include "frames.h"
#include "link_monitor.h"
#include "reading.h"

#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <memory>

namespace tarvik::kaloscale {

class SerialScale : public QObject {
    Q_OBJECT
public:
    explicit SerialScale(DriverConfig config, LinkMonitor::Say say = sayOnStandardError, QObject* parent = nullptr);
    ~SerialScale() override;

    // Opens the device now; when that fails, keeps trying. True when it opened now.
    bool open();
    // Closes and stops trying.
    void close();
    bool isOpen() const { return port_.isOpen(); }

    QString reading() const { return state_.text(Clock::now()); }
    // Bytes held for an incomplete frame (bounded by the protocol's frame length).
    std::size_t pendingBytes() const { return parser_->pending(); }
    const DriverConfig& config() const { return config_; }
    LinkMonitor::State linkState() const { return monitor_.state(); }

Q_SIGNALS:
    // A frame arrived (tests wait on it rather than on time).
    void frameReceived();
    // Every frame as it was read, with its bytes (the probe shows them).
    void frameRead(const tarvik::kaloscale::Frame& frame);
    void opened();
    void lost();

private:
    bool tryOpen();
    void readAvailable();
    void poll();
    void onError(QSerialPort::SerialPortError error);
    void drop();

    DriverConfig config_;
    QSerialPort port_;
    QTimer pollTimer_;
    QTimer reopenTimer_;
    QTimer silenceTimer_;
    LinkMonitor monitor_;
    std::unique_ptr<FrameParser> parser_;
    ReadingState state_;
    std::vector<Frame> frames_;
    bool wanted_ = false;
};

}  // namespace tarvik::kaloscale
