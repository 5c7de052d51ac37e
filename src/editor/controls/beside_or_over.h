#pragma once

#include <QRect>

class QWidget;

namespace tv {

// Where a window of outer size `size` opens next to the editor's outer
// `editor` on a screen whose free area is `screen`: beside it on the right,
// else on the left, when there is room; else over it, centred on it. It is
// always kept on the screen (its top-left, when it is larger).
QRect besideOrOver(const QRect& editor, const QSize& size, const QRect& screen);

// Moves `window` (not shown yet) to where besideOrOver() places it next to
// `owner`, on the owner's screen; its frame is taken to be as thick as the
// owner's.
void placeBesideOrOver(QWidget* window, const QWidget* owner);

} // namespace tv
