#pragma once
// Writes a QTextDocument as rich text (RTF) that WordPad-style editors and
// LibreOffice read: Windows-1251 (\ansicpg1251, \fcharset204), \uN for the
// characters that code page cannot hold, bullets as \pn paragraphs, numbered
// lists in a list table (\ls, with \listtext for readers without one), tables
// as \trowd rows with their cell widths, borders and merged cells.
// Kept: bold, italic, underline, strike, capitals, small capitals, super- and
// subscript, font family and size, colour, alignment, indents, paragraph
// spacing, lists with their number format and start, tables, line and
// paragraph breaks, tabs. Footnotes read from a file are written as the
// paragraphs they became.

#include <QByteArray>

class QTextDocument;

namespace tarvik::richtext {

QByteArray writeRtf(const QTextDocument& document);

}  // namespace tarvik::richtext
