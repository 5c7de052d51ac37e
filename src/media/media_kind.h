#pragma once

#include <QString>

namespace tv {

// Which files suit which kind of window, told by the last three characters of
// the name, lower-cased. The video window takes pictures as well; a picture
// window takes jpg and bmp only.
bool IsVideoFile(const QString& name);
bool IsPicFile(const QString& name);

} // namespace tv
