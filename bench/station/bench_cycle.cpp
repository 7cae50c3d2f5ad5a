// The software cost of one label run of a whole station, offscreen: from a
// stable reading above the zero threshold to the end of the run (label 1
// handed to "Tarvik PDF", the log row inserted in the shared transaction and
// committed, the load counted), at 10^2 and 10^6 rows already in the log. A second case closes
// a box with every load (label 2 as well). The idle commit is timed on its own.
// The label run also runs on a customer's database: made from the four tables
// alone with an old duplicate pair in its log, to which the station adds its
// indexes when it opens it (that build is timed once). The run journal's
// steps of one run are timed on their own.
// Each run is timed by hand, so the median and the 99th percentile come from
// the runs themselves. At the end the same workload's per-label cost under
// glabels-3-batch, when it is installed, for comparison.

#include "data/database.h"
#include "data/product_import.h"
#include "data/run_journal.h"
#include "data/station_store.h"
#include "dialogs/settings_dialog.h"
#include "model/station_model.h"
#include "platform/ini/ini_file.h"
#include "platform/ui/prompts.h"
#include "platform/ui/responders.h"
#include "station/application.h"
#include "station/main_window.h"
#include "station/station.h"
#include "station/windows.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include <unistd.h>

using namespace tarvik;

namespace {

const QString kSourceDir = QStringLiteral(TARVIK_SOURCE_DIR);
// The demo setup names this scale; the log rows made for the bench carry it too.
const QString kScaleName = QStringLiteral("Demo");
constexpr int kRunsPerCase = 200;
// The label runs set against glabels: as many as its merge has labels, over
// seconds, so a slow moment of a shared host moves the median less.
constexpr int kComparedRuns = 1000;
constexpr int kWarmUpRuns = 10;

// Boxes large enough that no box closes while a case runs (the field holds
// five digits).
constexpr int kNoBoxClose = 99999;

// Shows what the station would show, and counts it: a run that raised a box
// failed, and its timing would not be a label run's.
class CountingResponder : public ui::HeadlessResponder {
public:
    explicit CountingResponder(int& shown) : shown_(shown) {}
    ui::Button message(const ui::Message& m) override
    {
        ++shown_;
        return HeadlessResponder::message(m);
    }

private:
    int& shown_;
};

int g_shown = 0;

struct Percentiles {
    double p50 = 0;
    double p99 = 0;
};

// Nearest-rank percentiles of durations in milliseconds.
Percentiles percentiles(std::vector<double> ms)
{
    if (ms.empty())
        return {};
    std::sort(ms.begin(), ms.end());
    auto rank = [&](double p) {
        const auto i = static_cast<std::size_t>(std::ceil(p * double(ms.size()))) - 1;
        return ms[std::min(i, ms.size() - 1)];
    };
    return {rank(0.50), rank(0.99)};
}

std::map<std::string, Percentiles>& results()
{
    static std::map<std::string, Percentiles> r;
    return r;
}

// The same of the runs' processor time.
std::map<std::string, Percentiles>& cpuResults()
{
    static std::map<std::string, Percentiles> r;
    return r;
}

// The case's median and 99th percentile, as counters and for the summary.
void report(benchmark::State& state, const std::string& name, const std::vector<double>& ms)
{
    const Percentiles p = percentiles(ms);
    state.counters["p50_ms"] = p.p50;
    state.counters["p99_ms"] = p.p99;
    results()[name] = p;
}

// A log row as a run writes it.
data::LogRow sampleRow()
{
    return {QStringLiteral("Сир Едам"), QDate::currentDate(), QStringLiteral("1,229"),
            QStringLiteral("211,28"),   QStringLiteral("2    "), kScaleName};
}

void copyInto(const QString& from, const QString& toDir)
{
    const QString to = toDir + QFileInfo(from).fileName();
    QFile::remove(to);
    if (!QFile::copy(from, to))
        throw std::runtime_error("cannot copy " + from.toStdString());
    QFile file(to);
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // As old as a station's templates and pictures are: a file written within
    // the file system's clock tick is read again at every load until it settles.
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    f.write(bytes);
}

// A line folder (LINE/BIN as the station, LINE/DATABASE beside it) with the
// demo setup, its catalogue and `rows` log rows of this scale, and the whole
// station built on it.
// Seconds the station took to add its indexes to the customer database, by rows.
std::map<int, double>& indexBuildSeconds()
{
    static std::map<int, double> s;
    return s;
}

// The folders of the lines done with, removed when the bench ends: a station
// deletes no file while it labels, and a file system without a journal
// searches past files deleted in the last seconds each time it makes one.
std::vector<std::unique_ptr<QTemporaryDir>>& linesDone()
{
    static std::vector<std::unique_ptr<QTemporaryDir>> dirs;
    return dirs;
}

class Line {
public:
    Line(int rows, bool customer) : rows_(rows), customer_(customer)
    {
        QDir(tmp_->path()).mkpath(QStringLiteral("LINE/BIN"));
        QDir(tmp_->path()).mkpath(QStringLiteral("LINE/DATABASE"));
        const QString bin = programDir();
        for (const QFileInfo& f : QDir(kSourceDir + QStringLiteral("/resources/station")).entryInfoList(QDir::Files))
            copyInto(f.filePath(), bin);
        copyInto(kSourceDir + QStringLiteral("/resources/demo/Setting_Prog.ini"), bin);
        // A scale that never delivers a reading: the bench hands readings in itself.
        writeFile(bin + QStringLiteral("KaloScale.ini"),
                  "[Driver]\r\nProtocol=Simulator\r\n[Simulator]\r\nScript=readings.txt\r\n");
        writeFile(bin + QStringLiteral("readings.txt"), "Error\n");
        qputenv("TARVIK_STATION_DIR", QFile::encodeName(bin));

        fillDatabase();
        station_ = std::make_unique<station::Station>(bin);
        frMain->FormActivate();
        frMain->Timer->stop();
        if (!frMain->model().databaseOrNull() || frMain->model().productNames().isEmpty())
            throw std::runtime_error("the station did not start completely");
    }

