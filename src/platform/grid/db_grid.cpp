#include "platform/grid/db_grid.h"

#include "platform/ui/prompts.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace tarvik::grid {

namespace {
constexpr int kButtonWidth = 18;
}

// ---------------------------------------------------------------------------
// Cell drawing shared by the list and its fixed first column.

class GridDelegate : public QStyledItemDelegate {
public:
    GridDelegate(DBGrid& grid, QObject* parent) : QStyledItemDelegate(parent), grid_(grid) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        bool drawn = false;
        if (grid_.drawCell_) {
            const GridColumn& col = grid_.model_.column(index.column());
            p->save();
            drawn = grid_.drawCell_(DBGrid::CellPaint{*p, option.rect, index.row(), index.column(), col,
                                                      index.data(Qt::EditRole), option});
            p->restore();
        }
        if (!drawn)
            QStyledItemDelegate::paint(p, option, index);
        if (index.row() == grid_.currentRow() && index.column() == grid_.currentColumn()) {
            const QRect r = buttonRect(option.rect, index.column());
            if (!r.isEmpty())
                paintButton(p, option, r);
        }
    }

    QRect buttonRect(const QRect& cell, int column) const
    {
        if (grid_.model_.column(column).button != GridColumn::Button::Ellipsis)
            return {};
        const int w = std::min(kButtonWidth, cell.width());
        return QRect(cell.right() - w + 1, cell.top(), w, cell.height());
    }

private:
    static void paintButton(QPainter* p, const QStyleOptionViewItem& option, const QRect& r)
    {
        QStyleOptionButton b;
        b.rect = r;
        b.text = QStringLiteral("…");
        b.state = QStyle::State_Enabled | QStyle::State_Raised;
        b.palette = option.palette;
        const QWidget* w = option.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        style->drawControl(QStyle::CE_PushButton, &b, p, w);
    }

    DBGrid& grid_;
};

// ---------------------------------------------------------------------------
// The list, with an overlay view that keeps the first column in place.

class GridView : public QTableView {
public:
    GridView(DBGrid& grid, QWidget* parent) : QTableView(parent), grid_(grid), fixed_(new QTableView(this))
    {
        delegate_ = new GridDelegate(grid, this);
        setItemDelegate(delegate_);
        setHorizontalScrollMode(ScrollPerPixel);
        setSelectionBehavior(SelectItems);
        setSelectionMode(SingleSelection);
        verticalHeader()->hide();
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
        verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        horizontalHeader()->setHighlightSections(false);

        fixed_->setObjectName(QStringLiteral("FixedColumn"));
        fixed_->setItemDelegate(delegate_);
        fixed_->setFocusPolicy(Qt::NoFocus);
        fixed_->verticalHeader()->hide();
        fixed_->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
        fixed_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        fixed_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        fixed_->horizontalHeader()->setHighlightSections(false);
        fixed_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        fixed_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        fixed_->setVerticalScrollMode(verticalScrollMode());
        fixed_->setStyleSheet(QStringLiteral("QTableView { border: none; }"));
        fixed_->setEditTriggers(editTriggers());
        fixed_->hide();
        fixed_->viewport()->installEventFilter(this);

        connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
            if (section == 0)
                fixed_->setColumnWidth(0, size);
            updateFixedGeometry();
        });
        connect(verticalScrollBar(), &QAbstractSlider::valueChanged, fixed_->verticalScrollBar(),
                &QAbstractSlider::setValue);
        connect(fixed_->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
                &QAbstractSlider::setValue);
    }

    QTableView* fixed() const { return fixed_; }
    GridDelegate* delegate() const { return delegate_; }

    void attach(QAbstractItemModel* m)
    {
        setModel(m);
        fixed_->setModel(m);
        fixed_->setSelectionModel(selectionModel());
    }

    // Called after columns change or the fixed column is switched.
    void arrangeFixed()
    {
        const bool on = grid_.firstFixed_ && model() && model()->columnCount() > 0;
        fixed_->setVisible(on);
        if (!on)
            return;
        for (int c = 0; c < model()->columnCount(); ++c)
            fixed_->setColumnHidden(c, c != 0);
        fixed_->setColumnWidth(0, columnWidth(0));
        fixed_->horizontalHeader()->setFont(horizontalHeader()->font());
        fixed_->setEditTriggers(editTriggers());
        updateFixedGeometry();
    }

    void updateFixedGeometry()
    {
        if (!fixed_->isVisible())
            return;
        fixed_->setGeometry(verticalHeader()->width() + frameWidth(), frameWidth(), columnWidth(0),
                            viewport()->height() + horizontalHeader()->height());
        fixed_->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    }

    int fixedWidth() const { return fixed_->isVisible() ? columnWidth(0) : 0; }

