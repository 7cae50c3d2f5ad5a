#include "platform/richtext/template_cache.h"

#include "platform/richtext/rich_text.h"
#include "platform/richtext/rtf_reader.h"
#include "platform/richtext/rtf_writer.h"

#include <QFile>
#include <QTextCursor>
#include <QTextDocumentFragment>

#include <sys/stat.h>

#include <ctime>

namespace tarvik::richtext {
namespace {

// A file system stamps times at its clock's tick (a few milliseconds on
// Linux, seconds on some), so a file written again within a tick of the
// parse keeps its stamp. Such a parse is not trusted beyond the next look.
constexpr long long kClockToleranceNs = 2'000'000'000;

long long nanoseconds(const timespec& t) { return static_cast<long long>(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

long long nowNs()
{
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return nanoseconds(t);
}

TemplateCache::Stamp stampOf(const QString& path)
{
    struct stat s{};
    if (::stat(QFile::encodeName(path).constData(), &s) != 0)
        return {};
    return {static_cast<long long>(s.st_dev), static_cast<long long>(s.st_ino), static_cast<long long>(s.st_size),
            nanoseconds(s.st_mtim), nanoseconds(s.st_ctim)};
}

}  // namespace

const QTextDocument& TemplateCache::document(const QString& path)
{
    const Stamp stamp = stampOf(path);
    auto found = entries_.find(path);
    if (found != entries_.end()) {
        const Entry& e = found->second;
        const bool settled = stamp.modifiedNs + kClockToleranceNs < e.parsedAtNs;
        if (stamp.inode >= 0 && stamp == e.stamp && settled)
            return *e.document;
        entries_.erase(found);
    }
    Entry e;
    e.stamp = stamp;
    e.parsedAtNs = nowNs();
    e.document = std::make_unique<QTextDocument>();
    e.document->setUndoRedoEnabled(false);
    // One road for every template read: what a load refuses, this refuses.
    loadRichTextFile(*e.document, path);
    if (form_ == Form::WrittenBack)
        readRtf(writeRtf(*e.document), *e.document);
    ++parses_;
    return *entries_.emplace(path, std::move(e)).first->second.document;
}

void copyDocument(const QTextDocument& from, QTextDocument& to)
{
    const bool undo = to.isUndoRedoEnabled();
    to.setUndoRedoEnabled(false);
    to.clear();
    QTextCursor cursor(&to);
    if (from.isEmpty()) {
        // An empty document still has its one block's formats.
        const QTextCursor source(const_cast<QTextDocument*>(&from));
        cursor.setBlockFormat(source.blockFormat());
        cursor.setBlockCharFormat(source.blockCharFormat());
    } else {
        cursor.insertFragment(QTextDocumentFragment(&from));
    }
    to.setUndoRedoEnabled(undo);
}

}  // namespace tarvik::richtext
