#include "reports/report_chart.h"

#include "platform/printing/printer_list.h"
#include "platform/text/error.h"
#include "platform/ui/prompts.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QValueAxis>

using namespace tarvik;

namespace {

QChartView* chartView(const char* name, QWidget* parent)
{
    auto* v = new QChartView(new QChart, parent);
    v->setObjectName(QString::fromLatin1(name));
    v->setRenderHint(QPainter::Antialiasing);
    v->chart()->setAnimationOptions(QChart::NoAnimation);
    // Decimal commas on the axes, as in the list.
    v->chart()->setLocale(QLocale(QLocale::Ukrainian, QLocale::Ukraine));
    v->chart()->setLocalizeNumbers(true);
    v->setMinimumSize(480, 240);
    return v;
}

// Series and axes of the last drawing go: each drawing makes its own.
void clear(QChart& chart)
{
    chart.removeAllSeries();
    for (QAbstractAxis* a : chart.axes()) {
        chart.removeAxis(a);
        delete a;
    }
}

double kilograms(Currency c) { return double(c.count()) / double(Currency::kScale); }

// A vertical line at a limit, across the histogram's height.
void addLimit(QChart& chart, QAbstractAxis* x, QAbstractAxis* y, double at, double top, const QString& name)
{
    auto* line = new QLineSeries(&chart);
    line->setName(name);
    line->append(at, 0);
    line->append(at, top);
    QPen pen(QColor(200, 30, 30));
    pen.setWidthF(2.5);
    pen.setStyle(Qt::DashLine);
    line->setPen(pen);
    chart.addSeries(line);
    line->attachAxis(x);
    line->attachAxis(y);
}

void drawWeights(QChart& chart, const reports::ReportStats& stats, const reports::WeightLimits& limits)
{
    clear(chart);
    chart.setTitle(QStringLiteral("Розподіл ваги нетто"));
    const reports::WeightBins bins = reports::weightBins(stats.loadsByWeight);

    // The histogram: a stepped outline filled down to zero.
    auto* outline = new QLineSeries(&chart);
    qint64 most = 0;
    double left = kilograms(bins.first);
    const double width = kilograms(bins.width);
    for (size_t i = 0; i < bins.loads.size(); ++i) {
        const double x = left + width * double(i);
        outline->append(x, 0);
        outline->append(x, double(bins.loads[i]));
        outline->append(x + width, double(bins.loads[i]));
        outline->append(x + width, 0);
        most = std::max(most, bins.loads[i]);
    }
    auto* area = new QAreaSeries(outline);
    outline->setParent(area);
    area->setName(QStringLiteral("Зважувань (крок %1 кг)").arg(bins.width.toText()));
    area->setColor(QColor(70, 130, 180));
    area->setBorderColor(QColor(30, 70, 110));
    chart.addSeries(area);

    double low = bins.loads.empty() ? 0 : left;
    double high = bins.loads.empty() ? 1 : left + width * double(bins.loads.size());
    for (const auto& limit : {limits.min, limits.max})
        if (limit) {
            low = std::min(low, kilograms(*limit) - width);
            high = std::max(high, kilograms(*limit) + width);
        }
    auto* x = new QValueAxis(&chart);
    x->setTitleText(QStringLiteral("Вага, кг"));
    x->setRange(low, high);
    x->setLabelFormat(QStringLiteral("%.3f"));
    auto* y = new QValueAxis(&chart);
    y->setTitleText(QStringLiteral("Зважувань"));
    y->setRange(0, double(std::max<qint64>(most, 1)) * 1.1);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%.0f"));
    chart.addAxis(x, Qt::AlignBottom);
    chart.addAxis(y, Qt::AlignLeft);
    area->attachAxis(x);
    area->attachAxis(y);
    const double top = y->max();
    if (limits.min)
        addLimit(chart, x, y, kilograms(*limits.min), top,
                 QStringLiteral("Мінімум %1 кг").arg(limits.min->toText()));
    if (limits.max)
        addLimit(chart, x, y, kilograms(*limits.max), top,
                 QStringLiteral("Максимум %1 кг").arg(limits.max->toText()));
}

void drawDays(QChart& chart, const reports::ReportStats& stats)
{
    clear(chart);
    const std::vector<reports::LoadBar> bars = reports::loadBars(stats.loadsByDay);
    const bool byMonth = !bars.empty() && bars.front().label.size() > 5;
    chart.setTitle(byMonth ? QStringLiteral("Зважувань за місяць") : QStringLiteral("Зважувань за день"));
    auto* set = new QBarSet(QStringLiteral("Зважувань"));
    set->setColor(QColor(95, 158, 90));
    QStringList labels;
    qint64 most = 0;
    for (const auto& b : bars) {
        set->append(double(b.loads));
        labels << b.label;
        most = std::max(most, b.loads);
    }
    auto* series = new QBarSeries(&chart);
    series->append(set);
    series->setBarWidth(0.85);
    chart.addSeries(series);
    auto* x = new QBarCategoryAxis(&chart);
    x->append(labels);
    x->setLabelsAngle(labels.size() > 12 ? -90 : 0);
    auto* y = new QValueAxis(&chart);
    y->setRange(0, double(std::max<qint64>(most, 1)) * 1.1);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%.0f"));
    chart.addAxis(x, Qt::AlignBottom);
    chart.addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    chart.legend()->hide();
}

}  // namespace

