#pragma once
// TFormEdit: the message dictionary, a grid of ready-made phrases.

#include <QDialog>

class TFormEdit : public QDialog {
    Q_OBJECT
public:
    explicit TFormEdit(QWidget* parent = nullptr);
};
