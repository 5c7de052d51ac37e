#include "player/picture_decoding.h"

#include <QImageReader>
#include <QtConcurrent/QtConcurrentRun>

namespace tv {

DecodedItem decodePicture(const QString& path, QSize fit)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        return {QImage(), reader.errorString()};
    if (!fit.isEmpty() && image.size() != image.size().scaled(fit, Qt::KeepAspectRatio))
        image = image.scaled(fit, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return {image.convertToFormat(QImage::Format_RGB32), QString()};
}

QFuture<DecodedItem> decodeAhead(const QString& path, QSize fit)
{
    return QtConcurrent::run(decodePicture, path, fit);
}

} // namespace tv
