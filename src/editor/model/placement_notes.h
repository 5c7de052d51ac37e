#pragma once

#include "base/twips.h"
#include "layout/screen_shape.h"

#include <QList>
#include <QString>

namespace tv {

struct LayoutState;

// One window as the display will place it.
struct PlacedWindow {
    int index = 0; // 1 the video window, 2.. the picture windows
    QString name;
    TwipsRect rect; // in canvas twips, the whole screen being the canvas
};

// The in-use windows of a layout, in window order.
QList<PlacedWindow> placedWindows(const LayoutState& state);

// The screen edges a window reaches past.
struct ScreenEdges {
    bool left = false;
    bool right = false;
    bool top = false;
    bool bottom = false;
    bool any() const { return left || right || top || bottom; }
    friend bool operator==(const ScreenEdges&, const ScreenEdges&) = default;
};

// Something the layout file allows but the display will not show whole: a
// window cut off at the screen's edges, or a picture window drawn over part
// of another.
struct PlacementFinding {
    int window = 0;    // the window cut off, or the one on top
    ScreenEdges edges; // the edges it reaches past
    int covered = 0;   // the picture window it lies over; 0 for an edge finding
    QString text;      // one sentence: "Picture4 covers part of Picture2"
};

// What the display will cut off or cover, in the order a note tells it: the
// findings that concern window `current` (either side of a cover) first,
// then the others in window order; each window's edges before the windows it
// covers, the lowest of those first.
// The screen is the canvas of `shape`.
QList<PlacementFinding> placementFindings(const QList<PlacedWindow>& windows, int current,
                                          ScreenShape shape = ScreenShape::Landscape);

// The findings on one line: the first, and how many more there are; empty
// when there are none.
QString placementNote(const QList<PlacementFinding>& findings);

} // namespace tv
