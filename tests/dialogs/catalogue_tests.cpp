// The tab "Товари" and the message dictionary through the real windows,
// offscreen, on a real database file: controls are found by their names.

#include "data/database.h"
#include "data/datasets.h"
#include "data/product_import.h"
#include "dialogs/message_editor.h"
#include "dialogs/settings_dialog.h"
#include "model/station_model.h"
#include "platform/grid/db_grid.h"
#include "platform/grid/db_navigator.h"
#include "platform/ui/responders.h"
#include "station/main_window.h"
#include "station/station.h"
#include "station/windows.h"
#include "support/station_folder.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using tarvik::grid::DBGrid;
using tarvik::grid::DBNavigator;
using tarvik::grid::NavButton;
using tarvik::testing::StationFolder;

namespace {

constexpr int kText3 = 7;  // the grid column of TEXT3

class CatalogueTest : public ::testing::Test {
protected:
    void start(const QString& products = {}, const QStringList& readings = {QStringLiteral("Error")})
    {
        folder.scriptScale(readings);
        if (!products.isEmpty()) {
            auto db = tarvik::data::Database::openOrCreate(
                {QDir(folder.databaseDir()).filePath(QStringLiteral("VELM.GDB"))});
            tarvik::data::importProducts(*db, products);
        }
        station = std::make_unique<tarvik::station::Station>(folder.programDir());
        ASSERT_TRUE(frMain->model().databaseOrNull()) << "no database";
        frSetting->resize(908, 615);
        frSetting->show();
        tabs()->setCurrentIndex(1);  // "Товари": loads the settings, as the operator's click does
    }

    template <class T>
    static T* named(QObject* in, const char* name)
    {
        T* found = in->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QTabWidget* tabs() { return named<QTabWidget>(frSetting, "PageControl1"); }
    DBGrid* grid() { return named<DBGrid>(frSetting, "Grid"); }
    DBNavigator* navigator() { return named<DBNavigator>(frSetting, "Navigator"); }
    DBGrid* dictionaryGrid() { return named<DBGrid>(FormEdit, "DBGrid"); }
    DBNavigator* dictionaryNavigator() { return named<DBNavigator>(FormEdit, "Navigator"); }
    tarvik::data::TableDataset& products() { return frMain->model().table(); }

    // The catalogue's field at a row, as the grid holds it.
    QString cell(int row, const char* field)
    {
        return grid()->source()->value(row, QString::fromLatin1(field)).toString();
    }
    qint64 scalar(const QString& sql, const QVariantList& params = {})
    {
        tarvik::data::PreparedStatement s(frMain->model().database(), sql);
        const auto rows = s.select(params);
        return rows.empty() || rows[0].at(0).isNull() ? -1 : rows[0].at(0).toLongLong();
    }
    void sql(const QString& statement, const QVariantList& params = {})
    {
        tarvik::data::PreparedStatement s(frMain->model().database(), statement);
        s.execute(params);
    }
    void messages(const std::vector<std::pair<int, QString>>& rows)
    {
        for (const auto& [id, text] : rows)
            sql(QStringLiteral("INSERT INTO MESSAGES (ID, MESSAGES) VALUES (?, ?)"), {id, text});
    }

    // Types a value into a cell as the grid's editor would commit it.
    void type(int row, int column, const QString& value)
    {
        grid()->setCurrentCell(row, column);
        auto& m = grid()->model();
        ASSERT_TRUE(m.setData(m.index(row, column), value, Qt::EditRole));
    }

    // Presses the ellipsis of a cell with the mouse.
    void pressEllipsis(int row, int column)
    {
        grid()->setCurrentCell(row, column);
        const QRect button = grid()->editButtonRect(row, column);
        ASSERT_FALSE(button.isEmpty());
        QTest::mouseClick(grid()->view()->viewport(), Qt::LeftButton, {}, button.center());
    }

    // Double-clicks a cell of the dictionary.
    void doubleClickMessage(int row, int column)
    {
        DBGrid* g = dictionaryGrid();
        g->setCurrentCell(row, column);
        QTableView* v = g->view();
        const QPoint at = v->visualRect(v->model()->index(row, column)).center();
        QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, at);
    }

