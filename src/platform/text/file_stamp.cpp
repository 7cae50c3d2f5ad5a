#include "platform/text/file_stamp.h"

#include <QFile>

#include <sys/stat.h>

#include <ctime>

namespace tarvik {
namespace {

constexpr long long kClockToleranceNs = 2'000'000'000;

long long nanoseconds(const timespec& t) { return static_cast<long long>(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

}  // namespace

FileStamp FileStamp::of(const QString& path)
{
    struct stat s{};
    if (::stat(QFile::encodeName(path).constData(), &s) != 0)
        return {};
    return {static_cast<long long>(s.st_dev), static_cast<long long>(s.st_ino), static_cast<long long>(s.st_size),
            nanoseconds(s.st_mtim), nanoseconds(s.st_ctim)};
}

SeenFile SeenFile::readWith(const FileStamp& before)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    SeenFile seen;
    seen.stamp_ = before;
    seen.readAtNs_ = nanoseconds(now);
    return seen;
}

bool SeenFile::unchanged(const FileStamp& now) const
{
    return now.exists() && now == stamp_ && now.modifiedNs + kClockToleranceNs < readAtNs_;
}

}  // namespace tarvik
