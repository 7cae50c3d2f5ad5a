#pragma once
// Writes a QTextDocument as rich text (RTF) that WordPad-style editors and
// LibreOffice read: Windows-1251 (\ansicpg1251, \fcharset204), \uN for the
// characters that code page cannot hold, bullets as \pn paragraphs.
// Kept: bold, italic, underline, strike, font family and size, colour,
// alignment, indents, paragraph spacing, bullets, line and paragraph breaks, tabs.

#include <QByteArray>

class QTextDocument;

namespace tarvik::richtext {

QByteArray writeRtf(const QTextDocument& document);

}  // namespace tarvik::richtext
