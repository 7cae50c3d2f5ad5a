#include "reports/reports_window.h"

#include "data/database.h"
#include "reports/report_csv.h"
#include "platform/text/error.h"
#include "platform/text/locale_forms.h"
#include "platform/ui/date_edit.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/prompts.h"
#include "platform/ui/station_hooks.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateEdit>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

using namespace tarvik;

namespace {

// Columns of the footer texts.
constexpr int kNameColumn = 1;
constexpr int kWeightColumn = 3;
constexpr int kCostColumn = 4;

// A long job of the window's own thread (printing, the export) with a
// progress window whose Cancel is heard between steps.
class JobProgress {
public:
    JobProgress(QWidget* parent, const QString& name, const QString& caption, int maximum)
        : dialog_(parent)
    {
        dialog_.setObjectName(name);
        dialog_.setWindowTitle(caption);
        dialog_.setCancelButtonText(QStringLiteral("Скасувати"));
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(0);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        dialog_.setRange(0, maximum);
        dialog_.show();
    }
    // False once the operator cancelled.
    bool step(int value, const QString& text)
    {
        dialog_.setLabelText(text);
        dialog_.setValue(std::min(value, dialog_.maximum()));
        QCoreApplication::processEvents();
        return !dialog_.wasCanceled();
    }

private:
    QProgressDialog dialog_;
};

QDateEdit* datePicker(const char* name, QWidget* parent)
{
    auto* d = new ui::DateEdit(parent);
    d->setObjectName(QString::fromLatin1(name));
    d->setDisplayFormat(QString::fromLatin1(text::kShortDateFormat));
    d->setCalendarPopup(true);
    d->setDate(QDate::currentDate());
    return d;
}

}  // namespace

TFZvit::TFZvit(ui::PollingTimer& timer, data::Database* database, const reports::ReportSettings& settings,
               const QString& programDir, QWidget* parent)
    : QWidget(parent, Qt::Window),
      Table(database),
      DBGrid(new grid::DBGrid(this)),
      Print(*DBGrid),
      timer_(timer),
      db_(database),
      settings_(settings),
      programDir_(programDir)
{
    setObjectName(QStringLiteral("FZvit"));
    setWindowTitle(QStringLiteral("Звіти"));
    resize(720, 520);

    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    // Whole numbers stand to the right, texts and dates to the left.
    using Column = grid::GridColumn;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    DBGrid->setColumns({
        {QStringLiteral("ID"), QStringLiteral("№"), -1, Column::Button::None, right},
        {QStringLiteral("NAME"), QStringLiteral("Назва товару"), 136},
        {QStringLiteral("DATE_IN"), QStringLiteral("Дата фасовки"), 95},
        {QStringLiteral("WEIGHT"), QStringLiteral("Вага"), -1},
        {QStringLiteral("PRICE"), QStringLiteral("Вартість"), -1},
        {QStringLiteral("PARTIA"), QStringLiteral("№ партії"), -1, Column::Button::None, right},
    });
    DBGrid->setSource(&Table);
    DBGrid->setReadOnly(true);
    DBGrid->setConfirmDelete(true);
    DBGrid->setFirstColumnFixed(true);
    DBGrid->setTitleBold(true);
    DBGrid->setFooterBold(true);
    Print.setMarginsMm(QMarginsF(2, 2, 2, 2));
    Print.setTitle(QStringLiteral("Звіт"));

    Panel = new QGroupBox(QStringLiteral("Вибір типу звіту"), this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Radio1 = new QRadioButton(QStringLiteral("Звіт по даті"), Panel);
    Radio1->setObjectName(QStringLiteral("Radio1"));
    Radio1->setChecked(true);
    Radio3 = new QRadioButton(QStringLiteral("Звіт по партіям"), Panel);
    Radio3->setObjectName(QStringLiteral("Radio3"));
    Date1 = datePicker("Date1", Panel);
    Date2 = datePicker("Date2", Panel);
    Edit1 = new ui::MaskedEdit(6, Panel);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2 = new ui::MaskedEdit(6, Panel);
    Edit2->setObjectName(QStringLiteral("Edit2"));

    Group = new QGroupBox(QStringLiteral("    Зробити звіт "), Panel);
    Group->setObjectName(QStringLiteral("Group"));
    auto* detailed = new QRadioButton(QStringLiteral("Детальний"), Group);
    detailed->setChecked(true);
    auto* brief = new QRadioButton(QStringLiteral("Короткий"), Group);
    auto* groupLayout = new QVBoxLayout(Group);
    groupLayout->addWidget(detailed);
    groupLayout->addWidget(brief);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), Panel);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("Друкувати"), Panel);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn3 = new QPushButton(QStringLiteral("Зкинути"), Panel);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtnCsv = new QPushButton(QStringLiteral("Експорт CSV"), Panel);
    BitBtnCsv->setObjectName(QStringLiteral("BitBtnCsv"));
    BitBtnChart = new QPushButton(QStringLiteral("Графік"), Panel);
    BitBtnChart->setObjectName(QStringLiteral("BitBtnChart"));

    auto* g = new QGridLayout(Panel);
    g->addWidget(Radio1, 0, 0);
    g->addWidget(new QLabel(QStringLiteral("з"), Panel), 0, 1);
    g->addWidget(Date1, 0, 2);
    g->addWidget(new QLabel(QStringLiteral("по"), Panel), 0, 3);
    g->addWidget(Date2, 0, 4);
    g->addWidget(Radio3, 1, 0);
    g->addWidget(new QLabel(QStringLiteral("з"), Panel), 1, 1);
    g->addWidget(Edit1, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("по"), Panel), 1, 3);
    g->addWidget(Edit2, 1, 4);
    g->addWidget(Group, 0, 5, 2, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    g->addLayout(buttons, 0, 6, 2, 1);
    auto* takeAway = new QVBoxLayout;
    takeAway->addWidget(BitBtnCsv);
    takeAway->addWidget(BitBtnChart);
    takeAway->addStretch(1);
    g->addLayout(takeAway, 0, 7, 2, 1);
    g->setColumnStretch(8, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid, 1);
    layout->addWidget(Panel);

    connect(BitBtn1, &QPushButton::clicked, this, &TFZvit::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFZvit::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TFZvit::BitBtn3Click);
    connect(BitBtnCsv, &QPushButton::clicked, this, [this] { ui::guarded([this] { ExportCsvClick(); }); });
    connect(BitBtnChart, &QPushButton::clicked, this, [this] { ui::guarded([this] { ShowChartClick(); }); });
    // Shown outside the painting that failed to read a page.
    connect(&Table, &reports::LogSource::fetchFailed, this, [](const QString& t) { ui::prompts().error(t); },
            Qt::QueuedConnection);
}

