#include "dialogs/field_editor.h"

#include "dialogs/field_dialogs.h"
#include "labels/label_pages.h"
#include "platform/richtext/rich_text.h"
#include "platform/ui/prompts.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using tarvik::dialogs::FontDialog;
using tarvik::dialogs::PlaceholderDialog;
using tarvik::dialogs::SearchDialog;
namespace labels = tarvik::labels;
namespace ui = tarvik::ui;

namespace {

enum class Glyph { Cut, Copy, Paste, Find, Replace, Font, Bullets, Left, Centre, Right, Exit, Undo, Placeholder };

// The toolbar's pictures, drawn: no icon theme is needed on the station.
QIcon drawIcon(Glyph g)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x20, 0x30, 0x50), 2.5, Qt::SolidLine, Qt::RoundCap));
    auto lines = [&](const std::initializer_list<std::pair<int, int>>& spans) {
        int y = 7;
        for (const auto& [from, to] : spans) {
            p.drawLine(from, y, to, y);
            y += 6;
        }
    };
    QFont f(QStringLiteral("DejaVu Sans"));
    switch (g) {
    case Glyph::Cut:
        p.drawEllipse(QRectF(5, 20, 8, 8));
        p.drawEllipse(QRectF(19, 20, 8, 8));
        p.drawLine(11, 21, 22, 4);
        p.drawLine(21, 21, 10, 4);
        break;
    case Glyph::Copy:
        p.drawRect(QRectF(5, 5, 14, 17));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(13, 11, 14, 17));
        break;
    case Glyph::Paste:
        p.drawRect(QRectF(6, 6, 20, 22));
        p.setBrush(QColor(0x20, 0x30, 0x50));
        p.drawRect(QRectF(11, 3, 10, 6));
        break;
    case Glyph::Find:
        p.drawEllipse(QRectF(5, 5, 15, 15));
        p.setPen(QPen(QColor(0x20, 0x30, 0x50), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(18, 18, 27, 27);
        break;
    case Glyph::Replace:
        f.setPixelSize(13);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, 32, 16), Qt::AlignCenter, QStringLiteral("ab"));
        p.drawLine(6, 24, 26, 24);
        p.drawLine(20, 19, 26, 24);
        p.drawLine(20, 29, 26, 24);
        break;
    case Glyph::Font:
        f.setPixelSize(26);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("A"));
        break;
    case Glyph::Bullets:
        for (int y : {8, 16, 24}) {
            p.setBrush(QColor(0x20, 0x30, 0x50));
            p.drawEllipse(QPointF(6, y), 2, 2);
            p.drawLine(12, y, 27, y);
        }
        break;
    case Glyph::Left: lines({{4, 28}, {4, 20}, {4, 26}, {4, 16}}); break;
    case Glyph::Centre: lines({{4, 28}, {8, 24}, {6, 26}, {10, 22}}); break;
    case Glyph::Right: lines({{4, 28}, {12, 28}, {6, 28}, {16, 28}}); break;
    case Glyph::Exit:
        p.drawLine(18, 5, 6, 5);
        p.drawLine(6, 5, 6, 27);
        p.drawLine(6, 27, 18, 27);
        p.drawLine(13, 16, 28, 16);
        p.drawLine(22, 10, 28, 16);
        p.drawLine(22, 22, 28, 16);
        break;
    case Glyph::Undo: {
        QPainterPath arc;
        arc.moveTo(8, 12);
        arc.cubicTo(16, 4, 30, 10, 24, 26);
        p.drawPath(arc);
        p.drawLine(8, 12, 9, 4);
        p.drawLine(8, 12, 16, 13);
        break;
    }
    case Glyph::Placeholder:
        f.setPixelSize(24);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("$"));
        break;
    }
    return QIcon(pm);
}

// One command of the editor: its menu item, its toolbar button if it has one.
struct Command {
    const char* item;    // the menu item's name
    const char* button;  // the toolbar button's name, or nullptr
    const char* text;    // the menu caption
    const char* hint;    // "short|long": the tooltip, then what the status bar shows
    QKeySequence key;
    Glyph glyph;
    void (TForm1::*handler)();
};

// The hidden main menu, and the order the toolbar shows the buttons in.
enum Menu { File, Edit, Format, Align };

}  // namespace

