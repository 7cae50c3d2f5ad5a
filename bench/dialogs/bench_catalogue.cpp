// Opening the settings dialog and its tab "Товари" on a line whose catalogue
// holds 10^2, 10^3 and 10^4 products. Both reload the settings, which walks
// the whole product table to refill the two product lists of "Программи",
// and the tab shows the catalogue grid. The aim: under 300 ms with 10^4.

#include "data/database.h"
#include "data/product_import.h"
#include "dialogs/settings_dialog.h"
#include "platform/ui/prompts.h"
#include "platform/ui/responders.h"
#include "station/application.h"
#include "station/main_window.h"
#include "station/station.h"
#include "station/windows.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QTabWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

using namespace tarvik;

namespace {

// A line folder with the demo settings and `products` products, and the
// whole station on it.
class Line {
public:
    explicit Line(int products)
    {
        QDir(tmp_.path()).mkpath(QStringLiteral("LINE/BIN"));
        QDir(tmp_.path()).mkpath(QStringLiteral("LINE/DATABASE"));
        const QString bin = tmp_.path() + QStringLiteral("/LINE/BIN/");
        const QString src = QStringLiteral(TARVIK_SOURCE_DIR "/resources/");
        for (const QFileInfo& f : QDir(src + QStringLiteral("station")).entryInfoList(QDir::Files))
            QFile::copy(f.filePath(), bin + f.fileName());
        QFile::copy(src + QStringLiteral("demo/Setting_Prog.ini"), bin + QStringLiteral("Setting_Prog.ini"));
        QFile scale(bin + QStringLiteral("KaloScale.ini"));
        if (scale.open(QIODevice::WriteOnly))
            scale.write("[Driver]\r\nProtocol=Simulator\r\n[Simulator]\r\nScript=readings.txt\r\n");
        QString file = QStringLiteral("NAME\tPRICE\tSELL_DATE\tTEXT1\tSKLAD\n");
        for (int i = 1; i <= products; ++i)
            file += QStringLiteral("Товар номер %1\t%2.50\t30\tДСТУ 6003\tОпис товару %1\n").arg(i).arg(i % 900);
        {
            auto db = data::Database::openOrCreate(data::stationConnectParams(bin));
            data::importProducts(*db, file);
        }
        station_ = std::make_unique<station::Station>(bin);
    }
    ~Line() { station_.reset(); }

private:
    QTemporaryDir tmp_;
    std::unique_ptr<station::Station> station_;
};

void BM_OpenSettingsAndCatalogue(benchmark::State& state)
{
    Line line(int(state.range(0)));
    // Answered at once: the dialog is shown and its tab opened, not run modally.
    ui::prompts().setResponder(std::make_unique<ui::HeadlessResponder>());
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        frSetting->show();
        frSetting->PageControl1->setCurrentWidget(frSetting->Sheet2);
        QCoreApplication::processEvents();
        const auto t1 = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        frSetting->PageControl1->setCurrentWidget(frSetting->TabSheet1);
        frSetting->hide();
    }
}
// The first opening after start, when the product lists are filled.
void BM_FirstOpenAfterStart(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        Line line(int(state.range(0)));
        ui::prompts().setResponder(std::make_unique<ui::HeadlessResponder>());
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        frSetting->show();
        frSetting->PageControl1->setCurrentWidget(frSetting->Sheet2);
        QCoreApplication::processEvents();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        frSetting->hide();
    }
}
BENCHMARK(BM_FirstOpenAfterStart)->Arg(100)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK(BM_OpenSettingsAndCatalogue)->Arg(100)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir env;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("CUPS_SERVER", QFile::encodeName(env.filePath(QStringLiteral("no-cups.sock"))));
    if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK"))
        qputenv("FIREBIRD_LOCK", QFile::encodeName(env.path()));
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(env.path()));
    station::StationApplication app(argc, argv);
    app.setFont(QFont(QStringLiteral("Liberation Sans"), 10));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