    ~Line()
    {
        station_.reset();
        linesDone().push_back(std::move(tmp_));
    }

    QString programDir() const { return tmp_->path() + QStringLiteral("/LINE/BIN/"); }
    QString pdfDir() const { return programDir() + QStringLiteral("PDF/"); }
    int rows() const { return rows_; }
    bool customer() const { return customer_; }

    void setLoadsPerBox(int n)
    {
        // The label run reloads the settings from the file, so the file is what counts.
        const QString path = programDir() + QStringLiteral("Setting_Prog.ini");
        ini::IniDocument doc = ini::IniDocument::load(path);
        doc.writeString(QStringLiteral("Prog"), QStringLiteral("Sum_etic"), QString::number(n));
        doc.save(path);
    }

    // Set aside, not deleted (see linesDone).
    void clearPdfs() { QDir().rename(pdfDir(), programDir() + QStringLiteral("old-PDF-%1").arg(++cleared_)); }

    // Empty job files as a long-running station leaves them: "Tarvik PDF"
    // numbers a job after the highest number in its folder.
    void fillPdfs(int jobs)
    {
        QDir().mkpath(pdfDir());
        for (int i = 1; i <= jobs; ++i) {
            const QString kind = i % 8 == 0 ? QStringLiteral("label2") : QStringLiteral("label1");
            writeFile(pdfDir() + QStringLiteral("%1-%2.pdf").arg(i, 6, 10, QLatin1Char('0')).arg(kind), {});
        }
    }