TForm1::TForm1(labels::LabelPages& pages, QWidget* parent) : QDialog(parent), pages_(pages)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Редактор поля"));
    resize(389, 259);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(16, 16));
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(ToolBar1);
    layout->addWidget(RichEdit1, 1);
    layout->addWidget(StatusBar1);

    // Both scroll bars; no wrapping, so a line is a line of the template.
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setTabChangesFocus(false);
    RichEdit1->setStatusTip(QStringLiteral("Просмотр и редактирование текста"));
    // A new block starts as a label block does.
    QFont blockFont(QStringLiteral("Arial"));
    blockFont.setPixelSize(13);
    RichEdit1->document()->setDefaultFont(blockFont);

    // Three panels of 50 pixels; the last one reaches to the window's edge.
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(StatusBar1);
        panels_[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        panels_[i]->setMinimumWidth(50);
        if (i < 2)
            panels_[i]->setFixedWidth(50);
        StatusBar1->addWidget(panels_[i], i == 2 ? 1 : 0);
    }

    buildCommands();

    FindDialog1 = new SearchDialog(SearchDialog::Kind::Find, this);
    ReplaceDialog1 = new SearchDialog(SearchDialog::Kind::Replace, this);
    FontDialog1 = new FontDialog(this);
    PlaceholderDialog1 = new PlaceholderDialog(this);
    connect(FindDialog1, &SearchDialog::findNextClicked, this, [this] { FindDialog1Find(*FindDialog1); });
    connect(ReplaceDialog1, &SearchDialog::findNextClicked, this, [this] { FindDialog1Find(*ReplaceDialog1); });
    connect(ReplaceDialog1, &SearchDialog::replaceClicked, this, &TForm1::ReplaceDialog1Replace);
    connect(FontDialog1, &FontDialog::applyClicked, this, &TForm1::FontDialog1Apply);

    RichEdit1->installEventFilter(this);
    RichEdit1->viewport()->installEventFilter(this);
    connect(RichEdit1, &QTextEdit::cursorPositionChanged, this, &TForm1::UpdateStatusBar);
    // Queued: the flag changes in the middle of an edit, when the caret is not to be asked.
    connect(RichEdit1->document(), &QTextDocument::modificationChanged, this, &TForm1::UpdateStatusBar,
            Qt::QueuedConnection);
    FormCreate();
    UpdateStatusBar();
}

TForm1::~TForm1() = default;

