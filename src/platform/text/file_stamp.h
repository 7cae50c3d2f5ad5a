#pragma once
// Whether a file is still the one that was read: what stat tells of it, and
// when it was read. Caches of parsed or checked files rest on this.

#include <QString>

#include <map>
#include <utility>

namespace tarvik {

struct FileStamp {
    long long device = -1, inode = -1, size = -1;
    long long modifiedNs = 0, changedNs = 0;
    bool operator==(const FileStamp&) const = default;

    // The file's stamp now; one with inode -1 when it cannot be read.
    static FileStamp of(const QString& path);
    bool exists() const { return inode >= 0; }
};

// A file as it was when it was read. A file system stamps times at its
// clock's tick (a few milliseconds on Linux, seconds on some), so a file
// written again within a tick of the read keeps its stamp: such a read is
// not trusted beyond the next look.
class SeenFile {
public:
    SeenFile() = default;
    // `before` is the stamp taken before the file was read.
    static SeenFile readWith(const FileStamp& before);

    // True while `now` shows the same file, settled before it was read.
    bool unchanged(const FileStamp& now) const;

private:
    FileStamp stamp_;
    long long readAtNs_ = 0;
};

// Values made from files, each kept while its file stays the one it was made from.
template <typename T>
class StampedFiles {
public:
    // The value kept for the file, else what `make` returns (which may throw),
    // kept when the file exists.
    template <typename Make>
    T get(const QString& path, Make make)
    {
        const FileStamp before = FileStamp::of(path);
        if (const auto found = kept_.find(path); found != kept_.end()) {
            if (found->second.first.unchanged(before))
                return found->second.second;
            kept_.erase(found);
        }
        T value = make();
        if (before.exists())
            kept_[path] = {SeenFile::readWith(before), value};
        return value;
    }

private:
    std::map<QString, std::pair<SeenFile, T>> kept_;
};

}  // namespace tarvik
