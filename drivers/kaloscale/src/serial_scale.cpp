#include "serial_scale.h"

#include <array>

namespace tarvik::kaloscale {

namespace {
// Bytes taken from the port per read; QSerialPort's own buffer is capped at a few of these.
constexpr qint64 Chunk = 4096;
}

SerialScale::SerialScale(DriverConfig config, LinkMonitor::Say say, QObject* parent)
    : QObject(parent),
      config_(std::move(config)),
      monitor_(config_.lineName(), config_.output, config_.staleAfter, std::move(say)),
      parser_(makeParser(config_.protocol, config_.frameFormat())),
      state_(config_.staleAfter, config_.output)
{
    port_.setReadBufferSize(16 * Chunk);
    pollTimer_.setInterval(config_.pollInterval);
    reopenTimer_.setInterval(config_.reopenInterval);
    connect(&port_, &QSerialPort::readyRead, this, &SerialScale::readAvailable);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialScale::onError);
    connect(&pollTimer_, &QTimer::timeout, this, &SerialScale::poll);
    silenceTimer_.setSingleShot(true);
    silenceTimer_.setInterval(config_.staleAfter);
    connect(&silenceTimer_, &QTimer::timeout, this, [this] { monitor_.silent(config_.staleAfter); });
    connect(&reopenTimer_, &QTimer::timeout, this, [this] {
        if (tryOpen())
            reopenTimer_.stop();
    });
}

SerialScale::~SerialScale() = default;

bool SerialScale::open()
{
    wanted_ = true;
    if (port_.isOpen())
        return true;
    if (tryOpen())
        return true;
    reopenTimer_.start();
    return false;
}

void SerialScale::close()
{
    wanted_ = false;
    reopenTimer_.stop();
    pollTimer_.stop();
    silenceTimer_.stop();
    if (port_.isOpen())
        port_.close();
    parser_->reset();
    state_.clear();
}

bool SerialScale::tryOpen()
{
    if (config_.device.isEmpty()) {
        monitor_.unavailable(QStringLiteral("no device is set for this port ([Ports] %1= in KaloScale.ini)").arg(config_.port));
        return false;
    }
    port_.setPortName(config_.device);
    port_.setBaudRate(config_.line.baud);
    port_.setDataBits(config_.line.dataBits);
    port_.setParity(config_.line.parity);
    port_.setStopBits(config_.line.stopBits);
    port_.setFlowControl(config_.line.flowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        monitor_.unavailable(QStringLiteral("the port cannot be opened: %1; trying again every %2 s")
                                 .arg(port_.errorString(), QString::number(config_.reopenInterval.count() / 1000.0)));
        return false;
    }
    // What waited in the device's buffer is old news.
    port_.clear(QSerialPort::Input);
    parser_->reset();
    if (!parser_->pollCommand().isEmpty()) {
        poll();
        pollTimer_.start();
    }
    silenceTimer_.start();
    Q_EMIT opened();
    return true;
}

void SerialScale::poll()
{
    // One poll at a time in the output buffer: a device that stops reading must not make it grow.
    if (port_.isOpen() && port_.bytesToWrite() == 0)
        port_.write(parser_->pollCommand());
}

void SerialScale::readAvailable()
{
    std::array<char, Chunk> buffer;
    bool any = false;
    while (port_.isOpen()) {
        const qint64 n = port_.read(buffer.data(), Chunk);
        if (n <= 0)
            break;
        frames_.clear();
        parser_->feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)), frames_);
        const auto now = Clock::now();
        for (const Frame& f : frames_) {
            state_.accept(f, now);
            Q_EMIT frameRead(f);
            monitor_.frame(f, now);
        }
        if (!frames_.empty())
            silenceTimer_.start();
        any = any || !frames_.empty();
    }
    if (any)
        Q_EMIT frameReceived();
}

void SerialScale::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    if (!port_.isOpen())
        return;  // a failed open: the reopen timer is already on it
    // The device went away or broke; close outside the port's own signal and try again later.
    QMetaObject::invokeMethod(this, &SerialScale::drop, Qt::QueuedConnection);
}

void SerialScale::drop()
{
    if (!port_.isOpen())
        return;
    monitor_.unavailable(QStringLiteral("the port was lost: %1; trying again every %2 s")
                             .arg(port_.errorString(), QString::number(config_.reopenInterval.count() / 1000.0)));
    pollTimer_.stop();
    silenceTimer_.stop();
    port_.close();
    parser_->reset();
    state_.clear();
    Q_EMIT lost();
    if (wanted_)
        reopenTimer_.start();
}

}  // namespace tarvik::kaloscale
