#pragma once
// TFZvit: the weighing reports window. It lists the log of this scale name by
// date range or batch range with the total weight and cost, and prints the
// list. Not modal; the station's polling pauses while it is open.
//
// The list shows its last rows at once; the totals are summed on a second
// connection in a thread of their own and fill the footer when they arrive.
// Printing and the CSV export stream the rows with a progress window and
// Cancel; a report of more than kAskAbovePages pages asks first.

#include "platform/grid/db_grid.h"
#include "platform/grid/grid_printer.h"
#include "reports/log_source.h"
#include "reports/report_chart.h"
#include "reports/report_settings.h"
#include "reports/report_stats.h"
#include "reports/report_totals.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QDateEdit;
class QPrinter;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace tarvik::ui {
class MaskedEdit;
class PollingTimer;
}  // namespace tarvik::ui

namespace tarvik::data {
class Database;
}

class TFZvit : public QWidget {
    Q_OBJECT
public:
    // `database` may be null when the connection failed at start-up: every
    // action then fails with a clear message. `programDir` ends with "/".
    TFZvit(tarvik::ui::PollingTimer& timer, tarvik::data::Database* database,
           const tarvik::reports::ReportSettings& settings, const QString& programDir, QWidget* parent = nullptr);
    ~TFZvit() override;

    // Opens the log at start-up; without a database it leaves it closed.
    void FormCreate();
    // Each time the window is shown: polling off, this scale's rows, today's
    // dates in the pickers, totals.
    void FormShow();
    void FormClose();
    void BitBtn1Click();  // OK: the report of the selection
    void BitBtn2Click();  // print preview of the list
    void BitBtn3Click();  // reset: every row of every scale name, totals kept
    void ExportCsvClick();  // the list as a CSV file, named in a file dialog
    void ShowChartClick();  // the chart window of the report
    // The weighing cycle after each new log row: close, reopen, last row.
    // Hidden, it only forgets what it read (showing reads again).
    void ReopenTable();
    // Starts summing the totals of the list; they fill the footer later.
    void CalcTotals();
    // Runs the event loop until the totals asked for have arrived (or failed);
    // false when `ms` ran out first.
    bool waitForTotals(int ms = 120000);
    bool totalsPending() const;

    // Pages beyond which printing asks first; up to kPreviewPages the print
    // preview is shown, longer reports print at once with a progress window.
    static constexpr int kAskAbovePages = 1000;
    static constexpr int kPreviewPages = 50;

    tarvik::reports::LogSource Table;
    tarvik::grid::DBGrid* DBGrid = nullptr;
    QGroupBox* Panel = nullptr;
    QRadioButton* Radio1 = nullptr;
    QDateEdit* Date1 = nullptr;
    QDateEdit* Date2 = nullptr;
    QRadioButton* Radio3 = nullptr;
    tarvik::ui::MaskedEdit* Edit1 = nullptr;
    tarvik::ui::MaskedEdit* Edit2 = nullptr;
    QGroupBox* Group = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtnCsv = nullptr;
    QPushButton* BitBtnChart = nullptr;
    tarvik::grid::GridPrinter Print;

    const QString& programDir() const { return programDir_; }
    // The totals of the last report that completed.
    const tarvik::reports::ReportTotals& totals() const { return totals_; }
    // The distributions of the last report that completed.
    const tarvik::reports::ReportStats& stats() const { return stats_; }
    // The chart window, once it was opened.
    TFChart* chart() const { return chart_; }

Q_SIGNALS:
    // The footer shows the totals of the latest request (or they failed).
    void totalsArrived();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void applyFilter(const tarvik::reports::LogFilter& f);
    // The list's count arrived (or failed: counted here then).
    void finishCount(std::optional<qint64> rows);
    tarvik::data::Database& database() const;
    void commitPending();
    void showFooter(const tarvik::reports::ReportTotals& t);
    void onStats(int request, const tarvik::reports::ReportStats& s);
    void onStatsFailed(int request, const QString& text);
    // Prints every page to `printer` with the progress window; false when
    // the operator cancelled.
    bool printWithProgress(QPrinter& printer, int pages);

    tarvik::ui::PollingTimer& timer_;
    tarvik::data::Database* db_;
    const tarvik::reports::ReportSettings& settings_;
    QString programDir_;
    tarvik::reports::ReportTotals totals_;
    tarvik::reports::ReportStats stats_;
    std::unique_ptr<tarvik::reports::StatsWorker> worker_;
    int request_ = 0;  // the totals asked for last, 0 when none is awaited
    bool countOnly_ = false;  // that request only counts the list (the reset list)
    QPointer<TFChart> chart_;
};
