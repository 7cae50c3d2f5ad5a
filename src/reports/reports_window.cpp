#include "reports/reports_window.h"

#include "platform/ui/station_hooks.h"

#include <QCloseEvent>

TFZvit::TFZvit(tarvik::ui::PollingTimer& timer, QWidget* parent) : QWidget(parent, Qt::Window), timer_(timer)
{
    setObjectName(QStringLiteral("FZvit"));
    setWindowTitle(QStringLiteral("Звіти"));
    resize(640, 480);
}

void TFZvit::showEvent(QShowEvent* e)
{
    timer_.stopPolling();
    QWidget::showEvent(e);
}

void TFZvit::closeEvent(QCloseEvent* e)
{
    QWidget::closeEvent(e);
    if (e->isAccepted())
        timer_.startPolling();
}
