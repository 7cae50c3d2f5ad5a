#pragma once
// Reads rich text (RTF) into a QTextDocument: the subset that WordPad-style
// editors, LibreOffice, AbiWord and pandoc write for short formatted texts,
// shown as those editors show it: numbered and bulleted lists, tables (QTextTable
// with cell widths and merged cells), capitals and small capitals, super- and
// subscript; hidden text is left out; footnotes follow the text as paragraphs
// after their reference marks; fields show their saved result.
// Text is Windows-1251 unless the file or a font says otherwise (see
// documentCodepage in the reader); unknown control words and destinations are
// skipped without losing the text around them.
//
// Malformed input never crashes or hangs the reader: unbalanced groups and
// truncated files keep what was read, numbers are clamped, and nesting deeper
// than kMaxRtfDepth groups raises tarvik::Error.

#include <QByteArray>

class QTextDocument;

namespace tarvik::richtext {

inline constexpr int kMaxRtfDepth = 256;

// Replaces the document's content by the rich text in `data`. Data that does
// not start with "{\rtf" is taken as plain Windows-1251 text, as a rich-text
// control loads it. Throws tarvik::Error for nesting beyond kMaxRtfDepth
// (the document is then left empty).
void readRtf(const QByteArray& data, QTextDocument& document);

// Document units: one twip (1/20 point) is 1/15 of a document pixel (96 per inch).
inline constexpr double kTwipsPerPixel = 15.0;

// Block property holding a bullet paragraph's first-line indent in pixels: the
// layout places the bullet in the hanging room itself, so the indent is kept
// only to be written back.
inline constexpr int kBulletFirstIndentProperty = 0x100000 + 1;  // QTextFormat::UserProperty + 1

// A numbered item that Qt's lists cannot count as its editor does (a list that
// starts at 3: Qt 6.4 lists count from 1; a number given only as \listtext):
// the block is no QTextList item but starts with its label and a tab, and
// these block properties let the writer write it back as a list item.
inline constexpr int kListLabelProperty = 0x100000 + 2;   // QString: the label at the block's start
inline constexpr int kListNumberProperty = 0x100000 + 3;  // int: the item's own number
inline constexpr int kListFormatProperty = 0x100000 + 4;  // int: its NumberFormat (list_numbering.h)
inline constexpr int kListPrefixProperty = 0x100000 + 5;  // QString: the label's text before the number
inline constexpr int kListSuffixProperty = 0x100000 + 6;  // QString: and after it
inline constexpr int kListKeyProperty = 0x100000 + 7;     // int: items of one list share it

// A paragraph of footnote text, placed after the document's own paragraphs.
inline constexpr int kFootnoteProperty = 0x100000 + 8;  // bool
// The empty block that Qt keeps before a table at the start of a document or
// between two tables; it has no height and is not written.
inline constexpr int kTableSpacerProperty = 0x100000 + 9;  // bool

}  // namespace tarvik::richtext
