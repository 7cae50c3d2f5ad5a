// The reports over a long log: 10^6 rows of 10 scale names, about 3,000 rows
// of one scale name a day. Times to the first rows shown, to the totals, of
// printing and exporting the unfiltered report, and the process's peak memory
// (counter "peak_MB"; run one benchmark per process with --benchmark_filter
// for the peak of that one alone).

#include "data/database.h"
#include "data/datasets.h"
#include "platform/ui/responders.h"
#include "platform/ui/station_hooks.h"
#include "platform/printing/printer_list.h"
#include "reports/report_csv.h"
#include "reports/report_totals.h"
#include "reports/reports_window.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QRadioButton>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

using namespace tarvik;

namespace {

constexpr int kRows = 1'000'000;
constexpr int kScales = 10;
constexpr int kPerDay = 3'000;  // rows of one scale name a day
const QDate kFirstDay(2025, 1, 1);

double peakMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

class NullTimer : public ui::PollingTimer {
public:
    void stopPolling() override {}
    void startPolling() override {}
};

class Settings : public reports::ReportSettings {
public:
    QString scaleName() const override { return name; }
    QString name = QStringLiteral("SCALE03");
};

QString scaleName(int k) { return QStringLiteral("SCALE%1").arg(k, 2, 10, QLatin1Char('0')); }

// One database, filled once and kept for later runs (TARVIK_BENCH_DIR, or a
// folder in the temp directory): filling it takes a minute or two.
struct Log {
    QString dir = qEnvironmentVariableIsEmpty("TARVIK_BENCH_DIR")
                      ? QDir::tempPath() + QStringLiteral("/tarvik-bench-reports")
                      : qEnvironmentVariable("TARVIK_BENCH_DIR");
    std::unique_ptr<data::Database> db;
    NullTimer timer;
    Settings settings;
    std::unique_ptr<TFZvit> window;
    double fillSeconds = 0;