    StationFolder folder;
    tarvik::ui::ScopedScriptedResponder prompts;
    std::unique_ptr<tarvik::station::Station> station;
};

const QString kThree = QStringLiteral("ID_TOB\tNAME\tPRICE\tSELL_DATE\n1\tСир\t12.50\t30\n2\tМасло\t80\t10\n7\tКава\t99\t365\n");

TEST_F(CatalogueTest, TheGridHasTheColumnsTitlesAndWidthsOfTheCatalogue)
{
    start(kThree);
    const struct {
        const char* field;
        const char* title;
        int width;  // -1: the grid's default
        bool ellipsis;
    } expected[] = {
        {"ID_TOB", "№", 33, false},           {"NAME", "Назва Товару", 208, false},
        {"BARCOD", "Код", -1, false},         {"PRICE", "Ціна", -1, false},
        {"SELL_DATE", "Термін придатності", -1, false},
        {"TEXT1", "TEXT1", 206, true},        {"TEXT2", "TEXT2", 237, true},
        {"TEXT3", "TEXT3", 270, true},        {"TEXT4", "TEXT4", 207, true},
        {"TEXT5", "TEXT5", 246, true},        {"TEXT6", "TEXT6", 243, true},
        {"TEXT7", "TEXT7", 248, true},        {"TEXT8", "TEXT8", 270, true},
        {"SKLAD", "Опис товару", -1, false},
    };
    const auto& columns = grid()->columns();
    ASSERT_EQ(columns.size(), std::size(expected));
    const QHeaderView* header = grid()->view()->horizontalHeader();
    for (size_t i = 0; i < columns.size(); ++i) {
        const auto& e = expected[i];
        EXPECT_EQ(columns[i].field, QString::fromLatin1(e.field));
        EXPECT_EQ(grid()->model().headerData(int(i), Qt::Horizontal, Qt::DisplayRole).toString(),
                  QString::fromUtf8(e.title));
        // The grid's default width, widened where the title would be cut.
        const int title = header->fontMetrics().horizontalAdvance(QString::fromUtf8(e.title));
        if (e.width < 0)
            EXPECT_EQ(grid()->columnWidth(int(i)), std::max(header->defaultSectionSize(), title + 12)) << e.field;
        else
            EXPECT_EQ(grid()->columnWidth(int(i)), e.width) << e.field;
        EXPECT_GT(grid()->columnWidth(int(i)), title) << e.field;
        EXPECT_EQ(columns[i].button == tarvik::grid::GridColumn::Button::Ellipsis, e.ellipsis) << e.field;
    }
    EXPECT_EQ(grid()->rowCount(), 3);
    // Showing the tab walked the catalogue for the product lists: the last product is current.
    EXPECT_EQ(grid()->currentRow(), 2);
}

TEST_F(CatalogueTest, TheNavigatorOffersNoDeleteAndTheGridDeletesNothing)
{
    start(kThree);
    const auto shown = navigator()->visibleButtons();
    EXPECT_EQ(shown, (QList<NavButton>{NavButton::First, NavButton::Prior, NavButton::Next, NavButton::Last,
                                       NavButton::Insert, NavButton::Edit, NavButton::Post, NavButton::Cancel,
                                       NavButton::Refresh}));
    EXPECT_FALSE(navigator()->button(NavButton::Delete)->isVisibleTo(navigator()));
    grid()->setCurrentCell(1, 1);
    EXPECT_FALSE(grid()->deleteCurrentRow());
    QTest::keyClick(grid()->view(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(grid()->rowCount(), 3);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TOBAP")), 3);
}

TEST_F(CatalogueTest, ANewProductProposesTheHighestNumberPlusOne)
{
    start(kThree);
    grid()->setCurrentCell(0, 1);
    navigator()->click(NavButton::Insert);
    const int row = grid()->currentRow();
    EXPECT_EQ(cell(row, "ID_TOB"), QStringLiteral("8"));
    type(row, 1, QStringLiteral("Йогурт"));
    type(row, 3, QStringLiteral("25.40"));
    navigator()->click(NavButton::Post);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TOBAP WHERE ID_TOB = 8 AND NAME = ?"), {QStringLiteral("Йогурт")}), 1);
}

TEST_F(CatalogueTest, TheFirstProductOfAnEmptyCatalogueGetsOne)
{
    start();
    EXPECT_EQ(grid()->rowCount(), 0);
    navigator()->click(NavButton::Insert);
    ASSERT_EQ(grid()->rowCount(), 1);
    EXPECT_EQ(cell(0, "ID_TOB"), QStringLiteral("1"));
}

// One check of a product per row: the value typed, the column the error names.
struct Refusal {
    const char* name;
    int column;
    const char* value;
    const char* named;
};

class CatalogueRefuses : public CatalogueTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(CatalogueRefuses, AValueThatWouldFailEveryLabelAndKeepsTheRecord)
{
    start(kThree);
    navigator()->click(NavButton::Insert);
    const int row = grid()->currentRow();
    type(row, 1, QStringLiteral("Новий"));
    type(row, 3, QStringLiteral("10"));
    type(row, GetParam().column, QString::fromUtf8(GetParam().value));
    try {
        navigator()->click(NavButton::Post);
        FAIL() << "posted";
    } catch (const tarvik::Error& e) {
        // A taken number is the unique index's refusal, in the database's words.
        if (QByteArray(GetParam().name) != "TakenNumber")
            EXPECT_TRUE(e.text().startsWith(QStringLiteral("Товар не збережено. "))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QString::fromUtf8(GetParam().named))) << e.text().toStdString();
    }
    // The record stays as typed, being inserted; nothing reached the database.
    EXPECT_EQ(grid()->source()->state(), tarvik::grid::RowSource::State::Insert);
    EXPECT_EQ(grid()->model().index(row, GetParam().column).data().toString(), QString::fromUtf8(GetParam().value).trimmed());
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TOBAP")), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, CatalogueRefuses,
    ::testing::Values(Refusal{"NegativePrice", 3, "-12.50", "\"Ціна\" (PRICE)"},
                      Refusal{"PriceNoNumber", 3, "дорого", "\"Ціна\" (PRICE)"},
                      Refusal{"PriceTooLong", 3, "1234567", "PRICE"},
                      Refusal{"ShelfLifeAbsurd", 4, "999999", "\"Термін придатності\" (SELL_DATE)"},
                      Refusal{"ShelfLifeNoNumber", 4, "місяць", "\"Термін придатності\" (SELL_DATE)"},
                      Refusal{"NoName", 1, " ", "\"Назва Товару\" (NAME)"},
                      Refusal{"NameTooLong", 1, "Сир твердий голландський, брусок, вагова фасовка, ДСТУ", "NAME"},
                      Refusal{"CodeTooLong", 2, "48200012345678", "BARCOD"},
                      Refusal{"NotInTheCodePage", 5, "Зберігати ☃", "TEXT1"},
                      Refusal{"TakenNumber", 0, "7", "TOBAP_IDX1"}),
    [](const ::testing::TestParamInfo<Refusal>& i) { return std::string(i.param.name); });

TEST_F(CatalogueTest, TheEllipsisOfText3AndADoubleClickFillTheTextAndLeaveTheRecordUnposted)
{
    start(kThree);
    messages({{1, QStringLiteral("Зберігати при +2..+6 °C")}, {2, QStringLiteral("Без ГМО")}});
    int dictionaries = 0;
    prompts->onDialog = [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("FormEdit"));
        ++dictionaries;
        EXPECT_EQ(dictionaryGrid()->rowCount(), 2);
        doubleClickMessage(1, 1);
        return d.result();
    };
    pressEllipsis(0, kText3);
    EXPECT_EQ(dictionaries, 1);
    EXPECT_FALSE(FormEdit->isVisible());
    // The message arrives whole, padded to its 100 characters, and is not posted.
    EXPECT_EQ(cell(0, "TEXT3"), QStringLiteral("Без ГМО").leftJustified(100, u' '));
    EXPECT_EQ(grid()->source()->state(), tarvik::grid::RowSource::State::Edit);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TOBAP WHERE TEXT3 IS NULL")), 3);
    navigator()->click(NavButton::Post);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TOBAP WHERE ID_TOB = 1 AND TEXT3 STARTING WITH ?"),
                     {QStringLiteral("Без ГМО")}),
              1);
}

