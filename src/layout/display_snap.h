#pragma once

#include "base/twips.h"
#include "layout/screen_shape.h"

#include <QList>

namespace tv {

// How near an edge comes to another window's or the screen's edge before it
// lands on it: 8 pixels of the screen, in twips of the shape's canvas (30 on
// a landscape canvas).
inline constexpr int kSnapPixels = 8;
double snapTwips(ScreenShape shape);

// What put a window where it is: a drag of its body, a drag of its corner, or
// values typed for it.
enum class SnapEdit { Move, Resize, Place };

// Where a window lands when it is snapped to the display: each edge on an
// edge of another window or of the screen when one lies within 8 screen
// pixels, else on the nearest step the layout file holds (one percentage
// byte). A drag of the corner keeps the top-left where it is (on its step) and
// snaps the right and bottom edges; a move or typed values keep the size (on
// its steps), except that typed values near an edge on both sides of an axis
// meet both. Edges are judged where the edit put them. Windows that meet on
// the canvas then meet on the display, and one put at the screen's edge is
// drawn at it.
TwipsRect snappedToDisplay(const TwipsRect& rect, const QList<TwipsRect>& others, SnapEdit edit,
                           ScreenShape shape = ScreenShape::Landscape);

// A window moved, or with `stretch` made larger or smaller, by whole file
// steps (dx, dy), kept inside the screen and at least one step in size.
TwipsRect steppedWindow(const TwipsRect& rect, int dx, int dy, bool stretch,
                        ScreenShape shape = ScreenShape::Landscape);

} // namespace tv
