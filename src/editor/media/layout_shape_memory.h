#pragma once

#include "layout/screen_shape.h"

#include <QString>

namespace tv {

// The shape of the screen each layout file is for, kept in the user's
// settings beside its media folder: the file itself holds only hundredths of
// the screen. A layout never saved as portrait is landscape.

ScreenShape rememberedShape(const QString& layoutPath);
// Keeps `shape` for the layout at `layoutPath`; the settings keep the most
// recent kRememberedLayouts portrait layouts.
void rememberShape(const QString& layoutPath, ScreenShape shape);

} // namespace tv
