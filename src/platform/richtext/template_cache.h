#pragma once
// Rich-text files parsed once and kept, each read again only when its file
// has changed since: a label run fills the same templates for every load,
// while the editors may rewrite them at any time.

#include "platform/text/file_stamp.h"

#include <QString>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <cstdint>
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
    // Which parse of the file `document` now gives: another number means
    // another content. Checks the file as `document` does.
    std::uint64_t parseNumber(const QString& path);
    // Replaces the content of `to` by that file's document, formats, lists,
    // tables and block properties included; `to` keeps its own default font
    // and margin. Throws before `to` is touched when the file fails.
    void copyInto(const QString& path, QTextDocument& to);

    // How many parses the cache has made (for the tests).
    int parses() const { return parses_; }

private:
    struct Entry {
        SeenFile seen;
        std::unique_ptr<QTextDocument> document;
        QTextDocumentFragment fragment;  // the whole document
        std::uint64_t parse = 0;
    };
    Form form_;
    std::map<QString, Entry> entries_;
    int parses_ = 0;
};

}  // namespace tarvik::richtext
