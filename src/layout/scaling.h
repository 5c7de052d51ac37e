#pragma once

#include "layout/screen_shape.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace tv {

// A twips coordinate as a percentage of the canvas on its axis: "x" and
// "width" of 7200 (of a portrait screen's canvas, 2278.125), "y" and "height"
// of 4050; rounded to the nearest, ties to the even one. Nothing when the
// percentage has no byte value (outside 0..255); any other kind gives 0.
std::optional<std::uint8_t> ScalerChange(std::int16_t coordinate, const QString& kind,
                                         ScreenShape shape = ScreenShape::Landscape);

// The percentage byte a single-precision twips value is written as, or
// nothing when it has none. Decoded coordinates give back exactly the byte
// they came from.
std::optional<std::uint8_t> storedByte(float twips, const QString& kind,
                                       ScreenShape shape = ScreenShape::Landscape);
// The same, 0 when it has none.
int percentageByte(float twips, const QString& kind, ScreenShape shape = ScreenShape::Landscape);

// A percentage byte back in twips, rounded down: b x 72 across (on a portrait
// screen's canvas exactly b x 22.78125), the floor of b x 40.5 down.
float twipsAcross(std::uint8_t percentage, ScreenShape shape = ScreenShape::Landscape);
float twipsDown(std::uint8_t percentage, ScreenShape shape = ScreenShape::Landscape);

// A single-precision twips value as the 16-bit whole number the file's
// tables hold: nearest, ties to even. Nothing when it does not fit.
std::optional<std::int16_t> wholeTwips(float twips);

} // namespace tv
