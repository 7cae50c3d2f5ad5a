#pragma once
// What the operator's clicks on labels show beyond the label model: the
// printing-progress window, the reprint's error box, the test barcode's input
// and print preview.

#include "platform/printing/printer_list.h"

#include <QObject>
#include <QString>

#include <memory>

class QProgressDialog;

namespace tarvik::labels {
class LabelPages;
}

namespace tarvik::dialogs {

class LabelActions : public QObject {
    Q_OBJECT
public:
    // Shows a progress window while any label of `pages` prints, when
    // `showProgress` (by default: when there is a display to show it on). The
    // pages must outlive this object.
    explicit LabelActions(labels::LabelPages& pages, QObject* parent = nullptr, bool showProgress = hasDisplay());
    // A widget application on a real display: not offscreen, not headless.
    static bool hasDisplay();
    ~LabelActions() override;

    // "Друкувати" beside Box1 / Box2: the current label's page as it stands.
    printing::PrintJob Button1Click();
    printing::PrintJob Button2Click();
    // "ДРУК" of the reprint tab with Edit11's and Edit12's texts. Any failure
    // shows "Введена не коректна інформація"; returns whether it printed.
    bool Button5Click(const QString& weightText, const QString& batchText);
    // "Друк коду" of label 1 (selector 13) or label 2 (128): asks for a text,
    // draws "Test.bmp" and opens the test page's print preview.
    void BarcodeTestClick(int selector);

private:
    void showProgress(const QString& document);
    void hideProgress();

    labels::LabelPages& pages_;
    bool showsProgress_;
    std::unique_ptr<QProgressDialog> progress_;  // made once, at the first print
};

}  // namespace tarvik::dialogs
