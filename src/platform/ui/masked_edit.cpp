#include "platform/ui/masked_edit.h"

#include <QMouseEvent>

#include <algorithm>

namespace tarvik::ui {

MaskedEdit::MaskedEdit(int digits, QWidget* parent)
    // "0" is an optional digit; the blank after ";" fills empty places.
    : QLineEdit(parent), mask_(QString(digits, u'0') + QStringLiteral("; "))
{
    setInputMask(mask_);
}

void MaskedEdit::setText(const QString& t)
{
    QLineEdit::setText(t);
}

void MaskedEdit::showText(const QString& t)
{
    const qsizetype places = mask_.indexOf(u';');
    const bool fits = t.size() <= places && std::all_of(t.begin(), t.end(), [](QChar c) { return c.isDigit(); });
    setInputMask(fits ? mask_ : QString());
    QLineEdit::setText(t);
}

}  // namespace tarvik::ui

namespace tarvik::ui {

void MaskedEdit::cursorToTyped()
{
    if (inputMask().isEmpty() || hasSelectedText())
        return;
    const QString shown = displayText();
    qsizetype end = shown.size();
    while (end > 0 && shown[end - 1] == u' ')
        --end;
    // A full field keeps the cursor where it was put.
    if (end < shown.size() && cursorPosition() > end)
        setCursorPosition(int(end));
}

void MaskedEdit::mousePressEvent(QMouseEvent* e)
{
    QLineEdit::mousePressEvent(e);
    cursorToTyped();
}

void MaskedEdit::mouseReleaseEvent(QMouseEvent* e)
{
    QLineEdit::mouseReleaseEvent(e);
    cursorToTyped();
}

}  // namespace tarvik::ui
