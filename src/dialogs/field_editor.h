#pragma once
// TForm1: the field text editor, a modal window over one label text block.

#include <QDialog>

class QTextEdit;

namespace tarvik::labels {
class LabelPages;
}

class TForm1 : public QDialog {
    Q_OBJECT
public:
    // Created once and hidden between openings; the pages must outlive it.
    explicit TForm1(tarvik::labels::LabelPages& pages, QWidget* parent = nullptr);

    // Loads the element set's edited file (empty when there is none yet) and
    // shows the editor modally above `owner`, the window it is opened from.
    int Execute(QWidget* owner);

    // Writes the text to the edited file and the copy file and reloads the
    // label's block from the edited file. Throws when a file cannot be
    // written; the old file then stays whole.
    void FormClose();

    QTextEdit* RichEdit1 = nullptr;

protected:
    void done(int r) override;

private:
    tarvik::labels::LabelPages& pages_;
};
