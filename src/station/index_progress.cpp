#include "station/index_progress.h"

#include "platform/ui/window_place.h"

#include <QCoreApplication>

namespace tarvik::station {

namespace {
constexpr std::chrono::milliseconds kShowAfter{1000};
}

IndexProgressWindow::~IndexProgressWindow()
{
    delete dialog_.data();
}

void IndexProgressWindow::building(int done, int total, const QString& index, std::chrono::milliseconds elapsed)
{
    if (!dialog_) {
        if (elapsed < kShowAfter)
            return;
        dialog_ = new QProgressDialog(parent_);
        dialog_->setObjectName(QStringLiteral("IndexProgress"));
        dialog_->setWindowTitle(QStringLiteral("База даних"));
        // Building an index cannot be stopped half-way.
        dialog_->setCancelButton(nullptr);
        dialog_->setMinimumDuration(0);
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setRange(0, total);
        dialog_->setMinimumWidth(520);
    }
    dialog_->setValue(done);
    dialog_->setLabelText(QStringLiteral("Додаю індекси до бази даних: %1 з %2 (%3)…\n"
                                         "Це буває один раз для бази, створеної іншою програмою.")
                              .arg(std::min(done + 1, total))
                              .arg(total)
                              .arg(index));
    if (!shown_) {
        // Shown once its text is there, so it is laid out for it; the main
        // window is not up yet to place it by.
        dialog_->adjustSize();
        ui::centreOnScreen(*dialog_);
        dialog_->show();
        shown_ = true;
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void IndexProgressWindow::built()
{
    delete dialog_.data();
}

}  // namespace tarvik::station
