#pragma once

#include <QString>

namespace tv {

// The media folder chosen for each layout file, kept in the user's settings
// (as the snap box is), so that a layout opened again finds its media where
// they were, however far from the layout file they lie.

// The folder last chosen for the layout at `layoutPath`; empty when none was,
// or when it is no folder any more.
QString rememberedMediaFolder(const QString& layoutPath);
// Keeps `folder` as the media folder of the layout at `layoutPath`. The
// settings keep the most recent kRememberedLayouts layouts.
void rememberMediaFolder(const QString& layoutPath, const QString& folder);
inline constexpr int kRememberedLayouts = 200;

} // namespace tv
