#pragma once

#include <QIcon>

namespace tv {

// The editor's own icon: a screen divided into a video window and pictures.
QIcon editorIcon();

} // namespace tv
