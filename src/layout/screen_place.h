#pragma once

#include "base/twips.h"
#include "layout/screen_shape.h"

#include <QRect>

#include <optional>

namespace tv {

// The screen a landscape layout is made for.
inline constexpr int kScreenWidthPixels = frameOf(ScreenShape::Landscape).widthPixels;
inline constexpr int kScreenHeightPixels = frameOf(ScreenShape::Landscape).heightPixels;

// A window's place as a layout file stores it: x and width in hundredths of
// the screen's width, y and height in hundredths of its height, one byte each.
struct PercentPlace {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PercentPlace&, const PercentPlace&) = default;
};

// The bytes a window's twips are saved as (0 for a value no byte holds; such
// a layout is refused on save).
PercentPlace percentPlace(const TwipsRect& rect, ScreenShape shape = ScreenShape::Landscape);
// The same, or nothing when a value has no byte.
std::optional<PercentPlace> storablePlace(const TwipsRect& rect,
                                          ScreenShape shape = ScreenShape::Landscape);

// Where a display draws a window of these bytes, in whole pixels of the
// 1920 x 1080 screen (or 1080 x 1920 for a portrait layout). Each edge is
// rounded once to the nearest pixel: the left edge at x × 19.2, the right at
// (x + width) × 19.2, the top at y × 10.8, the bottom at (y + height) × 10.8
// (no edge ever falls on a half pixel; portrait, 10.8 across and 19.2 down).
// Windows that meet in the file meet on the screen. Every reader of a layout,
// the editor's outline included, places windows with this.
QRect screenPixels(const PercentPlace& place, ScreenShape shape = ScreenShape::Landscape);
inline QRect screenPixels(const TwipsRect& rect, ScreenShape shape = ScreenShape::Landscape)
{
    return screenPixels(percentPlace(rect, shape), shape);
}

// The twips a place's bytes read back as: where a saved window lies when the
// file is opened again.
TwipsRect twipsOfPercentPlace(const PercentPlace& place,
                              ScreenShape shape = ScreenShape::Landscape);

// Whether a window's place is one the file holds exactly: saving and opening
// it gives the same twips back.
bool fileHoldsPlace(const TwipsRect& rect, ScreenShape shape = ScreenShape::Landscape);

} // namespace tv