protected:
    void resizeEvent(QResizeEvent* e) override
    {
        QTableView::resizeEvent(e);
        updateFixedGeometry();
    }

    void updateGeometries() override
    {
        QTableView::updateGeometries();
        updateFixedGeometry();
    }

    void scrollContentsBy(int dx, int dy) override
    {
        QTableView::scrollContentsBy(dx, dy);
        if (dx != 0)
            grid_.footer()->update();
    }

    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        const QModelIndex current = QTableView::moveCursor(action, modifiers);
        const int fw = fixedWidth();
        if (fw > 0 && action == MoveLeft && current.column() > 0
            && visualRect(current).topLeft().x() < fw) {
            const int newValue = horizontalScrollBar()->value() + visualRect(current).topLeft().x() - fw;
            horizontalScrollBar()->setValue(newValue);
        }
        return current;
    }

public:
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override
    {
        if (index.column() > 0 || fixedWidth() == 0)
            QTableView::scrollTo(index, hint);
        else {
            // The first column never scrolls; only bring the row into view.
            const int h = horizontalScrollBar()->value();
            QTableView::scrollTo(index, hint);
            horizontalScrollBar()->setValue(h);
        }
    }

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override
    {
        QTableView::currentChanged(current, previous);
        // The ellipsis button follows the current cell.
        viewport()->update();
        fixed_->viewport()->update();
        Q_EMIT grid_.currentCellChanged(current.row(), current.column());
    }

    void keyPressEvent(QKeyEvent* e) override
    {
        if (state() != EditingState) {
            if (e->key() == Qt::Key_Delete) {
                grid_.deleteCurrentRow();
                e->accept();
                return;
            }
            if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && (e->modifiers() & Qt::ControlModifier)
                && currentIndex().isValid()
                && grid_.model_.column(currentIndex().column()).button == GridColumn::Button::Ellipsis) {
                Q_EMIT grid_.editButtonClick(currentIndex().column());
                e->accept();
                return;
            }
        }
        QTableView::keyPressEvent(e);
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        if (pressedButton(this, e))
            return;
        QTableView::mousePressEvent(e);
    }

    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        QTableView::mouseDoubleClickEvent(e);
        if (indexAt(e->position().toPoint()).isValid())
            Q_EMIT grid_.dblClick();
    }

    bool eventFilter(QObject* o, QEvent* e) override
    {
        // Clicks in the fixed first column behave like clicks in the list.
        if (o == fixed_->viewport()) {
            if (e->type() == QEvent::MouseButtonPress && pressedButton(fixed_, static_cast<QMouseEvent*>(e)))
                return true;
            if (e->type() == QEvent::MouseButtonDblClick) {
                const auto* me = static_cast<QMouseEvent*>(e);
                const QModelIndex i = fixed_->indexAt(me->position().toPoint());
                if (i.isValid()) {
                    setCurrentIndex(i);
                    Q_EMIT grid_.dblClick();
                    return true;
                }
            }
        }
        return QTableView::eventFilter(o, e);
    }

