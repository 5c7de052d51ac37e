#pragma once

#include "base/twips.h"

#include <QSize>
#include <QString>

#include <optional>

namespace tv {

// The shape of the screen a layout is made for: a landscape screen of
// 1920 x 1080 pixels (every layout file's, unless told otherwise), or a
// portrait one of 1080 x 1920. The layout file's bytes are hundredths of the
// screen on each axis whatever its shape; the shape tells which pixels they
// are hundredths of.
enum class ScreenShape { Landscape, Portrait };

// The screen of a shape, and the editor's canvas that stands for it. The
// canvas is always as tall as the editor's canvas area (4050 twips) and as
// wide as the screen's shape makes it, so that a twip is as large across as
// down and a square on the canvas is a square on the screen.
struct ScreenFrame {
    int widthPixels = 1920;
    int heightPixels = 1080;
    float widthTwips = kCanvasWidthTwips;
    float heightTwips = kCanvasHeightTwips;

    QSize pixels() const { return {widthPixels, heightPixels}; }
    // Twips of the canvas per pixel of the screen: 3.75 landscape, 2.109375
    // portrait.
    double twipsPerPixel() const { return double(heightTwips) / heightPixels; }
};

constexpr ScreenFrame frameOf(ScreenShape shape)
{
    // 4050 x 1080 / 1920 = 2278.125 twips: exact in single precision.
    return shape == ScreenShape::Portrait
               ? ScreenFrame{1080, 1920, kCanvasHeightTwips * 1080 / 1920, kCanvasHeightTwips}
               : ScreenFrame{};
}

// "landscape" or "portrait", as the settings, the show's manifest and
// --inspect write it.
QString shapeName(ScreenShape shape);
// The shape of such a name; nothing for any other text.
std::optional<ScreenShape> shapeNamed(const QString& name);

} // namespace tv
