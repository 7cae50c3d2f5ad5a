#pragma once
// Windows-1251, the form of every text in files and in the database.

#include <QByteArray>
#include <QString>
#include <optional>

namespace tarvik::text {

// The position of the first character Windows-1251 cannot hold, if any.
std::optional<qsizetype> firstUnencodable(const QString& s);

// Encodes to Windows-1251. Throws tarvik::Error naming the first character
// the code page cannot hold; nothing is ever written as "?".
QByteArray toCp1251(const QString& s);

// Decodes Windows-1251 (every byte maps to a character).
QString fromCp1251(const QByteArray& bytes);

}  // namespace tarvik::text
