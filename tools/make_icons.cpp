// Writes the program's icon for the desktop's icon theme: the same drawing
// the windows show, as SVG and as 48, 128 and 256 pixel PNGs.
#include "editor/editor_icon.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    QFile svg(out.filePath(QStringLiteral("tessellview.svg")));
    const QByteArray vector = tv::editorIconSvg();
    if (!svg.open(QIODevice::WriteOnly) || svg.write(vector) != vector.size())
        return 1;
    for (int size : {48, 128, 256})
        if (!tv::editorIconPixmap(size).save(
                out.filePath(QStringLiteral("tessellview-%1.png").arg(size))))
            return 1;
    return 0;
}