    int pdfCount(const QString& suffix) const
    {
        return int(QDir(pdfDir()).entryList({QStringLiteral("*-") + suffix + QStringLiteral(".pdf")}, QDir::Files)
                       .size());
    }

private:
    void fillDatabase()
    {
        const data::ConnectParams params = data::stationConnectParams(programDir());
        auto db = customer_ ? data::Database::create(params, data::SchemaPart::TablesOnly)
                            : data::Database::openOrCreate(params);
        // The rows are made inside the engine, numbered 1..rows like the station's own.
        db->executeImmediate(QStringLiteral(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN "
            "WHILE (I < %1) DO BEGIN "
            "INSERT INTO DB_ZVIT (ID, NAME, DATE_IN, WEIGHT, PRICE, PARTIA, NAME_W) "
            "VALUES (:I + 1, 'Сир Едам', CURRENT_DATE - MOD(:I, 365), '1,234', '15,41', 2, '%2'); "
            "I = I + 1; END END")
                                 .arg(rows_)
                                 .arg(kScaleName));
        if (customer_) {
            // The pair that keeps the unique index from being made.
            db->executeImmediate(QStringLiteral("INSERT INTO DB_ZVIT (ID, NAME, DATE_IN, WEIGHT, PRICE, PARTIA, NAME_W) "
                                                "VALUES (1, 'Сир Едам', CURRENT_DATE, '1,234', '15,41', 2, '%1')")
                                     .arg(kScaleName));
        }
        db->transaction().hardCommit();
        if (customer_) {
            db.reset();
            // What the station's first start on this database does, timed.
            const auto t0 = std::chrono::steady_clock::now();
            db = data::Database::connect(params);
            indexBuildSeconds()[rows_] =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            if (db->schemaNotes().size() != 1)
                throw std::runtime_error("the customer database did not get its indexes as planned");
        }
        QFile tsv(kSourceDir + QStringLiteral("/resources/demo/products.tsv"));
        if (!tsv.open(QIODevice::ReadOnly))
            throw std::runtime_error("no demo catalogue");
        data::importProducts(*db, QString::fromUtf8(tsv.readAll()));
    }

