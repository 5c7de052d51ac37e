// Writes the first frame of a clip as the video window shows it, or a
// picture as a picture window shows it: decoded and converted at the size it
// is drawn at. bench/frame_quality.sh compares it with an accurate scaling
// of the same frame.
//   frame_quality CLIP|PICTURE WIDTH HEIGHT OUT.png

#include "decode/clip_decoder.h"
#include "decode/picture_decoding.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: frame_quality CLIP WIDTH HEIGHT OUT.png\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QSize size(QByteArray(argv[2]).toInt(), QByteArray(argv[3]).toInt());
    if (path.endsWith(".jpg") || path.endsWith(".png")) {
        const tv::DecodedItem picture = tv::decodePicture(path, {size, size});
        return picture.image.save(QString::fromLocal8Bit(argv[4])) ? 0 : 1;
    }
    const std::atomic<bool> cancel{false};
    QString why;
    const auto clip = tv::ClipDecoder::open(path, cancel, &why, {});
    tv::ClipDecoder::Frame frame;
    if (!clip || clip->next({size, size}, true, &frame, &why) != tv::ClipDecoder::Step::Frame) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    return frame.image.save(QString::fromLocal8Bit(argv[4])) ? 0 : 1;
}
