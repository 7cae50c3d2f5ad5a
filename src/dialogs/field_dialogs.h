#pragma once
// The small dialogs of the field text editor, in Russian like the editor:
// find, replace, font (with effects and "Применить") and the placeholder
// list. Each is created once by the editor and keeps its last settings; the
// editor runs them through the prompt layer.

#include "labels/field_text.h"

#include <QDialog>
#include <QTextCharFormat>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tarvik::dialogs {

// FindDialog1, and ReplaceDialog1 with the replacement text and its two
// buttons. The search always runs forward: there is no direction choice.
class SearchDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Find, Replace };
    SearchDialog(Kind kind, QWidget* parent = nullptr);

    // The text to find, as the editor puts it in before showing the dialog.
    void setFindText(const QString& text);
    labels::SearchRequest request() const;

    QLineEdit* FindText = nullptr;
    QLineEdit* ReplaceText = nullptr;  // the replace dialog's only
    QCheckBox* WholeWord = nullptr;
    QCheckBox* MatchCase = nullptr;
    QPushButton* FindNext = nullptr;
    QPushButton* Replace = nullptr;
    QPushButton* ReplaceAll = nullptr;

Q_SIGNALS:
    void findNextClicked();
    void replaceClicked(labels::ReplaceMode mode);
};

// FontDialog1: family, style, size, and the effects: strikeout, underline,
// colour. "Применить" applies without closing.
class FontDialog : public QDialog {
    Q_OBJECT
public:
    explicit FontDialog(QWidget* parent = nullptr);

    // Shows the format of a selection.
    void setCharFormat(const QTextCharFormat& format);
    // What the dialog holds, as a format to merge into a selection.
    QTextCharFormat charFormat() const;

    QFontComboBox* FontName = nullptr;
    QComboBox* FontStyle = nullptr;
    QComboBox* FontSize = nullptr;
    QCheckBox* Strikeout = nullptr;
    QCheckBox* Underline = nullptr;
    QComboBox* FontColor = nullptr;
    QLabel* Sample = nullptr;
    QPushButton* Apply = nullptr;

Q_SIGNALS:
    void applyClicked();

private:
    void showSample();

    QString family_;       // the selection's family
    QString familyShown_;  // what the family list shows for it
};

// The list of the label's placeholders: one is chosen and inserted.
class PlaceholderDialog : public QDialog {
    Q_OBJECT
public:
    explicit PlaceholderDialog(QWidget* parent = nullptr);
    // The chosen placeholder ("$netto"); empty when none is chosen.
    QString placeholder() const;

    QListWidget* PlaceholderList = nullptr;
};

}  // namespace tarvik::dialogs
