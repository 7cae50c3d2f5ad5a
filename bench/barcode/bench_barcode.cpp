// Encoding plus drawing a station barcode picture (EAN-13, Code 128), beside
// the same work done in-process by libzint; the ratios are printed at the end.

#include "barcode/barcode.h"
#include "barcode/barcode_picture.h"
#include "barcode/canvas.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <zint.h>

#include <cstring>
#include <map>
#include <string>

using namespace tarvik::barcode;

namespace {

const char* const kEan13 = "482000120125";
const char* const kCode128 = "Tarvik 1.1 box 000123";

void ours(benchmark::State& state, TBarcodeType type, bool checksum, const char* text)
{
    const QString content = QString::fromLatin1(text);
    for (auto _ : state) {
        QImage picture = MakeBarcodePicture(content, {type, checksum, csmModulo10, 0});
        benchmark::DoNotOptimize(picture.constBits());
    }
}

void zint(benchmark::State& state, int symbology, const char* text)
{
    const int length = int(std::strlen(text));
    for (auto _ : state) {
        zint_symbol* symbol = ZBarcode_Create();
        symbol->symbology = symbology;
        symbol->height = 40;  // 80 pixels at zint's two pixels a module
        if (ZBarcode_Encode_and_Buffer(symbol, reinterpret_cast<const unsigned char*>(text), length, 0) >= 5)
            state.SkipWithError(symbol->errtxt);
        benchmark::DoNotOptimize(symbol->bitmap);
        ZBarcode_Delete(symbol);
    }
}

// The share of encoding alone: one module string, no picture.
void BM_Tarvik_EAN13_ModulesOnly(benchmark::State& state)
{
    TBarcode code;
    code.SetCheckSum(true);
    code.SetText(QString::fromLatin1(kEan13));
    for (auto _ : state)
        benchmark::DoNotOptimize(code.MakeData());
}
BENCHMARK(BM_Tarvik_EAN13_ModulesOnly);

// The bars painted without the text, on a fresh picture of the same size.
void BM_Tarvik_EAN13_BarsOnly(benchmark::State& state)
{
    TBarcode code;
    code.SetCheckSum(true);
    code.SetText(QString::fromLatin1(kEan13));
    code.SetTop(1);
    code.SetLeft(3);
    code.SetHeight(80);
    for (auto _ : state) {
        QImage picture(code.GetWidth() + 6, 82, QImage::Format_RGB888);
        picture.fill(Qt::white);
        TImageCanvas canvas(picture);
        code.DrawBarcode(canvas);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_Tarvik_EAN13_BarsOnly);

// A new number every picture, as labels with the weight in the code make:
// the text is never drawn twice.
void BM_Tarvik_EAN13_NewNumberEachTime(benchmark::State& state)
{
    qint64 number = 482000100000;
    for (auto _ : state) {
        QImage picture = MakeBarcodePicture(QString::number(number++), {bcCodeEAN13, true, csmModulo10, 0});
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_Tarvik_EAN13_NewNumberEachTime);

void BM_Tarvik_EAN13(benchmark::State& s) { ours(s, bcCodeEAN13, true, kEan13); }
void BM_Zint_EAN13(benchmark::State& s) { zint(s, BARCODE_EANX, kEan13); }
void BM_Tarvik_Code128(benchmark::State& s) { ours(s, bcCode128B, false, kCode128); }
void BM_Zint_Code128(benchmark::State& s) { zint(s, BARCODE_CODE128, kCode128); }

BENCHMARK(BM_Tarvik_EAN13);
BENCHMARK(BM_Zint_EAN13);
BENCHMARK(BM_Tarvik_Code128);
BENCHMARK(BM_Zint_Code128);

// The console report, then ours against zint's time for each symbology.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // CPU time: the machine is shared, wall time is noisy. With
        // repetitions the median stands for the run.
        for (const Run& r : runs)
            if (r.aggregate_name.empty() || r.aggregate_name == "median")
                times_[r.run_name.function_name] = r.GetAdjustedCPUTime();
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        // Ours with a new number each picture against libzint's same number:
        // libzint has no text cache to profit from a repeated one.
        const std::pair<const char*, const char*> pairs[] = {{"EAN13", "EAN13"},
                                                             {"EAN13_NewNumberEachTime", "EAN13"},
                                                             {"Code128", "Code128"}};
        for (const auto& [ours, theirs] : pairs) {
            const auto a = times_.find(std::string("BM_Tarvik_") + ours);
            const auto b = times_.find(std::string("BM_Zint_") + theirs);
            if (a != times_.end() && b != times_.end() && b->second > 0)
                std::printf("ratio %s (CPU time): ours / libzint = %.2f\n", ours, a->second / b->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
