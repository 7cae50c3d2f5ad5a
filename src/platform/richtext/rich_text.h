#pragma once
// What the label code asks of a rich-text control, over a QTextDocument:
// loading and saving rich-text files, the displayed text, a forward search
// with exact case or whole words, and replacing a selection in the format of
// its first character.

#include <QString>
#include <QTextCursor>

class QTextDocument;

namespace tarvik::richtext {

// Replaces the document's content by the rich-text file. Throws tarvik::Error
// naming the file when it cannot be read (and for the reader's own errors).
void loadRichTextFile(QTextDocument& document, const QString& path);

enum class SaveMode {
    Atomic,   // replaced as a whole and synced to disk: a template, a user's file
    Scratch,  // overwritten in place, not synced: a work file read back at once
};

// Writes the document as rich text. Throws tarvik::Error naming the file when
// it cannot be written.
void saveRichTextFile(const QTextDocument& document, const QString& path, SaveMode mode = SaveMode::Atomic);

// The text as displayed: paragraphs and line breaks as "\n", one character per
// document position, so positions in it are cursor positions.
QString displayedText(const QTextDocument& document);

struct FindOptions {
    bool matchCase = false;
    bool wholeWords = false;
};

// The first occurrence of `what` at or after `from`, selected; a null cursor
// when there is none (or `what` is empty). Matches ignore formatting but not
// paragraph or line breaks.
QTextCursor findText(const QTextDocument& document, const QString& what, int from, FindOptions options = {});

// Replaces the cursor's selection by `text`, which takes the character format
// of the first replaced character (with no selection: the format at the
// cursor). The cursor ends after the inserted text.
void replaceSelection(QTextCursor& cursor, const QString& text);

}  // namespace tarvik::richtext
