#pragma once

#include "layoutfile/layout_description.h"

#include <QJsonObject>

namespace tv {

// A decoded layout as JSON for people and scripts:
//   {"video": null or {"x", "y", "width", "height", "pixels", "playlist"},
//    "pictures": [{"slot", "x", "y", "width", "height", "pixels", "switchTime",
//                  "playlist"}],
//    "names": the number of names in the file}
// x..height are the file's percentage bytes; pixels is the rectangle on the
// 1920 x 1080 screen, [x, y, width, height], each to the nearest pixel.
QJsonObject inspectLayout(const LayoutDescription& layout);

} // namespace tv
