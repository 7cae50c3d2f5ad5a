#include "data/schema.h"

namespace tarvik::data {

const StationTable kStationTables[2] = {
    {"TARVIK_RUNS", "SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'TARVIK_RUNS'",
     "CREATE TABLE TARVIK_RUNS (RUN_ID CHAR(36) NOT NULL PRIMARY KEY, NAME_W CHAR(10), ID INTEGER)"},
    {"TARVIK_BOXES", "SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'TARVIK_BOXES'",
     "CREATE TABLE TARVIK_BOXES (RUN_ID CHAR(36) NOT NULL PRIMARY KEY, NUM BIGINT)"},
};

std::vector<QStringList> schemaSteps()
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
        QStringLiteral("CREATE UNIQUE INDEX TOBAP_IDX1 ON TOBAP (ID_TOB)"),
        // Descending, so MAX(ID) of one scale name is a single index step; unique,
        // so two stations of one name cannot store the same row number.
        QStringLiteral("CREATE UNIQUE DESCENDING INDEX DB_ZVIT_NAME_W_ID ON DB_ZVIT (NAME_W, ID)"),
        QStringLiteral("CREATE INDEX DB_ZVIT_NAME_W_DATE ON DB_ZVIT (NAME_W, DATE_IN)"),
        QStringLiteral("CREATE INDEX DB_ZVIT_NAME_W_PARTIA ON DB_ZVIT (NAME_W, PARTIA)"),
    };
    for (const StationTable& t : kStationTables)
        tables << QString::fromLatin1(t.create);
    QStringList rows = {
        // A fresh line starts with box 1, the box number a fresh settings file holds.
        QStringLiteral("INSERT INTO KOPOBKA (ID_num, NUM) VALUES (1, 1)"),
    };
    return {tables, rows};
}

}  // namespace tarvik::data
