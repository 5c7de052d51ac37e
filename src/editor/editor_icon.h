#pragma once

#include <QByteArray>
#include <QIcon>
#include <QPixmap>

namespace tv {

// The editor's own icon: a screen divided into a video window and pictures.
QIcon editorIcon();

// The same icon drawn at one size, and as scalable vector graphics, for the
// desktop's icon theme.
QPixmap editorIconPixmap(int size);
QByteArray editorIconSvg();

} // namespace tv
