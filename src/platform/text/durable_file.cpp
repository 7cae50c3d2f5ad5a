#include "platform/text/durable_file.h"

#include "platform/text/error.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

QString why(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void failed(const QString& path, int error)
{
    throw Error(QStringLiteral("Не вдається записати файл \"%1\": %2. Попередній вміст файлу збережено.")
                    .arg(path, why(error)));
}

// Writes all of `size` bytes, going on after interruptions and short writes.
bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

void syncFolder(const QByteArray& file)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(file)).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

void writeFileDurably(const QString& path, const QByteArray& bytes, const std::function<void()>& midWrite)
{
    const QByteArray target = QFile::encodeName(path);
    // A rename would replace a file its owner made read-only: refused instead.
    if (::access(target.constData(), F_OK) == 0 && ::access(target.constData(), W_OK) != 0)
        failed(path, errno);
    // The new file, removed again unless it took the target's place.
    struct Temp {
        QByteArray name;
        int fd = -1;
        bool placed = false;
        ~Temp()
        {
            if (fd >= 0)
                ::close(fd);
            if (!placed)
                ::unlink(name.constData());
        }
    } temp{target + ".tmp-XXXXXX"};
    temp.fd = ::mkostemp(temp.name.data(), O_CLOEXEC);
    if (temp.fd < 0) {
        temp.placed = true;  // nothing was made
        failed(path, errno);
    }
    struct stat old {};
    if (::stat(target.constData(), &old) == 0) {
        ::fchmod(temp.fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(temp.fd, 0666 & ~mask);
    }
    const qsizetype half = bytes.size() / 2;
    if (!writeAll(temp.fd, bytes.constData(), half))
        failed(path, errno);
    if (midWrite)
        midWrite();
    if (!writeAll(temp.fd, bytes.constData() + half, bytes.size() - half) || ::fsync(temp.fd) != 0)
        failed(path, errno);
    const int fd = std::exchange(temp.fd, -1);
    if (::close(fd) != 0)
        failed(path, errno);
    if (::rename(temp.name.constData(), target.constData()) != 0)
        failed(path, errno);
    temp.placed = true;
    syncFolder(target);
}

void checkWritable(const QString& path)
{
    const QByteArray file = QFile::encodeName(path);
    if (::access(file.constData(), F_OK) == 0 && ::access(file.constData(), W_OK) != 0)
        throw Error(QStringLiteral("Файл \"%1\" не можна змінити: %2").arg(path, why(errno)));
    // A new file and the write's temporary file are made in the folder: made
    // and removed again here, which also finds a folder on a read-only disk.
    QByteArray probe = QFile::encodeName(path) + ".tmp-XXXXXX";
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0)
        throw Error(QStringLiteral("Файл \"%1\" не можна записати: %2").arg(path, why(errno)));
    ::close(fd);
    ::unlink(probe.constData());
}

DurableLog::DurableLog(QString path) : path_(std::move(path))
{
    const QByteArray name = QFile::encodeName(path_);
    fd_ = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0)
        throw Error(QStringLiteral("Не вдається відкрити журнал \"%1\": %2").arg(path_, why(errno)));
}

DurableLog::~DurableLog()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void DurableLog::append(const QByteArray& line, Sync sync)
{
    const QByteArray bytes = line + '\n';
    if (!writeAll(fd_, bytes.constData(), bytes.size()) || (sync == Sync::Now && ::fdatasync(fd_) != 0))
        throw Error(QStringLiteral("Не вдається записати журнал \"%1\": %2").arg(path_, why(errno)));
}

void DurableLog::clear(Sync sync)
{
    if (::ftruncate(fd_, 0) != 0 || (sync == Sync::Now && ::fdatasync(fd_) != 0))
        throw Error(QStringLiteral("Не вдається очистити журнал \"%1\": %2").arg(path_, why(errno)));
}

QByteArray DurableLog::readAll() const
{
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Не вдається прочитати журнал \"%1\": %2").arg(path_, f.errorString()));
    return f.readAll();
}

}  // namespace tarvik