    std::unique_ptr<QTemporaryDir> tmp_ = std::make_unique<QTemporaryDir>();
    int cleared_ = 0;
    int rows_;
    bool customer_;
    std::unique_ptr<station::Station> station_;
};

// One station at a time: the windows are the process's single instances.
std::unique_ptr<Line>& currentLine()
{
    static std::unique_ptr<Line> line;
    return line;
}

Line& lineWith(int rows, bool customer)
{
    auto& line = currentLine();
    if (!line || line->rows() != rows || line->customer() != customer) {
        line.reset();
        line = std::make_unique<Line>(rows, customer);
    }
    return *line;
}

// A load between 0.250 and 2.400 kg, different from run to run.
int loadGrams(int i)
{
    return 250 + (i * 389) % 2151;
}

double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The processor time of the last label run: on a shared machine the wall
// time holds the waits for the disk and for other processes.
double g_lastRunCpuMs = 0;

// Lifts the previous load (a reading below the zero threshold re-arms) and
// puts the next one on; the timed part is the decision and its label run.
// A run's commit goes on after the run, until the next run's row or
// `settle`: the last run of a case waits for it, so every commit is timed.
double labelRunMs(int i, bool settle = false)
{
    frMain->model().setWeight(QStringLiteral("0"));
    frMain->WeighingDecision(Currency::fromInt(0), true);
    const int grams = loadGrams(i);
    frMain->model().setWeight(QString::number(grams));
    const double c0 = processCpuMs();
    const auto t0 = std::chrono::steady_clock::now();
    frMain->WeighingDecision(Currency::fromInt(grams), true);
    if (settle)
        frMain->model().database().transaction().settle();
    const auto t1 = std::chrono::steady_clock::now();
    g_lastRunCpuMs = processCpuMs() - c0;
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

void idleCommitNow()
{
    frMain->model().database().transaction().commitRetaining();
}

// Builds the station for `rows` log rows, or tells why not.
Line* setUp(benchmark::State& state, int rows, bool customer = false)
{
    try {
        return &lineWith(rows, customer);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return nullptr;
    }
}

void labelRuns(benchmark::State& state, const std::string& name, int rows, int loadsPerBox, int oldJobs = 0,
               bool customer = false)
{
    Line* setUpLine = setUp(state, rows, customer);
    if (!setUpLine)
        return;
    Line& line = *setUpLine;
    line.setLoadsPerBox(loadsPerBox);
    // Start each case with an empty box and an empty PDF folder, so the cases
    // compare alike.
    frMain->model().setBox({});
    line.clearPdfs();
    line.fillPdfs(oldJobs);
    // What the peer, the set-up or the last case left for the disk to write
    // is written now, not under this case's syncs.
    ::sync();
    const int shownBefore = g_shown;
    // Runs first: fonts, templates and statements are prepared once, and the
    // caches fill. As many as glabels' figure leaves out (its first ten labels).
    for (int w = 0; w < kWarmUpRuns; ++w) {
        labelRunMs(kRunsPerCase + w);
        idleCommitNow();
    }
    const int label1Before = line.pdfCount(QStringLiteral("label1"));
    const int label2Before = line.pdfCount(QStringLiteral("label2"));

    std::vector<double> ms, cpu;
    ms.reserve(std::size_t(state.max_iterations));
    int i = 1;
    // Loads come one after another with no idle commit between them, as on a
    // fast line: each run's commit overlaps the next run.
    for (auto _ : state) {
        const double t = labelRunMs(i, i == int(state.max_iterations));
        ++i;
        state.SetIterationTime(t / 1000.0);
        ms.push_back(t);
        cpu.push_back(g_lastRunCpuMs);
        if (!frMain->Cycle().PrintedFlag)
            state.SkipWithError("a label run failed");
    }
    const int runs = int(ms.size());
    const int label1 = line.pdfCount(QStringLiteral("label1")) - label1Before;
    const int label2 = line.pdfCount(QStringLiteral("label2")) - label2Before;
    const int boxes = loadsPerBox == 1 ? runs : 0;
    line.clearPdfs();
    if (g_shown != shownBefore)
        state.SkipWithError("the station showed an error during the runs");
    else if (label1 != runs || label2 != boxes)
        state.SkipWithError("the PDF folder does not hold one label 1 per run and one label 2 per box");

    report(state, name, ms);
    const Percentiles c = percentiles(cpu);
    state.counters["cpu_p50_ms"] = c.p50;
    cpuResults()[name] = c;
}

void idleCommit(benchmark::State& state, const std::string& name, int rows)
{
    if (!setUp(state, rows))
        return;
    data::StationStore& store = frMain->model().store();
    const data::LogRow row = sampleRow();
    std::vector<double> ms;
    for (auto _ : state) {
        // Not timed: the row the commit makes durable. Its number also shows
        // that the log holds the rows made for it.
        if (store.insertLogRow(row) <= rows)
            state.SkipWithError("the log does not hold the rows made for the bench");
        const auto t0 = std::chrono::steady_clock::now();
        idleCommitNow();
        const auto t1 = std::chrono::steady_clock::now();
        const double t = std::chrono::duration<double, std::milli>(t1 - t0).count();
        state.SetIterationTime(t / 1000.0);
        ms.push_back(t);
    }
    report(state, name, ms);
}

// The log row of one run as the run writes it (its number taken under the
// scale's lock row, its run identifier beside it), without the commit that
// follows: the part of a run that differs between the station's database and
// a customer's.
void logRows(benchmark::State& state, const std::string& name, int rows, bool customer)
{
    if (!setUp(state, rows, customer))
        return;
    data::StationStore& store = frMain->model().store();
    const data::LogRow row = sampleRow();
    std::vector<double> ms;
    for (auto _ : state) {
        const QString id = data::RunJournal::newRunId();
        const auto t0 = std::chrono::steady_clock::now();
        const int number = store.insertLogRowOnce(id, row).id;
        const auto t1 = std::chrono::steady_clock::now();
        if (number <= rows)
            state.SkipWithError("the log does not hold the rows made for the bench");
        idleCommitNow();
        const double t = std::chrono::duration<double, std::milli>(t1 - t0).count();
        state.SetIterationTime(t / 1000.0);
        ms.push_back(t);
    }
    report(state, name, ms);
}

// The journal's steps of one label run that closes no box (run, printed,
// logged, end) as the run writes them: printed synced to the disk, with begin.
void journalRun(benchmark::State& state, const std::string& name)
{
    QTemporaryDir dir;
    data::RunJournal journal(dir.path() + u'/');
    const data::LogRow row = sampleRow();
    std::vector<double> ms;
    for (auto _ : state) {
        const QString id = data::RunJournal::newRunId();
        const auto t0 = std::chrono::steady_clock::now();
        journal.begin(id, row);
        journal.printed(id);
        journal.logged(id);
        journal.end(id);
        const auto t1 = std::chrono::steady_clock::now();
        const double t = std::chrono::duration<double, std::milli>(t1 - t0).count();
        state.SetIterationTime(t / 1000.0);
        ms.push_back(t);
    }
    report(state, name, ms);
}

// --- the peer ----------------------------------------------------------------

struct PeerRun {
    bool ok = false;
    double seconds = 0;
    double cpuSeconds = 0;  // user and system time of the process
};

double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto s = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return s(usage.ru_utime) + s(usage.ru_stime);
}

PeerRun runGlabels(const QString& program, const QString& csv, const QString& templ, const QString& out)
{
    QFile::remove(out);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer t;
    t.start();
    const double cpu0 = childrenCpuSeconds();
    p.start(program, {QStringLiteral("-i"), csv, QStringLiteral("-o"), out, templ});
    if (!p.waitForStarted() || !p.waitForFinished(10 * 60 * 1000))
        return {};
    const double s = double(t.nsecsElapsed()) / 1e9;
    const double cpu = childrenCpuSeconds() - cpu0;
    const bool ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 && QFileInfo(out).size() > 0;
    if (!ok)
        std::fprintf(stderr, "glabels-3-batch failed:\n%s\n", p.readAll().constData());
    return {ok, s, cpu};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// glabels-3-batch on the peer workload, measured before the cases and again
// after them, so a machine that gets slower or faster meanwhile moves the
// peer's figure as it moves ours.
class Peer {
public:
    // False, having said why, when the peer cannot run here.
    bool prepare()
    {
        const QString workload = QDir::cleanPath(kSourceDir + QStringLiteral("/../shared/bench/glabels"));
        csv_ = workload + QStringLiteral("/data.csv");
        templ_ = workload + QStringLiteral("/weigh.glabels");
        program_ = QStandardPaths::findExecutable(QStringLiteral("glabels-3-batch"));
        if (program_.isEmpty()) {
            std::printf("peer skipped: glabels-3-batch is not installed\n");
            return false;
        }
        if (!QFileInfo::exists(csv_) || !QFileInfo::exists(templ_)) {
            std::printf("peer skipped: no workload in %s\n", qPrintable(workload));
            return false;
        }
        // The first 10 records: the header line and 10 lines after it.
        QFile all(csv_);
        if (!all.open(QIODevice::ReadOnly)) {
            std::printf("peer skipped: cannot read %s\n", qPrintable(csv_));
            return false;
        }
        QByteArray ten;
        for (int i = 0; i < 11 && !all.atEnd(); ++i)
            ten += all.readLine();
        csv10_ = tmp_.filePath(QStringLiteral("data10.csv"));
        writeFile(csv10_, ten);
        return true;
    }

    // `repeats` runs of 10 and of 1000 records; false if one failed.
    bool measure(int repeats)
    {
        for (int r = 0; r < repeats; ++r) {
            const PeerRun a = runGlabels(program_, csv10_, templ_, tmp_.filePath(QStringLiteral("out10.pdf")));
            const PeerRun b = runGlabels(program_, csv_, templ_, tmp_.filePath(QStringLiteral("out1000.pdf")));
            if (!a.ok || !b.ok) {
                std::printf("peer skipped: glabels-3-batch did not render the workload\n");
                return false;
            }
            t10_.push_back(a.seconds);
            t1000_.push_back(b.seconds);
            c10_.push_back(a.cpuSeconds);
            c1000_.push_back(b.cpuSeconds);
            perLabelCpu_.push_back((b.cpuSeconds - a.cpuSeconds) / 990.0 * 1000.0);
        }
        return true;
    }

    void report() const
    {
        if (t10_.empty())
            return;
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        const double m10 = median(t10_), m1000 = median(t1000_);
        const double perLabelMs = (m1000 - m10) / 990.0 * 1000.0;
        std::printf("glabels-3-batch: 10 records %.3f s, 1000 records %.3f s (medians of %zu, before and after "
                    "the cases), per label %.2f ms, peak RSS %.0f MB\n",
                    m10, m1000, t10_.size(), perLabelMs, double(usage.ru_maxrss) / 1024.0);
        const double perLabelCpuMs = (median(c1000_) - median(c10_)) / 990.0 * 1000.0;
        const auto [low, high] = std::minmax_element(perLabelCpu_.begin(), perLabelCpu_.end());
        std::printf("glabels-3-batch processor time: per label %.2f ms (single runs %.2f to %.2f ms)\n",
                    perLabelCpuMs, *low, *high);
        for (const char* name : {"BM_LabelRun/100", "BM_LabelRun/1000000", "BM_LabelRunCustomerDatabase/100",
                                 "BM_LabelRunCustomerDatabase/1000000"}) {
            const auto wall = results().find(name);
            const auto cpu = cpuResults().find(name);
            if (wall != results().end() && perLabelMs > 0)
                std::printf(
                    "ratio tarvik/glabels, %s, wall time: median %.2f, p99 %.2f (tarvik p50 %.2f ms, p99 %.2f ms)\n",
                    name, wall->second.p50 / perLabelMs, wall->second.p99 / perLabelMs, wall->second.p50,
                    wall->second.p99);
            if (cpu != cpuResults().end() && perLabelCpuMs > 0)
                std::printf("ratio tarvik/glabels, %s, processor time: median %.2f, p99 %.2f "
                            "(tarvik p50 %.2f ms, p99 %.2f ms)\n",
                            name, cpu->second.p50 / perLabelCpuMs, cpu->second.p99 / perLabelCpuMs,
                            cpu->second.p50, cpu->second.p99);
        }
    }

private:
    QTemporaryDir tmp_;
    QString program_, csv_, csv10_, templ_;
    std::vector<double> t10_, t1000_, c10_, c1000_, perLabelCpu_;
};

void printSummary()
{
    auto& r = results();
    auto line = [&](const char* what, const std::string& base) {
        const auto small = r.find(base + "/100"), large = r.find(base + "/1000000");
        if (small == r.end() || large == r.end())
            return;
        std::printf("%s: 10^2 rows p50 %.3f ms p99 %.3f ms; 10^6 rows p50 %.3f ms p99 %.3f ms; "
                    "ratio of medians 10^6/10^2 = %.2f\n",
                    what, small->second.p50, small->second.p99, large->second.p50, large->second.p99,
                    small->second.p50 > 0 ? large->second.p50 / small->second.p50 : 0.0);
    };
    line("label run", "BM_LabelRun");
    for (const char* rows : {"100", "1000000"}) {
        const auto c = cpuResults().find(std::string("BM_LabelRun/") + rows);
        if (c != cpuResults().end())
            std::printf("label run processor time at %s rows: p50 %.3f ms p99 %.3f ms\n", rows, c->second.p50,
                        c->second.p99);
    }
    line("label run, customer database", "BM_LabelRunCustomerDatabase");
    line("log row", "BM_LogRow");
    line("log row, customer database", "BM_LogRowCustomerDatabase");
    for (const char* what : {"LabelRun", "LogRow"}) {
        for (const char* rows : {"100", "1000000"}) {
            const auto own = r.find(std::string("BM_") + what + "/" + rows),
                       customer = r.find(std::string("BM_") + what + "CustomerDatabase/" + rows);
            if (own != r.end() && customer != r.end() && own->second.p50 > 0)
                std::printf("%s, customer database against the station's own at %s rows: p50 %.3f / %.3f ms, "
                            "p99 %.3f / %.3f ms; ratio of medians %.2f, of p99 %.2f (target at most 1.2)\n",
                            what, rows, customer->second.p50, own->second.p50, customer->second.p99,
                            own->second.p99, customer->second.p50 / own->second.p50,
                            own->second.p99 > 0 ? customer->second.p99 / own->second.p99 : 0.0);
        }
    }
    for (const auto& [rows, seconds] : indexBuildSeconds())
        std::printf("indexes added to the customer database at its first opening, %d rows: %.2f s\n", rows, seconds);
    if (const auto j = r.find("BM_JournalRun"); j != r.end()) {
        std::printf("run journal, the 4 steps of one run (1 synced): p50 %.3f ms p99 %.3f ms", j->second.p50,
                    j->second.p99);
        if (const auto own = r.find("BM_LabelRun/100"); own != r.end() && own->second.p50 > 0)
            std::printf(" (%.0f %% of the median label run at 10^2 rows)", 100.0 * j->second.p50 / own->second.p50);
        std::printf("\n");
    }
    line("label run closing a box", "BM_LabelRunClosingBox");
    line("idle commit", "BM_IdleCommit");
    const auto plain = r.find("BM_LabelRun/100"), crowded = r.find("BM_LabelRunAfter20000Jobs/100");
    if (plain != r.end() && crowded != r.end() && plain->second.p50 > 0)
        std::printf("label run with 20000 jobs already in the PDF folder: p50 %.3f ms p99 %.3f ms; "
                    "ratio of medians to an empty folder = %.2f\n",
                    crowded->second.p50, crowded->second.p99, crowded->second.p50 / plain->second.p50);
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir env;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // No print queue of the machine: "Tarvik PDF" is the only printer, position 0.
    qputenv("CUPS_SERVER", QFile::encodeName(env.filePath(QStringLiteral("no-cups.sock"))));
    if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK"))
        qputenv("FIREBIRD_LOCK", QFile::encodeName(env.path()));
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(env.path()));
    // --no-peer leaves out the glabels comparison (it takes about a minute).
    bool peer = true;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-peer") {
            peer = false;
            std::copy(argv + i + 1, argv + argc + 1, argv + i);
            --argc;
            break;
        }
    }
    station::StationApplication app(argc, argv);
    app.setFont(QFont(QStringLiteral("Liberation Sans"), 10));
    ui::prompts().setResponder(std::make_unique<CountingResponder>(g_shown));

    for (int rows : {100, 1000000}) {
        const std::string n = std::to_string(rows);
        const std::string run = "BM_LabelRun/" + n, closing = "BM_LabelRunClosingBox/" + n,
                          commit = "BM_IdleCommit/" + n;
        benchmark::RegisterBenchmark(run.c_str(),
                                     [=](benchmark::State& s) { labelRuns(s, run, rows, kNoBoxClose); })
            ->UseManualTime()
            ->Iterations(kComparedRuns)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(closing.c_str(),
                                     [=](benchmark::State& s) { labelRuns(s, closing, rows, 1); })
            ->UseManualTime()
            ->Iterations(kRunsPerCase / 2)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(commit.c_str(), [=](benchmark::State& s) { idleCommit(s, commit, rows); })
            ->UseManualTime()
            ->Iterations(kRunsPerCase)
            ->Unit(benchmark::kMicrosecond);
        if (rows == 100) {
            // The same run in a PDF folder that already holds 20000 jobs.
            const std::string crowded = "BM_LabelRunAfter20000Jobs/" + n;
            benchmark::RegisterBenchmark(
                crowded.c_str(), [=](benchmark::State& s) { labelRuns(s, crowded, rows, kNoBoxClose, 20000); })
                ->UseManualTime()
                ->Iterations(kRunsPerCase)
                ->Unit(benchmark::kMillisecond);
        }
        const std::string logRow = "BM_LogRow/" + n, customerRow = "BM_LogRowCustomerDatabase/" + n;
        benchmark::RegisterBenchmark(logRow.c_str(), [=](benchmark::State& s) { logRows(s, logRow, rows, false); })
            ->UseManualTime()
            ->Iterations(kRunsPerCase)
            ->Unit(benchmark::kMicrosecond);
        // Last for its size: the customer's line is built anew.
        benchmark::RegisterBenchmark(customerRow.c_str(),
                                     [=](benchmark::State& s) { logRows(s, customerRow, rows, true); })
            ->UseManualTime()
            ->Iterations(kRunsPerCase)
            ->Unit(benchmark::kMicrosecond);
        const std::string customer = "BM_LabelRunCustomerDatabase/" + n;
        benchmark::RegisterBenchmark(customer.c_str(),
                                     [=](benchmark::State& s) { labelRuns(s, customer, rows, kNoBoxClose, 0, true); })
            ->UseManualTime()
            ->Iterations(kComparedRuns)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("BM_JournalRun", [](benchmark::State& s) { journalRun(s, "BM_JournalRun"); })
        ->UseManualTime()
        ->Iterations(kRunsPerCase)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    Peer glabels;
    constexpr int kPeerRepeats = 3;  // before the cases, and as many after
    peer = peer && glabels.prepare() && glabels.measure(kPeerRepeats);
    int status = 0;
    try {
        benchmark::RunSpecifiedBenchmarks();
        // The station goes before the application.
        currentLine().reset();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_cycle: %s\n", e.what());
        status = 1;
    }
    printSummary();
    if (peer && glabels.measure(kPeerRepeats))
        glabels.report();
    linesDone().clear();
    benchmark::Shutdown();
    return status;
}
