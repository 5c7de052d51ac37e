#include "base/twips.h"

#include <algorithm>
#include <cmath>

namespace tv {

namespace {

// Far beyond any screen, with room to add two such values in an int. A window
// typed far off the canvas is drawn this far out and clipped away, instead of
// wrapping round onto the canvas.
constexpr double kFarthestPixel = 1 << 28;

double nearestPixel(double twips)
{
    const double pixels = std::round(twips / kTwipsPerPixel);
    return std::isnan(pixels) ? 0 : std::clamp(pixels, -kFarthestPixel, kFarthestPixel);
}

} // namespace

int twipsToPixels(double twips)
{
    return static_cast<int>(nearestPixel(twips));
}

double pixelsToTwips(int pixels)
{
    return static_cast<double>(pixels) * kTwipsPerPixel;
}

QRect twipsToPixels(const TwipsRect& rect)
{
    const double left = nearestPixel(rect.Left);
    const double top = nearestPixel(rect.Top);
    double width = nearestPixel(rect.Width);
    double height = nearestPixel(rect.Height);
    // Where a far value had to be cut short, the far edges are cut instead, so
    // that the part of the window that lies on the canvas stays where it is.
    if (std::fabs(left + width) > kFarthestPixel || std::fabs(left) == kFarthestPixel)
        width = nearestPixel(double(rect.Left) + rect.Width) - left;
    if (std::fabs(top + height) > kFarthestPixel || std::fabs(top) == kFarthestPixel)
        height = nearestPixel(double(rect.Top) + rect.Height) - top;
    return QRect(int(left), int(top), int(width), int(height));
}

double centredOrigin(double screenExtent, double windowExtent)
{
    return (screenExtent - windowExtent) / 2;
}

} // namespace tv