TFZvit::~TFZvit() = default;

data::Database& TFZvit::database() const
{
    if (!db_)
        throw Error(QStringLiteral("Немає з'єднання з базою даних: звіти недоступні"));
    return *db_;
}

void TFZvit::FormCreate()
{
    if (!db_)
        return;
    Table.open();
    if (!worker_) {
        worker_ = std::make_unique<reports::StatsWorker>(db_->params());
        connect(worker_.get(), &reports::StatsWorker::finished, this, &TFZvit::onStats);
        connect(worker_.get(), &reports::StatsWorker::failed, this, &TFZvit::onStatsFailed);
    }
}

void TFZvit::applyFilter(const reports::LogFilter& f)
{
    database();
    if (!Table.isOpen())
        Table.open();
    // The newest rows at once; the count follows with the totals.
    if (worker_)
        Table.setFilterCountLater(f);
    else
        Table.setFilter(f);
}

void TFZvit::finishCount(std::optional<qint64> rows)
{
    if (!Table.isCountPending())
        return;
    const bool atEnd = DBGrid->currentRow() < 0 || DBGrid->currentRow() == Table.rowCount() - 1;
    if (rows)
        Table.setCount(int(*rows));
    else
        ui::guarded([this] { Table.reread(); });
    if (atEnd)
        DBGrid->last();
}

void TFZvit::FormShow()
{
    timer_.stopPolling();
    const reports::LogFilter scale = reports::scaleFilter(settings_.scaleName());
    Date1->setDate(QDate::currentDate());
    Date2->setDate(QDate::currentDate());
    applyFilter(scale);
    CalcTotals();
}

void TFZvit::BitBtn1Click()
{
    reports::ReportSelection s;
    s.scaleName = settings_.scaleName();
    s.kind = Radio3->isChecked() ? reports::ReportKind::ByBatch : reports::ReportKind::ByDate;
    s.firstDay = Date1->date();
    s.lastDay = Date2->date();
    s.firstBatch = Edit1->text();
    s.lastBatch = Edit2->text();
    // A refused bound stops here: the list and the totals stay as they were.
    const reports::LogFilter f = reports::reportFilter(s);
    applyFilter(f);
    CalcTotals();
}

void TFZvit::BitBtn2Click()
{
    database();
    if (Table.isStale())
        Table.reread();
    const printing::PrinterList printers(programDir_);
    QPrinter printer(QPrinter::HighResolution);
    const printing::PrintJob job = grid::GridPrinter::choosePrinter(printer, printers, -1, Print.title());
    // A job that printed nothing leaves no empty file behind.
    const auto dropEmptyFile = [&job] {
        if (!job.file.isEmpty() && QFileInfo(job.file).size() == 0)
            QFile::remove(job.file);
    };
    const int pages = Print.pageCount(printer);
    if (pages > kAskAbovePages) {
        ui::Message m;
        m.caption = QStringLiteral("Друк звіту");
        m.text = QStringLiteral("Сторінок у звіті: %1. Друкувати його весь?").arg(pages);
        m.icon = ui::Icon::Question;
        m.buttons = {ui::Button::Yes, ui::Button::No};
        m.defaultButton = ui::Button::No;
        if (ui::prompts().message(m) != ui::Button::Yes) {
            dropEmptyFile();
            return;
        }
    }
    // The preview holds every page it shows: only short reports get one.
    if (pages <= kPreviewPages) {
        Print.preview(printer, this);
        dropEmptyFile();
        return;
    }
    // A cancelled or failed report leaves no half a file.
    bool printed = false;
    try {
        printed = printWithProgress(printer, pages);
    } catch (...) {
        if (!job.file.isEmpty())
            QFile::remove(job.file);
        throw;
    }
    if (!printed && !job.file.isEmpty())
        QFile::remove(job.file);
    dropEmptyFile();
}