void TForm1::buildCommands()
{
    static const Command kCommands[] = {
        {"MUndo", nullptr, "&Отменить", "Отменить|Отмена последнего изменения", QKeySequence::Undo, Glyph::Undo,
         &TForm1::MUndoClick},
        {"MCut", "TBCut", "&Вырезать", "Вырезать|Вырезание выделенного текста в Clipboard", QKeySequence::Cut,
         Glyph::Cut, &TForm1::MCutClick},
        {"MCopy", "TBCopy", "&Копировать", "Копировать|Копирование выделенного текста в Clipboard", QKeySequence::Copy,
         Glyph::Copy, &TForm1::MCopyClick},
        {"MPaste", "TBPaste", "Вст&авить", "Вставить| Вставить из Clipboard", QKeySequence::Paste, Glyph::Paste,
         &TForm1::MPasteClick},
        {"MFind", "TBFind", "&Найти...", "Найти|Контекстный поиск", QKeySequence(Qt::CTRL | Qt::Key_F), Glyph::Find,
         &TForm1::MFindClick},
        {"MReplace",
         "TBReplace",
         "&Заменить...",
         "Заменить|Контекстная замена",
         {},
         Glyph::Replace,
         &TForm1::MReplaceClick},
        {"MPlaceholder", nullptr, "Вставить &подстановку...",
         "Подстановка|Вставка поля этикетки, которое при печати заменяется значением",
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), Glyph::Placeholder, &TForm1::MPlaceholderClick},
        {"MFont", "TBFont", "&Шрифт", "Шрифт|Выбор атрибутов шрифта", {}, Glyph::Font, &TForm1::MFontClick},
        {"MNumb", "TBNumb", "&Список", "Список|Формат в виде списка", {}, Glyph::Bullets, &TForm1::MNumbClick},
        {"MLeft", "TBLeft", "В&лево", "Влево|Выравниваение абзаца влево", {}, Glyph::Left, &TForm1::MLeftClick},
        {"MCenter",
         "TBCenter",
         "По &центру",
         "По центру|Выравнивание абзаца по центру",
         {},
         Glyph::Centre,
         &TForm1::MCenterClick},
        {"MRight", "TBRight", "В&право", "Вправо|Выравнивание абзаца вправо", {}, Glyph::Right, &TForm1::MRightClick},
        {"MExit", "TBExit", "В&ыход", "Выход|Конец работы", {}, Glyph::Exit, &TForm1::MExitClick},
    };
    std::map<QString, QAction*> actions;
    for (const Command& c : kCommands) {
        auto* a = new QAction(drawIcon(c.glyph), QString::fromUtf8(c.text), this);
        a->setObjectName(QString::fromLatin1(c.item));
        const QString hint = QString::fromUtf8(c.hint);
        a->setToolTip(hint.section(u'|', 0, 0));
        a->setStatusTip(hint.section(u'|', 1));
        if (!c.key.isEmpty())
            a->setShortcut(c.key);
        connect(a, &QAction::triggered, this, [this, h = c.handler] { ui::guarded([&] { (this->*h)(); }); });
        // The menu is hidden: its shortcuts live on the window.
        addAction(a);
        actions[a->objectName()] = a;
    }
    MNumb_ = actions.at(QStringLiteral("MNumb"));
    MLeft_ = actions.at(QStringLiteral("MLeft"));
    MCenter_ = actions.at(QStringLiteral("MCenter"));
    MRight_ = actions.at(QStringLiteral("MRight"));
    MNumb_->setCheckable(true);
    auto* alignment = new QActionGroup(this);
    for (QAction* a : {MLeft_, MCenter_, MRight_}) {
        a->setCheckable(true);
        alignment->addAction(a);
    }
    MLeft_->setChecked(true);

    auto item = [&](const char* name) { return actions.at(QString::fromLatin1(name)); };
    QMenu* file = MainMenu1->addMenu(QStringLiteral("&Файл"));
    file->addAction(item("MExit"));
    QMenu* edit = MainMenu1->addMenu(QStringLiteral("&Правка"));
    edit->addAction(item("MUndo"));
    edit->addSeparator();
    edit->addActions({item("MCut"), item("MCopy"), item("MPaste")});
    edit->addSeparator();
    edit->addActions({item("MFind"), item("MReplace")});
    edit->addSeparator();
    edit->addAction(item("MPlaceholder"));
    QMenu* format = MainMenu1->addMenu(QStringLiteral("Фор&мат"));
    format->addAction(item("MFont"));
    QMenu* align = format->addMenu(QStringLiteral("&Выравнивание"));
    align->addActions({MLeft_, MRight_, MCenter_});
    format->addAction(MNumb_);
    MainMenu1->addMenu(QStringLiteral("&Окно"));
    MainMenu1->hide();

    // Separators before TBCut, after TBReplace and after TBRight.
    ToolBar1->addSeparator();
    for (const Command& c : kCommands) {
        if (!c.button)
            continue;
        QAction* a = actions.at(QString::fromLatin1(c.item));
        ToolBar1->addAction(a);
        ToolBar1->widgetForAction(a)->setObjectName(QString::fromLatin1(c.button));
        if (a == item("MReplace") || a == MRight_)
            ToolBar1->addSeparator();
    }

    // The edit box's own menu offers the clipboard and the placeholders, which
    // the hidden menu would not show.
    RichEdit1->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    auto* separator2 = new QAction(this);
    separator2->setSeparator(true);
    RichEdit1->addActions(
        {item("MUndo"), separator, item("MCut"), item("MCopy"), item("MPaste"), separator2, item("MPlaceholder")});
}

int TForm1::Execute(QWidget* owner)
{
    const QString file = pages_.Elem.editedFile;
    if (QFileInfo::exists(file))
        tarvik::richtext::loadRichTextFile(*RichEdit1->document(), file);
    else
        RichEdit1->clear();  // a block without a template yet: written when the editor closes
    // What was loaded is no change to undo.
    RichEdit1->document()->clearUndoRedoStacks();
    RichEdit1->moveCursor(QTextCursor::Start);
    FormCreate();
    UpdateStatusBar();
    // Over the middle of the window it is opened from (the prompt layer keeps
    // it above that window).
    if (owner && owner->window() != this)
        move(owner->window()->geometry().center() - rect().center());
    RichEdit1->setFocus();
    return ui::prompts().dialog(*this);
}

void TForm1::FormClose()
{
    pages_.saveEditedBlock(*RichEdit1->document());
}

void TForm1::done(int r)
{
    bool saved = false;
    ui::guarded([&] {
        FormClose();
        saved = true;
    });
    // What could not be written stays in the editor.
    if (saved)
        QDialog::done(r);
}

