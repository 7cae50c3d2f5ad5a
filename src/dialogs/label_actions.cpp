#include "dialogs/label_actions.h"

#include "labels/label_pages.h"
#include "platform/preview/page_preview.h"
#include "platform/ui/prompts.h"

#include <QApplication>
#include <QProgressDialog>

namespace tarvik::dialogs {

bool LabelActions::hasDisplay()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform != u"offscreen" && platform != u"minimal";
}

LabelActions::LabelActions(labels::LabelPages& pages, QObject* parent, bool showProgress)
    : QObject(parent), pages_(pages), showsProgress_(showProgress)
{
    connect(&pages_, &labels::LabelPages::printStarted, this, &LabelActions::showProgress);
    connect(&pages_, &labels::LabelPages::printFinished, this, &LabelActions::hideProgress);
}

LabelActions::~LabelActions() = default;

void LabelActions::showProgress(const QString& document)
{
    if (!showsProgress_)
        return;
    if (!progress_) {
        // Made at the first print and kept: every later label only shows it.
        progress_ = std::make_unique<QProgressDialog>(QString(), QString(), 0, 0);
        progress_->setObjectName(QStringLiteral("PrintProgress"));
        progress_->setWindowTitle(QStringLiteral("Друк"));
        progress_->setMinimumDuration(0);
        progress_->setAutoReset(false);
        progress_->setAutoClose(false);
    }
    progress_->setLabelText(QStringLiteral("Друк: %1").arg(document));
    progress_->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void LabelActions::hideProgress()
{
    if (!progress_ || !progress_->isVisible())
        return;
    progress_->hide();
    // Repaints only: a click taken now could open a window in the middle of a
    // label run, and closing it would start polling while the run goes on.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

printing::PrintJob LabelActions::Button1Click()
{
    return pages_.printCurrent(1);
}

printing::PrintJob LabelActions::Button2Click()
{
    return pages_.printCurrent(2);
}

bool LabelActions::Button5Click(const QString& weightText, const QString& batchText)
{
    try {
        pages_.ReprintLabel(batchText.trimmed(), weightText.trimmed());
        return true;
    } catch (...) {
        ui::Message m;
        m.caption = QStringLiteral("Помилка");
        m.text = QStringLiteral("Введена не коректна інформація");
        m.icon = ui::Icon::Critical;
        ui::prompts().message(m);
        return false;
    }
}

void LabelActions::BarcodeTestClick(int selector)
{
    ui::InputQuery q;
    q.caption = QStringLiteral("Друк тестового штирх коду  ");
    q.prompt = QStringLiteral("Введіть штрих код!");
    std::optional<QString> text;
    do {
        text = ui::prompts().input(q);
        if (!text)
            return;
    } while (text->isEmpty());
    pages_.makeTestPicture(*text, selector);
    printing::previewPage(pages_.testPage(), QStringLiteral("Друк тестового штирх коду"));
}

}  // namespace tarvik::dialogs