bool TFZvit::printWithProgress(QPrinter& printer, int pages)
{
    JobProgress progress(this, QStringLiteral("PrintProgress"), QStringLiteral("Друк звіту"), pages);
    bool cancelled = false;
    Print.print(printer, [&](int page) {
        cancelled = !progress.step(page - 1, QStringLiteral("Друкується сторінка %1 з %2").arg(page).arg(pages));
        return !cancelled;
    });
    if (cancelled) {
        printer.abort();
        return false;
    }
    if (printer.printerState() == QPrinter::Error)
        throw Error(QStringLiteral("Принтер \"%1\" не надрукував звіт").arg(printer.printerName()));
    return true;
}

void TFZvit::ExportCsvClick()
{
    database();
    if (Table.isStale())
        Table.reread();
    QFileDialog dialog(this, QStringLiteral("Експорт звіту"));
    dialog.setObjectName(QStringLiteral("ExportDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("CSV (*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog.selectFile(QStringLiteral("Звіт.csv"));
    if (ui::prompts().dialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().front();

    std::vector<reports::CsvColumn> columns;
    for (const grid::GridColumn& c : DBGrid->columns())
        columns.push_back({c.field, c.shownTitle()});
    const int rows = Table.rowCount();
    JobProgress progress(this, QStringLiteral("ExportProgress"), QStringLiteral("Експорт звіту"), rows);
    reports::exportReportCsv(Table, columns, path, [&](qint64 done) {
        return progress.step(int(done), QStringLiteral("Записано рядків: %1 з %2").arg(done).arg(rows));
    });
}

void TFZvit::ShowChartClick()
{
    database();
    if (totalsPending())
        waitForTotals();
    if (!chart_) {
        chart_ = new TFChart(this);
        chart_->setProgramDir(programDir_);
    }
    chart_->setStats(stats_, settings_.weightLimits(), Print.title());
    chart_->show();
    chart_->raise();
}

void TFZvit::BitBtn3Click()
{
    applyFilter(reports::LogFilter{});
    // The totals stay those of the last report; only the count is asked for.
    if (Table.isCountPending()) {
        commitPending();
        countOnly_ = true;
        request_ = worker_->request(Table.filter(), true);
    }
}

void TFZvit::FormClose()
{
    timer_.startPolling();
}

void TFZvit::ReopenTable()
{
    if (!Table.isOpen())
        return;
    if (!isVisible()) {
        Table.forget();
        return;
    }
    Table.rereadNewRows();
    DBGrid->last();
}

void TFZvit::CalcTotals()
{
    commitPending();
    DBGrid->last();
    DBGrid->setFooterRowCount(1);
    DBGrid->setFooterText(kNameColumn, QStringLiteral("Всього "));
    DBGrid->setFooterText(kWeightColumn, QStringLiteral("рахую…"));
    DBGrid->setFooterText(kCostColumn, QString());
    countOnly_ = false;
    request_ = worker_->request(Table.filter());
}

void TFZvit::commitPending()
{
    // The worker's connection sees only what is committed.
    data::Database& db = database();
    if (db.transaction().pending())
        db.transaction().commitRetaining();
}

void TFZvit::showFooter(const reports::ReportTotals& t)
{
    const reports::FooterTexts f = reports::footerTexts(t);
    DBGrid->setFooterRowCount(1);
    DBGrid->setFooterText(kNameColumn, f.name);
    DBGrid->setFooterText(kWeightColumn, f.weight);
    DBGrid->setFooterText(kCostColumn, f.cost);
}

void TFZvit::onStats(int request, const reports::ReportStats& s)
{
    if (request != request_)
        return;
    request_ = 0;
    finishCount(s.totals.rows);
    if (!countOnly_) {
        stats_ = s;
        totals_ = s.totals;
    }
    showFooter(totals_);
    Q_EMIT totalsArrived();
}

void TFZvit::onStatsFailed(int request, const QString& text)
{
    if (request != request_)
        return;
    request_ = 0;
    finishCount(std::nullopt);
    // The footer goes back to the last totals that completed.
    showFooter(totals_);
    Q_EMIT totalsArrived();
    ui::prompts().error(text);
}

bool TFZvit::totalsPending() const
{
    return request_ != 0;
}

bool TFZvit::waitForTotals(int ms)
{
    if (!totalsPending())
        return true;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &TFZvit::totalsArrived, &loop, &QEventLoop::quit);
    limit.start(ms);
    loop.exec();
    return !totalsPending();
}

void TFZvit::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (e->spontaneous())
        return;  // restored from minimised, not opened
    try {
        FormShow();
    } catch (const std::exception& ex) {
        ui::prompts().error(errorText(ex));
    }
}

void TFZvit::closeEvent(QCloseEvent* e)
{
    QWidget::closeEvent(e);
    if (e->isAccepted())
        FormClose();
}
