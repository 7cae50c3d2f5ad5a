#include "platform/ui/date_edit.h"

#include <QKeyEvent>
#include <QRegularExpression>

namespace tarvik::ui {

DateEdit::DateEdit(QWidget* parent) : QDateEdit(parent) {}

QDate DateEdit::typedDate(const QString& typed)
{
    static const QRegularExpression separated(QStringLiteral("^(\\d{1,2})[.,/-](\\d{1,2})[.,/-](\\d{4})$"));
    static const QRegularExpression run(QStringLiteral("^(\\d{2})(\\d{2})(\\d{4})$"));
    for (const QRegularExpression* form : {&separated, &run}) {
        const QRegularExpressionMatch m = form->match(typed);
        if (m.hasMatch())
            return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    }
    return {};
}

void DateEdit::keyPressEvent(QKeyEvent* e)
{
    const QString text = e->text();
    const bool dateKey = text.size() == 1 && (text[0].isDigit() || QStringLiteral(".,/-").contains(text[0]));
    if (!dateKey) {
        typed_.clear();
        QDateEdit::keyPressEvent(e);
        return;
    }
    // Each key also goes to the sections as usual, so the field follows the
    // typing; the whole date, once typed, is taken as it was typed.
    typed_ += text;
    QDateEdit::keyPressEvent(e);
    const QDate date = typedDate(typed_);
    if (date.isValid()) {
        setDate(date);
        typed_.clear();
    } else if (typed_.size() >= 10) {
        typed_.clear();
    }
}

void DateEdit::focusInEvent(QFocusEvent* e)
{
    typed_.clear();
    QDateEdit::focusInEvent(e);
}

void DateEdit::mousePressEvent(QMouseEvent* e)
{
    typed_.clear();
    QDateEdit::mousePressEvent(e);
}

}  // namespace tarvik::ui