void TForm1::UpdateStatusBar()
{
    const QTextCursor caret = RichEdit1->textCursor();
    panels_[0]->setText(labels::caretPlaceText(caret));
    panels_[1]->setText(RichEdit1->document()->isModified() ? QStringLiteral("модиф.") : QString());
    const Qt::Alignment a = labels::paragraphAlignment(caret);
    (a == Qt::AlignHCenter ? MCenter_ : a == Qt::AlignRight ? MRight_ : MLeft_)->setChecked(true);
}

void TForm1::FormCreate()
{
    labels::clearIndents(RichEdit1->textCursor());
    RichEdit1->document()->setModified(false);
    UpdateStatusBar();
}

void TForm1::MCutClick()
{
    RichEdit1->cut();
}

void TForm1::MCopyClick()
{
    RichEdit1->copy();
}

void TForm1::MPasteClick()
{
    RichEdit1->paste();
}

void TForm1::MUndoClick()
{
    RichEdit1->undo();
}

void TForm1::MFindClick()
{
    FindDialog1->setFindText(RichEdit1->textCursor().selectedText());
    ui::prompts().dialog(*FindDialog1);
    focusEditor();
}

void TForm1::MReplaceClick()
{
    ReplaceDialog1->setFindText(RichEdit1->textCursor().selectedText());
    ui::prompts().dialog(*ReplaceDialog1);
    focusEditor();
}

void TForm1::FindDialog1Find(SearchDialog& dialog)
{
    QTextCursor caret = RichEdit1->textCursor();
    const labels::SearchRequest request = dialog.request();
    if (labels::findNext(caret, request))
        RichEdit1->setTextCursor(caret);
    else
        ui::prompts().message({QCoreApplication::applicationName(), labels::notFoundText(request.what)});
    focusEditor();
}

void TForm1::ReplaceDialog1Replace(labels::ReplaceMode mode)
{
    focusEditor();
    QTextCursor caret = RichEdit1->textCursor();
    // One undo takes back a whole "Заменить все".
    caret.beginEditBlock();
    labels::replace(caret, ReplaceDialog1->request(), mode, [this, &caret](const QString& message) {
        RichEdit1->setTextCursor(caret);
        ui::prompts().message({QCoreApplication::applicationName(), message});
    });
    caret.endEditBlock();
    RichEdit1->setTextCursor(caret);
}

void TForm1::MFontClick()
{
    FontDialog1->setCharFormat(RichEdit1->currentCharFormat());
    if (ui::prompts().dialog(*FontDialog1) == QDialog::Accepted)
        applyFont();
}

void TForm1::FontDialog1Apply()
{
    applyFont();
}

void TForm1::applyFont()
{
    RichEdit1->mergeCurrentCharFormat(FontDialog1->charFormat());
}

void TForm1::MNumbClick()
{
    labels::setBulleted(RichEdit1->textCursor(), MNumb_->isChecked());
}

void TForm1::MLeftClick()
{
    MLeft_->setChecked(true);
    labels::setParagraphAlignment(RichEdit1->textCursor(), Qt::AlignLeft);
}

void TForm1::MCenterClick()
{
    MCenter_->setChecked(true);
    labels::setParagraphAlignment(RichEdit1->textCursor(), Qt::AlignHCenter);
}

void TForm1::MRightClick()
{
    MRight_->setChecked(true);
    labels::setParagraphAlignment(RichEdit1->textCursor(), Qt::AlignRight);
}

void TForm1::MExitClick()
{
    close();
}

void TForm1::MPlaceholderClick()
{
    if (ui::prompts().dialog(*PlaceholderDialog1) != QDialog::Accepted)
        return;
    const QString placeholder = PlaceholderDialog1->placeholder();
    if (placeholder.isEmpty())
        return;
    // In the format of the caret, as if it had been typed.
    RichEdit1->textCursor().insertText(placeholder);
    focusEditor();
}

void TForm1::ApplicationEvents1Hint(const QString& hint)
{
    panels_[2]->setText(hint);
}

void TForm1::focusEditor()
{
    RichEdit1->setFocus();
}

bool TForm1::event(QEvent* e)
{
    if (e->type() == QEvent::StatusTip) {
        ApplicationEvents1Hint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    // Escape does not close the editor: it closes by its command or its close box.
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape)
        return true;
    return QDialog::event(e);
}

bool TForm1::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == RichEdit1 && e->type() == QEvent::FocusIn)
        FormCreate();
    if ((watched == RichEdit1 && e->type() == QEvent::KeyRelease)
        || (watched == RichEdit1->viewport() && e->type() == QEvent::MouseButtonRelease))
        UpdateStatusBar();
    return QDialog::eventFilter(watched, e);
}

void TForm1::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    UpdateStatusBar();
}
