#pragma once

#include <QFuture>
#include <QImage>
#include <QString>

namespace tv {

// One item as a window shows it: a picture already scaled to fit, or why it
// cannot be shown.
struct DecodedItem {
    QImage image;
    QString problem; // empty when the image is there
};

// Reads a picture and scales it to fit `fit`, keeping its aspect ratio.
DecodedItem decodePicture(const QString& path, QSize fit);

// The same, on a worker thread, so that the window has it before it is due.
QFuture<DecodedItem> decodeAhead(const QString& path, QSize fit);

} // namespace tv
