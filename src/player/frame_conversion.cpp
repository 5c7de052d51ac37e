#include "player/frame_conversion.h"

#include <QVideoFrame>

#include <algorithm>
#include <vector>

namespace tv {

namespace {

// Fixed-point YCbCr to RGB, 16 fractional bits.
struct YuvMatrix {
    int yScale, yOffset, crToR, cbToG, crToG, cbToB;
};

YuvMatrix matrixFor(const QVideoFrameFormat& format)
{
    const bool full = format.colorRange() == QVideoFrameFormat::ColorRange_Full;
    const bool bt709 = format.colorSpace() == QVideoFrameFormat::ColorSpace_BT709 ||
                       (format.colorSpace() == QVideoFrameFormat::ColorSpace_Undefined &&
                        format.frameHeight() >= 720);
    // Chroma factors for limited range scale by 255/224; luma by 255/219.
    const double c = full ? 1.0 : 255.0 / 224.0;
    const double kr = bt709 ? 0.2126 : 0.299;
    const double kb = bt709 ? 0.0722 : 0.114;
    const double kg = 1 - kr - kb;
    auto fixed = [](double v) { return int(v * 65536 + (v < 0 ? -0.5 : 0.5)); };
    return {fixed(full ? 1.0 : 255.0 / 219.0),
            full ? 0 : 16,
            fixed(c * 2 * (1 - kr)),
            fixed(-c * 2 * (1 - kb) * kb / kg),
            fixed(-c * 2 * (1 - kr) * kr / kg),
            fixed(c * 2 * (1 - kb))};
}

inline uint clampByte(int v)
{
    return uint(std::clamp(v >> 16, 0, 255));
}

// Where each target column or row samples the source: its centre.
std::vector<int> samples(int target, int source)
{
    std::vector<int> at(static_cast<std::size_t>(target));
    for (int i = 0; i < target; ++i)
        at[std::size_t(i)] = int((qint64(2 * i + 1) * source) / (2 * qint64(target)));
    return at;
}

// Planar or semi-planar 4:2:0: luma plane 0, chroma in planes 1 and 2 (or
// interleaved in plane 1).
QImage fromYuv420(const QVideoFrame& frame, QSize target, bool interleaved, bool swapChroma)
{
    const YuvMatrix m = matrixFor(frame.surfaceFormat());
    const int width = frame.width();
    const int height = frame.height();
    const std::vector<int> xs = samples(target.width(), width);
    const std::vector<int> ys = samples(target.height(), height);
    QImage image(target, QImage::Format_RGB32);
    const uchar* yPlane = frame.bits(0);
    const int yStride = frame.bytesPerLine(0);
    const uchar* uPlane = frame.bits(1);
    const int uStride = frame.bytesPerLine(1);
    const uchar* vPlane = interleaved ? uPlane + 1 : frame.bits(2);
    const int vStride = interleaved ? uStride : frame.bytesPerLine(2);
    if (swapChroma)
        std::swap(uPlane, vPlane);
    const int step = interleaved ? 2 : 1;
    for (int row = 0; row < target.height(); ++row) {
        const int sy = ys[std::size_t(row)];
        const uchar* yLine = yPlane + qsizetype(sy) * yStride;
        const uchar* uLine = uPlane + qsizetype(sy / 2) * uStride;
        const uchar* vLine = vPlane + qsizetype(sy / 2) * vStride;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int col = 0; col < target.width(); ++col) {
            const int sx = xs[std::size_t(col)];
            const int y = (yLine[sx] - m.yOffset) * m.yScale;
            const int u = uLine[(sx / 2) * step] - 128;
            const int v = vLine[(sx / 2) * step] - 128;
            out[col] = 0xff000000u | clampByte(y + m.crToR * v) << 16 |
                       clampByte(y + m.cbToG * u + m.crToG * v) << 8 | clampByte(y + m.cbToB * u);
        }
    }
    return image;
}

// Packed 32-bit RGB: each target pixel copies its source pixel, reordered.
QImage fromPacked(const QVideoFrame& frame, QSize target, int r, int g, int b)
{
    const std::vector<int> xs = samples(target.width(), frame.width());
    const std::vector<int> ys = samples(target.height(), frame.height());
    QImage image(target, QImage::Format_RGB32);
    for (int row = 0; row < target.height(); ++row) {
        const uchar* line = frame.bits(0) + qsizetype(ys[std::size_t(row)]) * frame.bytesPerLine(0);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int col = 0; col < target.width(); ++col) {
            const uchar* p = line + 4 * xs[std::size_t(col)];
            out[col] = qRgb(p[r], p[g], p[b]);
        }
    }
    return image;
}

} // namespace

QImage frameToImage(const QVideoFrame& source, QSize target)
{
    if (!source.isValid() || target.isEmpty())
        return {};
    QVideoFrame frame(source);
    if (!frame.map(QVideoFrame::ReadOnly))
        return {};
    QImage image;
    switch (frame.pixelFormat()) {
    case QVideoFrameFormat::Format_YUV420P:
        image = fromYuv420(frame, target, false, false);
        break;
    case QVideoFrameFormat::Format_YV12:
        image = fromYuv420(frame, target, false, true);
        break;
    case QVideoFrameFormat::Format_NV12:
        image = fromYuv420(frame, target, true, false);
        break;
    case QVideoFrameFormat::Format_NV21:
        image = fromYuv420(frame, target, true, true);
        break;
    // Byte order in memory, little-endian.
    case QVideoFrameFormat::Format_ARGB8888:
    case QVideoFrameFormat::Format_ARGB8888_Premultiplied:
    case QVideoFrameFormat::Format_XRGB8888:
        image = fromPacked(frame, target, 1, 2, 3);
        break;
    case QVideoFrameFormat::Format_BGRA8888:
    case QVideoFrameFormat::Format_BGRA8888_Premultiplied:
    case QVideoFrameFormat::Format_BGRX8888:
        image = fromPacked(frame, target, 2, 1, 0);
        break;
    case QVideoFrameFormat::Format_RGBA8888:
    case QVideoFrameFormat::Format_RGBX8888:
        image = fromPacked(frame, target, 0, 1, 2);
        break;
    case QVideoFrameFormat::Format_ABGR8888:
    case QVideoFrameFormat::Format_XBGR8888:
        image = fromPacked(frame, target, 3, 2, 1);
        break;
    default:
        frame.unmap();
        image = frame.toImage();
        return image.isNull() ? image
                              : image.scaled(target, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                                    .convertToFormat(QImage::Format_RGB32);
    }
    frame.unmap();
    return image;
}

} // namespace tv
