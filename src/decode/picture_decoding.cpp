#include "decode/picture_decoding.h"

#include "base/qt_message_route.h"
#include "decode/frame_reducer.h"
#include "files/media_open.h"

#include <QBuffer>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <mutex>

namespace tv {

namespace {

// A large picture takes memory for its whole size while it is decoded,
// whatever size it is drawn at (a progressive JPEG keeps every coefficient):
// such decodes take turns, so that at most one is under way at a time.
constexpr qint64 kLargePicturePixels = 16'000'000;
std::mutex largeDecodes;

// A picture keeps its transparency, premultiplied as it is drawn. One whose
// alpha channel holds only opaque pixels (as many exported PNGs do) drops it:
// its window then stays opaque, so nothing beneath it is drawn again each
// time it or a video below it changes.
QImage withoutNeedlessAlpha(QImage image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (std::any_of(line, line + image.width(),
                        [](QRgb pixel) { return qAlpha(pixel) != 255; }))
            return image;
    }
    image.convertTo(QImage::Format_RGB32);
    return image;
}

} // namespace

QSize decodeSize(QSize source, DrawnSize drawn)
{
    if (source.isEmpty())
        return {1, 1};
    QSize size = source.scaled(drawn.window.expandedTo({1, 1}), Qt::KeepAspectRatio);
    const QSize visible = drawn.visible.expandedTo({1, 1});
    if (size.width() > visible.width() || size.height() > visible.height())
        size = size.scaled(size.boundedTo(visible), Qt::KeepAspectRatio);
    if (size.width() > source.width() || size.height() > source.height())
        size = source;
    return size.expandedTo({1, 1});
}

bool isAnimatedPng(const QByteArray& bytes)
{
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (!bytes.startsWith(signature))
        return false;
    // Chunks follow the signature: a length (big-endian), a type, the data
    // and a checksum.
    qsizetype at = signature.size();
    while (at + 8 <= bytes.size()) {
        const auto byte = [&](qsizetype i) { return quint32(quint8(bytes[at + i])); };
        const quint32 length = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
        const QByteArrayView type(bytes.constData() + at + 4, 4);
        if (type == "acTL")
            return true;
        if (type == "IDAT" || type == "IEND" || length > quint32(bytes.size()))
            return false;
        at += 12 + qsizetype(length);
    }
    return false;
}

QString tooLarge(QSize size, qint64 maxPixels, int maxSide)
{
    if (qint64(size.width()) * size.height() <= maxPixels && size.width() <= maxSide &&
        size.height() <= maxSide)
        return QString();
    return QStringLiteral("too large: %1x%2").arg(size.width()).arg(size.height());
}

DecodedItem decodePicture(const QString& path, DrawnSize drawn)
{
    // The image readers' warnings (a damaged JPEG's) name no file.
    const QtMessageSubject about(path);
    const MediaHandle file = MediaHandle::open(path);
    QString why;
    QByteArray bytes = file.readAll(kMaxPictureFileBytes, &why);
    if (!why.isEmpty())
        return {QImage(), why};
    // A file written while it was read is a mix of two: never shown.
    if (!file.unchanged())
        return {QImage(), QLatin1String(kChangedSinceRead)};
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    // The header is read first: a picture too large is refused before any
    // more of it is read.
    const QSize stored = reader.size();
    if (QString why = tooLarge(stored, kMaxPicturePixels); !why.isEmpty())
        return {QImage(), why};
    if (reader.format() != "jpeg") {
        if (QString why = tooLarge(stored, kMaxWholePicturePixels); !why.isEmpty())
            return {QImage(), QStringLiteral("%1 (a %2 is shown up to %3 megapixels)")
                                  .arg(why, QString::fromLatin1(reader.format().toUpper()))
                                  .arg(kMaxWholePicturePixels >> 20)};
    }
    // The reader scales before it turns: sizes as shown are turned back.
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    if (stored.isValid()) {
        // Read at twice the size it is drawn at (a JPEG's own reduction
        // makes that cheap), and reduced the rest of the way with a real
        // filter below: the reader's reduction alone turns fine detail into
        // moiré.
        const QSize shown = turned ? stored.transposed() : stored;
        const QSize target = decodeSize(shown, drawn);
        const QSize read = shown.scaled((target * 2).boundedTo(shown), Qt::KeepAspectRatio);
        if (read != shown)
            reader.setScaledSize(turned ? read.transposed() : read);
    }
    std::unique_lock turn(largeDecodes, std::defer_lock);
    if (qint64(stored.width()) * stored.height() > kLargePicturePixels)
        turn.lock();
    QImage image = reader.read();
    if (turn.owns_lock())
        turn.unlock();
    if (image.isNull())
        return {QImage(), reader.errorString()};
    // A reader that ignores the scaled size (or a header without one) still
    // yields no more than the window shows.
    image = withoutNeedlessAlpha(std::move(image));
    const QSize wanted = decodeSize(image.size(), drawn);
    if (image.width() > wanted.width() + 1 || image.height() > wanted.height() + 1) {
        QImage reduced = FrameReducer::reduced(image, wanted);
        image = !reduced.isNull()
                    ? std::move(reduced)
                    : image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return {turnedFor(std::move(image), drawn), QString(), isAnimatedPng(bytes)};
}

QImage turnedFor(QImage image, const DrawnSize& drawn)
{
    // Quarter turns move whole pixels: nothing is filtered or lost.
    if (drawn.turns % 4 == 0 || image.isNull())
        return image;
    return image.transformed(QTransform().rotate(90.0 * (drawn.turns % 4)));
}

} // namespace tv
