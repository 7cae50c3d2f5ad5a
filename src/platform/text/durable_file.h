#pragma once
// Files that survive a crash, a killed process or a full disk: a whole-file
// write that either replaces the file with all of the new bytes or leaves the
// old file as it was, and an append-only log whose every line is on the disk
// when append() returns.

#include <QByteArray>
#include <QString>

#include <functional>

namespace tarvik {

// Writes `bytes` to a new file beside `path`, syncs it, renames it over `path`
// and syncs the folder. The new file keeps the old one's permissions. Every
// step is checked: on any failure (no space, no permission, a file size
// limit) the old file stays whole and tarvik::Error says why. `midWrite`, when
// given, runs after the first half is written (tests interrupt there).
void writeFileDurably(const QString& path, const QByteArray& bytes, const std::function<void()>& midWrite = {});

// Throws, naming the file and why, when `path` could not be written now: the
// file (if it exists) or its folder is not writable.
void checkWritable(const QString& path);

// An append-only file of lines, open for the life of the object.
class DurableLog {
public:
    // Opens (creating) the file; throws naming it when it cannot.
    explicit DurableLog(QString path);
    ~DurableLog();
    DurableLog(const DurableLog&) = delete;
    DurableLog& operator=(const DurableLog&) = delete;

    const QString& path() const { return path_; }
    // Whether a change is synced to the disk before the call returns, or
    // goes there with the next synced one (or whenever the system writes it).
    enum class Sync { Now, Later };
    // Appends one line (a "\n" is added).
    void append(const QByteArray& line, Sync sync = Sync::Now);
    // Empties the file.
    void clear(Sync sync = Sync::Now);
    // The whole file as it is on the disk now.
    QByteArray readAll() const;

private:
    QString path_;
    int fd_ = -1;
};

}  // namespace tarvik
