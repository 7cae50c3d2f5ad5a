#pragma once
// Whether a file is still the one that was read: what stat tells of it, and
// when it was read. Caches of parsed or checked files rest on this.

#include <QString>

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

}  // namespace tarvik
