#include "editor/model/drag_rules.h"

#include <algorithm>

namespace tv {

CanvasFrame canvasFrameOf(ScreenShape shape)
{
    CanvasFrame frame;
    const ScreenFrame screen = frameOf(shape);
    const float area = frame.width;
    frame.width = screen.widthTwips;
    frame.height = screen.heightTwips;
    frame.left += float(kTwipsPerPixel * qRound((area - frame.width) / 2 / kTwipsPerPixel));
    return frame;
}

namespace {

// Every sum is formed in double precision and compared as single precision.
float single(double value)
{
    return static_cast<float>(value);
}

float movedEdge(DragReceiver receiver, float wanted, float extent, float limit, float gap)
{
    if (wanted < 0)
        return 0;
    if (receiver == DragReceiver::FormBackground) {
        if (wanted <= single(double(limit) - extent))
            return wanted;
        return single(double(limit) - extent);
    }
    if (single(double(wanted) + extent) <= limit)
        return wanted;
    return single(double(limit) - extent - gap);
}

float resizedSide(DragReceiver receiver, float pointer, float start, float limit)
{
    switch (receiver) {
    case DragReceiver::Canvas: {
        float edge = std::min(pointer, limit);
        edge = std::max(edge, single(double(start) + kSmallestSide));
        return single(double(edge) - start);
    }
    case DragReceiver::Body:
        return std::max(single(double(pointer) - start), kSmallestSide);
    case DragReceiver::FormBackground:
        if (pointer > limit)
            return single(double(limit) - start);
        if (pointer >= single(double(start) + kSmallestSide))
            return single(double(pointer) - start);
        return kSmallestSide;
    }
    return kSmallestSide;
}

} // namespace

QPointF canvasPointer(DragReceiver receiver, float x, float y, QPointF origin,
                      const CanvasFrame& canvas)
{
    switch (receiver) {
    case DragReceiver::Canvas:
        return {x, y};
    case DragReceiver::Body:
        return {single(origin.x() + x), single(origin.y() + y)};
    case DragReceiver::FormBackground:
        return {single(double(x) - canvas.left), single(double(y) - canvas.top)};
    }
    return {x, y};
}

TwipsRect movedWindow(DragReceiver receiver, const TwipsRect& body, QPointF pointer,
                      QPointF grabOffset, const CanvasFrame& canvas)
{
    const float newTop = single(pointer.y() - grabOffset.y());
    const float newLeft = single(pointer.x() - grabOffset.x());
    TwipsRect moved = body;
    moved.Top = movedEdge(receiver, newTop, body.Height, canvas.height, 0);
    moved.Left = movedEdge(receiver, newLeft, body.Width, canvas.width, kRightEdgeGap);
    return moved;
}

TwipsRect resizedWindow(DragReceiver receiver, const TwipsRect& body, QPointF pointer,
                        const CanvasFrame& canvas)
{
    TwipsRect resized = body;
    resized.Height = resizedSide(receiver, single(pointer.y()), body.Top, canvas.height);
    resized.Width = resizedSide(receiver, single(pointer.x()), body.Left, canvas.width);
    return resized;
}

TwipsRect nudgedWindow(const TwipsRect& body, float dx, float dy, const CanvasFrame& canvas)
{
    const QPointF wanted(double(body.Left) + dx, double(body.Top) + dy);
    TwipsRect moved = movedWindow(DragReceiver::Canvas, body, wanted, QPointF(), canvas);
    if ((dx > 0 && moved.Left < body.Left) || (dx < 0 && moved.Left > body.Left))
        moved.Left = body.Left;
    if ((dy > 0 && moved.Top < body.Top) || (dy < 0 && moved.Top > body.Top))
        moved.Top = body.Top;
    return moved;
}

TwipsRect stretchedWindow(const TwipsRect& body, float dw, float dh)
{
    TwipsRect stretched = body;
    stretched.Width = std::max(single(double(body.Width) + dw), kSmallestSide);
    stretched.Height = std::max(single(double(body.Height) + dh), kSmallestSide);
    // A side already below the smallest is not made larger by a key that
    // shrinks it.
    if (dw < 0 && stretched.Width > body.Width)
        stretched.Width = body.Width;
    if (dh < 0 && stretched.Height > body.Height)
        stretched.Height = body.Height;
    return stretched;
}

} // namespace tv
