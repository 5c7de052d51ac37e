#include "editor/editor_icon.h"

#include <QPainter>
#include <QPixmap>

namespace tv {

namespace {

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const qreal unit = size / 16.0;
    const QRectF screen(0.5 * unit, 2 * unit, 15 * unit, 11 * unit);
    painter.fillRect(screen, QColor(40, 44, 52));

    // One large video window and three picture windows, as a layout tiles them.
    const QRectF video(1.5 * unit, 3 * unit, 8.5 * unit, 9 * unit);
    painter.fillRect(video, QColor(220, 60, 50));
    const QColor picture(250, 200, 60);
    for (int row = 0; row < 3; ++row)
        painter.fillRect(QRectF(11 * unit, (3 + 3 * row) * unit, 3.5 * unit, 2.5 * unit), picture);

    painter.fillRect(QRectF(6 * unit, 13 * unit, 4 * unit, 1 * unit), QColor(40, 44, 52));
    painter.fillRect(QRectF(4 * unit, 14 * unit, 8 * unit, 1 * unit), QColor(40, 44, 52));
    return pixmap;
}

} // namespace

QIcon editorIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(drawIcon(size));
    return icon;
}

} // namespace tv