private:
    // A press on the ellipsis button of the current cell.
    bool pressedButton(QTableView* v, QMouseEvent* e)
    {
        if (e->button() != Qt::LeftButton)
            return false;
        const QPoint pos = e->position().toPoint();
        const QModelIndex i = v->indexAt(pos);
        if (!i.isValid() || i != currentIndex())
            return false;
        const QRect r = delegate_->buttonRect(v->visualRect(i), i.column());
        if (r.isEmpty() || !r.contains(pos))
            return false;
        Q_EMIT grid_.editButtonClick(i.column());
        return true;
    }

    DBGrid& grid_;
    QTableView* fixed_;
    GridDelegate* delegate_ = nullptr;
};

// ---------------------------------------------------------------------------
// Footer rows, painted under the list's columns and scrolled with them.

class GridFooter : public QWidget {
public:
    GridFooter(DBGrid& grid, QWidget* parent) : QWidget(parent), grid_(grid)
    {
        setObjectName(QStringLiteral("Footer"));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    int rowHeight() const { return fontMetrics().height() + 6; }
    void relayout()
    {
        QFont f = grid_.font();
        f.setBold(grid_.footerBold_);
        setFont(f);
        setFixedHeight(rowHeight() * grid_.footerRowCount());
        setVisible(grid_.footerRowCount() > 0);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().button());
        const GridView* v = grid_.view_;
        const int left = v->frameWidth() + v->verticalHeader()->width();
        const int fixedW = v->fixedWidth();
        const int rh = rowHeight();
        for (int fr = 0; fr < grid_.footerRowCount(); ++fr) {
            const int top = fr * rh;
            auto cell = [&](int c, int x) {
                const QRect r(x, top, v->columnWidth(c), rh);
                p.setPen(palette().mid().color());
                p.drawRect(r.adjusted(0, 0, -1, -1));
                p.setPen(palette().buttonText().color());
                p.drawText(r.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                           grid_.footerText(c, fr));
            };
            p.save();
            p.setClipRect(QRect(left + fixedW, 0, width() - left - fixedW, height()));
            for (int c = fixedW > 0 ? 1 : 0; c < grid_.columnCount(); ++c)
                if (!v->isColumnHidden(c))
                    cell(c, left + v->columnViewportPosition(c));
            p.restore();
            if (fixedW > 0)
                cell(0, left);
        }
    }

private:
    DBGrid& grid_;
};

// ---------------------------------------------------------------------------

DBGrid::DBGrid(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    view_ = new GridView(*this, this);
    view_->setObjectName(QStringLiteral("List"));
    view_->attach(&model_);
    footer_ = new GridFooter(*this, this);
    layout->addWidget(view_, 1);
    layout->addWidget(footer_);
    setFocusProxy(view_);
    setTitleBold(true);
    footer_->relayout();
    // A source read again keeps the grid on the same row number where it can.
    connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        keptRow_ = currentRow();
        keptColumn_ = currentColumn();
    });
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] {
        view_->arrangeFixed();
        if (keptRow_ >= 0 && rowCount() > 0)
            setCurrentCell(std::min(keptRow_, rowCount() - 1), keptColumn_);
    });
    connect(view_->horizontalHeader(), &QHeaderView::sectionResized, footer_, qOverload<>(&QWidget::update));
}

DBGrid::~DBGrid() = default;

QTableView* DBGrid::view() const { return view_; }
QTableView* DBGrid::fixedView() const { return view_->fixed(); }
QWidget* DBGrid::footer() const { return footer_; }

void DBGrid::setSource(RowSource* source)
{
    model_.setSource(source);
    view_->arrangeFixed();
    Q_EMIT sourceChanged();
}

void DBGrid::setColumns(std::vector<GridColumn> columns)
{
    model_.setColumns(std::move(columns));
    const int def = view_->horizontalHeader()->defaultSectionSize();
    for (int c = 0; c < model_.columnCount(); ++c)
        view_->setColumnWidth(c, model_.column(c).width > 0 ? model_.column(c).width : def);
    for (auto& row : footers_)
        row.resize(size_t(model_.columnCount()));
    view_->arrangeFixed();
    footer_->update();
}

int DBGrid::columnWidth(int column) const { return view_->columnWidth(column); }

