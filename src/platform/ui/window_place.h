#pragma once
// Where the station's windows open.

class QWidget;

namespace tarvik::ui {

// Moves a top-level window so that it stands in the middle of its screen's
// free area. Without a window manager nobody else places it, and a window
// would open in the screen's corner.
void centreOnScreen(QWidget& window);

}  // namespace tarvik::ui
