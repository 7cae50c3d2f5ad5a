#include "data/schema.h"

namespace tarvik::data {

const std::vector<StationTable> kStationTables = {
    {"TARVIK_RUNS", "CREATE TABLE TARVIK_RUNS (RUN_ID CHAR(36) NOT NULL PRIMARY KEY, NAME_W CHAR(10), ID INTEGER)"},
    {"TARVIK_BOXES", "CREATE TABLE TARVIK_BOXES (RUN_ID CHAR(36) NOT NULL PRIMARY KEY, NUM BIGINT)"},
    // LAST_ID is the number the row's last holder stored: for a reader, not a counter.
    {"TARVIK_SCALES", "CREATE TABLE TARVIK_SCALES (NAME_W CHAR(10) NOT NULL PRIMARY KEY, LAST_ID INTEGER)"},
};

const std::vector<StationIndex> kStationIndexes = {
    {"TOBAP_IDX1", "TOBAP", "CREATE UNIQUE INDEX TOBAP_IDX1 ON TOBAP (ID_TOB)", "CREATE INDEX TOBAP_IDX1 ON TOBAP (ID_TOB)"},
    // Descending, so MAX(ID) of one scale name is a single index step; unique
    // where the rows allow it, a second guard besides the scale's lock row.
    {"DB_ZVIT_NAME_W_ID", "DB_ZVIT", "CREATE UNIQUE DESCENDING INDEX DB_ZVIT_NAME_W_ID ON DB_ZVIT (NAME_W, ID)",
     "CREATE DESCENDING INDEX DB_ZVIT_NAME_W_ID ON DB_ZVIT (NAME_W, ID)"},
    // The reports show one scale's rows, by days or by batches.
    {"DB_ZVIT_NAME_W_DATE", "DB_ZVIT", "CREATE INDEX DB_ZVIT_NAME_W_DATE ON DB_ZVIT (NAME_W, DATE_IN)", ""},
    {"DB_ZVIT_NAME_W_PARTIA", "DB_ZVIT", "CREATE INDEX DB_ZVIT_NAME_W_PARTIA ON DB_ZVIT (NAME_W, PARTIA)", ""},
};

std::vector<QStringList> schemaSteps(SchemaPart part)
{
    QStringList tables = {
        QStringLiteral("CREATE TABLE TOBAP ("
                       "ID_TOB INTEGER, NAME VARCHAR(50), SKLAD VARCHAR(2000), BARCOD VARCHAR(13), "
                       "PRICE VARCHAR(6), SELL_DATE VARCHAR(6), "
                       "TEXT1 VARCHAR(100), TEXT2 VARCHAR(100), TEXT3 VARCHAR(100), TEXT4 VARCHAR(100), "
                       "TEXT5 VARCHAR(100), TEXT6 VARCHAR(100), TEXT7 VARCHAR(100), TEXT8 VARCHAR(100))"),
        // Inserted without a column list by older stations: the column order is fixed.
        QStringLiteral("CREATE TABLE DB_ZVIT ("
                       "ID INTEGER, NAME CHAR(50), DATE_IN DATE, WEIGHT CHAR(6), PRICE CHAR(10), "
                       "PARTIA INTEGER, NAME_W CHAR(10))"),
        // NUM is a BIGINT: the box number field takes up to fifteen digits.
        QStringLiteral("CREATE TABLE KOPOBKA (ID_num INTEGER, NUM BIGINT)"),
        QStringLiteral("CREATE TABLE MESSAGES (ID INTEGER, MESSAGES CHAR(100))"),
    };
    if (part == SchemaPart::Station) {
        for (const StationIndex& i : kStationIndexes)
            tables << QString::fromLatin1(i.create);
        for (const StationTable& t : kStationTables)
            tables << QString::fromLatin1(t.create);
    }
    QStringList rows = {
        // A fresh line starts with box 1, the box number a fresh settings file holds.
        QStringLiteral("INSERT INTO KOPOBKA (ID_num, NUM) VALUES (1, 1)"),
    };
    return {tables, rows};
}

}  // namespace tarvik::data
