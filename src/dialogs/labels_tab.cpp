#include "dialogs/labels_tab.h"

#include "dialogs/field_editor.h"
#include "dialogs/label_actions.h"
#include "labels/label_pages.h"
#include "platform/preview/page_preview.h"
#include "platform/ui/prompts.h"

#include <QAbstractItemDelegate>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tarvik::dialogs {

using labels::LabelPages;

namespace {

template <class T>
T* named(T* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

}  // namespace

LabelsTab::LabelsTab(LabelPages& pages, LabelActions& actions, QWidget* parent)
    : QWidget(parent), pages_(pages), actions_(actions)
{
    setObjectName(QStringLiteral("LabelsTab"));
    auto* row = new QHBoxLayout(this);

    auto column = [&](printing::PageView*& image, const char* imageName, QGroupBox*& group, const char* groupName,
                      QComboBox*& box, const char* boxName, QPushButton*& button, const char* buttonName) {
        auto* col = new QVBoxLayout;
        image = named(new printing::PageView(this), imageName);
        auto* scroll = new QScrollArea(this);
        scroll->setWidget(image);
        scroll->setAlignment(Qt::AlignCenter);
        scroll->setMinimumWidth(250);
        col->addWidget(scroll, 1);
        group = named(new QGroupBox(QStringLiteral("Вибір принтера"), this), groupName);
        auto* g = new QHBoxLayout(group);
        box = named(new QComboBox(group), boxName);
        box->setMinimumWidth(150);
        button = named(new QPushButton(QStringLiteral("Друкувати"), group), buttonName);
        g->addWidget(box, 1);
        g->addWidget(button);
        col->addWidget(group);
        row->addLayout(col, 1);
    };

    column(Image1, "Image1", GroupBox1, "GroupBox1", Box1, "Box1", Button1, "Button1");

    ValueList = named(new QTableWidget(0, 2, this), "ValueList");
    ValueList->setHorizontalHeaderLabels({QStringLiteral("Назва"), QStringLiteral("Значення")});
    ValueList->verticalHeader()->hide();
    ValueList->setColumnWidth(0, 141);
    ValueList->setColumnWidth(1, 98);
    ValueList->verticalHeader()->setDefaultSectionSize(22);
    ValueList->setFixedWidth(141 + 98 + ValueList->verticalScrollBar()->sizeHint().width() + 2 * ValueList->frameWidth());
    ValueList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Values are typed in the second column; Enter saves and applies the list.
    ValueList->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    ValueList->installEventFilter(this);
    row->addWidget(ValueList);

    column(Image2, "Image2", GroupBox2, "GroupBox2", Box2, "Box2", Button2, "Button2");

    // The previews follow the pointer without a button too: a move over a
    // preview makes its label the one the value list edits.
    for (printing::PageView* surface : {Image1, Image2}) {
        surface->setMouseTracking(true);
        surface->installEventFilter(this);
    }
    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    N1 = named(PopupMenu1->addAction(QStringLiteral("Редагувати")), "N1");
    connect(N1, &QAction::triggered, this, [this] { ui::guarded([this] { N1Click(); }); });

    connect(Button1, &QPushButton::clicked, this, [this] { ui::guarded([this] { actions_.Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { ui::guarded([this] { actions_.Button2Click(); }); });
    connect(ValueList, &QTableWidget::cellChanged, this, &LabelsTab::valueEdited);
    // Enter inside a cell's editor commits the value and then acts as Enter in the list.
    connect(ValueList->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                if (hint == QAbstractItemDelegate::SubmitModelCache)
                    ui::guarded([this] { pages_.ValueListEnter(); });
            });
    connect(&pages_, &LabelPages::pageChanged, this, &LabelsTab::showPage);
    connect(&pages_, &LabelPages::valueListChanged, this, &LabelsTab::showValueList);

    fillPrinterLists();
    showPage(1);
    showPage(2);
    showValueList();
}

void LabelsTab::fillPrinterLists()
{
    for (QComboBox* box : {Box1, Box2}) {
        const int position = box->currentIndex();
        box->clear();
        box->addItems(pages_.printers().names());
        box->setCurrentIndex(position < box->count() ? position : -1);
    }
}

void LabelsTab::showPage(int label)
{
    printing::PageView* view = label == 1 ? Image1 : Image2;
    view->setPage(pages_.page(label));
    view->resize(view->sizeHint());
    view->update();
}

void LabelsTab::showValueList()
{
    const QSignalBlocker quiet(ValueList);
    const QStringList& lines = pages_.ValueList;
    ValueList->setRowCount(int(lines.size()));
    for (int i = 0; i < lines.size(); ++i) {
        const qsizetype eq = lines[i].indexOf(u'=');
        auto* name = new QTableWidgetItem(eq < 0 ? lines[i] : lines[i].left(eq));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        ValueList->setItem(i, 0, name);
        ValueList->setItem(i, 1, new QTableWidgetItem(eq < 0 ? QString() : lines[i].mid(eq + 1)));
    }
}

void LabelsTab::valueEdited(int row, int column)
{
    if (column != 1 || row < 0 || row >= pages_.ValueList.size())
        return;
    pages_.ValueList[row] = ValueList->item(row, 0)->text() + u'=' + ValueList->item(row, 1)->text();
}

void LabelsTab::Image1MouseMove(QPoint p)
{
    pages_.MouseMove(1, p);
}

void LabelsTab::Image2MouseMove(QPoint p)
{
    pages_.MouseMove(2, p);
}

void LabelsTab::Image1MouseDown(printing::PageView* surface, QPoint p)
{
    // A pointer always moves onto a preview before it presses there; a press
    // that comes without (a window that opened under the pointer) must not
    // hit-test the other label's elements.
    pages_.selectEditorLabel(surface == Image1 ? 1 : 2);
    if (pages_.GrabBlock(p))
        surface->setCursor(Qt::SizeAllCursor);
}

void LabelsTab::Image1MouseUp()
{
    // The pointer comes back even when the list could not be saved.
    struct Restore {
        LabelsTab* tab;
        ~Restore() { tab->restoreCursor(); }
    } restore{this};
    pages_.MouseUp();
}

void LabelsTab::restoreCursor()
{
    if (pages_.Drag.mode != 0)
        return;
    Image1->unsetCursor();
    Image2->unsetCursor();
}

void LabelsTab::N1Click()
{
    if (!pages_.prepareFieldEdit()) {
        ui::Message m;
        m.caption = QStringLiteral("Редагувати");
        m.text = QStringLiteral("Спочатку клацніть на етикетці текстовий блок, який треба редагувати: "
                                "заголовок, тіло або підпис.");
        m.icon = ui::Icon::Information;
        ui::prompts().message(m);
        return;
    }
    if (editor_)
        editor_->Execute(window());
}

void LabelsTab::showPopup(const QPoint& globalPos)
{
    PopupMenu1->popup(globalPos);
}

bool LabelsTab::surfaceEvent(printing::PageView* surface, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove: {
        const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
        ui::guarded([&] { surface == Image1 ? Image1MouseMove(p) : Image2MouseMove(p); });
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
        ui::guarded([&] { Image1MouseDown(surface, p); });
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        ui::guarded([&] { Image1MouseUp(); });
        // The menu opens once the right button is up, after the release has
        // stored what the press grabbed.
        if (e->button() == Qt::RightButton)
            showPopup(e->globalPosition().toPoint());
        return true;
    }
    case QEvent::ContextMenu: {
        // The mouse's menu request comes with the press; the release opens it.
        auto* e = static_cast<QContextMenuEvent*>(event);
        if (e->reason() != QContextMenuEvent::Mouse)
            showPopup(e->globalPos());
        return true;
    }
    default: return false;
    }
}

bool LabelsTab::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Image1 || watched == Image2)
        if (surfaceEvent(static_cast<printing::PageView*>(watched), event))
            return true;
    if (watched == ValueList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ui::guarded([this] { pages_.ValueListEnter(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tarvik::dialogs
