#include "platform/ui/window_place.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tarvik::ui {

void centreOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    // The frame is known once a window manager has framed the window; before
    // that the window's own size stands for it.
    const QSize size = window.frameGeometry().size().expandedTo(window.size());
    window.move(free.x() + (free.width() - size.width()) / 2, free.y() + (free.height() - size.height()) / 2);
}

}  // namespace tarvik::ui
