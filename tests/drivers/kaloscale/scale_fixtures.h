#pragma once
// Real serial I/O for the driver's tests: a pseudo-terminal of the test's own, and the virtual scale
// tool as a child process.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace tarvik::kaloscale::testing {

// A pty whose far end the test writes raw bytes to.
class Pty {
public:
    Pty()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            throw std::runtime_error("no pseudo-terminal");
        device_ = QString::fromLocal8Bit(::ptsname(master_));
        // Held open so the line stays up between the driver's opens, and made raw: no echo.
        slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY);
        termios tio{};
        ::tcgetattr(slave_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slave_, TCSANOW, &tio);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { hangUp(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const QString& device() const { return device_; }

    // Everything, however long; waits (briefly, pumping events) while the line's buffer is full.
    void write(const QByteArray& bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n > 0)
                done += n;
            else if (errno == EAGAIN)
                QTest::qWait(1);
            else
                throw std::runtime_error("pty write failed");
        }
    }
    // What the driver sent (its polls).
    QByteArray read()
    {
        QByteArray all;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(master_, buffer, sizeof buffer)) > 0)
            all.append(buffer, n);
        return all;
    }
    // Closes both ends: the device is gone.
    void hangUp()
    {
        if (slave_ >= 0)
            ::close(slave_);
        if (master_ >= 0)
            ::close(master_);
        slave_ = master_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString device_;
};

// tarvik-virtual-scale, started with `arguments`; device() is the path it printed.
class VirtualScale {
public:
    explicit VirtualScale(const QStringList& arguments)
    {
        process_.setProgram(QStringLiteral(TARVIK_BIN_DIR "/tarvik-virtual-scale"));
        process_.setArguments(arguments);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        if (!process_.waitForStarted(10'000))
            throw std::runtime_error("tarvik-virtual-scale did not start");
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(10'000))
                throw std::runtime_error("tarvik-virtual-scale printed no device");
        }
        device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~VirtualScale() { stop(); }

    const QString& device() const { return device_; }
    // A keyboard line ("1.234", "d", "s", "ol", "off").
    void type(const QByteArray& line)
    {
        process_.write(line + '\n');
        process_.waitForBytesWritten(5'000);
    }
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(10'000))
            process_.kill();
        process_.waitForFinished(5'000);
    }
    int exitCode() const { return process_.exitCode(); }

private:
    QProcess process_;
    QString device_;
};

// Pumps the event loop until `reading()` gives `expected`; false after ten seconds.
template <class Fn>
bool waitForReading(Fn reading, const QString& expected)
{
    return QTest::qWaitFor([&] { return reading() == expected; }, 10'000);
}

}  // namespace tarvik::kaloscale::testing

namespace tarvik::kaloscale::testing {

// Standard error of this process into a file while it lives: what the driver says, as it says it.
class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        file_ = std::tmpfile();
        saved_ = ::dup(2);
        if (!file_ || saved_ < 0 || ::dup2(::fileno(file_), 2) < 0)
            throw std::runtime_error("cannot capture standard error");
    }
    ~StderrCapture()
    {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        std::fclose(file_);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Everything written so far, line by line.
    QStringList lines() const
    {
        std::fflush(stderr);
        QByteArray all;
        char buffer[4096];
        ssize_t n;
        for (off_t at = 0; (n = ::pread(::fileno(file_), buffer, sizeof buffer, at)) > 0; at += n)
            all.append(buffer, n);
        return QString::fromLocal8Bit(all).split(u'\n', Qt::SkipEmptyParts);
    }
    // The lines that contain `text`.
    QStringList linesWith(const QString& text) const { return lines().filter(text); }
    // Pumps events until a line contains `text`; false after ten seconds.
    bool waitFor(const QString& text) const
    {
        return QTest::qWaitFor([&] { return !linesWith(text).isEmpty(); }, 10'000);
    }

private:
    std::FILE* file_ = nullptr;
    int saved_ = -1;
};

}  // namespace tarvik::kaloscale::testing
