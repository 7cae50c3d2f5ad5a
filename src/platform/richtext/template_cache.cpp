#include "platform/richtext/template_cache.h"

#include "platform/richtext/rich_text.h"
#include "platform/richtext/rtf_reader.h"
#include "platform/richtext/rtf_writer.h"

#include <QFile>
#include <QTextCursor>
#include <QTextDocumentFragment>

namespace tarvik::richtext {

const QTextDocument& TemplateCache::document(const QString& path)
{
    const FileStamp stamp = FileStamp::of(path);
    auto found = entries_.find(path);
    if (found != entries_.end()) {
        if (found->second.seen.unchanged(stamp))
            return *found->second.document;
        entries_.erase(found);
    }
    Entry e;
    e.seen = SeenFile::readWith(stamp);
    e.document = std::make_unique<QTextDocument>();
    e.document->setUndoRedoEnabled(false);
    // One road for every template read: what a load refuses, this refuses.
    loadRichTextFile(*e.document, path);
    if (form_ == Form::WrittenBack)
        readRtf(writeRtf(*e.document), *e.document);
    // Taken once: building a fragment costs a third of a copy.
    if (!e.document->isEmpty())
        e.fragment = QTextDocumentFragment(e.document.get());
    e.parse = std::uint64_t(++parses_);
    return *entries_.emplace(path, std::move(e)).first->second.document;
}

namespace {

void replaceContent(const QTextDocument& from, const QTextDocumentFragment& fragment, QTextDocument& to)
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
        cursor.insertFragment(fragment);
    }
    to.setUndoRedoEnabled(undo);
}

}  // namespace

std::uint64_t TemplateCache::parseNumber(const QString& path)
{
    document(path);
    return entries_.at(path).parse;
}

void TemplateCache::copyInto(const QString& path, QTextDocument& to)
{
    const QTextDocument& from = document(path);
    replaceContent(from, entries_.at(path).fragment, to);
}

}  // namespace tarvik::richtext
