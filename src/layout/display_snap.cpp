#include "layout/display_snap.h"

#include "layout/scaling.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tv {

namespace {

// One axis of the screen: its extent in twips and how its bytes map to twips.
struct Axis {
    float extent;
    float (*twipsOfShape)(std::uint8_t, ScreenShape);
    ScreenShape shape;

    double twipsPerStep() const { return extent / 100.0; }
    float twipsOf(std::uint8_t byte) const { return twipsOfShape(byte, shape); }
    int byteOf(double twips) const
    {
        return int(std::clamp(std::nearbyint(twips / twipsPerStep()), 0.0, 255.0));
    }
    float step(double twips) const { return twipsOf(std::uint8_t(byteOf(twips))); }
    // An edge met within a twip of a step is taken onto it: steps down the
    // screen are whole twips rounded down, so the screen's bottom less a
    // step can miss one by that much.
    float onStep(double twips) const
    {
        const float nearest = step(twips);
        return std::fabs(nearest - twips) <= 1 ? nearest : float(twips);
    }
};

Axis across(ScreenShape shape)
{
    return {frameOf(shape).widthTwips, twipsAcross, shape};
}

Axis down(ScreenShape shape)
{
    return {frameOf(shape).heightTwips, twipsDown, shape};
}

// The edge of `edges` nearest to `at`, within `reach`.
std::optional<float> nearEdge(double at, const QList<float>& edges, double reach)
{
    std::optional<float> found;
    double best = reach;
    for (float edge : edges)
        if (const double apart = std::fabs(at - edge); apart <= best) {
            best = apart;
            found = edge;
        }
    return found;
}

// Snaps one axis: `start` and `size` of the window along it.
void snapAxis(float& start, float& size, const QList<float>& edges, const Axis& axis, SnapEdit edit)
{
    // Both edges are judged where they were put. Half a step is more than the
    // snapping distance, so an end measured after the start or the size went
    // onto its step may no longer reach the edge it was put on, and lands a
    // step short of it.
    const double end = double(start) + size;
    const double reach = snapTwips(axis.shape);
    const auto byStart = nearEdge(start, edges, reach);
    const auto byEnd = nearEdge(end, edges, reach);
    if (edit == SnapEdit::Resize) {
        start = axis.step(start);
        size = byEnd && *byEnd > start ? axis.onStep(*byEnd - start)
                                       : axis.step(axis.step(end) - start);
    } else if (edit == SnapEdit::Place && byStart && byEnd && *byEnd > *byStart) {
        // Typed values reaching an edge on either side meet both.
        start = axis.onStep(*byStart);
        size = axis.onStep(*byEnd - start);
    } else {
        size = axis.step(size);
        const double startGap = byStart ? std::fabs(start - *byStart) : reach + 1;
        const double endGap = byEnd ? std::fabs(end - *byEnd) : reach + 1;
        if (byStart && startGap <= endGap)
            start = axis.onStep(*byStart);
        else if (byEnd)
            start = axis.onStep(double(*byEnd) - size);
        else
            start = axis.step(start);
    }
    // Never smaller than one step.
    size = std::max(size, axis.twipsOf(1));
}

} // namespace

double snapTwips(ScreenShape shape)
{
    return kSnapPixels * frameOf(shape).twipsPerPixel();
}

TwipsRect snappedToDisplay(const TwipsRect& rect, const QList<TwipsRect>& others, SnapEdit edit,
                           ScreenShape shape)
{
    // The screen's far edges where the file puts them.
    QList<float> acrossEdges{0, twipsAcross(100, shape)};
    QList<float> downEdges{0, twipsDown(100, shape)};
    for (const TwipsRect& other : others) {
        acrossEdges << other.Left << other.Left + other.Width;
        downEdges << other.Top << other.Top + other.Height;
    }
    TwipsRect snapped = rect;
    snapAxis(snapped.Left, snapped.Width, acrossEdges, across(shape), edit);
    snapAxis(snapped.Top, snapped.Height, downEdges, down(shape), edit);
    return snapped;
}

TwipsRect steppedWindow(const TwipsRect& rect, int dx, int dy, bool stretch, ScreenShape shape)
{
    auto axis = [stretch](float start, float size, int by, const Axis& axis) {
        int first = axis.byteOf(start);
        int count = std::max(1, axis.byteOf(size));
        if (stretch)
            count = std::clamp(count + by, 1, std::max(1, 100 - first));
        else
            first = std::clamp(first + by, 0, std::max(0, 100 - count));
        return std::pair(axis.twipsOf(std::uint8_t(first)), axis.twipsOf(std::uint8_t(count)));
    };
    const auto [left, width] = axis(rect.Left, rect.Width, dx, across(shape));
    const auto [top, height] = axis(rect.Top, rect.Height, dy, down(shape));
    return {left, top, width, height};
}

} // namespace tv
