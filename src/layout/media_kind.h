#pragma once

#include <QString>

namespace tv {

// Which files suit which kind of window, told by the last three characters of
// the name, lower-cased. The video window takes pictures as well; a picture
// window takes jpg and bmp only.
bool IsVideoFile(const QString& name);
bool IsPicFile(const QString& name);

// Whether the video window shows an item as a picture (for a fixed time)
// rather than playing it: by the same three last characters, "bmp", "jpg"
// or "png". The editor, the preview and every display decide it with this.
bool playsAsPicture(const QString& name);

} // namespace tv