    Log()
    {
        const QString programDir = dir + QStringLiteral("/LINE/BIN/");
        QDir().mkpath(programDir);
        QDir().mkpath(dir + QStringLiteral("/LINE/DATABASE"));
        db = data::Database::openOrCreate(data::ConnectParams{data::stationDatabasePath(programDir)});
        data::PreparedStatement count(*db, QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT"));
        if (count.select().at(0).at(0).toInt() != kRows) {
            db->executeImmediate(QStringLiteral("DELETE FROM DB_ZVIT"));
            fill();
        }
        // TARVIK_BENCH_ASCENDING_INDEX=1 adds by hand an ascending (NAME_W, ID)
        // index, which the list order of printing and export can walk.
        if (qEnvironmentVariableIntValue("TARVIK_BENCH_ASCENDING_INDEX") == 1) {
            data::PreparedStatement has(*db, QStringLiteral("SELECT COUNT(*) FROM RDB$INDICES WHERE RDB$INDEX_NAME = ?"));
            if (has.select({QStringLiteral("BENCH_ZVIT_NAME_W_ID_ASC")}).at(0).at(0).toInt() == 0) {
                db->executeImmediate(QStringLiteral("CREATE INDEX BENCH_ZVIT_NAME_W_ID_ASC ON DB_ZVIT (NAME_W, ID)"));
                db->transaction().hardCommit();
            }
        }
        window = std::make_unique<TFZvit>(timer, db.get(), settings, programDir);
        window->resize(900, 600);
        window->FormCreate();
    }

    void fill()
    {
        QElapsedTimer t;
        t.start();
        data::PreparedStatement insert(
            *db, QStringLiteral("INSERT INTO DB_ZVIT (ID, NAME, DATE_IN, WEIGHT, PRICE, PARTIA, NAME_W) "
                                "VALUES (?, ?, ?, ?, ?, ?, ?)"));
        const QStringList products = {QStringLiteral("Сир твердий"), QStringLiteral("Масло вершкове"),
                                      QStringLiteral("Ковбаса"), QStringLiteral("Шинка")};
        for (int i = 0; i < kRows; ++i) {
            const int k = i % kScales;
            const int n = i / kScales;  // the row's number within its scale name
            const QString weight = QStringLiteral("%1,%2").arg(n % 3).arg(n % 1000, 3, 10, QLatin1Char('0'));
            const QString price = QStringLiteral("%1,%2").arg(n % 50).arg(n % 100, 2, 10, QLatin1Char('0'));
            insert.execute({n + 1, products[n % products.size()], kFirstDay.addDays(n / kPerDay), weight, price,
                            n / 500, scaleName(k)});
        }
        db->transaction().hardCommit();
        fillSeconds = t.elapsed() / 1000.0;
    }

    static std::unique_ptr<Log>& instance()
    {
        static std::unique_ptr<Log> log;
        return log;
    }
    static Log& get()
    {
        if (!instance())
            instance() = std::make_unique<Log>();
        return *instance();
    }
    // Windows and the connection go before the application object does.
    static void release() { instance().reset(); }
};

// Reads the rows the list shows at its end, where a report opens.
void touchShownRows(reports::LogSource& source)
{
    const int n = source.rowCount();
    for (int r = std::max(0, n - 30); r < n; ++r)
        benchmark::DoNotOptimize(source.value(r, QStringLiteral("NAME")));
}

reports::LogFilter oneDay()
{
    reports::LogFilter f = reports::scaleFilter(QStringLiteral("SCALE03"));
    f.firstDay = f.lastDay = kFirstDay.addDays(20);
    return f;
}

void BM_FirstRowsWholeScale(benchmark::State& state)
{
    Log& log = Log::get();
    for (auto _ : state) {
        log.window->Table.setFilter(reports::scaleFilter(QStringLiteral("SCALE03")));
        touchShownRows(log.window->Table);
    }
    state.counters["rows"] = log.window->Table.rowCount();
    state.counters["peak_MB"] = peakMegabytes();
}

void BM_FirstRowsOneDay(benchmark::State& state)
{
    Log& log = Log::get();
    for (auto _ : state) {
        log.window->Table.setFilter(oneDay());
        touchShownRows(log.window->Table);
    }
    state.counters["rows"] = log.window->Table.rowCount();
    state.counters["peak_MB"] = peakMegabytes();
}

// The two halves of the first rows: the count, and the page at the end.
void BM_CountOnly(benchmark::State& state)
{
    Log& log = Log::get();
    const reports::LogFilter f = state.range(0) ? oneDay() : reports::scaleFilter(QStringLiteral("SCALE03"));
    for (auto _ : state)
        log.window->Table.setFilter(f);
    state.counters["rows"] = log.window->Table.rowCount();
}

void BM_LastPageOnly(benchmark::State& state)
{
    Log& log = Log::get();
    log.window->Table.setFilter(state.range(0) ? oneDay() : reports::scaleFilter(QStringLiteral("SCALE03")));
    for (auto _ : state) {
        log.window->Table.forget();
        touchShownRows(log.window->Table);
    }
}

void BM_TotalsOneDay(benchmark::State& state)
{
    Log& log = Log::get();
    reports::ReportTotals t;
    for (auto _ : state)
        t = reports::computeTotals(*log.db, oneDay());
    state.counters["rows"] = double(t.rows);
    state.counters["peak_MB"] = peakMegabytes();
}

void BM_TotalsWholeScale(benchmark::State& state)
{
    Log& log = Log::get();
    reports::ReportTotals t;
    for (auto _ : state)
        t = reports::computeTotals(*log.db, reports::scaleFilter(QStringLiteral("SCALE03")));
    state.counters["rows"] = double(t.rows);
    state.counters["peak_MB"] = peakMegabytes();
}

// The window opened: polling off, this scale's whole list shown and painted;
// the totals are summed in the background meanwhile.
void BM_OpenWindowFirstRows(benchmark::State& state)
{
    Log& log = Log::get();
    for (auto _ : state) {
        log.window->show();
        log.window->DBGrid->view()->viewport()->repaint();
        state.PauseTiming();
        log.window->waitForTotals();
        log.window->close();
        state.ResumeTiming();
    }
    state.counters["rows"] = log.window->Table.rowCount();
    state.counters["peak_MB"] = peakMegabytes();
}

// The reset list: every row of every scale name (10^6), shown and painted;
// the count follows from the summing thread.
void BM_ResetListFirstRows(benchmark::State& state)
{
    Log& log = Log::get();
    log.window->show();
    log.window->waitForTotals();
    for (auto _ : state) {
        log.window->BitBtn3Click();
        log.window->DBGrid->view()->viewport()->repaint();
        state.PauseTiming();
        log.window->waitForTotals();
        log.window->BitBtn1Click();  // back to a short list
        log.window->waitForTotals();
        state.ResumeTiming();
    }
    state.counters["rows"] = log.window->Table.rowCount();
    log.window->close();
}

// From opening to the totals in the footer.
void BM_OpenWindowTotals(benchmark::State& state)
{
    Log& log = Log::get();
    for (auto _ : state) {
        log.window->show();
        if (!log.window->waitForTotals())
            state.SkipWithError("no totals");
        log.window->close();
    }
    state.counters["rows"] = double(log.window->totals().rows);
    state.counters["peak_MB"] = peakMegabytes();
}

// The reset list (every row of every scale name) printed to "Tarvik PDF":
// the time until the first page is painted, the pages, and the peak memory. Arg 1: the whole report (one iteration: ~15,000 pages);
// arg 0: cancelled as the second page begins.
void BM_PrintUnfiltered(benchmark::State& state)
{
    Log& log = Log::get();
    log.window->Table.setFilter(reports::LogFilter{});
    log.window->CalcTotals();
    log.window->waitForTotals();
    const printing::PrinterList printers(log.window->programDir());
    const bool whole = state.range(0) != 0;
    double firstPageMs = 0;
    int printed = 0;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        const printing::PrintJob job =
            grid::GridPrinter::choosePrinter(printer, printers, printers.pdfIndex(), QStringLiteral("bench"));
        QElapsedTimer t;
        t.start();
        printed = log.window->Print.print(printer, [&](int page) {
            // The first page is painted, its rows read, when the second begins.
            if (page == 2)
                firstPageMs = t.nsecsElapsed() / 1e6;
            QCoreApplication::processEvents();
            return whole || page < 2;
        });
        if (!whole)
            printer.abort();
        state.counters["pdf_MB"] = QFileInfo(job.file).size() / 1e6;
        QFile::remove(job.file);
    }
    state.counters["first_page_ms"] = firstPageMs;
    state.counters["pages"] = printed;
    state.counters["rows"] = log.window->Table.rowCount();
    state.counters["peak_MB"] = peakMegabytes();
}

// The reset list written as CSV (10^6 rows).
void BM_ExportCsvUnfiltered(benchmark::State& state)
{
    Log& log = Log::get();
    log.window->Table.setFilter(reports::LogFilter{});
    std::vector<reports::CsvColumn> columns;
    for (const grid::GridColumn& c : log.window->DBGrid->columns())
        columns.push_back({c.field, c.shownTitle()});
    const QString path = log.dir + QStringLiteral("/bench.csv");
    reports::CsvResult r;
    for (auto _ : state)
        r = reports::exportReportCsv(log.window->Table, columns, path);
    state.counters["rows"] = double(r.totals.rows);
    state.counters["csv_MB"] = QFileInfo(path).size() / 1e6;
    QFile::remove(path);
    state.counters["peak_MB"] = peakMegabytes();
}

// OK on a one-day report, list drawn and totals.
void BM_OneDayReport(benchmark::State& state)
{
    Log& log = Log::get();
    log.window->show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        log.window->Radio1->setChecked(true);
        log.window->Date1->setDate(kFirstDay.addDays(20));
        log.window->Date2->setDate(kFirstDay.addDays(20));
        log.window->BitBtn1Click();
        log.window->DBGrid->view()->viewport()->repaint();
        log.window->waitForTotals();
    }
    state.counters["rows"] = log.window->Table.rowCount();
    log.window->close();
    state.counters["peak_MB"] = peakMegabytes();
}

