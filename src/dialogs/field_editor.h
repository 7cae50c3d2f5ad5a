#pragma once
// TForm1, "Редактор поля": the field text editor, a modal window over one
// label text block's template, with character and paragraph formats, find and
// replace, the clipboard, and a list of the label's placeholders.

#include "labels/field_text.h"

#include <QDialog>

class QAction;
class QActionGroup;
class QLabel;
class QMenuBar;
class QStatusBar;
class QTextEdit;
class QToolBar;

namespace tarvik::labels {
class LabelPages;
}
namespace tarvik::dialogs {
class FontDialog;
class PlaceholderDialog;
class SearchDialog;
}  // namespace tarvik::dialogs

class TForm1 : public QDialog {
    Q_OBJECT
public:
    // Created once and hidden between openings; the pages must outlive it.
    explicit TForm1(tarvik::labels::LabelPages& pages, QWidget* parent = nullptr);
    ~TForm1() override;

    // Loads the element set's edited file (empty when there is none yet) and
    // shows the editor modally over `owner`, the window it is opened from.
    int Execute(QWidget* owner);

    // Writes the text to the edited file and the copy file and reloads the
    // label's block from the edited file. Throws, writing nothing, for a
    // character Windows-1251 cannot hold, and when a file cannot be written
    // (the old file then stays whole).
    void FormClose();

    // Panel 0: "line: column"; panel 1: "модиф."; the alignment button down.
    void UpdateStatusBar();
    // Indents of the selected paragraphs to 0, the modified flag cleared.
    void FormCreate();

    void MCutClick();
    void MCopyClick();
    void MPasteClick();
    void MUndoClick();
    void MFindClick();
    void MReplaceClick();
    void MFontClick();
    void MNumbClick();
    void MLeftClick();
    void MCenterClick();
    void MRightClick();
    void MExitClick();
    // Inserts a placeholder chosen from the list at the caret.
    void MPlaceholderClick();
    // "Найти далее" of either search dialog.
    void FindDialog1Find(tarvik::dialogs::SearchDialog& dialog);
    void ReplaceDialog1Replace(tarvik::labels::ReplaceMode mode);
    void FontDialog1Apply();
    // Panel 2 shows the long part of the hint under the pointer.
    void ApplicationEvents1Hint(const QString& hint);

    QToolBar* ToolBar1 = nullptr;
    QTextEdit* RichEdit1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    tarvik::dialogs::SearchDialog* FindDialog1 = nullptr;
    tarvik::dialogs::SearchDialog* ReplaceDialog1 = nullptr;
    tarvik::dialogs::FontDialog* FontDialog1 = nullptr;
    tarvik::dialogs::PlaceholderDialog* PlaceholderDialog1 = nullptr;

protected:
    void done(int r) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void buildCommands();
    void applyFont();
    void focusEditor();

    tarvik::labels::LabelPages& pages_;
    QLabel* panels_[3] = {};
    QAction* MNumb_ = nullptr;
    QAction* MLeft_ = nullptr;
    QAction* MCenter_ = nullptr;
    QAction* MRight_ = nullptr;
};
