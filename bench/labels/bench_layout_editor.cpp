// One step of a drag on the layout editor's preview: the model moves the
// grabbed element, the preview takes the new page and repaints it at once.
// On a 100 x 150 mm label (400 x 600 page pixels) with the station's demo
// templates; it must stay well under a frame (16 ms) for the drag to feel direct.

#include "data/settings_files.h"
#include "labels/label_pages.h"
#include "labels/station_files.h"
#include "platform/preview/page_preview.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWindow>
#include <benchmark/benchmark.h>

using namespace tarvik;

namespace {

struct NoSettings : labels::LabelSettingsView {
    labels::LabelSettings labelSettings() const override { return {}; }
    data::TableDataset* productTable() override { return nullptr; }
};

struct NoMain : labels::MainFields {
    QString weightText() const override { return {}; }
    QString batchText() const override { return {}; }
    QString placeText() const override { return {}; }
    void setLogWeightText(const QString&) override {}
};

struct PaintCounter : QObject {
    explicit PaintCounter(int& n) : n_(n) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++n_;
        return false;
    }
    int& n_;
};

// The large label: 100 x 150 mm, the four elements spread over it.
const int kLayout[18] = {100, 150, 90, 20, 5, 5, 90, 70, 5, 28, 90, 20, 5, 100, 80, 25, 10, 122};

void BM_DragStepRepaint(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString programDir = dir.path() + u'/';
    labels::installMissingStationFiles(programDir, QStringLiteral(TARVIK_SOURCE_DIR "/resources/station"));
    NoSettings settings;
    NoMain main;
    labels::LabelPages pages(programDir, settings, main);
    pages.layOutLabels();
    pages.LoadLabelTemplates();
    for (int i = 0; i < 18; ++i)
        pages.ValueList[i] = data::layoutLineName(i) + u'=' + QString::number(kLayout[i]);
    pages.ValueListEnter();

    printing::PageView view;
    QObject::connect(&pages, &labels::LabelPages::pageChanged, &view, [&](int label) {
        view.setPage(pages.page(label));
        view.resize(view.sizeHint());
    });
    view.setPage(pages.page(1));
    view.resize(view.sizeHint());
    view.show();
    // Painting only happens once the window is exposed.
    for (int i = 0; i < 50 && !view.windowHandle()->isExposed(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    int paints = 0;
    PaintCounter counter(paints);
    view.installEventFilter(&counter);

    // The body block (the largest text), grabbed in its middle.
    const QPoint grab(200, 250);
    pages.MouseMove(1, grab);
    if (!pages.GrabBlock(grab)) {
        state.SkipWithError("nothing grabbed");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        // Back and forth along a line, one pixel per move.
        const int dx = (step / 40) % 2 == 0 ? step % 40 : 40 - step % 40;
        ++step;
        pages.MouseMove(1, grab + QPoint(dx, dx / 2));
        view.repaint();
    }
    pages.MouseUp();
    if (paints < int(state.iterations()))
        state.SkipWithError("the preview did not repaint at every move");
    state.counters["paints"] = paints;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DragStepRepaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
