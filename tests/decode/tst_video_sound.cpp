#include "decode/video_channel.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace tv;

// Clips with sound through a real sound server: a PulseAudio of the test's
// own, playing into a null sink whose monitor the test records. Any display
// with HDMI sound has such a server, and the clock of its sound is the one
// the frames keep to.
class VideoSoundTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void playsAtItsSpeedWithItsSound_data();
    void playsAtItsSpeedWithItsSound();
    void closesCleanlyWhilePlaying();

private:
    QTemporaryDir dir_;
    QProcess server_;
    QString socket_;
};

void VideoSoundTest::initTestCase()
{
    if (QStandardPaths::findExecutable("pulseaudio").isEmpty())
        QSKIP("no PulseAudio here");
    socket_ = dir_.filePath("native");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", dir_.path());
    environment.insert("HOME", dir_.path());
    server_.setProcessEnvironment(environment);
    server_.start("pulseaudio",
                  {"--daemonize=no", "--exit-idle-time=-1", "-n", "--use-pid-file=no",
                   "--disable-shm", "--log-target=stderr", "-L", "module-null-sink sink_name=heard",
                   "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket_});
    QVERIFY(server_.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket_), 10000);
    qputenv("PULSE_SERVER", ("unix:" + socket_).toUtf8());
    qputenv("PULSE_SINK", "heard");
}

void VideoSoundTest::cleanupTestCase()
{
    server_.terminate();
    server_.waitForFinished(5000);
}

void VideoSoundTest::playsAtItsSpeedWithItsSound_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("encode");
    QTest::addColumn<int>("frames"); // shown at least
    const QStringList x264{"-c:v", "libx264", "-preset", "ultrafast", "-g", "1000"};
    QTest::newRow("MPEG-1 program stream")
        << "a.mpg" << QStringList{"-c:v", "mpeg1video", "-c:a", "mp2", "-f", "mpeg"} << 60;
    QTest::newRow("MPEG-2 program stream")
        << "b.mpg" << QStringList{"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "vob"} << 60;
    QTest::newRow("DVD's VOB with AC-3")
        << "c.vob" << QStringList{"-c:v", "mpeg2video", "-c:a", "ac3", "-f", "vob"} << 60;
    QTest::newRow("H.264 TS cut after its key frame")
        << "d.ts" << x264 + QStringList{"-c:a", "aac", "-f", "mpegts", "-ss", "0.5"} << 60;
    QTest::newRow("MP4") << "e.mp4" << x264 + QStringList{"-c:a", "aac"} << 60;
    // One picture, then sound alone, paced by the sound.
    QTest::newRow("a song with its cover")
        << "f.mp3" << QStringList{"-frames:v", "1",     "-c:a",           "libmp3lame",
                                  "-c:v",      "mjpeg", "-disposition:v", "attached_pic"}
        << 1;
    QTest::newRow("sound alone") << "g.m4a" << QStringList{"-map", "1:a", "-c:a", "aac"} << 1;
}

// Three seconds of clip take three seconds, show their frames and are heard
// from start to end.
void VideoSoundTest::playsAtItsSpeedWithItsSound()
{
    QFETCH(QString, name);
    QFETCH(QStringList, encode);
    QFETCH(int, frames);
    const QString path = dir_.filePath(name);
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", QStringList{"-v", "error", "-y", "-f", "lavfi", "-i",
                                       "testsrc2=s=160x90:r=25:d=3.5", "-f", "lavfi", "-i",
                                       "sine=f=440:d=3.5"} +
                               encode + QStringList{"-t", "3", path});
    QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);

    // What the sink is given, as 16-bit mono samples at 8 kHz.
    QProcess heard;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    heard.setProcessEnvironment(environment);
    heard.start("parec", {"--device=heard.monitor", "--format=s16le", "--rate=8000", "--channels=1",
                          "--latency-msec=20"});
    QVERIFY(heard.waitForStarted());

    VideoChannel channel({});
    channel.setDrawnSize({QSize(160, 90), QSize(160, 90)});
    QSignalSpy ended(&channel, &VideoChannel::ended);
    QSignalSpy failed(&channel, &VideoChannel::failed);
    int shown = 0;
    QElapsedTimer clock;
    qint64 secondFrameMs = -1;
    connect(&channel, &VideoChannel::frameReady, this, [&] {
        if (!channel.takeFrame().image.isNull() && shown++ == 1)
            secondFrameMs = clock.elapsed();
    });
    clock.start();
    channel.play(1, path, false);
    QVERIFY(ended.wait(15000));
    // The first frame shows at once and the rest wait for the sound to be
    // heard, which a sound server may take a while to start; a song with its
    // cover shows only that, and takes as long as its sound with the start.
    const double played = secondFrameMs >= 0 ? (clock.elapsed() - secondFrameMs) / 1000.0 + 0.04
                                             : clock.elapsed() / 1000.0;
    const double longest = secondFrameMs >= 0 ? 3.4 : 3.4 + 3;
    QTest::qWait(400); // the last of the sound leaves the sink
    heard.terminate();
    QVERIFY(heard.waitForFinished(5000));
    QCOMPARE(failed.size(), 0);

    const QByteArray samples = heard.readAllStandardOutput();
    const auto* sample = reinterpret_cast<const qint16*>(samples.constData());
    int loud = 0; // 10-ms pieces with the tone in them
    for (qsizetype at = 0; at + 80 <= samples.size() / 2; at += 80) {
        int peak = 0;
        for (int i = 0; i < 80; ++i)
            peak = std::max(peak, std::abs(int(sample[at + i])));
        loud += peak > 1000;
    }
    qInfo("%s: %.2f s, %d frames, heard %.2f s", qPrintable(name), played, shown, loud / 100.0);
    QVERIFY2(played > 2.6 && played < longest, qPrintable(QStringLiteral("%1 s").arg(played)));
    QVERIFY2(shown >= frames, qPrintable(QStringLiteral("%1 frames").arg(shown)));
    QVERIFY2(loud >= 270, qPrintable(QStringLiteral("sound heard for %1 s").arg(loud / 100.0)));
}

// A channel closed at any moment of a clip with sound, frames and sound still
// on their way, leaves nothing behind that calls into it (the sanitizer build
// catches a call into a half-destroyed channel).
void VideoSoundTest::closesCleanlyWhilePlaying()
{
    const QString path = dir_.filePath("closing.mp4");
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=160x90:r=25:d=2",
                            "-f", "lavfi", "-i", "sine=d=2", "-c:v", "libx264", "-preset",
                            "ultrafast", "-c:a", "aac", path});
    QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    for (int round = 0; round < 50; ++round) {
        auto channel = std::make_unique<VideoChannel>(DecodeSettings{});
        channel->setDrawnSize({QSize(160, 90), QSize(160, 90)});
        QSignalSpy ready(channel.get(), &VideoChannel::frameReady);
        channel->play(1, path, true);
        // Closed before its first frame, after it (its sound starting), or,
        // every tenth round, a few frames on.
        const int frames = round % 10 == 9 ? 3 : round % 2;
        for (int shown = 0; shown < frames; ++shown) {
            QVERIFY(ready.wait(5000));
            channel->takeFrame();
        }
        channel.reset();
        QCoreApplication::processEvents();
    }
}

QTEST_MAIN(VideoSoundTest)
#include "tst_video_sound.moc"
