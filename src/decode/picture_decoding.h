#pragma once

#include <QImage>
#include <QString>

namespace tv {

// One item as a window shows it: a picture already scaled to fit, or why it
// cannot be shown.
struct DecodedItem {
    QImage image;
    QString problem; // empty when the image is there
    // An animated PNG: the image is its first frame, and a video window
    // plays the rest as a clip.
    bool animated = false;
};

// Whether the bytes of a PNG file hold an animation (an acTL chunk before
// the first image data), as an animated PNG is told from a still one.
bool isAnimatedPng(const QByteArray& bytes);

// How a window is drawn on the screen, in the screen's device pixels (twice
// its size in widget pixels on a screen scaled to 200 %): its whole size, and
// the part of it that lies on the screen (a window may reach past the
// screen's edges).
// Both are as the viewer sees them; on a panel mounted turned, what is
// decoded for the window is turned by `turns` quarter turns clockwise at the
// end, so that it lands on the panel's pixels as it is drawn.
struct DrawnSize {
    QSize window;
    QSize visible;
    int turns = 0;
    friend bool operator==(const DrawnSize&, const DrawnSize&) = default;
};

// An image decoded upright, turned for the panel it is drawn on.
QImage turnedFor(QImage image, const DrawnSize& drawn);

// The size to decode a picture of `source` pixels at, for a window drawn at
// `drawn`: as it fits the window keeping its aspect ratio, never larger than
// the window's visible part, never larger than the picture itself, and never
// empty.
QSize decodeSize(QSize source, DrawnSize drawn);

// The largest picture file read; anything larger gets its placeholder.
inline constexpr qint64 kMaxPictureFileBytes = qint64(256) << 20;
// The most pixels a picture may have, as its header tells: a 50-megapixel
// camera's photos are shown, while a picture a display cannot use (a huge
// scan, a crafted file) gets its placeholder before it is decoded, so that
// no decode takes a core or hundreds of megabytes for long.
inline constexpr qint64 kMaxPicturePixels = 50'000'000;
// A picture other than a JPEG is decoded whole before it is reduced: 35 ms
// a megapixel for a photograph in PNG on a display's core, so that one of
// 49 megapixels takes 1.7 s and ten of them hold every window up. Such
// pictures are shown up to 4096 x 4096 pixels (0.6 s at most); a JPEG is
// reduced while it is decoded, and shown up to kMaxPicturePixels.
inline constexpr qint64 kMaxWholePicturePixels = 4096 * 4096;
// The largest video frame played, as pixels and as either side: a 4K clip
// turned either way; larger clips get their placeholder.
inline constexpr qint64 kMaxVideoPixels = 4096 * 2304;
inline constexpr int kMaxVideoSide = 4096;
// Why a picture or frame of `size` is too large to show; empty when it is not.
QString tooLarge(QSize size, qint64 maxPixels, int maxSide = 1 << 30);

// Reads a picture straight to the size it is drawn at. The file is opened
// without waiting and read only when it is a regular file. A picture with
// transparent pixels comes as premultiplied ARGB32, any other as RGB32.
DecodedItem decodePicture(const QString& path, DrawnSize drawn);

} // namespace tv
