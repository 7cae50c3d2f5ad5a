// Products from a tab-separated file into a real catalogue, and the tool that
// does it for a station folder.

#include "data/database.h"
#include "data/product_import.h"
#include "data/station_store.h"
#include "db_test_support.h"

#include <QFile>
#include <QProcess>

using namespace tarvik::data;
using tarvik::data::testing::TempLine;
using tarvik::data::testing::scalar;

namespace {

struct Product {
    int id;
    QString name, price, barcode;
};

std::vector<Product> products(Database& db)
{
    PreparedStatement q(db, QStringLiteral("SELECT ID_TOB, NAME, PRICE, BARCOD FROM TOBAP ORDER BY ID_TOB"));
    std::vector<Product> out;
    for (const auto& r : q.select())
        out.push_back({r.at(0).toInt(), r.at(1).toString(), r.at(2).toString(), r.at(3).toString()});
    return out;
}

TEST(ProductImport, AddsTheLinesNumberedAfterTheHighestId)
{
    TempLine line;
    auto db = Database::openOrCreate(line.params());
    PreparedStatement(*db, QStringLiteral("INSERT INTO TOBAP (ID_TOB, NAME) VALUES (40, 'Old')")).execute();
    // Columns in any order and case, CRLF line ends, an empty cell is NULL.
    const int n = importProducts(*db, QStringLiteral("price\tNAME\tBarcod\r\n12.50\tСир 'Люкс'\t12\r\n0\tМасло\t\r\n"));
    EXPECT_EQ(n, 2);
    const auto p = products(*db);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[1].id, 41);
    EXPECT_EQ(p[1].name, QStringLiteral("Сир 'Люкс'"));
    EXPECT_EQ(p[1].price, QStringLiteral("12.50"));
    EXPECT_EQ(p[1].barcode, QStringLiteral("12"));
    EXPECT_EQ(p[2].id, 42);
    EXPECT_EQ(p[2].price, QStringLiteral("0"));
    EXPECT_TRUE(p[2].barcode.isNull());
}

TEST(ProductImport, GivenIdsAreKeptAndLaterLinesFollowThem)
{
    TempLine line;
    auto db = Database::openOrCreate(line.params());
    importProducts(*db, QStringLiteral("ID_TOB\tNAME\tPRICE\n7\tA\t1\n\tB\t2\n"));
    const auto p = products(*db);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].id, 7);
    EXPECT_EQ(p[1].id, 8);
}

struct BadFile {
    const char* tsv;
    const char* error;
};

class ProductImportRefuses : public ::testing::TestWithParam<BadFile> {};

TEST_P(ProductImportRefuses, NamingTheFaultAndWritingNothing)
{
    TempLine line;
    auto db = Database::openOrCreate(line.params());
    try {
        importProducts(*db, QString::fromUtf8(GetParam().tsv));
        FAIL() << "accepted";
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().contains(QString::fromUtf8(GetParam().error))) << e.text().toStdString();
    }
    EXPECT_EQ(scalar(*db, QStringLiteral("SELECT COUNT(*) FROM TOBAP")), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProductImportRefuses,
    ::testing::Values(BadFile{"", "порожній"}, BadFile{"NAME\tCOLOUR\nA\tred\n", "COLOUR"},
                      BadFile{"PRICE\n1\n", "NAME"}, BadFile{"NAME\tNAME\nA\tB\n", "двічі"},
                      // The second line fails; the first is not written either.
                      BadFile{"NAME\tPRICE\nA\t1\nB\t1234567\n", "рядок 3"},
                      BadFile{"NAME\tPRICE\nA\t1\tx\n", "рядок 2"},
                      BadFile{"ID_TOB\tNAME\nseven\tA\n", "ID_TOB"},
                      BadFile{"NAME\n☃\n", "рядок 2"}));

// Each check of a product, one row per refusal: the column named in the error.
struct ProductCase {
    const char* what;
    QVariantMap values;  // over a good product
    const char* named;   // empty: accepted
};

class ProductCheck : public ::testing::TestWithParam<ProductCase> {};

TEST_P(ProductCheck, RefusesNamingTheColumn)
{
    QVariantMap product = {{QStringLiteral("ID_TOB"), 3}, {QStringLiteral("NAME"), QStringLiteral("Сир")},
                           {QStringLiteral("PRICE"), QStringLiteral("12.50")}, {QStringLiteral("SELL_DATE"), QStringLiteral("30")}};
    for (auto i = GetParam().values.begin(); i != GetParam().values.end(); ++i)
        product[i.key()] = i.value();
    const auto value = [&](const QString& field) { return product.value(field); };
    const QString named = QString::fromUtf8(GetParam().named);
    if (named.isEmpty()) {
        EXPECT_NO_THROW(checkProduct(value));
        return;
    }
    try {
        checkProduct(value);
        FAIL() << "accepted";
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().startsWith(named)) << e.text().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProductCheck,
    ::testing::Values(
        ProductCase{"Good", {}, ""},
        ProductCase{"PriceWithAComma", {{QStringLiteral("PRICE"), QStringLiteral("12,5")}}, ""},
        ProductCase{"PriceZero", {{QStringLiteral("PRICE"), QStringLiteral("0")}}, ""},
        ProductCase{"NoShelfLife", {{QStringLiteral("SELL_DATE"), QVariant()}}, ""},
        ProductCase{"LongestShelfLife", {{QStringLiteral("SELL_DATE"), QStringLiteral("3650")}}, ""},
        ProductCase{"NegativePrice", {{QStringLiteral("PRICE"), QStringLiteral("-5")}}, "\"Ціна\" (PRICE): \"-5\""},
        ProductCase{"PriceNoNumber", {{QStringLiteral("PRICE"), QStringLiteral("12 грн")}}, "\"Ціна\" (PRICE)"},
        ProductCase{"NoPrice", {{QStringLiteral("PRICE"), QVariant()}}, "\"Ціна\" (PRICE)"},
        ProductCase{"ShelfLifeTooLong", {{QStringLiteral("SELL_DATE"), QStringLiteral("999999")}},
                    "\"Термін придатності\" (SELL_DATE): \"999999\""},
        ProductCase{"ShelfLifeNegative", {{QStringLiteral("SELL_DATE"), QStringLiteral("-1")}}, "\"Термін придатності\""},
        ProductCase{"ShelfLifeFraction", {{QStringLiteral("SELL_DATE"), QStringLiteral("1.5")}}, "\"Термін придатності\""},
        ProductCase{"NoName", {{QStringLiteral("NAME"), QStringLiteral("  ")}}, "\"Назва Товару\" (NAME)"},
        ProductCase{"NoId", {{QStringLiteral("ID_TOB"), QVariant()}}, "\"№\" (ID_TOB)"},
        ProductCase{"IdZero", {{QStringLiteral("ID_TOB"), 0}}, "\"№\" (ID_TOB)"}),
    [](const ::testing::TestParamInfo<ProductCase>& i) { return std::string(i.param.what); });

