#pragma once
// The Windows code pages that rich text names by number (\ansicpg, \cpg) or
// by font character set (\fcharset).

#include <QByteArray>
#include <QString>

namespace tarvik::richtext {

// The code page of a font character set; `fallback` for a set without one.
int codepageOfCharset(int charset, int fallback);

// True when `codepage` is one the reader can decode.
bool isKnownCodepage(int codepage);

// Decodes single- or multi-byte text of a code page; an unknown code page is
// read as Windows-1251.
QString decodeCodepage(const QByteArray& bytes, int codepage);

}  // namespace tarvik::richtext
