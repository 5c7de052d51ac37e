#pragma once

#include <QRect>

namespace tv {

// Every place on the forms is given in twips; the screen shows 15 twips per pixel.
inline constexpr int kTwipsPerPixel = 15;

// The canvas stands for the whole 1920 x 1080 target screen.
inline constexpr float kCanvasWidthTwips = 7200.0f;
inline constexpr float kCanvasHeightTwips = 4050.0f;

// A rectangle in twips as the canvas controls hold it: single precision, may be
// negative or reach beyond its container.
struct TwipsRect {
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;

    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

// Nearest pixel, halves away from zero, so that a place and its mirror image
// land symmetrically.
int twipsToPixels(double twips);
double pixelsToTwips(int pixels);

// Pixel rectangle of a control placed at the given twips; each of the four
// values is converted on its own, as the form designer lays controls out.
QRect twipsToPixels(const TwipsRect& rect);

// Left (or Top) that centres a window of the given outer extent on a screen of
// the given extent. Both in twips; an odd difference gives a half twip, and a
// window larger than the screen gets a negative origin.
double centredOrigin(double screenExtent, double windowExtent);

} // namespace tv