TFChart::TFChart(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FChart"));
    setWindowTitle(QStringLiteral("Графік звіту"));
    resize(820, 720);
    WeightChart = chartView("WeightChart", this);
    DayChart = chartView("DayChart", this);
    ChartPrint = new QPushButton(QStringLiteral("Друкувати"), this);
    ChartPrint->setObjectName(QStringLiteral("ChartPrint"));
    ChartSave = new QPushButton(QStringLiteral("Зберегти PNG"), this);
    ChartSave->setObjectName(QStringLiteral("ChartSave"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ChartSave);
    buttons->addWidget(ChartPrint);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WeightChart, 1);
    layout->addWidget(DayChart, 1);
    layout->addLayout(buttons);

    connect(ChartSave, &QPushButton::clicked, this, [this] { ui::guarded([this] { SaveClick(); }); });
    connect(ChartPrint, &QPushButton::clicked, this, [this] { ui::guarded([this] { PrintClick(); }); });
}

TFChart::~TFChart() = default;

void TFChart::setStats(const reports::ReportStats& stats, const reports::WeightLimits& limits, const QString& title)
{
    setWindowTitle(QStringLiteral("Графік звіту: %1").arg(title));
    drawWeights(*WeightChart->chart(), stats, limits);
    drawDays(*DayChart->chart(), stats);
}

void TFChart::render(QPainter& p, const QRectF& target) const
{
    const double half = target.height() / 2;
    // The scenes draw as vectors on a printer, sharp at any resolution.
    WeightChart->scene()->render(&p, QRectF(target.left(), target.top(), target.width(), half),
                                 WeightChart->chart()->sceneBoundingRect(), Qt::KeepAspectRatio);
    DayChart->scene()->render(&p, QRectF(target.left(), target.top() + half, target.width(), half),
                              DayChart->chart()->sceneBoundingRect(), Qt::KeepAspectRatio);
}

QImage TFChart::image(QSize size) const
{
    QImage img(size, QImage::Format_ARGB32);
    img.fill(Qt::white);
    // Laid out at the size asked, not scaled from the screen's.
    for (QChartView* v : {WeightChart, DayChart})
        v->chart()->resize(QSizeF(size.width(), size.height() / 2.0));
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        render(p, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    for (QChartView* v : {WeightChart, DayChart})
        v->chart()->resize(QSizeF(v->viewport()->size()));
    return img;
}

void TFChart::savePng(const QString& path) const
{
    if (!image().save(path, "PNG"))
        throw Error(QStringLiteral("Не вдалося записати малюнок \"%1\"").arg(path));
}

printing::PrintJob TFChart::print(const printing::PrinterList& printers, int position) const
{
    QPrinter printer(QPrinter::HighResolution);
    const printing::PrintJob job = printers.setUpPrinter(printer, position, QStringLiteral("Графік звіту"));
    QPainter p;
    if (!p.begin(&printer)) {
        if (!job.file.isEmpty())
            QFile::remove(job.file);
        throw Error(QStringLiteral("Не вдалося почати друк на принтері \"%1\"").arg(job.printer));
    }
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    render(p, QRectF(QPointF(0, 0), page.size()));
    p.end();
    if (printer.printerState() == QPrinter::Error)
        throw Error(QStringLiteral("Принтер \"%1\" не надрукував графік").arg(job.printer));
    return job;
}

void TFChart::SaveClick()
{
    QFileDialog dialog(this, QStringLiteral("Зберегти графік"));
    dialog.setObjectName(QStringLiteral("ChartSaveDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("PNG (*.png)"));
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog.selectFile(QStringLiteral("Графік.png"));
    if (ui::prompts().dialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    savePng(dialog.selectedFiles().front());
}

void TFChart::PrintClick()
{
    const printing::PrinterList printers(programDir_);
    print(printers, -1);
}
