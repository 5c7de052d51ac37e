#include "layout/screen_place.h"

#include "layout/scaling.h"

namespace tv {

namespace {

// The nearest whole pixel to a byte's edge; the products never end in a half.
int edge(int percent, int extent)
{
    return (percent * extent + 50) / 100;
}

} // namespace

PercentPlace percentPlace(const TwipsRect& rect, ScreenShape shape)
{
    return {percentageByte(rect.Left, QStringLiteral("x"), shape),
            percentageByte(rect.Top, QStringLiteral("y"), shape),
            percentageByte(rect.Width, QStringLiteral("width"), shape),
            percentageByte(rect.Height, QStringLiteral("height"), shape)};
}

std::optional<PercentPlace> storablePlace(const TwipsRect& rect, ScreenShape shape)
{
    const auto x = storedByte(rect.Left, QStringLiteral("x"), shape);
    const auto y = storedByte(rect.Top, QStringLiteral("y"), shape);
    const auto width = storedByte(rect.Width, QStringLiteral("width"), shape);
    const auto height = storedByte(rect.Height, QStringLiteral("height"), shape);
    if (!x || !y || !width || !height)
        return std::nullopt;
    return PercentPlace{*x, *y, *width, *height};
}

QRect screenPixels(const PercentPlace& place, ScreenShape shape)
{
    const ScreenFrame frame = frameOf(shape);
    const int left = edge(place.x, frame.widthPixels);
    const int top = edge(place.y, frame.heightPixels);
    const int right = edge(place.x + place.width, frame.widthPixels);
    const int bottom = edge(place.y + place.height, frame.heightPixels);
    return {left, top, right - left, bottom - top};
}

TwipsRect twipsOfPercentPlace(const PercentPlace& place, ScreenShape shape)
{
    return {twipsAcross(std::uint8_t(place.x), shape), twipsDown(std::uint8_t(place.y), shape),
            twipsAcross(std::uint8_t(place.width), shape),
            twipsDown(std::uint8_t(place.height), shape)};
}

bool fileHoldsPlace(const TwipsRect& rect, ScreenShape shape)
{
    return twipsOfPercentPlace(percentPlace(rect, shape), shape) == rect;
}

} // namespace tv
