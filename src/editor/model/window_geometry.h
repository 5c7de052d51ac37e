#pragma once

#include "base/twips.h"
#include "layout/screen_shape.h"

#include <QRect>
#include <QString>

#include <array>

namespace tv {

// Where a window's outline, name tag and corner handle go for a given body:
// the outline covers the body, the tag sits 50 twips in from its top-left
// corner, and the 120-twip handle's top-left lies 70 twips up and left of the
// body's bottom-right corner.
struct PartPlaces {
    TwipsRect outline;
    float tagLeft;
    float tagTop;
    float handleLeft;
    float handleTop;
};
PartPlaces placeWindowParts(const TwipsRect& body);

inline constexpr float kTagOffset = 50;
inline constexpr float kHandleInset = 70;

// The body rectangle in whole pixels of the target screen (1920 x 1080, or
// 1080 x 1920 portrait), as the position fields show it: x, y, width, height,
// each the floor of the twips times the screen extent over the canvas extent.
std::array<QString, 4> screenPixelTexts(const TwipsRect& body,
                                        ScreenShape shape = ScreenShape::Landscape);

// The twips of four typed screen-pixel values (x, y, width, height), or why
// they cannot be applied: a negative width or height, or a value whose twips
// do not fit the single-precision geometry.
struct TypedRect {
    TwipsRect twips;
    QString refusal; // empty when the values can be applied
};
TypedRect twipsOfScreenPixels(const std::array<double, 4>& values,
                              ScreenShape shape = ScreenShape::Landscape);

// A window's twips on the canvas of a screen of shape `from`, on that of
// `to`: the same share of the screen on each axis, and for a window the file
// holds exactly, the same bytes.
TwipsRect reshaped(const TwipsRect& rect, ScreenShape from, ScreenShape to);

// The height that gives a window of this width the chosen screen ratio, in
// whole twips.
enum class ScreenRatio { FourThree, SixteenNine };
float ratioHeight(float width, ScreenRatio ratio);

} // namespace tv