// The list dragged to its top: the far end of the index walk.
void BM_JumpToFirstRowWholeScale(benchmark::State& state)
{
    Log& log = Log::get();
    log.window->Table.setFilter(reports::scaleFilter(QStringLiteral("SCALE03")));
    for (auto _ : state) {
        log.window->Table.forget();
        benchmark::DoNotOptimize(log.window->Table.value(0, QStringLiteral("NAME")));
    }
    state.counters["peak_MB"] = peakMegabytes();
}

// The weighing cycle's close-reopen-last-row, window hidden and shown.
void BM_CycleReopenHidden(benchmark::State& state)
{
    Log& log = Log::get();
    for (auto _ : state)
        log.window->ReopenTable();
}

void BM_CycleReopenShownWholeScale(benchmark::State& state)
{
    Log& log = Log::get();
    log.window->show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        log.window->ReopenTable();
        log.window->DBGrid->view()->viewport()->repaint();
    }
    log.window->close();
}

// For comparison: the data layer's general paged query, ordered by
// (NAME_W, ID) and the row key, opened on the whole scale and asked for the
// last row (where a report opens).
void BM_GeneralPagedQueryLastRowWholeScale(benchmark::State& state)
{
    Log& log = Log::get();
    for (auto _ : state) {
        data::PagedQuery q(*log.db, QStringLiteral("DB_ZVIT"), QStringLiteral("ID, NAME, DATE_IN, WEIGHT, PRICE, PARTIA"),
                           QStringLiteral("NAME_W, ID"));
        q.setFilter(QStringLiteral("NAME_W = ?"), {QStringLiteral("SCALE03")});
        q.open();
        benchmark::DoNotOptimize(q.value(q.rowCount() - 1, QStringLiteral("NAME")));
    }
}

void BM_PeakMemory(benchmark::State& state)
{
    Log& log = Log::get();
    for (auto _ : state)
        benchmark::DoNotOptimize(peakMegabytes());
    state.counters["peak_MB"] = peakMegabytes();
    state.counters["fill_s"] = log.fillSeconds;
}

BENCHMARK(BM_FirstRowsWholeScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstRowsOneDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LastPageOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TotalsOneDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TotalsWholeScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenWindowFirstRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenWindowTotals)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResetListFirstRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneDayReport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JumpToFirstRowWholeScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CycleReopenHidden)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleReopenShownWholeScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeneralPagedQueryLastRowWholeScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrintUnfiltered)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrintUnfiltered)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCsvUnfiltered)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakMemory)->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    for (const char* name : {"FIREBIRD_LOCK", "FIREBIRD_TMP"}) {
        if (qEnvironmentVariableIsEmpty(name)) {
            const QString dir = QDir::tempPath() + QStringLiteral("/tarvik-bench-") + QString::fromLatin1(name).mid(9).toLower();
            QDir().mkpath(dir);
            qputenv(name, QFile::encodeName(dir));
        }
    }
    QApplication app(argc, argv);
    ui::ScopedScriptedResponder quiet;  // an error box would wait for nobody
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Log::release();
    return 0;
}