void DBGrid::setReadOnly(bool ro)
{
    model_.setReadOnly(ro);
    const auto triggers = ro ? QAbstractItemView::NoEditTriggers
                             : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                   | QAbstractItemView::AnyKeyPressed;
    view_->setEditTriggers(triggers);
    view_->fixed()->setEditTriggers(triggers);
}

void DBGrid::setFirstColumnFixed(bool on)
{
    firstFixed_ = on;
    view_->arrangeFixed();
    footer_->update();
}

void DBGrid::setTitleBold(bool on)
{
    titleBold_ = on;
    QFont f = view_->horizontalHeader()->font();
    f.setBold(on);
    view_->horizontalHeader()->setFont(f);
    view_->fixed()->horizontalHeader()->setFont(f);
}

void DBGrid::setFooterRowCount(int n)
{
    footers_.resize(size_t(std::max(n, 0)), std::vector<QString>(size_t(columnCount())));
    footer_->relayout();
}

void DBGrid::setFooterText(int column, const QString& text, int footerRow)
{
    if (footerRow < 0 || footerRow >= footerRowCount() || column < 0 || column >= columnCount())
        return;
    footers_[size_t(footerRow)][size_t(column)] = text;
    footer_->update();
}

QString DBGrid::footerText(int column, int footerRow) const
{
    if (footerRow < 0 || footerRow >= footerRowCount() || column < 0
        || size_t(column) >= footers_[size_t(footerRow)].size())
        return {};
    return footers_[size_t(footerRow)][size_t(column)];
}

void DBGrid::setFooterBold(bool on)
{
    footerBold_ = on;
    footer_->relayout();
}

int DBGrid::currentRow() const
{
    const QModelIndex i = view_->currentIndex();
    return i.isValid() ? i.row() : -1;
}

int DBGrid::currentColumn() const
{
    const QModelIndex i = view_->currentIndex();
    return i.isValid() ? i.column() : -1;
}

void DBGrid::setCurrentCell(int row, int column)
{
    if (rowCount() == 0 || columnCount() == 0)
        return;
    row = std::clamp(row, 0, rowCount() - 1);
    column = std::clamp(column, 0, columnCount() - 1);
    const QModelIndex i = model_.index(row, column);
    view_->setCurrentIndex(i);
    view_->scrollTo(i);
}

QString DBGrid::selectedField() const
{
    const int c = currentColumn() >= 0 ? currentColumn() : (columnCount() > 0 ? 0 : -1);
    return c >= 0 ? model_.column(c).field : QString();
}

void DBGrid::first() { setCurrentCell(0, std::max(currentColumn(), 0)); }
void DBGrid::prior() { setCurrentCell(currentRow() - 1, std::max(currentColumn(), 0)); }
void DBGrid::next() { setCurrentCell(currentRow() + 1, std::max(currentColumn(), 0)); }
void DBGrid::last() { setCurrentCell(rowCount() - 1, std::max(currentColumn(), 0)); }

bool DBGrid::deleteCurrentRow()
{
    RowSource* s = source();
    const int row = currentRow();
    if (!s || !s->canDelete() || row < 0)
        return false;
    if (confirmDelete_) {
        ui::Message m;
        m.caption = QStringLiteral("Підтвердження");
        m.text = QStringLiteral("Видалити запис?");
        m.icon = ui::Icon::Question;
        m.buttons = {ui::Button::Yes, ui::Button::No};
        m.defaultButton = ui::Button::No;
        if (ui::prompts().message(m) != ui::Button::Yes)
            return false;
    }
    const int column = std::max(currentColumn(), 0);
    s->deleteRow(row);
    setCurrentCell(std::min(row, rowCount() - 1), column);
    return true;
}

QRect DBGrid::editButtonRect(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    QTableView* v = (column == 0 && view_->fixedWidth() > 0) ? view_->fixed() : view_;
    return view_->delegate()->buttonRect(v->visualRect(model_.index(row, column)), column);
}

}  // namespace tarvik::grid
