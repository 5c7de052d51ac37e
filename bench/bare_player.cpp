// The baseline of the reference show: a bare QMediaPlayer and QVideoWidget
// playing one clip in a loop, full screen (or at 960 x 540 with --window).
#include "player/media_backend.h"

#include <QApplication>
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>
#include <QVideoWidget>

int main(int argc, char* argv[])
{
    tv::preferFfmpegBackend();
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2)
        return 2;
    QVideoWidget video;
    QMediaPlayer player;
    QAudioOutput audio;
    player.setAudioOutput(&audio);
    player.setVideoOutput(&video);
    player.setSource(QUrl::fromLocalFile(arguments.at(1)));
    // Looping by hand: the loop count alone does not always restart a clip.
    QObject::connect(&player, &QMediaPlayer::mediaStatusChanged, &player,
                     [&player](QMediaPlayer::MediaStatus status) {
                         if (status == QMediaPlayer::EndOfMedia) {
                             player.setPosition(0);
                             player.play();
                         }
                     });
    if (arguments.contains(QStringLiteral("--window"))) {
        video.resize(960, 540);
        video.show();
    } else {
        video.showFullScreen();
    }
    player.play();
    return QApplication::exec();
}
