#pragma once
// TAbou: the about box, a plain modal dialog with the program title.

#include <QDialog>

class TAbou : public QDialog {
    Q_OBJECT
public:
    explicit TAbou(QWidget* parent = nullptr);
};
