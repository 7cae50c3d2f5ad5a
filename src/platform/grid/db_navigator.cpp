#include "platform/grid/db_navigator.h"

#include "platform/grid/db_grid.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

namespace tarvik::grid {

namespace {

struct ButtonLook {
    const char* name;
    QStyle::StandardPixmap icon;
    const char* hint;
};

ButtonLook look(NavButton b)
{
    switch (b) {
    case NavButton::First: return {"nbFirst", QStyle::SP_MediaSkipBackward, "Перший запис"};
    case NavButton::Prior: return {"nbPrior", QStyle::SP_MediaSeekBackward, "Попередній запис"};
    case NavButton::Next: return {"nbNext", QStyle::SP_MediaSeekForward, "Наступний запис"};
    case NavButton::Last: return {"nbLast", QStyle::SP_MediaSkipForward, "Останній запис"};
    case NavButton::Insert: return {"nbInsert", QStyle::SP_FileDialogNewFolder, "Додати запис"};
    case NavButton::Delete: return {"nbDelete", QStyle::SP_TrashIcon, "Видалити запис"};
    case NavButton::Edit: return {"nbEdit", QStyle::SP_FileDialogDetailedView, "Змінити запис"};
    case NavButton::Post: return {"nbPost", QStyle::SP_DialogApplyButton, "Зберегти зміни"};
    case NavButton::Cancel: return {"nbCancel", QStyle::SP_DialogCancelButton, "Скасувати зміни"};
    case NavButton::Refresh: return {"nbRefresh", QStyle::SP_BrowserReload, "Оновити дані"};
    }
    return {"", QStyle::SP_CustomBase, ""};
}

}  // namespace

QList<NavButton> DBNavigator::allButtons()
{
    return {NavButton::First, NavButton::Prior, NavButton::Next,   NavButton::Last,   NavButton::Insert,
            NavButton::Delete, NavButton::Edit, NavButton::Post, NavButton::Cancel, NavButton::Refresh};
}

DBNavigator::DBNavigator(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (NavButton b : allButtons()) {
        const ButtonLook l = look(b);
        auto* tb = new QToolButton(this);
        tb->setObjectName(QString::fromLatin1(l.name));
        tb->setIcon(style()->standardIcon(l.icon));
        tb->setToolTip(QString::fromUtf8(l.hint));
        tb->setAutoRaise(false);
        layout->addWidget(tb);
        connect(tb, &QToolButton::clicked, this, [this, b] { click(b); });
        buttons_[b] = tb;
    }
    layout->addStretch(1);
    setVisibleButtons(allButtons());
}

void DBNavigator::setGrid(DBGrid* grid)
{
    if (grid_) {
        grid_->disconnect(this);
        grid_->model().disconnect(this);
    }
    grid_ = grid;
    if (grid_) {
        connect(grid_, &DBGrid::currentCellChanged, this, &DBNavigator::updateEnabled);
        connect(&grid_->model(), &QAbstractItemModel::modelReset, this, &DBNavigator::updateEnabled);
        connect(grid_, &DBGrid::sourceChanged, this, &DBNavigator::watchSource);
    }
    watchSource();
}

void DBNavigator::watchSource()
{
    disconnect(sourceState_);
    if (RowSource* s = grid_ ? grid_->source() : nullptr)
        sourceState_ = connect(s, &RowSource::stateChanged, this, &DBNavigator::updateEnabled);
    updateEnabled();
}

void DBNavigator::setVisibleButtons(const QList<NavButton>& buttons)
{
    visible_.clear();
    for (NavButton b : allButtons())
        if (buttons.contains(b))
            visible_.append(b);
    for (auto& [b, tb] : buttons_)
        tb->setVisible(visible_.contains(b));
    updateEnabled();
}

QToolButton* DBNavigator::button(NavButton b) const
{
    return buttons_.at(b);
}

void DBNavigator::updateEnabled()
{
    RowSource* s = grid_ ? grid_->source() : nullptr;
    const bool has = s != nullptr;
    const int rows = grid_ ? grid_->rowCount() : 0;
    const int row = grid_ ? grid_->currentRow() : -1;
    const bool browse = has && s->state() == RowSource::State::Browse;
    const bool editable = has && !grid_->isReadOnly();
    button(NavButton::First)->setEnabled(has && rows > 0 && row != 0);
    button(NavButton::Prior)->setEnabled(has && rows > 0 && row != 0);
    button(NavButton::Next)->setEnabled(has && rows > 0 && row != rows - 1);
    button(NavButton::Last)->setEnabled(has && rows > 0 && row != rows - 1);
    button(NavButton::Insert)->setEnabled(editable);
    button(NavButton::Delete)->setEnabled(has && s->canDelete() && rows > 0);
    button(NavButton::Edit)->setEnabled(editable && browse && rows > 0);
    button(NavButton::Post)->setEnabled(editable && !browse);
    button(NavButton::Cancel)->setEnabled(editable && !browse);
    button(NavButton::Refresh)->setEnabled(has);
}

void DBNavigator::click(NavButton b)
{
    if (!visible_.contains(b) || !grid_ || !grid_->source())
        return;
    updateEnabled();
    if (!button(b)->isEnabled())
        return;
    RowSource* s = grid_->source();
    const int row = grid_->currentRow();
    const int column = std::max(grid_->currentColumn(), 0);
    switch (b) {
    case NavButton::First: grid_->first(); break;
    case NavButton::Prior: grid_->prior(); break;
    case NavButton::Next: grid_->next(); break;
    case NavButton::Last: grid_->last(); break;
    case NavButton::Insert: {
        const int at = s->insert(row < 0 ? 0 : row);
        grid_->setCurrentCell(at, column);
        break;
    }
    case NavButton::Delete: grid_->deleteCurrentRow(); break;
    case NavButton::Edit: s->edit(row); break;
    case NavButton::Post: s->post(); break;
    case NavButton::Cancel: s->cancel(); break;
    case NavButton::Refresh:
        s->refresh();
        grid_->setCurrentCell(row, column);
        break;
    }
    updateEnabled();
    Q_EMIT clicked(b);
}

}  // namespace tarvik::grid
