#include "data/database.h"
#include "platform/printing/printer_list.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/responders.h"
#include "platform/ui/station_hooks.h"
#include "reports/report_csv.h"
#include "reports/reports_window.h"
#include "support/station_folder.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QProgressDialog>
#include <QTimer>
#include <QXmlStreamReader>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarvik;
using tarvik::reports::LogFilter;

namespace {

class FakeTimer : public ui::PollingTimer {
public:
    void stopPolling() override { running = false; }
    void startPolling() override { running = true; }
    bool running = true;
};

class FakeSettings : public reports::ReportSettings {
public:
    QString scaleName() const override { return name; }
    reports::WeightLimits weightLimits() const override { return limits; }
    QString name = QStringLiteral("SCALE1");
    reports::WeightLimits limits;
};

QString pdfText(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        throw std::runtime_error("pdftotext failed on " + file.toStdString());
    return QString::fromUtf8(p.readAllStandardOutput());
}

class ReportsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = data::Database::openOrCreate(data::ConnectParams{data::stationDatabasePath(folder.programDir())});
        window = std::make_unique<TFZvit>(timer, db.get(), settings, folder.programDir());
        window->FormCreate();
    }

    void TearDown() override
    {
        window.reset();
        db.reset();
    }

    void addRow(int id, const QString& name, QDate day, const QString& weight, const QString& price, int batch,
                const QString& scale = QStringLiteral("SCALE1"))
    {
        if (!insert)
            insert = std::make_unique<data::PreparedStatement>(
                *db, QStringLiteral("INSERT INTO DB_ZVIT (ID, NAME, DATE_IN, WEIGHT, PRICE, PARTIA, NAME_W) "
                                    "VALUES (?, ?, ?, ?, ?, ?, ?)"));
        insert->execute({id, name, day, weight, price, batch, scale});
    }

    // A column of the list as it shows it, first row to last.
    QStringList listed(int column) const
    {
        QStringList out;
        const QAbstractItemModel* m = window->DBGrid->view()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, column).data().toString();
        return out;
    }

    QStringList footer() const
    {
        return {window->DBGrid->footerText(1), window->DBGrid->footerText(3), window->DBGrid->footerText(4)};
    }

    qint64 logRows()
    {
        data::PreparedStatement s(*db, QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT"));
        return s.select().at(0).at(0).toLongLong();
    }

    // Rows 1..n of SCALE1 in one statement: weight (i % 1000) grams, price
    // i % 50 + 0,25, day kMarch1 + i / perDay.
    void addRows(int n, QDate firstDay, int perDay = 1000)
    {
        data::PreparedStatement(
            *db, QStringLiteral("EXECUTE BLOCK (N INTEGER = ?, D DATE = ?, PER_DAY INTEGER = ?) AS "
                                "DECLARE I INTEGER = 1; "
                                "BEGIN WHILE (I <= N) DO BEGIN "
                                "INSERT INTO DB_ZVIT (ID, NAME, DATE_IN, WEIGHT, PRICE, PARTIA, NAME_W) VALUES "
                                "(:I, 'Товар ' || :I, :D + :I / :PER_DAY, '0,' || LPAD(MOD(:I, 1000), 3, '0'), "
                                "MOD(:I, 50) || ',25', :I / 100, 'SCALE1'); "
                                "I = I + 1; END END"))
            .execute({n, firstDay, perDay});
    }

    void formShow()
    {
        window->FormShow();
        ASSERT_TRUE(window->waitForTotals());
    }

    void byDate(QDate first, QDate last)
    {
        window->Radio1->setChecked(true);
        window->Date1->setDate(first);
        window->Date2->setDate(last);
        window->BitBtn1Click();
        ASSERT_TRUE(window->waitForTotals());
    }

    void byBatch(const QString& first, const QString& last)
    {
        window->Radio3->setChecked(true);
        window->Edit1->setText(first);
        window->Edit2->setText(last);
        window->BitBtn1Click();
        ASSERT_TRUE(window->waitForTotals());
    }

    tarvik::testing::StationFolder folder;
    std::unique_ptr<data::Database> db;
    std::unique_ptr<data::PreparedStatement> insert;
    FakeTimer timer;
    FakeSettings settings;
    std::unique_ptr<TFZvit> window;
};

const QDate kMarch1(2026, 3, 1);

}  // namespace

