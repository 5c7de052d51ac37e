#include "editor/model/window_geometry.h"

#include "layout/screen_place.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tv {

namespace {

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

std::array<QString, 4> screenPixelTexts(const TwipsRect& body, ScreenShape shape)
{
    // Multiplied before divided, as ever: the same floors on a landscape
    // screen to the last bit.
    const ScreenFrame frame = frameOf(shape);
    const auto across = [&](float twips) {
        return wholeNumberText(double(twips) * frame.widthPixels / double(frame.widthTwips));
    };
    const auto down = [&](float twips) {
        return wholeNumberText(double(twips) * frame.heightPixels / double(frame.heightTwips));
    };
    return {across(body.Left), down(body.Top), across(body.Width), down(body.Height)};
}

TypedRect twipsOfScreenPixels(const std::array<double, 4>& values, ScreenShape shape)
{
    const ScreenFrame frame = frameOf(shape);
    const double widthTwips = frame.widthTwips;
    const double heightTwips = frame.heightTwips;
    const std::array<double, 4> twips{
        values[0] * widthTwips / frame.widthPixels, values[1] * heightTwips / frame.heightPixels,
        values[2] * widthTwips / frame.widthPixels, values[3] * heightTwips / frame.heightPixels};
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

TwipsRect reshaped(const TwipsRect& rect, ScreenShape from, ScreenShape to)
{
    if (from == to)
        return rect;
    // A window the file holds exactly stays on the steps of the new screen.
    if (const auto place = storablePlace(rect, from);
        place && twipsOfPercentPlace(*place, from) == rect)
        return twipsOfPercentPlace(*place, to);
    const double across = double(frameOf(to).widthTwips) / double(frameOf(from).widthTwips);
    const double down = double(frameOf(to).heightTwips) / double(frameOf(from).heightTwips);
    return {float(rect.Left * across), float(rect.Top * down), float(rect.Width * across),
            float(rect.Height * down)};
}

} // namespace tv
