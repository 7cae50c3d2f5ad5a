#pragma once
// TForm1: the field text editor, a modal window over one label text block.

#include <QDialog>

class TForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
};