TEST_F(CatalogueTest, ADoubleClickInTheNumberColumnCopiesTheNumber)
{
    start(kThree);
    messages({{3, QStringLiteral("Перша")}, {12, QStringLiteral("Друга")}});
    prompts->onDialog = [&](QDialog& d) {
        doubleClickMessage(1, 0);
        return d.result();
    };
    pressEllipsis(2, kText3 + 1);
    EXPECT_EQ(cell(2, "TEXT4"), QStringLiteral("12"));
}

TEST_F(CatalogueTest, ANewMessageTakesTheHighestNumberPlusOneAfterADeletion)
{
    start(kThree);
    messages({{1, QStringLiteral("a")}, {2, QStringLiteral("b")}, {3, QStringLiteral("c")}});
    prompts->buttons = {tarvik::ui::Button::Yes};  // "delete the record?"
    prompts->onDialog = [&](QDialog& d) {
        DBGrid* g = dictionaryGrid();
        g->setCurrentCell(1, 1);
        EXPECT_TRUE(g->deleteCurrentRow());
        dictionaryNavigator()->click(NavButton::Insert);
        const int row = g->currentRow();
        EXPECT_EQ(g->source()->value(row, QStringLiteral("ID")).toInt(), 4);
        dictionaryNavigator()->click(NavButton::Cancel);
        return QDialog::Rejected;
    };
    pressEllipsis(0, kText3);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM MESSAGES")), 2);
}

