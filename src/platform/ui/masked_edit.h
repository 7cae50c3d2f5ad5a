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
    // For a read-only display of a computed value: the text in the mask's
    // form when it fits (digits only, no more than the mask's places), and
    // otherwise as it is, since the mask would drop its signs and digits.
    void showText(const QString& t);

protected:
    // A click right of the typed digits puts the cursor after the last of
    // them, where typing goes on; the blanks beyond take no keys otherwise.
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void cursorToTyped();
    QString mask_;
};

}  // namespace tarvik::ui
