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

PercentPlace percentPlace(const TwipsRect& rect)
{
    return {percentageByte(rect.Left, QStringLiteral("x")),
            percentageByte(rect.Top, QStringLiteral("y")),
            percentageByte(rect.Width, QStringLiteral("width")),
            percentageByte(rect.Height, QStringLiteral("height"))};
}

std::optional<PercentPlace> storablePlace(const TwipsRect& rect)
{
    const auto x = storedByte(rect.Left, QStringLiteral("x"));
    const auto y = storedByte(rect.Top, QStringLiteral("y"));
    const auto width = storedByte(rect.Width, QStringLiteral("width"));
    const auto height = storedByte(rect.Height, QStringLiteral("height"));
    if (!x || !y || !width || !height)
        return std::nullopt;
    return PercentPlace{*x, *y, *width, *height};
}

QRect screenPixels(const PercentPlace& place)
{
    const int left = edge(place.x, kScreenWidthPixels);
    const int top = edge(place.y, kScreenHeightPixels);
    const int right = edge(place.x + place.width, kScreenWidthPixels);
    const int bottom = edge(place.y + place.height, kScreenHeightPixels);
    return {left, top, right - left, bottom - top};
}

TwipsRect twipsOfPercentPlace(const PercentPlace& place)
{
    return {twipsAcross(std::uint8_t(place.x)), twipsDown(std::uint8_t(place.y)),
            twipsAcross(std::uint8_t(place.width)), twipsDown(std::uint8_t(place.height))};
}

bool fileHoldsPlace(const TwipsRect& rect)
{
    return twipsOfPercentPlace(percentPlace(rect)) == rect;
}

} // namespace tv
