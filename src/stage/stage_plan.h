#pragma once

#include "layout/layout_description.h"
#include "layout/media_kind.h"
#include "layout/screen_place.h"

#include <QList>
#include <QRectF>
#include <QStringList>

namespace tv {

// A picture shown in the video window stays this long, and so does the
// placeholder of an item that cannot be shown there.
inline constexpr qint64 kVideoWindowPictureMs = 10'000;

enum class WindowRole { Video, Picture };

// One window of a layout as the player shows it.
struct StageWindow {
    WindowRole role = WindowRole::Picture;
    int slot = 0;         // 0 for the video window, 1..10 for the picture slots
    QRect place;          // in whole pixels of the stage of `shape`
    QStringList names;    // the playlist, in play order
    qint64 pictureMs = 0; // how long each picture of the window shows
    // The screen its layout is made for: `place` is in its pixels (1920 x
    // 1080, or 1080 x 1920 for a portrait layout).
    ScreenShape shape = ScreenShape::Landscape;
};

// A window with nothing to play draws nothing: what lies beneath it (a
// window below, or the black of the screen) shows through, on the display as
// on the editor's canvas.
inline bool drawsNothing(const StageWindow& window)
{
    return window.names.isEmpty();
}

// The windows of a decoded layout from bottom to top: the video window, then
// picture slots 1 to 10, each placed by `screenPixels` in the layout's shape.
QList<StageWindow> planStage(const LayoutDescription& layout);

// Where a stage of `content` pixels (1920 x 1080, or 1080 x 1920 for a
// portrait show) lies in an area of the given size: as large as it fits,
// centred; the rest stays black.
QRectF letterboxed(QSizeF area, QSizeF content);

// What the operator is told when a show of `shape` does not fit the screen
// as its viewer sees it (`viewer`, turned by `rotation` degrees): the show is
// letterboxed, and the panel wants turning. Empty when it fits, or when the
// viewer's area is square or empty.
QString shapeAdvice(ScreenShape shape, QSize viewer, int rotation);

} // namespace tv
