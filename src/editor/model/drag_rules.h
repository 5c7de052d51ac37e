#pragma once

#include "base/twips.h"
#include "layout/screen_shape.h"

#include <QPointF>

namespace tv {

// The control under the pointer that takes part in a drag.
enum class DragReceiver { Canvas, Body, FormBackground };

// The canvas's extent and its place in the form, in twips.
struct CanvasFrame {
    float width = kCanvasWidthTwips;
    float height = kCanvasHeightTwips;
    float left = 90;
    float top = 1800;
};

// The canvas of a layout for a screen of `shape`: a landscape one fills the
// canvas area; a portrait one is as tall, and stands in the middle of the
// area on a whole pixel.
CanvasFrame canvasFrameOf(ScreenShape shape);

inline constexpr float kRightEdgeGap = 30;
inline constexpr float kSmallestSide = 50;

// The pointer in canvas twips, from its place (x, y) in the receiving
// control's own coordinates; `origin` is the top-left of the body that
// receives it (unused for the canvas and the form).
QPointF canvasPointer(DragReceiver receiver, float x, float y, QPointF origin,
                      const CanvasFrame& canvas);

// Where a moved window's top-left goes: the pointer minus the grab offset,
// stopped at the canvas edges. Over the canvas or a body, a window pushed past
// the right edge stops 30 twips short of it; over the form it stops flush.
TwipsRect movedWindow(DragReceiver receiver, const TwipsRect& body, QPointF pointer,
                      QPointF grabOffset, const CanvasFrame& canvas);

// Where a resized window's bottom-right corner goes: at the pointer, at least
// 50 x 50 twips; over the canvas no further than its right and bottom edges;
// over the form's background beyond those edges, exactly at them.
TwipsRect resizedWindow(DragReceiver receiver, const TwipsRect& body, QPointF pointer,
                        const CanvasFrame& canvas);

// A window moved by (dx, dy) twips from the keyboard: stopped at the canvas
// edges as a drag over the canvas stops it, but never sent back against the
// direction of the key.
TwipsRect nudgedWindow(const TwipsRect& body, float dx, float dy, const CanvasFrame& canvas);

// A window made wider or taller by (dw, dh) twips from the keyboard, never
// smaller than a drag can make it.
TwipsRect stretchedWindow(const TwipsRect& body, float dw, float dh);

} // namespace tv
