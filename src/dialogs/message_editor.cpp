#include "dialogs/message_editor.h"

TFormEdit::TFormEdit(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormEdit"));
    setWindowTitle(QStringLiteral("Редактор повідомлень"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(741, 554);
}
