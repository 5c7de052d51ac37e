#include "layout/scaling.h"

#include "base/twips.h"

#include <cmath>
#include <limits>

namespace tv {

std::optional<std::uint8_t> ScalerChange(std::int16_t coordinate, const QString& kind,
                                         ScreenShape shape)
{
    double extent = 0;
    if (kind == QLatin1String("x") || kind == QLatin1String("width"))
        extent = frameOf(shape).widthTwips;
    else if (kind == QLatin1String("y") || kind == QLatin1String("height"))
        extent = frameOf(shape).heightTwips;
    else
        return std::uint8_t{0};
    const double percentage = std::nearbyint(double(coordinate) * 100 / extent);
    if (percentage < 0 || percentage > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(percentage);
}

float twipsAcross(std::uint8_t percentage, ScreenShape shape)
{
    // A portrait canvas's steps (b x 729/32 twips) are exact in single
    // precision: kept whole, the position fields show the pixel the display
    // draws at, not half a pixel short of it.
    const double twips = double(percentage) * frameOf(shape).widthTwips / 100;
    return static_cast<float>(shape == ScreenShape::Portrait ? twips : std::floor(twips));
}

float twipsDown(std::uint8_t percentage, ScreenShape shape)
{
    return static_cast<float>(std::floor(double(percentage) * frameOf(shape).heightTwips / 100));
}

std::optional<std::int16_t> wholeTwips(float twips)
{
    const double whole = std::nearbyint(double(twips));
    if (!(whole >= std::numeric_limits<std::int16_t>::min() &&
          whole <= std::numeric_limits<std::int16_t>::max()))
        return std::nullopt;
    return static_cast<std::int16_t>(whole);
}

std::optional<std::uint8_t> storedByte(float twips, const QString& kind, ScreenShape shape)
{
    const auto whole = wholeTwips(twips);
    return whole ? ScalerChange(*whole, kind, shape) : std::nullopt;
}

int percentageByte(float twips, const QString& kind, ScreenShape shape)
{
    const auto byte = storedByte(twips, kind, shape);
    return byte ? int(*byte) : 0;
}

} // namespace tv
