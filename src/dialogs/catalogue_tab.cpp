#include "dialogs/catalogue_tab.h"

#include "data/datasets.h"
#include "data/product_import.h"
#include "data/station_store.h"
#include "dialogs/message_editor.h"
#include "dialogs/table_source.h"
#include "model/station_model.h"
#include "platform/grid/db_grid.h"
#include "platform/grid/db_navigator.h"
#include "platform/ini/ini_file.h"
#include "platform/text/error.h"
#include "platform/ui/prompts.h"

#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTableView>
#include <QVBoxLayout>

namespace tarvik::dialogs {

namespace {

// The grid's columns: field, title (empty: the field's name), width in pixels
// (-1: the grid's default), and whether its ellipsis opens the dictionary.
struct CatalogueColumn {
    const char* field;
    const char* title;
    int width;
    bool dictionary;
};

constexpr CatalogueColumn kColumns[] = {
    {"ID_TOB", "№", 33, false},
    {"NAME", "Назва Товару", 208, false},
    {"BARCOD", "Код", -1, false},
    {"PRICE", "Ціна", -1, false},
    {"SELL_DATE", "Термін придатності", -1, false},
    {"TEXT1", "", 206, true},
    {"TEXT2", "", 237, true},
    {"TEXT3", "", 270, true},
    {"TEXT4", "", 207, true},
    {"TEXT5", "", 246, true},
    {"TEXT6", "", 243, true},
    {"TEXT7", "", 248, true},
    {"TEXT8", "", 270, true},
    {"SKLAD", "Опис товару", -1, false},
};

const QString kFileFilter = QStringLiteral("Таблиці товарів (*.tsv *.csv *.txt);;Усі файли (*)");

// A file chosen in a file window run through the prompt layer; empty when
// the operator cancelled.
QString chooseFile(QWidget* parent, const QString& caption, QFileDialog::AcceptMode mode)
{
    QFileDialog d(parent, caption, QString(), kFileFilter);
    d.setObjectName(mode == QFileDialog::AcceptOpen ? QStringLiteral("ImportFile") : QStringLiteral("ExportFile"));
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setAcceptMode(mode);
    d.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (mode == QFileDialog::AcceptSave)
        d.setDefaultSuffix(QStringLiteral("tsv"));
    if (ui::prompts().dialog(d) != QDialog::Accepted || d.selectedFiles().isEmpty())
        return {};
    return d.selectedFiles().constFirst();
}

}  // namespace

CatalogueTab::CatalogueTab(model::StationModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    setObjectName(QStringLiteral("CatalogueTab"));
    Grid = new grid::DBGrid(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    std::vector<grid::GridColumn> columns;
    for (const CatalogueColumn& c : kColumns)
        columns.push_back({QString::fromLatin1(c.field), QString::fromUtf8(c.title), c.width,
                           c.dictionary ? grid::GridColumn::Button::Ellipsis : grid::GridColumn::Button::None});
    Grid->setColumns(std::move(columns));
    Grid->setTitleBold(false);
    // A column of the grid's default width is still as wide as its title.
    QTableView* view = Grid->view();
    for (int i = 0; i < Grid->columnCount(); ++i) {
        const int title = view->horizontalHeader()->fontMetrics().horizontalAdvance(Grid->columns()[size_t(i)].shownTitle());
        if (kColumns[i].width < 0 && view->columnWidth(i) < title + 12)
            view->setColumnWidth(i, title + 12);
    }
    Grid->setConfirmDelete(true);

    Navigator = new grid::DBNavigator(this);
    Navigator->setObjectName(QStringLiteral("Navigator"));
    using grid::NavButton;
    // No delete: a product removed would shift every stored product position.
    Navigator->setVisibleButtons({NavButton::First, NavButton::Prior, NavButton::Next, NavButton::Last,
                                  NavButton::Insert, NavButton::Edit, NavButton::Post, NavButton::Cancel,
                                  NavButton::Refresh});
    Navigator->setGrid(Grid);

    ImportButton = new QPushButton(QStringLiteral("Імпорт товарів…"), this);
    ImportButton->setObjectName(QStringLiteral("ImportButton"));
    ExportButton = new QPushButton(QStringLiteral("Експорт товарів…"), this);
    ExportButton->setObjectName(QStringLiteral("ExportButton"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Navigator);
    bottom->addStretch(1);
    bottom->addWidget(ImportButton);
    bottom->addWidget(ExportButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Grid, 1);
    layout->addLayout(bottom);

    connect(Grid, &grid::DBGrid::editButtonClick, this,
            [this](int column) {
                if (kColumns[column].dictionary)
                    ui::guarded([this] { GridColumns5EditButtonClick(); });
            });
    connect(Grid, &grid::DBGrid::currentCellChanged, this, [this](int row, int) { rowChosen(row); });
    connect(ImportButton, &QPushButton::clicked, this, [this] { ui::guarded([this] { ImportClick(); }); });
    connect(ExportButton, &QPushButton::clicked, this, [this] { ui::guarded([this] { ExportClick(); }); });
    // LoadSettings walks the product table: the grid follows it to its last row.
    connect(&model_, &model::StationModel::settingsChanged, this, &CatalogueTab::productsChanged);
}

CatalogueTab::~CatalogueTab()
{
    if (data::TableDataset* t = model_.productTable()) {
        t->onNewRecord = {};
        t->beforePost = {};
    }
}

void CatalogueTab::attach()
{
    data::TableDataset& table = model_.table();
    table.onNewRecord = [this](data::TableDataset& t) { TableNewRecord(t); };
    table.beforePost = [](const data::TableDataset& t) {
        try {
            data::checkProduct([&t](const QString& field) { return t.value(field); });
            t.checkRecord();
        } catch (const Error& e) {
            throw Error(QStringLiteral("Товар не збережено. %1").arg(e.text()));
        }
    };
    source_ = new TableSource(table, false, this);
    Grid->setSource(source_);
    productsChanged();
}

void CatalogueTab::productsChanged()
{
    if (!source_)
        return;
    // The grid follows the table's current record, not the other way round.
    const int row = source_->table().recNo() - 1;
    const QScopedValueRollback<bool> following(following_, true);
    source_->changedOutside();
    if (row >= 0)
        Grid->setCurrentCell(row, std::max(Grid->currentColumn(), 0));
}

void CatalogueTab::rowChosen(int row)
{
    if (!source_ || row < 0 || following_)
        return;
    try {
        source_->moveTo(row);
    } catch (...) {
        // The record that could not be posted stays current, with its values.
        const int kept = source_->table().recNo() - 1;
        QMetaObject::invokeMethod(
            this, [this, kept] { Grid->setCurrentCell(kept, std::max(Grid->currentColumn(), 0)); },
            Qt::QueuedConnection);
        ui::showCurrentError();
    }
}

void CatalogueTab::TableNewRecord(data::TableDataset& table)
{
    table.setValue(QStringLiteral("ID_TOB"), model_.store().highestProductId().value_or(0) + 1);
}

void CatalogueTab::GridColumns5EditButtonClick()
{
    if (!dictionary_)
        throw Error(QStringLiteral("Редактор повідомлень не створено"));
    dictionary_->setCatalogue(Grid, source_);
    ui::prompts().dialog(*dictionary_);
}

void CatalogueTab::ImportClick()
{
    data::TableDataset& table = model_.table();
    table.checkBrowseMode();
    const QString path = chooseFile(window(), QStringLiteral("Імпорт товарів"), QFileDialog::AcceptOpen);
    if (path.isEmpty())
        return;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Не вдалося відкрити файл \"%1\": %2").arg(path, f.errorString()));
    const int added = data::importProducts(model_.database(), QString::fromUtf8(f.readAll()));
    table.refresh();
    model_.LoadSettings();
    ui::Message m;
    m.caption = QStringLiteral("Імпорт товарів");
    m.text = QStringLiteral("Додано товарів: %1").arg(added);
    m.icon = ui::Icon::Information;
    ui::prompts().message(m);
}

void CatalogueTab::ExportClick()
{
    model_.table().checkBrowseMode();
    source_->changedOutside();
    const QString path = chooseFile(window(), QStringLiteral("Експорт товарів"), QFileDialog::AcceptSave);
    if (path.isEmpty())
        return;
    const QChar separator = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? u';' : u'\t';
    ini::writeFileAtomically(path, data::exportProducts(model_.database(), separator).toUtf8());
}

}  // namespace tarvik::dialogs
