#pragma once
// TFChart: the chart of a report, the weight distribution (with the weight
// limits marked) and the loads per day, in one window that prints and saves
// itself as a PNG picture.

#include "reports/report_stats.h"

#include <QImage>
#include <QWidget>

class QPushButton;
class QPainter;
class QChartView;
class QChart;

namespace tarvik::printing {
class PrinterList;
struct PrintJob;
}  // namespace tarvik::printing

class TFChart : public QWidget {
    Q_OBJECT
public:
    explicit TFChart(QWidget* parent = nullptr);
    ~TFChart() override;

    // Draws the two charts anew; `title` names the report.
    void setStats(const tarvik::reports::ReportStats& stats, const tarvik::reports::WeightLimits& limits,
                  const QString& title);

    // Both charts, one above the other, as a picture of `size` pixels.
    QImage image(QSize size = QSize(1200, 1000)) const;
    // Writes image() as PNG; throws naming the file when it cannot.
    void savePng(const QString& path) const;
    // Prints both charts on one page to the printer at `position` of the list.
    tarvik::printing::PrintJob print(const tarvik::printing::PrinterList& printers, int position) const;

    void SaveClick();   // a file dialog through the prompt layer, then savePng
    void PrintClick();  // the station's default printer

    QChartView* WeightChart = nullptr;
    QChartView* DayChart = nullptr;
    QPushButton* ChartPrint = nullptr;
    QPushButton* ChartSave = nullptr;

    // Where "Tarvik PDF" writes (the program directory, ending with "/").
    void setProgramDir(const QString& dir) { programDir_ = dir; }

private:
    void render(QPainter& p, const QRectF& target) const;
    QString programDir_;
};