// The dictionary's "№" column as drawn, one picture per visible row.
std::vector<QImage> numberCells(DBGrid* g)
{
    QTableView* v = g->view();
    const QImage all = v->viewport()->grab().toImage();
    std::vector<QImage> out;
    for (int row = v->rowAt(0); row >= 0 && row < g->rowCount(); ++row) {
        const QRect r = v->visualRect(v->model()->index(row, 0));
        if (r.bottom() > v->viewport()->height())
            break;
        out.push_back(all.copy(r));
    }
    return out;
}

TEST_F(CatalogueTest, TheNumberColumnShowsThePositionOnScreenNotTheId)
{
    start(kThree);
    std::vector<std::pair<int, QString>> rows;
    for (int i = 0; i < 60; ++i)
        rows.push_back({100 + 7 * i, QStringLiteral("повідомлення %1").arg(i)});
    messages(rows);
    std::vector<QImage> top, scrolled;
    prompts->onDialog = [&](QDialog& d) {
        d.resize(741, 554);
        QCoreApplication::processEvents();
        top = numberCells(dictionaryGrid());
        dictionaryGrid()->view()->verticalScrollBar()->setValue(20);
        QCoreApplication::processEvents();
        scrolled = numberCells(dictionaryGrid());
        EXPECT_EQ(dictionaryGrid()->view()->rowAt(0), 20);
        return QDialog::Rejected;
    };
    pressEllipsis(0, kText3);
    ASSERT_GE(top.size(), 3u);
    // Rows 1, 2, 3 ... differ from one another, whatever their IDs, and the
    // rows on screen after scrolling show the same numbers again.
    EXPECT_NE(top[0], top[1]);
    EXPECT_NE(top[1], top[2]);
    ASSERT_EQ(scrolled.size(), top.size());
    for (size_t i = 0; i < top.size(); ++i)
        EXPECT_EQ(scrolled[i], top[i]) << "row " << i + 1;
}

