#pragma once
// TFZvit: the weighing reports window. It lists the log of this scale name by
// date range or batch range with the total weight and cost, and prints the
// list. Not modal; the station's polling pauses while it is open.

#include "platform/grid/db_grid.h"
#include "platform/grid/grid_printer.h"
#include "reports/log_source.h"
#include "reports/report_settings.h"
#include "reports/report_totals.h"

#include <QWidget>

class QDateEdit;
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
    // The weighing cycle after each new log row: close, reopen, last row.
    // Hidden, it only forgets what it read (showing reads again).
    void ReopenTable();
    void CalcTotals();

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
    tarvik::grid::GridPrinter Print;

    const QString& programDir() const { return programDir_; }
    // The totals of the last report that completed.
    const tarvik::reports::ReportTotals& totals() const { return totals_; }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void applyFilter(const tarvik::reports::LogFilter& f);
    tarvik::data::Database& database() const;

    tarvik::ui::PollingTimer& timer_;
    tarvik::data::Database* db_;
    const tarvik::reports::ReportSettings& settings_;
    QString programDir_;
    tarvik::reports::ReportTotals totals_;
};
