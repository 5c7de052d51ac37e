#include "editor/model/window_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tv {

namespace {

constexpr double kScreenWidth = 1920;
constexpr double kScreenHeight = 1080;
constexpr double kCanvasWidth = kCanvasWidthTwips;
constexpr double kCanvasHeight = kCanvasHeightTwips;

QString wholeNumberText(double value)
{
    // Adding zero turns a negative zero into zero, so no "-0" is shown.
    return QString::number(std::floor(value) + 0.0, 'f', 0);
}

bool fitsSingle(double value)
{
    return std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max();
}

} // namespace

PartPlaces placeWindowParts(const TwipsRect& body)
{
    PartPlaces places;
    places.outline = body;
    places.tagLeft = static_cast<float>(double(body.Left) + kTagOffset);
    places.tagTop = static_cast<float>(double(body.Top) + kTagOffset);
    places.handleLeft = static_cast<float>(double(body.Width) + body.Left - kHandleInset);
    places.handleTop = static_cast<float>(double(body.Height) + body.Top - kHandleInset);
    return places;
}

std::array<QString, 4> screenPixelTexts(const TwipsRect& body)
{
    return {wholeNumberText(double(body.Left) * kScreenWidth / kCanvasWidth),
            wholeNumberText(double(body.Top) * kScreenHeight / kCanvasHeight),
            wholeNumberText(double(body.Width) * kScreenWidth / kCanvasWidth),
            wholeNumberText(double(body.Height) * kScreenHeight / kCanvasHeight)};
}

TypedRect twipsOfScreenPixels(const std::array<double, 4>& values)
{
    const std::array<double, 4> twips{
        values[0] * kCanvasWidth / kScreenWidth, values[1] * kCanvasHeight / kScreenHeight,
        values[2] * kCanvasWidth / kScreenWidth, values[3] * kCanvasHeight / kScreenHeight};
    TypedRect result;
    for (double value : twips)
        if (!fitsSingle(value)) {
            result.refusal = QStringLiteral("A value is too large for the screen.");
            return result;
        }
    if (twips[2] < 0 || twips[3] < 0) {
        result.refusal = QStringLiteral("The width and the height cannot be negative.");
        return result;
    }
    result.twips = {static_cast<float>(twips[0]), static_cast<float>(twips[1]),
                    static_cast<float>(twips[2]), static_cast<float>(twips[3])};
    return result;
}

float ratioHeight(float width, ScreenRatio ratio)
{
    const double height =
        ratio == ScreenRatio::FourThree ? double(width) / 4 * 3 : double(width) / 16 * 9;
    return static_cast<float>(std::floor(height));
}

} // namespace tv
