#include "dialogs/message_editor.h"

#include "data/datasets.h"
#include "data/station_store.h"
#include "dialogs/table_source.h"
#include "model/station_model.h"
#include "platform/grid/db_grid.h"
#include "platform/grid/db_navigator.h"
#include "platform/printing/printer_list.h"
#include "platform/ui/prompts.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QVBoxLayout>

using tarvik::dialogs::TableSource;

namespace {

const QString kNumberTitle = QStringLiteral("№");

// The column "№": a button face with three frames and the row's position on
// screen (1 for the top visible row), not its ID.
bool drawNumberCell(const tarvik::grid::DBGrid::CellPaint& c, int rowHeight)
{
    if (c.col.shownTitle() != kNumberTitle)
        return false;
    QPainter& p = c.painter;
    const QPalette& palette = c.option.palette;
    p.save();
    QRect r = c.rect;
    p.fillRect(r, palette.color(QPalette::Button));
    p.setPen(Qt::gray);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    r.adjust(0, 0, 1, 1);
    p.setPen(Qt::white);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    r.adjust(-1, -1, 0, 0);
    p.setPen(Qt::black);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const int position = c.rect.top() / std::max(rowHeight, 1) + 1;
    QFont bold = c.option.font;
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(palette.color(QPalette::ButtonText));
    const QRect text(c.rect.left(), c.rect.top() + 2, c.rect.width() - 2, c.rect.height() - 2);
    p.drawText(text, Qt::AlignRight | Qt::AlignTop, QString::number(position));
    p.restore();
    return true;
}

}  // namespace

TFormEdit::TFormEdit(tarvik::model::StationModel& model, QWidget* parent)
    : QDialog(parent), DBGrid(new tarvik::grid::DBGrid(this)), Print(*DBGrid), model_(model)
{
    setObjectName(QStringLiteral("FormEdit"));
    setWindowTitle(QStringLiteral("Редактор повідомлень"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    N1 = MainMenu->addAction(QStringLiteral("Друк"));
    N1->setObjectName(QStringLiteral("N1"));
    N1->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    // The menu bar's action does not see the shortcut while the grid has the focus.
    addAction(N1);
    connect(N1, &QAction::triggered, this, [this] { tarvik::ui::guarded([this] { N1Click(); }); });

    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    DBGrid->setColumns({{QStringLiteral("ID"), kNumberTitle, 40},
                        {QStringLiteral("MESSAGES"), QStringLiteral("Повідомленя"), 640}});
    DBGrid->setTitleBold(true);
    DBGrid->setFooterRowCount(1);
    DBGrid->setDrawColumnCell([this](const tarvik::grid::DBGrid::CellPaint& c) {
        return drawNumberCell(c, DBGrid->view()->verticalHeader()->defaultSectionSize());
    });
    Navigator = new tarvik::grid::DBNavigator(this);
    Navigator->setObjectName(QStringLiteral("Navigator"));
    Navigator->setVisibleButtons(tarvik::grid::DBNavigator::allButtons());
    Navigator->setGrid(DBGrid);
    Print.setMarginsMm(QMarginsF(2, 2, 2, 2));
    Print.setTitle(QStringLiteral("Повідомлення"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu);
    layout->addWidget(DBGrid, 1);
    layout->addWidget(Navigator);
    // A client area of 741 x 554 under the menu bar.
    resize(741, 554 + MainMenu->sizeHint().height());

    connect(DBGrid, &tarvik::grid::DBGrid::dblClick, this, [this] { tarvik::ui::guarded([this] { DBGridDblClick(); }); });
}

TFormEdit::~TFormEdit() = default;

void TFormEdit::setCatalogue(tarvik::grid::DBGrid* grid, TableSource* products)
{
    catalogue_ = grid;
    products_ = products;
}

void TFormEdit::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    tarvik::ui::guarded([this] { FormShow(); });
}

void TFormEdit::done(int r)
{
    tarvik::ui::guarded([this] { FormClose(); });
    QDialog::done(r);
}

void TFormEdit::closeEvent(QCloseEvent* e)
{
    tarvik::ui::guarded([this] { FormClose(); });
    QDialog::closeEvent(e);
}

void TFormEdit::FormShow()
{
    if (table_)
        return;
    table_ = std::make_unique<tarvik::data::TableDataset>(model_.database(), QStringLiteral("MESSAGES"),
                                                          QStringLiteral("ID"));
    table_->onNewRecord = [this](tarvik::data::TableDataset& t) { TableNewRecord(t); };
    table_->open();
    source_ = new TableSource(*table_, true, this);
    DBGrid->setSource(source_);
    if (table_->recordCount() > 0)
        DBGrid->setCurrentCell(0, 1);
}

void TFormEdit::FormClose()
{
    if (!table_)
        return;
    DBGrid->setSource(nullptr);
    delete source_;
    source_ = nullptr;
    // A phrase typed and not yet posted is kept.
    auto table = std::move(table_);
    table->checkBrowseMode();
    table->close();
}

void TFormEdit::TableNewRecord(tarvik::data::TableDataset& table)
{
    // The highest ID + 1: the row count + 1 would repeat a number still in
    // use once a message has been deleted.
    table.setValue(QStringLiteral("ID"), model_.store().highestMessageId().value_or(0) + 1);
}

void TFormEdit::DBGridDblClick()
{
    if (!catalogue_ || !products_ || !table_)
        return;
    const int row = DBGrid->currentRow();
    const QString field = DBGrid->selectedField();
    const int target = catalogue_->currentRow();
    const QString targetField = catalogue_->selectedField();
    if (row < 0 || field.isEmpty() || target < 0 || targetField.isEmpty())
        return;
    const QVariant value = table_->valueAt(row, field);
    // Product texts are texts: a message's number goes in as its digits.
    products_->setValue(target, targetField, value.isNull() ? QVariant() : QVariant(value.toString()));
    done(QDialog::Accepted);
}

void TFormEdit::N1Click()
{
    const tarvik::printing::PrinterList printers(model_.programDir());
    QPrinter printer(QPrinter::HighResolution);
    const auto job = tarvik::grid::GridPrinter::choosePrinter(printer, printers, -1, Print.title());
    Print.preview(printer, this);
    // A preview closed without printing leaves no empty job file behind.
    if (!job.file.isEmpty() && QFileInfo(job.file).size() == 0)
        QFile::remove(job.file);
}
