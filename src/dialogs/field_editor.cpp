#include "dialogs/field_editor.h"

#include "labels/label_pages.h"
#include "platform/richtext/rich_text.h"
#include "platform/ui/prompts.h"

#include <QFileInfo>
#include <QTextEdit>
#include <QVBoxLayout>

TForm1::TForm1(tarvik::labels::LabelPages& pages, QWidget* parent) : QDialog(parent), pages_(pages)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Редактор поля"));
    resize(389, 259);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    layout->addWidget(RichEdit1);
}

int TForm1::Execute(QWidget* owner)
{
    const QString file = pages_.Elem.editedFile;
    if (QFileInfo::exists(file))
        tarvik::richtext::loadRichTextFile(*RichEdit1->document(), file);
    else
        RichEdit1->clear();  // a block without a template yet: written when the editor closes
    // Over the middle of the window it is opened from (the prompt layer keeps
    // it above that window).
    if (owner && owner->window() != this)
        move(owner->window()->geometry().center() - rect().center());
    return tarvik::ui::prompts().dialog(*this);
}

void TForm1::FormClose()
{
    pages_.saveEditedBlock(*RichEdit1->document());
}

void TForm1::done(int r)
{
    bool saved = false;
    tarvik::ui::guarded([&] {
        FormClose();
        saved = true;
    });
    // What could not be written stays in the editor.
    if (saved)
        QDialog::done(r);
}
