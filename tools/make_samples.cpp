// Makes the demo media folder and the demo layout in samples/: four pictures,
// one short clip and demo.TXT, which uses them. Run by `make samples`.
#include "layout/layout_writer.h"
#include "support/mjpeg_avi.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>

#include <cstdio>

namespace {

QImage poster(const QString& title, const QColor& from, const QColor& to, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(size.height() / 6);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, title);
    return image;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("samples"));
    if (!out.exists() && !QDir().mkpath(out.path()))
        return 1;

    const struct {
        const char* name;
        const char* title;
        QColor from, to;
    } pictures[] = {{"welcome.jpg", "Welcome", QColor(20, 60, 140), QColor(60, 160, 220)},
                    {"menu.jpg", "Today's menu", QColor(140, 40, 30), QColor(230, 140, 50)},
                    {"offer.jpg", "Offer of the week", QColor(30, 110, 60), QColor(140, 200, 80)},
                    {"hours.jpg", "Open 8 - 20", QColor(70, 40, 120), QColor(180, 110, 200)}};
    for (const auto& picture : pictures)
        if (!poster(QString::fromLatin1(picture.title), picture.from, picture.to, {640, 360})
                 .save(out.filePath(QString::fromLatin1(picture.name)), "JPG", 80))
            return 1;

    // Three seconds of a bar crossing the screen, at 12 frames a second.
    QList<QImage> frames;
    for (int n = 0; n < 36; ++n) {
        QImage frame =
            poster(QStringLiteral("Clip"), QColor(10, 10, 30), QColor(40, 40, 90), {320, 180});
        QPainter painter(&frame);
        painter.fillRect(QRect(n * 9, 150, 40, 12), QColor(250, 200, 60));
        frames << frame;
    }
    if (!tv::test::writeMjpegAvi(out.filePath(QStringLiteral("clip.avi")), frames, 12))
        return 1;

    // The video window on the left, three picture windows on the right.
    tv::LayoutDescription layout;
    layout.video = tv::LayoutWindow{{0, 0, 4320, 4050}, {"clip.avi", "welcome.jpg"}, {}, 1};
    layout.pictures << tv::LayoutWindow{{4320, 0, 2880, 1377}, {"menu.jpg", "offer.jpg"}, {}, 2}
                    << tv::LayoutWindow{{4320, 1377, 2880, 1377}, {"offer.jpg", "hours.jpg"}, {}, 3}
                    << tv::LayoutWindow{{4320, 2754, 2880, 1296},
                                        {"hours.jpg", "welcome.jpg", "menu.jpg"},
                                        {},
                                        4};
    layout.switchTimes = {5, 8, 12};
    const auto encoded = tv::encodeLayout(layout);
    if (!std::holds_alternative<QByteArray>(encoded))
        return 1;
    QFile file(out.filePath(QStringLiteral("demo.TXT")));
    const QByteArray bytes = std::get<QByteArray>(encoded);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return 1;
    std::printf("samples written to %s\n", qPrintable(out.path()));
    return 0;
}
