#pragma once
// Rich-text files parsed once and kept, each read again only when its file
// has changed since: a label run fills the same templates for every load,
// while the editors may rewrite them at any time.

#include <QString>
#include <QTextDocument>

#include <map>
#include <memory>

namespace tarvik::richtext {

class TemplateCache {
public:
    enum class Form {
        AsRead,       // as loadRichTextFile reads the file
        // As the writer's text of that read back: every character then has
        // its own font family and size, which a template that names none
        // gets from the document the writer wrote.
        WrittenBack,
    };
    explicit TemplateCache(Form form = Form::AsRead) : form_(form) {}

    // The file's document: parsed now when it is new to the cache or its file
    // changed since it was parsed, else the one kept. Throws tarvik::Error as
    // loadRichTextFile does; a file that fails is dropped from the cache.
    const QTextDocument& document(const QString& path);

    // How many parses the cache has made (for the tests).
    int parses() const { return parses_; }

    // What stat tells of a file; equal stamps mean an unchanged file unless
    // the file was written within the clock's resolution of the parse.
    struct Stamp {
        long long device = -1, inode = -1, size = -1;
        long long modifiedNs = 0, changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };

private:
    struct Entry {
        Stamp stamp;
        long long parsedAtNs = 0;  // the clock when it was parsed
        std::unique_ptr<QTextDocument> document;
    };
    Form form_;
    std::map<QString, Entry> entries_;
    int parses_ = 0;
};

// Replaces the content of `to` by that of `from`, formats, lists, tables and
// block properties included; `to` keeps its own default font and margin.
void copyDocument(const QTextDocument& from, QTextDocument& to);

}  // namespace tarvik::richtext
