#pragma once
// Reads rich text (RTF) into a QTextDocument: the subset that WordPad-style
// editors and LibreOffice write for short formatted texts. Text is Windows-1251
// unless the file or a font says otherwise; unknown control words and
// destinations are skipped without losing the text around them.
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

}  // namespace tarvik::richtext
