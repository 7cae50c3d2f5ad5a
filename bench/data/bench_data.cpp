// The cost of the label run's two numbering statements as the log grows:
// inserting a log row with its number (MAX(ID) + 1 of the scale name inside the
// INSERT) and advancing the box number, over 10^3 and 10^6 existing rows.
// Printed at the end as the ratio of the two sizes; it should stay near 1.

#include "data/database.h"
#include "data/station_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

using namespace tarvik::data;

namespace {

struct Line {
    QTemporaryDir dir;
    std::unique_ptr<Database> db;
    std::unique_ptr<StationStore> store;
};

// One database per log size, filled once and kept for every benchmark of that size.
Line& lineWith(int rows)
{
    static std::map<int, std::unique_ptr<Line>> lines;
    auto& slot = lines[rows];
    if (!slot) {
        slot = std::make_unique<Line>();
        const QString path = slot->dir.filePath(QStringLiteral("LINE/DATABASE/VELM.GDB"));
        slot->db = Database::openOrCreate(ConnectParams{path});
        // Rows of this scale and of two others, made inside the engine.
        slot->db->executeImmediate(QStringLiteral(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN "
            "WHILE (I < %1) DO BEGIN "
            "INSERT INTO DB_ZVIT (ID, NAME, DATE_IN, WEIGHT, PRICE, PARTIA, NAME_W) "
            "VALUES (:I / 3 + 1, 'Молоко', CURRENT_DATE, '1,234', '15,41', 2, "
            "CASE MOD(:I, 3) WHEN 0 THEN 'Ваги 1' WHEN 1 THEN 'Ваги 2' ELSE 'Ваги 3' END); "
            "I = I + 1; END END").arg(rows));
        slot->db->transaction().hardCommit();
        slot->store = std::make_unique<StationStore>(*slot->db);
    }
    return *slot;
}

void BM_InsertLogRow(benchmark::State& state)
{
    Line& line = lineWith(int(state.range(0)));
    const LogRow row{QStringLiteral("Молоко"), QDate(2010, 12, 8), QStringLiteral("1,233"), QStringLiteral("15,41"),
                     QStringLiteral("2    "), QStringLiteral("Ваги 1")};
    for (auto _ : state)
        benchmark::DoNotOptimize(line.store->insertLogRow(row));
    line.db->transaction().hardCommit();
}
BENCHMARK(BM_InsertLogRow)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void BM_AdvanceBoxNumber(benchmark::State& state)
{
    Line& line = lineWith(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(line.store->advanceBoxNumber());
    line.db->transaction().hardCommit();
}
BENCHMARK(BM_AdvanceBoxNumber)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// Keeps the per-iteration times to print the ratio after the usual report.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            times_[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatios() const
    {
        for (const char* name : {"BM_InsertLogRow", "BM_AdvanceBoxNumber"}) {
            const auto small = times_.find(std::string(name) + "/1000");
            const auto large = times_.find(std::string(name) + "/1000000");
            if (small != times_.end() && large != times_.end() && small->second > 0)
                std::printf("%s: 10^6 rows / 10^3 rows = %.2f\n", name, large->second / small->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir lock;
    if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK"))
        qputenv("FIREBIRD_LOCK", QFile::encodeName(lock.path()));
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
