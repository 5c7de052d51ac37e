// Writes the reference show into a folder: ten picture windows, each cycling
// its own pictures every 5 s, over a video window filling the screen. The
// pictures and the clip are made beforehand (bench/reference_show.sh makes
// them with ffmpeg); this writes show.TXT, which names them.
//   make_reference_show FOLDER CLIP PICTURES_PER_WINDOW (-1: no picture windows)
#include "layout/layout_writer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_reference_show FOLDER CLIP PICTURES_PER_WINDOW\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString clip = QString::fromLocal8Bit(argv[2]);
    const int perWindow = QByteArray(argv[3]).toInt();

    tv::LayoutDescription layout;
    layout.video = tv::LayoutWindow{{0, 0, 7200, 4050}, {clip}, {}, 1};
    // Five windows down the right edge, five along the bottom; none for a
    // count below 0 (the clip alone).
    for (int k = 0; k < 10 && perWindow >= 0; ++k) {
        const tv::TwipsRect rect = k < 5 ? tv::TwipsRect{5760, float(k * 648), 1440, 648}
                                         : tv::TwipsRect{float((k - 5) * 1152), 3402, 1152, 648};
        // A file counts at most 255 names from one empty playlist to the
        // next: longer lists go to every other slot, the ones between empty.
        const int count = perWindow <= 25 ? perWindow : k % 2 ? std::min(perWindow, 255) : 0;
        QStringList names;
        for (int n = 0; n < count; ++n)
            names << QStringLiteral("pic%1.jpg").arg((k * 3 + n) % 3 + 1);
        layout.pictures << tv::LayoutWindow{rect, names, {}, k + 2};
        layout.switchTimes[std::size_t(k)] = 5;
    }
    const auto encoded = tv::encodeLayout(layout);
    if (const auto* refusal = std::get_if<tv::SaveRefusal>(&encoded)) {
        std::fprintf(stderr, "%s\n", qPrintable(refusal->message));
        return 1;
    }
    QFile file(folder.filePath(QStringLiteral("show.TXT")));
    const QByteArray& bytes = std::get<QByteArray>(encoded);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? 0 : 1;
}
