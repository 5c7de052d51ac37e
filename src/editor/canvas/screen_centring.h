#pragma once

class QWidget;

namespace tv {

// Centres a top-level window on the whole primary screen (not its work area)
// by the window's outer size: Left first, then Top. On a screen smaller than
// the window the origin is negative and applied as it is.
void centreOnPrimaryScreen(QWidget* window);

} // namespace tv