TEST(ProductFile, SpreadsheetCsvWithQuotesSemicolonsAndABomIsRead)
{
    TempLine line;
    auto db = Database::openOrCreate(line.params());
    const QString csv = QChar(0xFEFF) + QStringLiteral(
        "NAME;PRICE;SKLAD;SELL_DATE\r\n"
        "\"Сир \"\"Люкс\"\"; 45%\";12.50;\"Молоко;\r\nсіль\";30\r\n"
        "Масло;0;;\r\n");
    EXPECT_EQ(importProducts(*db, csv), 2);
    EXPECT_EQ(scalar(*db, QStringLiteral("SELECT COUNT(*) FROM TOBAP WHERE NAME = ?"), {QStringLiteral("Сир \"Люкс\"; 45%")}), 1);
    EXPECT_EQ(scalar(*db, QStringLiteral("SELECT COUNT(*) FROM TOBAP WHERE SKLAD = ?"), {QStringLiteral("Молоко;\nсіль")}), 1);
    // The comma form reads the same way.
    EXPECT_EQ(importProducts(*db, QStringLiteral("NAME,PRICE\n\"Кава, мелена\",99.9\n")), 1);
    EXPECT_EQ(scalar(*db, QStringLiteral("SELECT ID_TOB FROM TOBAP WHERE NAME = ?"), {QStringLiteral("Кава, мелена")}), 3);
}

TEST(ProductFile, ExportThenImportGivesTheSameCatalogue)
{
    TempLine line;
    auto db = Database::openOrCreate(line.params());
    importProducts(*db, QStringLiteral("ID_TOB\tNAME\tPRICE\tSKLAD\tTEXT8\n"
                                       "5\tСир\t12.50\t\"Опис\tз табом і \"\"лапками\"\"\"\tкінець\n"
                                       "9\tМасло\t0\t\t\n"));
    for (const QChar separator : {QChar(u'\t'), QChar(u';'), QChar(u',')}) {
        const QString file = exportProducts(*db, separator);
        EXPECT_TRUE(file.startsWith(QStringList({QStringLiteral("ID_TOB"), QStringLiteral("NAME")}).join(separator)));
        TempLine other;
        auto copy = Database::openOrCreate(other.params());
        EXPECT_EQ(importProducts(*copy, file), 2);
        EXPECT_EQ(exportProducts(*copy, separator), file);
    }
}

TEST(ProductFile, AWrongCellIsNamedByItsLineEvenAfterALineBreakInQuotes)
{
    TempLine line;
    auto db = Database::openOrCreate(line.params());
    try {
        importProducts(*db, QStringLiteral("NAME;PRICE;SKLAD\nA;1;\"два\nрядки\"\nB;-1;\n"));
        FAIL() << "accepted";
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Файл товарів, рядок 4: \"Ціна\" (PRICE)"))) << e.text().toStdString();
    }
    EXPECT_THROW(importProducts(*db, QStringLiteral("NAME;PRICE\n\"A;1\n")), tarvik::Error);
    EXPECT_EQ(scalar(*db, QStringLiteral("SELECT COUNT(*) FROM TOBAP")), 0);
}

QProcess::ExitStatus runTool(const QStringList& args, int& code, QString& err)
{
    QProcess p;
    p.start(QStringLiteral(TARVIK_BIN_DIR "/tarvik-products"), args);
    p.waitForFinished(60000);
    code = p.exitCode();
    err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus();
}

TEST(ProductsTool, AddsToAStationOnlyWhileItsCatalogueIsEmptyWithIfEmpty)
{
    TempLine line;
    const QString file = line.dir.filePath(QStringLiteral("p.tsv"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("NAME\tPRICE\n\xd0\xa1\xd0\xb8\xd1\x80\t10\n");
    }
    int code = -1;
    QString err;
    const QStringList args = {QStringLiteral("--station-dir"), line.programDir, QStringLiteral("--if-empty"), file};
    runTool(args, code, err);
    EXPECT_EQ(code, 0) << err.toStdString();
    runTool(args, code, err);  // the second time there is a catalogue already
    EXPECT_EQ(code, 0) << err.toStdString();
    runTool({QStringLiteral("--station-dir"), line.programDir}, code, err);
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(err.contains(QStringLiteral("Usage:")));

    auto db = Database::connect(line.params());
    const auto p = products(*db);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].name, QStringLiteral("Сир"));
}

}  // namespace
