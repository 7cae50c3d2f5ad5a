#pragma once
// A masked digit field: optional digits shown as blanks, whose text keeps the
// blanks ("2    "), as the station reads, prints and stores it.

#include <QLineEdit>

namespace tarvik::ui {

class MaskedEdit : public QLineEdit {
    Q_OBJECT
public:
    MaskedEdit(int digits, QWidget* parent = nullptr);

    // The shown text with its blanks.
    QString text() const { return displayText(); }
    void setText(const QString& t);
};

}  // namespace tarvik::ui
