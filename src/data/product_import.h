#pragma once
// The product catalogue TOBAP as a file and as a record the operator edits:
// the checks every product passes before it reaches the database, and import
// and export of the whole catalogue as a spreadsheet file.
//
// A file's first line names the columns (NAME, PRICE, BARCOD, SELL_DATE,
// SKLAD, TEXT1 ... TEXT8, optionally ID_TOB), in any order and case; one
// product per line after it, UTF-8. Columns are separated by tabs, or by ";"
// or "," (whichever the first line holds), and a value may be quoted with
// double quotes, which lets it hold separators, quotes ("") and line breaks.
// Products without an ID_TOB are numbered after the highest one. Every line
// is checked before anything is written; nothing is written when one fails.

#include "data/database.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <functional>
#include <vector>

namespace tarvik::data {

// The catalogue's columns in the table's order, with the titles the operator
// knows them by (the eight texts have none and go by their names).
struct ProductColumn {
    const char* field;
    const char* title;
};
extern const std::array<ProductColumn, 14> kProductColumns;
// "Ціна" (PRICE), or the name alone for a column without a title.
QString productColumnName(const QString& field);

// The longest shelf life a product may have, in days.
inline constexpr int kMaxShelfLifeDays = 3650;

// Throws, naming the column, when a product would make every label of it fail
// or is not a product at all: an ID that is no whole number from 1, an empty
// name, a price that is no decimal number not below zero ("." or ","), a shelf
// life that is no whole number of days from 0 to kMaxShelfLifeDays (empty is
// none). Column lengths and the code page are the table's own check.
void checkProduct(const std::function<QVariant(const QString& field)>& value);

// Returns the number of products added. Throws naming the line and column.
int importProducts(Database& db, const QString& text);

// The whole catalogue in ID_TOB order as the import reads it: tab-separated
// (`separator` '\t'), or ';' / ',' separated, every column named.
QString exportProducts(Database& db, QChar separator = u'\t');

// A delimited text as rows of cells; quotes as described above. A line break
// inside quotes stays in its cell. Each row keeps the number of the line it
// starts on.
struct TextRow {
    int line;
    QStringList cells;
};
std::vector<TextRow> parseDelimited(const QString& text, QChar separator);

}  // namespace tarvik::data
