// Whole-file writes and the append-only log under real faults: a file size
// limit that makes the disk "full" in the middle of a write, and a SIGKILL in
// the middle of one, each in a child process.

#include "platform/text/durable_file.h"
#include "platform/text/error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using tarvik::DurableLog;
using tarvik::writeFileDurably;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Runs `body` in a child process; returns its wait status.
int inChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

QStringList leftovers(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList({QStringLiteral("*.tmp-*")}, QDir::Files);
}

const QByteArray kOld = "[Prog]\r\nNum_Box=41\r\n";

TEST(DurableWrite, ReplacesTheWholeFileAndKeepsItsPermissions)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Setting_Prog.ini"));
    writeFile(path, kOld);
    ::chmod(QFile::encodeName(path).constData(), 0640);
    const QByteArray next(100000, 'x');
    writeFileDurably(path, next);
    EXPECT_EQ(readFile(path), next);
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_TRUE(leftovers(dir).isEmpty());
    // A new file is made too.
    writeFileDurably(dir.filePath(QStringLiteral("new.ini")), "a");
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("new.ini"))), QByteArray("a"));
}

TEST(DurableWrite, AFullDiskLeavesTheOldFileWholeAndSaysWhy)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Setting_Prog.ini"));
    writeFile(path, kOld);
    // A file size limit of 4 KiB: the write of 64 KiB fails part way, as on a full disk.
    const int status = inChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            writeFileDurably(path, QByteArray(65536, 'y'));
            return 1;
        } catch (const tarvik::Error& e) {
            const bool named = e.text().contains(path) && e.text().contains(QStringLiteral("Попередній вміст файлу збережено"));
            return named ? 0 : 2;
        }
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(path), kOld);
    EXPECT_TRUE(leftovers(dir).isEmpty());
}

TEST(DurableWrite, AKillInTheMiddleOfAWriteLeavesTheOldFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("St_Tick_1.ini"));
    writeFile(path, kOld);
    const int status = inChild([&] {
        writeFileDurably(path, QByteArray(65536, 'z'), [] { ::raise(SIGKILL); });
        return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_EQ(readFile(path), kOld);
}

TEST(DurableWrite, AFolderThatCannotTakeTheFileIsNamed)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/Setting_Prog.ini"));
    try {
        writeFileDurably(path, "a");
        FAIL() << "written";
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().contains(path)) << e.text().toStdString();
    }
    EXPECT_THROW(tarvik::checkWritable(path), tarvik::Error);
    EXPECT_NO_THROW(tarvik::checkWritable(dir.filePath(QStringLiteral("Setting_Prog.ini"))));
}

TEST(DurableWrite, AReadOnlyFileIsNotReplaced)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser writes any file";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Setting_Prog.ini"));
    writeFile(path, kOld);
    ::chmod(QFile::encodeName(path).constData(), 0444);
    EXPECT_THROW(writeFileDurably(path, "new"), tarvik::Error);
    EXPECT_THROW(tarvik::checkWritable(path), tarvik::Error);
    EXPECT_EQ(readFile(path), kOld);
}

TEST(DurableLog, EveryLineIsOnTheDiskWhenAppendReturns)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal"));
    const int status = inChild([&] {
        DurableLog log(path);
        log.append("run\t1");
        log.append("printed\t1");
        // Unsynced, still written before it returns: a killed process loses nothing.
        log.append("logged\t1", DurableLog::Sync::Later);
        ::raise(SIGKILL);
        return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    DurableLog log(path);
    EXPECT_EQ(log.readAll(), QByteArray("run\t1\nprinted\t1\nlogged\t1\n"));
    log.append("end\t1");
    EXPECT_EQ(log.readAll(), QByteArray("run\t1\nprinted\t1\nlogged\t1\nend\t1\n"));
    log.clear();
    EXPECT_EQ(log.readAll(), QByteArray());
    log.append("run\t2");
    EXPECT_EQ(readFile(path), QByteArray("run\t2\n"));
}

}  // namespace