TEST_F(ReportsTest, ShowListsEveryDayOfThisScaleWithTodayInThePickers)
{
    addRow(1, QStringLiteral("Сир"), kMarch1, QStringLiteral("0,50"), QStringLiteral("10,5"), 1);
    addRow(2, QStringLiteral("Масло"), kMarch1.addDays(30), QStringLiteral("1,25"), QStringLiteral("2,25"), 2);
    addRow(1, QStringLiteral("Чужий"), kMarch1, QStringLiteral("9"), QStringLiteral("9"), 1, QStringLiteral("SCALE2"));
    window->Date1->setDate(kMarch1);
    formShow();
    EXPECT_EQ(window->Date1->date(), QDate::currentDate());
    EXPECT_EQ(window->Date2->date(), QDate::currentDate());
    EXPECT_EQ(window->Date1->displayFormat(), QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(listed(1), (QStringList{QStringLiteral("Сир"), QStringLiteral("Масло")}));
    EXPECT_EQ(listed(2), (QStringList{QStringLiteral("01.03.2026"), QStringLiteral("31.03.2026")}));
    EXPECT_EQ(footer(), (QStringList{QStringLiteral("Всього "), QStringLiteral("1,75 кг."), QStringLiteral("12,75")}));
    // The totals leave the list on its last row.
    EXPECT_EQ(window->DBGrid->currentRow(), 1);
}

TEST_F(ReportsTest, ReportByDateIncludesBothEndsAndNotTheDayAfter)
{
    for (int d = 0; d < 5; ++d)  // 28 February to 4 March
        addRow(d + 1, QStringLiteral("Товар"), kMarch1.addDays(d - 1), QStringLiteral("1"), QStringLiteral("1"), 1);
    addRow(1, QStringLiteral("Інша вага"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1,
           QStringLiteral("SCALE2"));
    formShow();

    struct Case {
        QDate first, last;
        QStringList days;
    } cases[] = {
        {kMarch1, kMarch1.addDays(2),
         {QStringLiteral("01.03.2026"), QStringLiteral("02.03.2026"), QStringLiteral("03.03.2026")}},
        {kMarch1, kMarch1, {QStringLiteral("01.03.2026")}},
        {kMarch1.addDays(3), kMarch1.addDays(10), {QStringLiteral("04.03.2026")}},
        {kMarch1.addDays(2), kMarch1, {}},  // the wrong way round: nothing
    };
    for (const auto& c : cases) {
        byDate(c.first, c.last);
        EXPECT_EQ(listed(2), c.days) << c.first.toString().toStdString() << " " << c.last.toString().toStdString();
        EXPECT_EQ(window->totals().rows, c.days.size());
    }
}

TEST_F(ReportsTest, ReportByBatchListsThoseBatchesOfThisScale)
{
    for (int b = 3; b <= 7; ++b)
        addRow(b, QStringLiteral("Партія %1").arg(b), kMarch1, QStringLiteral("1"), QStringLiteral("2"), b);
    addRow(1, QStringLiteral("Чужа 5"), kMarch1, QStringLiteral("1"), QStringLiteral("2"), 5, QStringLiteral("SCALE2"));
    formShow();
    byBatch(QStringLiteral("5     "), QStringLiteral("5     "));
    EXPECT_EQ(listed(1), QStringList{QStringLiteral("Партія 5")});
    EXPECT_EQ(footer().at(1), QStringLiteral("1 кг."));
    byBatch(QStringLiteral("4"), QStringLiteral("6"));
    EXPECT_EQ(listed(5), (QStringList{QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")}));
    EXPECT_EQ(footer().at(2), QStringLiteral("6"));
}

TEST_F(ReportsTest, BadBatchBoundChangesNothing)
{
    addRow(1, QStringLiteral("Перший"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1);
    addRow(2, QStringLiteral("Другий"), kMarch1, QStringLiteral("2"), QStringLiteral("2"), 2);
    formShow();
    byBatch(QStringLiteral("2"), QStringLiteral("2"));
    ASSERT_EQ(listed(1), QStringList{QStringLiteral("Другий")});

    struct Case {
        QString first, last, message;
    } cases[] = {
        {QStringLiteral("      "), QStringLiteral("2"), QStringLiteral("Вкажіть номер партії \"з\"")},
        {QStringLiteral("1"), QString(), QStringLiteral("Вкажіть номер партії \"по\"")},
    };
    for (const auto& c : cases) {
        try {
            byBatch(c.first, c.last);
            ADD_FAILURE() << "accepted " << c.first.toStdString() << "-" << c.last.toStdString();
        } catch (const Error& e) {
            EXPECT_EQ(e.text(), c.message);
        }
        EXPECT_EQ(listed(1), QStringList{QStringLiteral("Другий")});
        EXPECT_EQ(footer().at(1), QStringLiteral("2 кг."));
    }

    // Texts the masked field cannot hold are refused the same way.
    reports::ReportSelection s;
    s.kind = reports::ReportKind::ByBatch;
    for (const QString& bad : {QStringLiteral("1a"), QStringLiteral("-1"), QStringLiteral("99999999999")}) {
        s.firstBatch = bad;
        s.lastBatch = QStringLiteral("3");
        EXPECT_THROW(reports::reportFilter(s), Error) << bad.toStdString();
    }
    s.firstBatch = QStringLiteral(" 1 2  ");  // blanks removed: 12
    EXPECT_EQ(reports::reportFilter(s).firstBatch, 12);
}

TEST_F(ReportsTest, TotalsOfNoRowsAreZero)
{
    addRow(1, QStringLiteral("Чужий"), kMarch1, QStringLiteral("5"), QStringLiteral("5"), 1, QStringLiteral("SCALE2"));
    formShow();
    EXPECT_TRUE(listed(0).isEmpty());
    EXPECT_EQ(footer(), (QStringList{QStringLiteral("Всього "), QStringLiteral("0 кг."), QStringLiteral("0")}));
}

TEST_F(ReportsTest, NonNumericTextStopsTheTotalsWithTheConversionError)
{
    addRow(1, QStringLiteral("Добрий"), kMarch1, QStringLiteral("0,50"), QStringLiteral("10,5"), 1);
    formShow();
    const QStringList before = footer();

    struct Case {
        QString weight, price, message;
    } cases[] = {
        {QStringLiteral("ab"), QStringLiteral("1"), QStringLiteral("'ab' is not a valid floating point value")},
        {QStringLiteral("1"), QString(), QStringLiteral("'' is not a valid floating point value")},
        {QStringLiteral("1,2,3"), QStringLiteral("x"), QStringLiteral("'x' is not a valid floating point value")},
    };
    int id = 2;
    for (const auto& c : cases) {
        data::PreparedStatement(*db, QStringLiteral("DELETE FROM DB_ZVIT WHERE ID > 1")).execute();
        addRow(id++, QStringLiteral("Поганий"), kMarch1, c.weight, c.price, 1);
        ui::ScopedScriptedResponder answers;
        byDate(kMarch1, kMarch1);
        // Summed in the background, the refusal arrives as an error box.
        ASSERT_EQ(answers->messages().size(), 1u);
        EXPECT_EQ(answers->messages().front().text, c.message);
        EXPECT_EQ(footer(), before);
        // The list shows the rows of the report.
        EXPECT_EQ(listed(1).size(), 2);
    }
}

TEST_F(ReportsTest, ResetShowsEveryScaleAndKeepsTheTotals)
{
    addRow(1, QStringLiteral("Мій"), kMarch1, QStringLiteral("0,50"), QStringLiteral("10,5"), 1);
    addRow(1, QStringLiteral("Чужий"), kMarch1, QStringLiteral("7"), QStringLiteral("7"), 1, QStringLiteral("SCALE2"));
    addRow(2, QStringLiteral("Мій 2"), kMarch1, QStringLiteral("1,25"), QStringLiteral("2,25"), 1);
    formShow();
    const QStringList totals = footer();
    window->BitBtn3Click();
    EXPECT_EQ(listed(1), (QStringList{QStringLiteral("Мій"), QStringLiteral("Мій 2"), QStringLiteral("Чужий")}));
    EXPECT_EQ(footer(), totals);
    EXPECT_EQ(totals.at(1), QStringLiteral("1,75 кг."));
}

TEST_F(ReportsTest, ScaleNameReadAtOkAndTakenAsAValue)
{
    addRow(1, QStringLiteral("Перша"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1);
    addRow(1, QStringLiteral("Апостроф"), kMarch1, QStringLiteral("2"), QStringLiteral("3"), 1, QStringLiteral("O'Neil"));
    formShow();
    EXPECT_EQ(listed(1), QStringList{QStringLiteral("Перша")});

    settings.name = QStringLiteral("O'Neil");
    EXPECT_EQ(listed(1), QStringList{QStringLiteral("Перша")});  // nothing read until OK
    byDate(kMarch1, kMarch1);
    EXPECT_EQ(listed(1), QStringList{QStringLiteral("Апостроф")});
    EXPECT_EQ(footer().at(1), QStringLiteral("2 кг."));
}

TEST_F(ReportsTest, WindowCarriesItsControlsAndColumns)
{
    EXPECT_EQ(window->objectName(), QStringLiteral("FZvit"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Звіти"));
    const QAbstractItemModel* m = window->DBGrid->view()->model();
    const QStringList titles = {QStringLiteral("№"),    QStringLiteral("Назва товару"), QStringLiteral("Дата фасовки"),
                                QStringLiteral("Вага"), QStringLiteral("Вартість"),     QStringLiteral("№ партії")};
    ASSERT_EQ(m->columnCount(), titles.size());
    for (int c = 0; c < titles.size(); ++c)
        EXPECT_EQ(m->headerData(c, Qt::Horizontal).toString(), titles[c]);
    EXPECT_EQ(window->DBGrid->columnWidth(1), 136);
    EXPECT_EQ(window->DBGrid->columnWidth(2), 95);
    EXPECT_TRUE(window->DBGrid->isFirstColumnFixed());
    EXPECT_TRUE(window->DBGrid->isReadOnly());
    EXPECT_TRUE(window->DBGrid->confirmDelete());
    EXPECT_TRUE(window->Radio1->isChecked());
    EXPECT_FALSE(window->Radio3->isChecked());
    window->Radio3->setChecked(true);
    EXPECT_FALSE(window->Radio1->isChecked());  // the two exclude each other
    for (const char* name : {"DBGrid", "Radio1", "Radio3", "Date1", "Date2", "Edit1", "Edit2", "Group", "BitBtn1",
                             "BitBtn2", "BitBtn3", "BitBtnCsv", "BitBtnChart"})
        EXPECT_NE(window->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(window->BitBtn2->text(), QStringLiteral("Друкувати"));
    EXPECT_EQ(window->BitBtn3->text(), QStringLiteral("Зкинути"));
    EXPECT_EQ(window->BitBtnCsv->text(), QStringLiteral("Експорт CSV"));
    EXPECT_EQ(window->BitBtnChart->text(), QStringLiteral("Графік"));
    EXPECT_EQ(window->Print.marginsMm(), QMarginsF(2, 2, 2, 2));
    if (qEnvironmentVariableIsSet("TARVIK_REPORTS_SCREENSHOT")) {
        addRow(1, QStringLiteral("Сир твердий"), kMarch1, QStringLiteral("0,50"), QStringLiteral("10,5"), 4);
        ui::ScopedScriptedResponder answers;
        window->show();
        ASSERT_TRUE(window->waitForTotals());
        window->grab().save(qEnvironmentVariable("TARVIK_REPORTS_SCREENSHOT"));
        window->close();
    }
}

TEST_F(ReportsTest, ScaleNameLongerThanItsColumnIsRefusedNotEmpty)
{
    addRow(1, QStringLiteral("Перша"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1);
    formShow();
    settings.name = QStringLiteral("SCALE1-LONGER");
    try {
        window->BitBtn1Click();
        ADD_FAILURE() << "a scale name of 13 characters went through";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("NAME_W"))) << e.text().toStdString();
    }
    EXPECT_EQ(listed(1), QStringList{QStringLiteral("Перша")});
}

TEST_F(ReportsTest, PollingStopsWhileTheWindowIsOpen)
{
    ui::ScopedScriptedResponder answers;
    EXPECT_TRUE(timer.running);
    window->show();
    EXPECT_FALSE(timer.running);
    window->close();
    EXPECT_TRUE(timer.running);
    window->show();
    EXPECT_FALSE(timer.running);
    window->close();
    EXPECT_TRUE(timer.running);
    EXPECT_TRUE(answers->seen.empty());
}

TEST_F(ReportsTest, DeleteKeyRemovesTheCurrentRowByItsKey)
{
    addRow(1, QStringLiteral("Один"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1);
    addRow(2, QStringLiteral("Два"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1);
    addRow(3, QStringLiteral("Три"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1);
    addRow(2, QStringLiteral("Чужий два"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1,
           QStringLiteral("SCALE2"));
    formShow();
    ui::ScopedScriptedResponder answers;
    window->DBGrid->setCurrentCell(1, 1);
    answers->buttons = {ui::Button::No};
    QTest::keyClick(window->DBGrid->view(), Qt::Key_Delete);
    EXPECT_EQ(logRows(), 4);
    answers->buttons = {ui::Button::Yes};
    QTest::keyClick(window->DBGrid->view(), Qt::Key_Delete);
    EXPECT_EQ(answers->messages().size(), 2u);
    EXPECT_EQ(logRows(), 3);
    EXPECT_EQ(listed(1), (QStringList{QStringLiteral("Один"), QStringLiteral("Три")}));
    data::PreparedStatement other(*db, QStringLiteral("SELECT NAME FROM DB_ZVIT WHERE NAME_W = ? AND ID = 2"));
    EXPECT_EQ(other.select({QStringLiteral("SCALE2")}).size(), 1u);
}

TEST_F(ReportsTest, CycleReopenIsFreeWhenHiddenAndEndsOnTheNewRowWhenShown)
{
    ui::ScopedScriptedResponder answers;
    addRow(1, QStringLiteral("Перший"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1);
    formShow();
    const int fetched = window->Table.pagesFetched();

    addRow(2, QStringLiteral("Другий"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1);
    window->ReopenTable();  // hidden: nothing is read
    EXPECT_TRUE(window->Table.isStale());
    EXPECT_EQ(window->Table.pagesFetched(), fetched);
    EXPECT_EQ(window->Table.heldRows(), 0);

    window->show();
    ASSERT_TRUE(window->waitForTotals());
    EXPECT_EQ(listed(1), (QStringList{QStringLiteral("Перший"), QStringLiteral("Другий")}));
    const QStringList totals = footer();
    addRow(3, QStringLiteral("Третій"), kMarch1, QStringLiteral("5"), QStringLiteral("1"), 1);
    window->ReopenTable();
    EXPECT_FALSE(window->Table.isStale());
    EXPECT_EQ(listed(1).last(), QStringLiteral("Третій"));
    EXPECT_EQ(window->DBGrid->currentRow(), 2);
    EXPECT_EQ(footer(), totals);  // not recomputed
    window->close();
    EXPECT_TRUE(answers->seen.empty());
}

TEST_F(ReportsTest, CycleReopenCountsOnlyTheRowsTheFilterLets)
{
    ui::ScopedScriptedResponder answers;
    addRow(1, QStringLiteral("Березень"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1);
    window->show();
    byDate(kMarch1, kMarch1);
    ASSERT_EQ(listed(1), QStringList{QStringLiteral("Березень")});

    struct Step {
        QDate day;
        QString scale;
        QStringList shown;
    } steps[] = {
        {QDate::currentDate(), QStringLiteral("SCALE1"), {QStringLiteral("Березень")}},  // not in the range
        {kMarch1, QStringLiteral("SCALE2"), {QStringLiteral("Березень")}},               // not this scale
        {kMarch1, QStringLiteral("SCALE1"), {QStringLiteral("Березень"), QStringLiteral("Новий")}},
    };
    int id = 10;
    for (const auto& st : steps) {
        addRow(id++, QStringLiteral("Новий"), st.day, QStringLiteral("1"), QStringLiteral("1"), 1, st.scale);
        window->ReopenTable();
        EXPECT_EQ(listed(1), st.shown) << st.scale.toStdString();
    }
    // The reset list counts everything again, other stations' rows too.
    window->BitBtn3Click();
    ASSERT_EQ(listed(1).size(), 4);
    addRow(99, QStringLiteral("Інша станція"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1,
           QStringLiteral("SCALE0"));
    window->ReopenTable();
    EXPECT_EQ(listed(1).first(), QStringLiteral("Інша станція"));
    EXPECT_EQ(listed(1).size(), 5);
    window->close();
    EXPECT_TRUE(answers->seen.empty());
}

TEST_F(ReportsTest, LongLogIsReadPageByPageInOrder)
{
    const int n = 1000;
    for (int i = 1; i <= n; ++i)
        addRow(i, QStringLiteral("Товар %1").arg(i), kMarch1.addDays(i / 100), QStringLiteral("1"),
               QStringLiteral("1"), i / 10);
    formShow();
    EXPECT_EQ(window->Table.rowCount(), n);
    // Opening reads only the end of the list, where it stands.
    EXPECT_LE(window->Table.heldRows(), 2 * reports::LogSource::kPageSize);
    EXPECT_EQ(footer().at(1), QStringLiteral("1000 кг."));

    QStringList ids = listed(0);
    ASSERT_EQ(ids.size(), n);
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(ids[i], QString::number(i + 1));
    EXPECT_LE(window->Table.heldRows(), reports::LogSource::kKeptPages * reports::LogSource::kPageSize);

    byDate(kMarch1.addDays(3), kMarch1.addDays(3));
    ids = listed(0);
    ASSERT_EQ(ids.size(), 100);
    EXPECT_EQ(ids.first(), QStringLiteral("300"));
    EXPECT_EQ(ids.last(), QStringLiteral("399"));
}

TEST_F(ReportsTest, PrintToThePdfPrinterHoldsRowsAndTotals)
{
    addRow(1, QStringLiteral("Сир твердий"), kMarch1, QStringLiteral("0,50"), QStringLiteral("10,5"), 4);
    addRow(2, QStringLiteral("Масло"), kMarch1, QStringLiteral("1,25"), QStringLiteral("2,25"), 4);
    formShow();
    const printing::PrinterList printers(folder.programDir());
    const printing::PrintJob job = window->Print.print(printers, printers.pdfIndex());
    EXPECT_EQ(job.printer, QStringLiteral("Tarvik PDF"));
    EXPECT_TRUE(job.file.startsWith(folder.programDir() + QStringLiteral("PDF/000001-"))) << job.file.toStdString();
    const QString text = pdfText(job.file);
    for (const QString& s : {QStringLiteral("Назва товару"), QStringLiteral("Дата фасовки"), QStringLiteral("Сир твердий"),
                             QStringLiteral("Масло"), QStringLiteral("01.03.2026"), QStringLiteral("Всього"),
                             QStringLiteral("1,75 кг."), QStringLiteral("12,75")})
        EXPECT_TRUE(text.contains(s)) << s.toStdString() << "\n" << text.toStdString();
    // The next job takes the next number.
    EXPECT_TRUE(window->Print.print(printers, -1).file.contains(QStringLiteral("/000002-")));
}

TEST_F(ReportsTest, PrintButtonPreviewsWithTwoMillimetreMarginsAndPrintsFromIt)
{
    addRow(1, QStringLiteral("Сир"), kMarch1, QStringLiteral("0,50"), QStringLiteral("10,5"), 4);
    formShow();
    ui::ScopedScriptedResponder answers;
    int pages = 0;
    QMarginsF margins;
    bool print = false;
    answers->onDialog = [&](QDialog& d) {
        auto& preview = dynamic_cast<QPrintPreviewDialog&>(d);
        margins = preview.printer()->pageLayout().margins(QPageLayout::Millimeter);
        if (auto* w = d.findChild<QPrintPreviewWidget*>()) {
            w->updatePreview();
            pages = w->pageCount();
            if (print)
                w->print();
        }
        return int(QDialog::Rejected);
    };
    const QDir pdf(folder.programDir() + QStringLiteral("PDF"));

    window->BitBtn2Click();  // closed without printing: no job left behind
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(margins, QMarginsF(2, 2, 2, 2));
    EXPECT_TRUE(pdf.entryList(QDir::Files).isEmpty());

    print = true;
    window->BitBtn2Click();
    const QStringList files = pdf.entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    const QString text = pdfText(pdf.filePath(files.front()));
    EXPECT_TRUE(text.contains(QStringLiteral("Сир")));
    EXPECT_TRUE(text.contains(QStringLiteral("0,5 кг.")));
}

TEST(ReportsWithoutDatabase, EveryActionFailsClearly)
{
    tarvik::testing::StationFolder folder;
    FakeTimer timer;
    FakeSettings settings;
    TFZvit window(timer, nullptr, settings, folder.programDir());
    window.FormCreate();
    ui::ScopedScriptedResponder answers;
    const QString expected = QStringLiteral("Немає з'єднання з базою даних: звіти недоступні");
    for (auto action : {&TFZvit::FormShow, &TFZvit::BitBtn1Click, &TFZvit::BitBtn2Click, &TFZvit::BitBtn3Click,
                        &TFZvit::CalcTotals}) {
        try {
            (window.*action)();
            ADD_FAILURE() << "an action went through without a database";
        } catch (const Error& e) {
            EXPECT_EQ(e.text(), expected);
        }
    }
    window.ReopenTable();  // the cycle's hook is quiet: nothing is open
    window.show();
    EXPECT_FALSE(timer.running);
    ASSERT_EQ(answers->messages().size(), 1u);
    EXPECT_EQ(answers->messages().front().text, expected);
    window.close();
    EXPECT_TRUE(timer.running);
}

TEST(ReportFilter, ConditionsAndValuesGoApart)
{
    reports::ReportSelection s;
    s.scaleName = QStringLiteral("A' OR 1=1");
    s.firstDay = QDate(2026, 3, 1);
    s.lastDay = QDate(2026, 3, 3);
    const LogFilter byDate = reports::reportFilter(s);
    EXPECT_EQ(byDate.where(), QStringLiteral("NAME_W = ? AND DATE_IN >= ? AND DATE_IN <= ?"));
    EXPECT_EQ(byDate.params(), (QVariantList{s.scaleName, s.firstDay, s.lastDay}));
    s.kind = reports::ReportKind::ByBatch;
    s.firstBatch = QStringLiteral("5     ");
    s.lastBatch = QStringLiteral("  7   ");
    const LogFilter byBatch = reports::reportFilter(s);
    EXPECT_EQ(byBatch.where(), QStringLiteral("NAME_W = ? AND PARTIA >= ? AND PARTIA <= ?"));
    EXPECT_EQ(byBatch.params(), (QVariantList{s.scaleName, 5, 7}));
    EXPECT_TRUE(LogFilter{}.where().isEmpty());
}

namespace {

// Pages of a PDF file, as pdfinfo counts them.
int pdfPages(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {file});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        throw std::runtime_error("pdfinfo failed on " + file.toStdString());
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const qsizetype at = out.indexOf(QStringLiteral("Pages:"));
    return at < 0 ? -1 : out.mid(at + 6).section(u'\n', 0, 0).trimmed().toInt();
}

// Watches the printing's progress window and presses its Cancel when it has
// reached `cancelAt` pages (never, for 0).
class ProgressWatch {
public:
    explicit ProgressWatch(int cancelAt) : cancelAt_(cancelAt)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
        timer_.start(0);
    }
    int seenMaximum = 0;
    int seenValue = -1;

private:
    void look()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* d = qobject_cast<QProgressDialog*>(w);
            if (!d || d->objectName() != QStringLiteral("PrintProgress") || !d->isVisible())
                continue;
            seenMaximum = d->maximum();
            seenValue = std::max(seenValue, d->value());
            if (cancelAt_ > 0 && d->value() + 1 >= cancelAt_)
                d->findChild<QPushButton*>()->click();
        }
    }
    int cancelAt_;
    QTimer timer_;
};

}  // namespace

TEST_F(ReportsTest, TotalsArriveAfterTheListAndEqualItsRows)
{
    const int n = 5000;
    addRows(n, kMarch1);
    ui::ScopedScriptedResponder answers;
    window->FormShow();
    // The newest rows are there before the totals, and before the count.
    EXPECT_TRUE(window->totalsPending());
    EXPECT_TRUE(window->Table.isCountPending());
    EXPECT_EQ(window->Table.rowCount(), reports::LogSource::kPageSize);
    EXPECT_EQ(listed(0).last(), QString::number(n));
    EXPECT_EQ(footer().at(1), QStringLiteral("рахую…"));
    ASSERT_TRUE(window->waitForTotals());
    EXPECT_FALSE(window->Table.isCountPending());
    EXPECT_EQ(window->Table.rowCount(), n);
    EXPECT_EQ(window->DBGrid->currentRow(), n - 1);
    const QStringList ids = listed(0);
    EXPECT_EQ(ids.first(), QStringLiteral("1"));
    EXPECT_EQ(ids.last(), QString::number(n));

    // Weights 0,001 … 0,999 kg five times over (0,000 every thousandth row).
    qint64 grams = 0, cents = 0;
    for (int i = 1; i <= n; ++i) {
        grams += i % 1000;
        cents += (i % 50) * 100 + 25;
    }
    EXPECT_EQ(window->totals().rows, n);
    EXPECT_EQ(window->totals().weight, Currency::fromCount(grams * 10));
    EXPECT_EQ(window->totals().cost, Currency::fromCount(cents * 100));
    EXPECT_EQ(footer().at(1), Currency::fromCount(grams * 10).toText() + QStringLiteral(" кг."));
    // The chart's distributions count the same rows.
    qint64 byWeight = 0, byDay = 0;
    for (const auto& [w, loads] : window->stats().loadsByWeight)
        byWeight += loads;
    for (const auto& [d, loads] : window->stats().loadsByDay)
        byDay += loads;
    EXPECT_EQ(byWeight, n);
    EXPECT_EQ(byDay, n);
    EXPECT_EQ(window->stats().loadsByDay.size(), size_t(n / 1000 + 1));

    // A report asked while another is summed: only the last one's totals show.
    window->Radio1->setChecked(true);
    window->Date1->setDate(kMarch1);
    window->Date2->setDate(kMarch1.addDays(5));
    window->BitBtn1Click();
    byDate(kMarch1.addDays(1), kMarch1.addDays(1));  // rows 1000 … 1999
    EXPECT_EQ(window->totals().rows, 1000);
    EXPECT_EQ(window->totals().rows, window->Table.rowCount());

    // The reset list is counted in the background too, the totals kept.
    addRow(1, QStringLiteral("Чужий"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1, QStringLiteral("SCALE2"));
    window->BitBtn3Click();
    EXPECT_TRUE(window->Table.isCountPending());
    ASSERT_TRUE(window->waitForTotals());
    EXPECT_EQ(window->Table.rowCount(), n + 1);
    EXPECT_EQ(window->totals().rows, 1000);
    EXPECT_EQ(listed(1).last(), QStringLiteral("Чужий"));
    EXPECT_TRUE(answers->seen.empty());
}

TEST_F(ReportsTest, ReportOfMoreThanAThousandPagesAsksAndCancelStopsIt)
{
    const printing::PrinterList printers(folder.programDir());
    QPrinter probe(QPrinter::HighResolution);
    grid::GridPrinter::choosePrinter(probe, printers, printers.pdfIndex(), QStringLiteral("probe"));
    const int perPage = window->Print.rowsPerPage(probe);
    QDir(folder.programDir() + QStringLiteral("PDF")).removeRecursively();
    // The rows and the footer fill 1,001 pages; one row fewer, 1,000.
    const int rows = perPage * TFZvit::kAskAbovePages;
    addRows(rows, kMarch1, 3000);
    formShow();
    const QDir pdf(folder.programDir() + QStringLiteral("PDF"));
    ui::ScopedScriptedResponder answers;

    answers->buttons = {ui::Button::No};
    window->BitBtn2Click();
    ASSERT_EQ(answers->messages().size(), 1u);
    EXPECT_EQ(answers->messages().front().text,
              QStringLiteral("Сторінок у звіті: %1. Друкувати його весь?").arg(TFZvit::kAskAbovePages + 1));
    EXPECT_TRUE(pdf.entryList(QDir::Files).isEmpty());

    answers->buttons = {ui::Button::Yes};
    {
        ProgressWatch watch(3);
        window->BitBtn2Click();
        EXPECT_EQ(watch.seenMaximum, TFZvit::kAskAbovePages + 1);
        EXPECT_EQ(watch.seenValue, 2);  // stopped as the third page began
    }
    EXPECT_EQ(answers->messages().size(), 2u);
    EXPECT_TRUE(pdf.entryList(QDir::Files).isEmpty()) << pdf.entryList(QDir::Files).join(u' ').toStdString();

    // One row fewer is 1,000 pages: no question (cancelled at once here).
    data::PreparedStatement(*db, QStringLiteral("DELETE FROM DB_ZVIT WHERE ID = 1")).execute();
    formShow();
    {
        ProgressWatch watch(1);
        window->BitBtn2Click();
        EXPECT_EQ(watch.seenMaximum, TFZvit::kAskAbovePages);
    }
    EXPECT_EQ(answers->messages().size(), 2u);
    EXPECT_TRUE(pdf.entryList(QDir::Files).isEmpty());
}

TEST_F(ReportsTest, LongReportPrintsEveryPageWithoutPreview)
{
    const printing::PrinterList printers(folder.programDir());
    QPrinter probe(QPrinter::HighResolution);
    grid::GridPrinter::choosePrinter(probe, printers, printers.pdfIndex(), QStringLiteral("probe"));
    const int perPage = window->Print.rowsPerPage(probe);
    QDir(folder.programDir() + QStringLiteral("PDF")).removeRecursively();
    const int pages = TFZvit::kPreviewPages + 2;
    addRows(perPage * (pages - 1), kMarch1);  // the footer begins the last page
    formShow();
    ui::ScopedScriptedResponder answers;
    ProgressWatch watch(0);
    window->BitBtn2Click();
    EXPECT_TRUE(answers->seen.empty());  // neither question nor preview
    EXPECT_EQ(watch.seenMaximum, pages);
    const QDir pdf(folder.programDir() + QStringLiteral("PDF"));
    const QStringList files = pdf.entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(pdfPages(pdf.filePath(files.front())), pages);
    const QString text = pdfText(pdf.filePath(files.front()));
    EXPECT_TRUE(text.contains(QStringLiteral("Товар %1").arg(perPage * (pages - 1))));
    EXPECT_TRUE(text.contains(footer().at(1))) << footer().at(1).toStdString();
}

namespace {

// A spreadsheet as LibreOffice read it: the text of each cell, and the number
// of the cells it took as numbers.
struct Sheet {
    std::vector<QStringList> texts;
    std::vector<std::vector<std::optional<double>>> numbers;
};

// Converts a CSV file with LibreOffice (";" apart, '"' quoting, UTF-8,
// Ukrainian numbers) to a flat OpenDocument sheet and reads it back.
Sheet readWithLibreOffice(const QString& csv, const QString& workDir)
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(QStringLiteral("soffice"),
            {QStringLiteral("-env:UserInstallation=file://") + workDir + QStringLiteral("/profile"),
             QStringLiteral("--headless"), QStringLiteral("--infilter=CSV:59,34,76,1,,1058"),
             QStringLiteral("--convert-to"), QStringLiteral("fods"), QStringLiteral("--outdir"), workDir, csv});
    if (!p.waitForStarted())
        throw std::runtime_error("soffice (libreoffice-calc-nogui) is not installed");
    if (!p.waitForFinished(900000) || p.exitCode() != 0)
        throw std::runtime_error("soffice failed: " + p.readAllStandardError().toStdString());
    QFile f(workDir + u'/' + QFileInfo(csv).completeBaseName() + QStringLiteral(".fods"));
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("soffice wrote no sheet");
    Sheet sheet;
    QXmlStreamReader xml(&f);
    QString cellText;
    std::optional<double> cellNumber;
    int repeat = 1;
    int emptyCells = 0;  // empty cells wait: they count only before a full one
    bool inParagraph = false;
    while (!xml.atEnd()) {
        xml.readNext();
        const auto name = xml.name();
        if (xml.isStartElement() && name == QLatin1String("table-row")) {
            sheet.texts.emplace_back();
            sheet.numbers.emplace_back();
            emptyCells = 0;
        } else if (xml.isStartElement() && name == QLatin1String("table-cell")) {
            const auto a = xml.attributes();
            cellText.clear();
            cellNumber.reset();
            if (a.value(QStringLiteral("office:value-type")) == QLatin1String("float"))
                cellNumber = a.value(QStringLiteral("office:value")).toDouble();
            repeat = a.hasAttribute(QStringLiteral("table:number-columns-repeated"))
                         ? a.value(QStringLiteral("table:number-columns-repeated")).toInt()
                         : 1;
        } else if (xml.isStartElement() && name == QLatin1String("p")) {
            if (inParagraph || !cellText.isEmpty())
                cellText += u'\n';
            inParagraph = true;
        } else if (xml.isEndElement() && name == QLatin1String("p")) {
            inParagraph = false;
        } else if (xml.isCharacters() && inParagraph) {
            cellText += xml.text();
        } else if (xml.isStartElement() && name == QLatin1String("s") && inParagraph) {
            cellText += u' ';
        } else if (xml.isEndElement() && name == QLatin1String("table-cell")) {
            if (cellText.isEmpty() && !cellNumber) {
                emptyCells += repeat;
                continue;
            }
            for (; emptyCells > 0; --emptyCells) {
                sheet.texts.back() << QString();
                sheet.numbers.back().push_back(std::nullopt);
            }
            for (int i = 0; i < repeat; ++i) {
                sheet.texts.back() << cellText;
                sheet.numbers.back().push_back(cellNumber);
            }
        } else if (xml.isEndElement() && name == QLatin1String("table-row") && sheet.texts.back().isEmpty()) {
            sheet.texts.pop_back();
            sheet.numbers.pop_back();
        }
    }
    if (xml.hasError())
        throw std::runtime_error("unreadable sheet: " + xml.errorString().toStdString());
    return sheet;
}

}  // namespace

// TARVIK_CSV_ROWS sets the report's length (10^6 by hand; a few thousand in ctest).
TEST_F(ReportsTest, CsvOfTheReportOpensInLibreOfficeWithItsRowsAndTotals)
{
    const int n = qEnvironmentVariableIsSet("TARVIK_CSV_ROWS") ? qEnvironmentVariableIntValue("TARVIK_CSV_ROWS") : 3000;
    addRows(n, kMarch1);
    // A name holding the separator and a quote, and a row of another scale.
    addRow(n + 1, QStringLiteral("Сир \"Дар\"; 45%"), kMarch1, QStringLiteral("1,250"), QStringLiteral("99,99"), 7);
    addRow(1, QStringLiteral("Чужий"), kMarch1, QStringLiteral("9"), QStringLiteral("9"), 1, QStringLiteral("SCALE2"));
    formShow();
    const QString csv = folder.path(QStringLiteral("Звіт.csv"));
    ui::ScopedScriptedResponder answers;
    answers->onDialog = [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("ExportDialog"));
        dynamic_cast<QFileDialog&>(d).selectFile(csv);
        return int(QDialog::Accepted);
    };
    window->ExportCsvClick();
    ASSERT_TRUE(QFileInfo::exists(csv));

    const Sheet sheet = readWithLibreOffice(csv, folder.programDir());
    const int rows = n + 1;
    ASSERT_EQ(sheet.texts.size(), size_t(rows + 2));  // header, rows, totals
    EXPECT_EQ(sheet.texts.front(), (QStringList{QStringLiteral("№"), QStringLiteral("Назва товару"),
                                                QStringLiteral("Дата фасовки"), QStringLiteral("Вага"),
                                                QStringLiteral("Вартість"), QStringLiteral("№ партії")}));
    EXPECT_EQ(sheet.texts[1].at(1), QStringLiteral("Товар 1"));
    EXPECT_EQ(sheet.texts[size_t(rows)].at(1), QStringLiteral("Сир \"Дар\"; 45%"));
    // The weights and costs are numbers to the sheet, and sum to the totals row.
    double weight = 0, cost = 0;
    for (int r = 1; r <= rows; ++r) {
        ASSERT_TRUE(sheet.numbers[size_t(r)].at(3) && sheet.numbers[size_t(r)].at(4)) << r;
        weight += *sheet.numbers[size_t(r)].at(3);
        cost += *sheet.numbers[size_t(r)].at(4);
    }
    const auto& totals = sheet.numbers.back();
    EXPECT_EQ(sheet.texts.back().at(1), QStringLiteral("Всього"));
    ASSERT_TRUE(totals.at(3) && totals.at(4));
    EXPECT_NEAR(*totals.at(3), weight, 1e-6);
    EXPECT_NEAR(*totals.at(4), cost, 1e-6);
    // And those are the totals on screen.
    auto shown = [](QString text) {
        text.remove(QStringLiteral(" кг."));
        return double(Currency::fromText(text).count()) / Currency::kScale;
    };
    EXPECT_EQ(*totals.at(3), shown(footer().at(1)));
    EXPECT_EQ(*totals.at(4), shown(footer().at(2)));
    EXPECT_EQ(window->totals().rows, rows);
}

TEST(ReportCsv, AFieldIsQuotedWhenItMustAndKeptFromActingAsAFormula)
{
    const struct {
        const char* field;
        const char* csv;
    } cases[] = {
        {"Сир", "Сир"},
        {"", ""},
        {"Сир \"Дар\"; 45%", "\"Сир \"\"Дар\"\"; 45%\""},
        {"два\nрядки", "\"два\nрядки\""},
        {"=1+2", "'=1+2"},
        {"=HYPERLINK(\"http://x\";\"Сир\")", "\"'=HYPERLINK(\"\"http://x\"\";\"\"Сир\"\")\""},
        {"+1+2", "'+1+2"},
        {"-Сир", "'-Сир"},
        {"@SUM(1)", "'@SUM(1)"},
        {"\t=1+2", "'\t=1+2"},
        {"\r=1+2", "\"'\r=1+2\""},
        {"-", "'-"},
        {"-5", "-5"},  // numbers stay numbers
        {"-1,250", "-1,250"},
        {"+12,5", "+12,5"},
        {"+380501234567", "+380501234567"},
        {"1=1", "1=1"},  // only the first character counts
    };
    for (const auto& c : cases)
        EXPECT_EQ(reports::csvField(QString::fromUtf8(c.field)), QString::fromUtf8(c.csv)) << c.field;
}

// The spreadsheet shows such names as they were typed, and runs nothing.
TEST_F(ReportsTest, NamesLikeFormulasStayTextInLibreOffice)
{
    const QStringList names = {QStringLiteral("=1+2"), QStringLiteral("=HYPERLINK(\"http://x\";\"Сир\")"),
                               QStringLiteral("+1+2"), QStringLiteral("@SUM(1;2)"), QStringLiteral("-Сир")};
    for (int i = 0; i < names.size(); ++i)
        addRow(i + 1, names[i], kMarch1, QStringLiteral("1,000"), QStringLiteral("2,50"), 1);
    formShow();
    const QString csv = folder.path(QStringLiteral("formulas.csv"));
    const std::vector<reports::CsvColumn> columns = {{QStringLiteral("NAME"), QStringLiteral("Назва товару")},
                                                     {QStringLiteral("WEIGHT"), QStringLiteral("Вага")}};
    reports::exportReportCsv(window->Table, columns, csv);
    const Sheet sheet = readWithLibreOffice(csv, folder.programDir());
    ASSERT_EQ(sheet.texts.size(), size_t(names.size() + 2));
    QStringList shown;
    for (int r = 1; r <= names.size(); ++r) {
        shown << sheet.texts[size_t(r)].at(0);
        EXPECT_FALSE(sheet.numbers[size_t(r)].at(0)) << "a formula ran: " << shown.back().toStdString();
        EXPECT_TRUE(sheet.numbers[size_t(r)].at(1)) << "the weight is a number";
    }
    QStringList typed;
    for (const QString& n : names)
        typed << u'\'' + n;
    shown.sort();
    typed.sort();
    EXPECT_EQ(shown, typed);
}

TEST_F(ReportsTest, StoppedOrRefusedExportLeavesTheOldFile)
{
    addRows(10000, kMarch1);
    formShow();
    const QString csv = folder.path(QStringLiteral("report.csv"));
    folder.write(QStringLiteral("report.csv"), "old");
    std::vector<reports::CsvColumn> columns = {{QStringLiteral("ID"), QStringLiteral("№")},
                                               {QStringLiteral("WEIGHT"), QStringLiteral("Вага")}};
    struct Case {
        const char* what;
        std::function<bool(qint64)> progress;
        bool complete;
    } cases[] = {
        {"stopped at once", [](qint64) { return false; }, false},
        {"stopped after 8,192 rows", [](qint64 done) { return done < 8192; }, false},
    };
    for (const auto& c : cases) {
        const reports::CsvResult r = reports::exportReportCsv(window->Table, columns, csv, c.progress);
        EXPECT_EQ(r.complete, c.complete) << c.what;
        EXPECT_EQ(folder.read(QStringLiteral("report.csv")), QByteArray("old")) << c.what;
    }
    // A weight that is no number stops the export with the conversion error.
    addRow(20000, QStringLiteral("Поганий"), kMarch1, QStringLiteral("ab"), QStringLiteral("1"), 1);
    window->Table.reread();
    EXPECT_THROW(reports::exportReportCsv(window->Table, columns, csv), tarvik::ConvertError);
    EXPECT_EQ(folder.read(QStringLiteral("report.csv")), QByteArray("old"));
}

TEST(ReportStats, WeightBinsAreRoundAndHoldEveryLoad)
{
    auto kg = [](const char* t) { return Currency::fromText(QString::fromLatin1(t)).count(); };
    struct Case {
        const char* what;
        std::map<qint64, qint64> loads;
        QString first, width;
        size_t bins;
    } cases[] = {
        {"one weight", {{kg("0,5"), 3}}, QStringLiteral("0,5"), QStringLiteral("0,001"), 1},
        {"a gram apart", {{kg("0,5"), 1}, {kg("0,501"), 2}}, QStringLiteral("0,5"), QStringLiteral("0,001"), 2},
        {"40 grams: 40 bins of a gram", {{kg("1"), 1}, {kg("1,039"), 1}}, QStringLiteral("1"), QStringLiteral("0,001"), 40},
        {"41 grams: bins of 2 g", {{kg("1"), 1}, {kg("1,040"), 1}}, QStringLiteral("1"), QStringLiteral("0,002"), 21},
        {"0 to 3 kg: bins of 100 g", {{kg("0"), 1}, {kg("2,999"), 1}}, QStringLiteral("0"), QStringLiteral("0,1"), 30},
        {"below zero", {{kg("-0,003"), 1}, {kg("0,002"), 1}}, QStringLiteral("-0,003"), QStringLiteral("0,001"), 6},
        {"none", {}, QStringLiteral("0"), QStringLiteral("0"), 0},
    };
    for (const auto& c : cases) {
        const reports::WeightBins b = reports::weightBins(c.loads);
        EXPECT_EQ(b.first.toText(), c.first) << c.what;
        EXPECT_EQ(b.width.toText(), c.width) << c.what;
        ASSERT_EQ(b.loads.size(), c.bins) << c.what;
        qint64 in = 0, out = 0;
        for (const auto& [w, n] : c.loads)
            in += n;
        for (qint64 n : b.loads)
            out += n;
        EXPECT_EQ(out, in) << c.what;
        if (!b.loads.empty()) {
            EXPECT_GT(b.loads.front(), 0) << c.what;
            EXPECT_GT(b.loads.back(), 0) << c.what;
        }
    }
}

TEST(ReportStats, LoadBarsGoByMonthWhenTheDaysAreMany)
{
    std::map<QDate, qint64> days;
    for (int d = 0; d < 62; ++d)
        days[kMarch1.addDays(d)] = d + 1;
    std::vector<reports::LoadBar> bars = reports::loadBars(days);
    ASSERT_EQ(bars.size(), 62u);
    EXPECT_EQ(bars.front().label, QStringLiteral("01.03"));
    EXPECT_EQ(bars.back().loads, 62);
    days[kMarch1.addDays(62)] = 100;  // 63 days: March, April, May
    bars = reports::loadBars(days);
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[0].label, QStringLiteral("03.2026"));
    EXPECT_EQ(bars[0].loads, 31 * 32 / 2);
    EXPECT_EQ(bars[2].label, QStringLiteral("05.2026"));
    EXPECT_EQ(bars[2].loads, 62 + 100);
}

TEST_F(ReportsTest, ChartShowsTheReportWithItsLimitsPrintsAndSavesAPicture)
{
    addRows(3000, kMarch1);
    formShow();
    settings.limits = {Currency::fromText(QStringLiteral("0,2")), Currency::fromText(QStringLiteral("0,95"))};
    ui::ScopedScriptedResponder answers;
    window->BitBtnChart->click();
    TFChart* chart = window->findChild<TFChart*>(QStringLiteral("FChart"));
    ASSERT_NE(chart, nullptr);
    EXPECT_TRUE(chart->isVisible());
    QStringList names;
    for (QAbstractSeries* s : chart->WeightChart->chart()->series())
        names << s->name();
    EXPECT_EQ(names, (QStringList{QStringLiteral("Зважувань (крок 0,05 кг)"), QStringLiteral("Мінімум 0,2 кг"),
                                  QStringLiteral("Максимум 0,95 кг")}));
    auto* days = qobject_cast<QBarSeries*>(chart->DayChart->chart()->series().value(0));
    ASSERT_NE(days, nullptr);
    ASSERT_EQ(days->barSets().size(), 1);
    EXPECT_EQ(days->barSets()[0]->count(), 4);  // 1 March … 4 March
    EXPECT_EQ(days->barSets()[0]->at(0), 999);

    const QString png = folder.path(QStringLiteral("chart.png"));
    answers->onDialog = [&](QDialog& d) {
        dynamic_cast<QFileDialog&>(d).selectFile(png);
        return int(QDialog::Accepted);
    };
    chart->ChartSave->click();
    const QImage img(png);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(1200, 1000));
    if (qEnvironmentVariableIsSet("TARVIK_CHART_SCREENSHOT")) {
        const QString shot = qEnvironmentVariable("TARVIK_CHART_SCREENSHOT");
        chart->grab().save(shot);
        QFile::remove(shot + QStringLiteral(".export.png"));
        QFile::copy(png, shot + QStringLiteral(".export.png"));
    }

    const printing::PrinterList printers(folder.programDir());
    const printing::PrintJob job = chart->print(printers, printers.pdfIndex());
    const QString text = pdfText(job.file);
    for (const QString& s : {QStringLiteral("Розподіл ваги нетто"), QStringLiteral("Мінімум 0,2 кг"),
                             QStringLiteral("Зважувань за день"), QStringLiteral("01.03")})
        EXPECT_TRUE(text.contains(s)) << s.toStdString() << "\n" << text.toStdString();
    EXPECT_TRUE(answers->messages().empty());
}
