#include "serial_scale.h"

#include <array>

namespace tarvik::kaloscale {

namespace {
// Bytes taken from the port per read; QSerialPort's own buffer is capped at a few of these.
constexpr qint64 Chunk = 4096;
}

SerialScale::SerialScale(DriverConfig config, QObject* parent)
    : QObject(parent),
      config_(std::move(config)),
      parser_(makeParser(config_.protocol, config_.scaleUnit)),
      state_(config_.staleAfter, config_.output)
{
    port_.setReadBufferSize(16 * Chunk);
    pollTimer_.setInterval(config_.pollInterval);
    reopenTimer_.setInterval(config_.reopenInterval);
    connect(&port_, &QSerialPort::readyRead, this, &SerialScale::readAvailable);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialScale::onError);
    connect(&pollTimer_, &QTimer::timeout, this, &SerialScale::poll);
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
    if (port_.isOpen())
        port_.close();
    parser_->reset();
    state_.clear();
}

bool SerialScale::tryOpen()
{
    if (config_.device.isEmpty())
        return false;
    port_.setPortName(config_.device);
    port_.setBaudRate(config_.line.baud);
    port_.setDataBits(config_.line.dataBits);
    port_.setParity(config_.line.parity);
    port_.setStopBits(config_.line.stopBits);
    port_.setFlowControl(config_.line.flowControl);
    if (!port_.open(QIODevice::ReadWrite))
        return false;
    // What waited in the device's buffer is old news.
    port_.clear(QSerialPort::Input);
    parser_->reset();
    if (!parser_->pollCommand().isEmpty()) {
        poll();
        pollTimer_.start();
    }
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
        for (const Frame& f : frames_)
            state_.accept(f, now);
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
    pollTimer_.stop();
    port_.close();
    parser_->reset();
    state_.clear();
    Q_EMIT lost();
    if (wanted_)
        reopenTimer_.start();
}

}  // namespace tarvik::kaloscale
