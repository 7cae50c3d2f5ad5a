#include "data/database.h"
#include "platform/printing/printer_list.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/responders.h"
#include "platform/ui/station_hooks.h"
#include "reports/reports_window.h"
#include "support/station_folder.h"

#include <QDateEdit>
#include <QDir>
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
    QString name = QStringLiteral("SCALE1");
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

    void byDate(QDate first, QDate last)
    {
        window->Radio1->setChecked(true);
        window->Date1->setDate(first);
        window->Date2->setDate(last);
        window->BitBtn1Click();
    }

    void byBatch(const QString& first, const QString& last)
    {
        window->Radio3->setChecked(true);
        window->Edit1->setText(first);
        window->Edit2->setText(last);
        window->BitBtn1Click();
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
    window->FormShow();
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
    window->FormShow();

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
    window->FormShow();
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
    window->FormShow();
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
    window->FormShow();
    EXPECT_TRUE(listed(0).isEmpty());
    EXPECT_EQ(footer(), (QStringList{QStringLiteral("Всього "), QStringLiteral("0 кг."), QStringLiteral("0")}));
}

TEST_F(ReportsTest, NonNumericTextStopsTheTotalsWithTheConversionError)
{
    addRow(1, QStringLiteral("Добрий"), kMarch1, QStringLiteral("0,50"), QStringLiteral("10,5"), 1);
    window->FormShow();
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
        try {
            byDate(kMarch1, kMarch1);
            ADD_FAILURE() << "totals of " << c.weight.toStdString() << " / " << c.price.toStdString();
        } catch (const tarvik::ConvertError& e) {
            EXPECT_EQ(e.text(), c.message);
        }
        EXPECT_EQ(footer(), before);
        // The list is shown again, with the rows of the report.
        EXPECT_TRUE(window->DBGrid->updatesEnabled());
        EXPECT_EQ(listed(1).size(), 2);
    }
}

TEST_F(ReportsTest, ResetShowsEveryScaleAndKeepsTheTotals)
{
    addRow(1, QStringLiteral("Мій"), kMarch1, QStringLiteral("0,50"), QStringLiteral("10,5"), 1);
    addRow(1, QStringLiteral("Чужий"), kMarch1, QStringLiteral("7"), QStringLiteral("7"), 1, QStringLiteral("SCALE2"));
    addRow(2, QStringLiteral("Мій 2"), kMarch1, QStringLiteral("1,25"), QStringLiteral("2,25"), 1);
    window->FormShow();
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
    window->FormShow();
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
                             "BitBtn2", "BitBtn3"})
        EXPECT_NE(window->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(window->BitBtn2->text(), QStringLiteral("Друкувати"));
    EXPECT_EQ(window->BitBtn3->text(), QStringLiteral("Зкинути"));
    EXPECT_EQ(window->Print.marginsMm(), QMarginsF(2, 2, 2, 2));
    if (qEnvironmentVariableIsSet("TARVIK_REPORTS_SCREENSHOT")) {
        addRow(1, QStringLiteral("Сир твердий"), kMarch1, QStringLiteral("0,50"), QStringLiteral("10,5"), 4);
        ui::ScopedScriptedResponder answers;
        window->show();
        window->grab().save(qEnvironmentVariable("TARVIK_REPORTS_SCREENSHOT"));
        window->close();
    }
}

TEST_F(ReportsTest, ScaleNameLongerThanItsColumnIsRefusedNotEmpty)
{
    addRow(1, QStringLiteral("Перша"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1);
    window->FormShow();
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
    window->FormShow();
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
    window->FormShow();
    const int fetched = window->Table.pagesFetched();

    addRow(2, QStringLiteral("Другий"), kMarch1, QStringLiteral("1"), QStringLiteral("1"), 1);
    window->ReopenTable();  // hidden: nothing is read
    EXPECT_TRUE(window->Table.isStale());
    EXPECT_EQ(window->Table.pagesFetched(), fetched);
    EXPECT_EQ(window->Table.heldRows(), 0);

    window->show();
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
    window->FormShow();
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
    window->FormShow();
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
    window->FormShow();
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
