#pragma once
// A date picker that takes a date typed in one go, "09.12.2026" or
// "09122026", whichever section the click put the cursor in. A plain date
// edit types into one section at a time: a click into the year and a typed
// date left the year "0000", or only the day changed.

#include <QDateEdit>

namespace tarvik::ui {

class DateEdit : public QDateEdit {
    Q_OBJECT
public:
    explicit DateEdit(QWidget* parent = nullptr);

    // The date a typed text names, day first ("9.12.2026", "09122026"), or
    // an invalid date while it names none yet.
    static QDate typedDate(const QString& typed);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    QString typed_;
};

}  // namespace tarvik::ui
