#pragma once

#include "layout/layout_description.h"

#include <QByteArray>

namespace tv {

// A decoded layout as JSON for people and scripts, its keys in the file's
// order after the shape of the screen it is read for:
//   {"shape": "landscape" or "portrait",
//    "video": null or {"percent", "pixels", "playlist"},
//    "pictures": [{"slot", "percent", "pixels", "switchTime", "playlist"}],
//    "nameCount": the number of names in the file}
// "percent" holds the file's bytes {x, y, width, height}, in hundredths of
// the screen; "pixels" where a display draws the window on the 1920 x 1080
// screen (1080 x 1920 portrait), {x, y, width, height}, by `screenPixels`.
QByteArray inspectLayout(const LayoutDescription& layout);

} // namespace tv
