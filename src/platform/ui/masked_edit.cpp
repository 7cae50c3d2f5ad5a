#include "platform/ui/masked_edit.h"

namespace tarvik::ui {

MaskedEdit::MaskedEdit(int digits, QWidget* parent) : QLineEdit(parent)
{
    // "0" is an optional digit; the blank after ";" fills empty places.
    setInputMask(QString(digits, u'0') + QStringLiteral("; "));
}

void MaskedEdit::setText(const QString& t)
{
    QLineEdit::setText(t);
}

}  // namespace tarvik::ui
