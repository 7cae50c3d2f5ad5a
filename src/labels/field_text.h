#pragma once
// What the field text editor does to a label block's text, without a window:
// where the caret stands, the paragraph formats its commands set, the forward
// search with its replace chain, the placeholders it offers, and the check
// of the text before it is written as a template.

#include <QString>
#include <QTextCursor>

#include <functional>

class QTextDocument;

namespace tarvik::labels {

// The caret's line and column, both from 0. Lines are counted as the editor
// shows them (it does not wrap): paragraphs and the line breaks inside them.
struct CaretPlace {
    int line = 0;
    int column = 0;
};
CaretPlace caretPlace(const QTextCursor& caret);
// As the status bar shows it: line + 1, ": ", column + 1 ("3: 14").
QString caretPlaceText(const QTextCursor& caret);

// The alignment of the caret's paragraph: Qt::AlignLeft, AlignHCenter or
// AlignRight (justified and unset paragraphs read as left).
Qt::Alignment paragraphAlignment(const QTextCursor& caret);
// Sets the alignment of every paragraph the selection touches.
void setParagraphAlignment(QTextCursor caret, Qt::Alignment alignment);
// Makes the paragraphs the selection touches bulleted, or no list at all.
void setBulleted(QTextCursor caret, bool bulleted);
// Sets the first-line indent of the paragraphs the selection touches to 0 and
// their left indent to minus that (so 0). Leaves paragraphs that have no
// indent untouched, so opening a text adds nothing to undo.
void clearIndents(QTextCursor caret);

// What the find and replace dialogs hold.
struct SearchRequest {
    QString what;
    QString replacement;
    bool wholeWord = false;
    bool matchCase = false;
};

// "Текст '<what>' не найден".
QString notFoundText(const QString& what);

// Searches forward from the end of the selection (or from the caret) to the
// end of the text. Found: the caret selects the occurrence. Not found: the
// caret stays as it was.
bool findNext(QTextCursor& caret, const SearchRequest& request);

enum class ReplaceMode { One, All };
// The replace dialog's "Заменить" and "Заменить все". A selection is replaced
// by the replacement text in the format of its first character. One: with
// nothing selected, calls notFound. All: then finds the next occurrence and
// replaces it, again and again from the end of each replacement, until a
// search finds nothing, which calls notFound. Returns how many it replaced.
int replace(QTextCursor& caret, const SearchRequest& request, ReplaceMode mode,
            const std::function<void(const QString& message)>& notFound);

// The placeholder a label run fills, with what it stands for, in the order
// the editor's list offers them.
struct PlaceholderEntry {
    QString placeholder;  // "$netto"
    QString meaning;      // "вес нетто"
};
const std::vector<PlaceholderEntry>& placeholderEntries();

// Throws an error naming the first character of the text that Windows-1251
// cannot hold: a template holds none.
void checkTemplateText(const QTextDocument& text);

}  // namespace tarvik::labels