TEST_F(CatalogueTest, TheDictionaryIsAToolWindowOnTopWithItsPrintMenu)
{
    start(kThree);
    EXPECT_EQ(FormEdit->windowTitle(), QStringLiteral("Редактор повідомлень"));
    EXPECT_TRUE(FormEdit->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(FormEdit->windowFlags().testFlag(Qt::Tool));
    auto* print = FormEdit->findChild<QAction*>(QStringLiteral("N1"));
    ASSERT_NE(print, nullptr);
    EXPECT_EQ(print->text(), QStringLiteral("Друк"));
    EXPECT_EQ(print->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    auto* list = dictionaryGrid();
    EXPECT_EQ(list->footerRowCount(), 1);
    EXPECT_TRUE(list->isTitleBold());
    EXPECT_EQ(dictionaryNavigator()->visibleButtons(), DBNavigator::allButtons());
    // The table is open only while the window is shown.
    EXPECT_EQ(list->source(), nullptr);
    int previews = 0;
    prompts->onDialog = [&](QDialog& d) {
        if (d.objectName() == u"FormEdit") {
            EXPECT_EQ(dictionaryGrid()->columns().at(1).shownTitle(), QStringLiteral("Повідомленя"));
            EXPECT_NE(dictionaryGrid()->source(), nullptr);
            print->trigger();
        } else {
            ++previews;
        }
        return QDialog::Rejected;
    };
    pressEllipsis(0, kText3);
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(list->source(), nullptr);
}

TEST_F(CatalogueTest, ExportThenImportIntoAnotherLineGivesTheSameCatalogue)
{
    start(kThree);
    const QString file = folder.path(QStringLiteral("catalogue.csv"));
    prompts->onDialog = [&](QDialog& d) {
        static_cast<QFileDialog&>(d).selectFile(file);
        return QDialog::Accepted;
    };
    named<QPushButton>(frSetting, "ExportButton")->click();
    QFile exported(file);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QByteArray bytes = exported.readAll();
    EXPECT_TRUE(bytes.startsWith("ID_TOB;NAME;SKLAD;BARCOD;PRICE;SELL_DATE;TEXT1;")) << bytes.constData();

    station.reset();
    StationFolder other;
    other.scriptScale({QStringLiteral("Error")});
    station = std::make_unique<tarvik::station::Station>(other.programDir());
    tabs()->setCurrentIndex(1);
    prompts->onDialog = [&](QDialog& d) {
        static_cast<QFileDialog&>(d).selectFile(file);
        return QDialog::Accepted;
    };
    named<QPushButton>(frSetting, "ImportButton")->click();
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_EQ(prompts->messages()[0].text, QStringLiteral("Додано товарів: 3"));
    EXPECT_EQ(grid()->rowCount(), 3);
    EXPECT_EQ(cell(2, "NAME"), QStringLiteral("Кава"));
    // The product lists of the tab "Программи" know them at once.
    EXPECT_EQ(named<QComboBox>(frSetting, "DBBox1")->count(), 3);
    EXPECT_EQ(tarvik::data::exportProducts(frMain->model().database(), u';').toUtf8(), bytes);
    station.reset();
}

TEST_F(CatalogueTest, ABadFileIsRefusedNamingLineAndColumnAndWritesNothing)
{
    start(kThree);
    folder.write(QStringLiteral("bad.tsv"), "NAME\tPRICE\nA\t1\nB\t-3\n");
    prompts->onDialog = [&](QDialog& d) {
        static_cast<QFileDialog&>(d).selectFile(folder.path(QStringLiteral("bad.tsv")));
        return QDialog::Accepted;
    };
    named<QPushButton>(frSetting, "ImportButton")->click();
    ASSERT_EQ(prompts->messages().size(), 1u);
    EXPECT_TRUE(prompts->messages()[0].text.startsWith(QStringLiteral("Файл товарів, рядок 3: \"Ціна\" (PRICE)")))
        << prompts->messages()[0].text.toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TOBAP")), 3);
    EXPECT_EQ(grid()->rowCount(), 3);
}

TEST_F(CatalogueTest, AProductAddedWhileTheStationRunsIsPrintedOnTheNextLabel)
{
    folder.write(QStringLiteral("Setting_Prog.ini"),
                 "[Printer_USE]\r\nPrinter_1=0\r\nPrinter_2=0\r\n[Tovar]\r\nTovar_1=0\r\nTovar_2=0\r\nTara_1=0\r\n"
                 "Tara_2=0\r\nBar_1=20CCCCCWWWWW\r\nBar_2=21CCCCCWWWWWW\r\nBar_Type_1=14\r\nBar_Check_1=-1\r\nBar_SummCheckMetod_1=1\r\n"
                 "[Prog]\r\nSum_etic=30\r\nKil_golovok=1\r\nWeight_Zero=10\r\nName_Weight=Line\r\nType_Scale=1\r\n"
                 "[Timer]\r\ninterval=600000\r\n");
    start(kThree, {QStringLiteral("1.234;S;")});
    frMain->FormActivate();
    // The operator adds a product in the catalogue and chooses it for label 1.
    navigator()->click(NavButton::Insert);
    const int row = grid()->currentRow();
    type(row, 1, QStringLiteral("Бринза овеча"));
    type(row, 2, QStringLiteral("44"));
    type(row, 3, QStringLiteral("150"));
    navigator()->click(NavButton::Post);
    tabs()->setCurrentIndex(0);
    auto* product = named<QComboBox>(frSetting, "DBBox1");
    const int position = product->findText(QStringLiteral("Бринза овеча"));
    ASSERT_EQ(position, 3);
    product->setCurrentIndex(position);
    named<QPushButton>(frSetting, "bApply")->click();
    ASSERT_TRUE(prompts->messages().empty()) << prompts->messages()[0].text.toStdString();

    frMain->TimerTimer();
    ASSERT_TRUE(prompts->messages().empty()) << prompts->messages()[0].text.toStdString();
    const QStringList pdfs = QDir(folder.path(QStringLiteral("PDF"))).entryList({QStringLiteral("*-label1.pdf")});
    ASSERT_EQ(pdfs.size(), 1);
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {folder.path(QStringLiteral("PDF/") + pdfs[0]), QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("Бринза овеча"))) << text.toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT WHERE NAME = ?"), {QStringLiteral("Бринза овеча")}), 1);
}

}  // namespace
