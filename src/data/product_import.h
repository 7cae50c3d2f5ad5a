#pragma once
// Products from a tab-separated text file into the catalogue TOBAP: for
// setting up a demo or a new line before the catalogue window is at hand.
//
// The first line names the columns (NAME, PRICE, BARCOD, SELL_DATE, SKLAD,
// TEXT1 ... TEXT8, optionally ID_TOB), one product per line after it, UTF-8.
// Products without an ID_TOB are numbered after the highest one. Every line
// is checked before anything is written; nothing is written when one fails.

#include "data/database.h"

#include <QString>

namespace tarvik::data {

// Returns the number of products added. Throws naming the line and column.
int importProducts(Database& db, const QString& tsvText);

}  // namespace tarvik::data
