#pragma once

#include "layoutfile/layout_description.h"

#include <QList>
#include <QRectF>
#include <QStringList>

namespace tv {

// The screen a layout is made for.
inline constexpr double kStageWidth = 1920;
inline constexpr double kStageHeight = 1080;

// A picture shown in the video window stays this long, and so does the
// placeholder of an item that cannot be shown there.
inline constexpr qint64 kVideoWindowPictureMs = 10'000;

enum class WindowRole { Video, Picture };

// One window of a layout as the player shows it.
struct StageWindow {
    WindowRole role = WindowRole::Picture;
    int slot = 0;         // 0 for the video window, 1..10 for the picture slots
    QRectF place;         // on the 1920 x 1080 stage
    QStringList names;    // the playlist, in play order
    qint64 pictureMs = 0; // how long each picture of the window shows
};

// The windows of a decoded layout from bottom to top: the video window, then
// picture slots 1 to 10. Places come from the file's percentage bytes: x and
// width in hundredths of 1920, y and height in hundredths of 1080.
QList<StageWindow> planStage(const LayoutDescription& layout);

// Whether an item of the video window is a picture (jpg, jpeg, bmp, png, in
// any case); every other item is played as a video.
bool playsAsPicture(const QString& name);

// Where the 1920 x 1080 stage lies in an area of the given size: as large as
// it fits, centred; the rest stays black.
QRectF letterboxed(QSizeF area, QSizeF content);

} // namespace tv
