#include "editor/editor_icon.h"

#include <QPainter>
#include <QPixmap>

namespace tv {

namespace {

// The icon on a 16 x 16 grid: a screen on its stand, divided into one large
// video window and three picture windows, as a layout tiles them.
struct IconPart {
    QRectF place;
    QColor colour;
};

const QColor kScreen(40, 44, 52);
const QColor kVideo(220, 60, 50);
const QColor kPicture(250, 200, 60);

const IconPart kParts[] = {{{0.5, 2, 15, 11}, kScreen},   {{1.5, 3, 8.5, 9}, kVideo},
                           {{11, 3, 3.5, 2.5}, kPicture}, {{11, 6, 3.5, 2.5}, kPicture},
                           {{11, 9, 3.5, 2.5}, kPicture}, {{6, 13, 4, 1}, kScreen},
                           {{4, 14, 8, 1}, kScreen}};

} // namespace

QPixmap editorIconPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const qreal unit = size / 16.0;
    for (const IconPart& part : kParts)
        painter.fillRect(QRectF(part.place.topLeft() * unit, part.place.size() * unit),
                         part.colour);
    return pixmap;
}

QByteArray editorIconSvg()
{
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
                     "viewBox=\"0 0 16 16\">\n";
    for (const IconPart& part : kParts)
        svg +=
            QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
                .arg(part.place.x())
                .arg(part.place.y())
                .arg(part.place.width())
                .arg(part.place.height())
                .arg(part.colour.name())
                .toUtf8();
    return svg + "</svg>\n";
}

QIcon editorIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(editorIconPixmap(size));
    return icon;
}

} // namespace tv
