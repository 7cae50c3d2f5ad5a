#include "dialogs/field_editor.h"

TForm1::TForm1(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Редактор поля"));
    resize(389, 259);
}
