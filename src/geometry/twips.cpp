#include "geometry/twips.h"

#include <cmath>

namespace tv {

int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

double pixelsToTwips(int pixels)
{
    return static_cast<double>(pixels) * kTwipsPerPixel;
}

QRect twipsToPixels(const TwipsRect& rect)
{
    return QRect(twipsToPixels(rect.Left), twipsToPixels(rect.Top), twipsToPixels(rect.Width),
                 twipsToPixels(rect.Height));
}

double centredOrigin(double screenExtent, double windowExtent)
{
    return (screenExtent - windowExtent) / 2;
}

} // namespace tv
