#include "decode/decode_queue.h"
#include "decode/media_backend.h"
#include "decode/picture_decoding.h"
#include "decode/video_channel.h"
#include "stage/stage.h"
#include "stage/stage_clock.h"
#include "support/mjpeg_avi.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace tv;

// Video through the real media backend: a short clip made at test time.
class VideoTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void clipThenPictureWithoutBlack();
    void aClipThatFailsShowsItsPlaceholder();
    void onlyRegularFilesPlay_data();
    void onlyRegularFilesPlay();
    void clipsWithSoundPlayWithoutASoundDevice_data();
    void clipsWithSoundPlayWithoutASoundDevice();
    void animatedPngsPlayInTheVideoWindow();
    void threadsEndWithTheirOwners();

private:
    QColor colourAt(Stage& stage) { return stage.grab().toImage().pixelColor(100, 60); }
    QTemporaryDir media_;
};

void VideoTest::initTestCase()
{
    preferFfmpegBackend();
    QList<QImage> frames;
    for (int i = 0; i < 6; ++i) {
        QImage frame(64, 36, QImage::Format_RGB32);
        frame.fill(QColor(255, 0, 255));
        frames << frame;
    }
    QVERIFY(test::writeMjpegAvi(media_.filePath("clip.avi"), frames, 4)); // 1.5 s
    QImage picture(64, 36, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QVERIFY(picture.save(media_.filePath("after.png")));
    QFile bad(media_.filePath("bad.avi"));
    QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write(QByteArray(4096, 'x')) > 0);
}

// The clip's frames reach the video window, and from its last frame to the
// picture after it the window is never black.
void VideoTest::clipThenPictureWithoutBlack()
{
    SteadyClock clock;
    Stage stage({{WindowRole::Video,
                  0,
                  QRect(0, 0, 1920, 1080),
                  {"clip.avi", "after.png"},
                  kVideoWindowPictureMs}},
                media_.path(), clock);
    stage.resize(480, 270);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    auto magenta = [](QColor c) { return c.red() > 200 && c.green() < 90 && c.blue() > 180; };
    QTRY_VERIFY_WITH_TIMEOUT(magenta(colourAt(stage)), 10000);
    QElapsedTimer waited;
    waited.start();
    QColor shown = colourAt(stage);
    while (shown != QColor(Qt::blue) && waited.elapsed() < 15000) {
        QVERIFY2(magenta(shown), qPrintable(shown.name()));
        QTest::qWait(10);
        shown = colourAt(stage);
    }
    QCOMPARE(shown, QColor(Qt::blue));
}

void VideoTest::aClipThatFailsShowsItsPlaceholder()
{
    SteadyClock clock;
    Stage stage({{WindowRole::Video,
                  0,
                  QRect(0, 0, 1920, 1080),
                  {"bad.avi", "after.png"},
                  kVideoWindowPictureMs}},
                media_.path(), clock);
    QStringList told;
    stage.setProblemLog([&told](const QString& line) { told << line; });
    stage.resize(480, 270);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    QTRY_COMPARE_WITH_TIMEOUT(colourAt(stage), QColor(48, 48, 48), 10000);
    QCOMPARE(told.size(), 1);
    QVERIFY(told.first().startsWith("bad.avi: "));
}

void VideoTest::onlyRegularFilesPlay_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("why");
    QTest::newRow("a FIFO") << "fifo.avi"
                            << "not a regular file";
    QTest::newRow("a link to a device") << "zero.avi"
                                        << "a link, not a file";
    QTest::newRow("a link to a clip") << "link.avi"
                                      << "a link, not a file";
}

// A clip that turned into something else since the show was built is refused
// on the video thread, and said so at once: nothing waits for a writer.
void VideoTest::onlyRegularFilesPlay()
{
    QFETCH(QString, name);
    QFETCH(QString, why);
    QTemporaryDir dir;
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo.avi")).constData(), 0600), 0);
    QVERIFY(QFile::link("/dev/zero", dir.filePath("zero.avi")));
    QVERIFY(QFile::link(media_.filePath("clip.avi"), dir.filePath("link.avi")));
    VideoChannel channel({});
    QSignalSpy failed(&channel, &VideoChannel::failed);
    channel.prepare(dir.filePath(name));
    channel.play(7, dir.filePath(name), false);
    QVERIFY(failed.wait(VideoChannel::kStartTimeoutMs - 1000));
    QCOMPARE(failed.first().at(0).toULongLong(), 7ull);
    QCOMPARE(failed.first().at(1).toString(), why);
}

void VideoTest::clipsWithSoundPlayWithoutASoundDevice_data()
{
    QTest::addColumn<QStringList>("encode");
    QTest::addColumn<QString>("name");
    QTest::newRow("H.264 and AAC")
        << QStringList{"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"} << "a.mp4";
    QTest::newRow("MPEG-2 and MP2") << QStringList{"-c:v", "mpeg2video", "-c:a", "mp2"} << "b.mpg";
}

// A clip with a sound track plays to its end, and again, where no sound
// server answers (as in this test's environment).
void VideoTest::clipsWithSoundPlayWithoutASoundDevice()
{
    QFETCH(QStringList, encode);
    QFETCH(QString, name);
    const QString path = media_.filePath(name);
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", QStringList{"-v", "error", "-y", "-f", "lavfi", "-i",
                                       "color=green:s=64x36:r=10:d=0.5", "-f", "lavfi", "-i",
                                       "sine=f=440:d=0.5"} +
                               encode + QStringList{"-shortest", path});
    QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    VideoChannel channel({});
    channel.setDrawnSize({QSize(64, 36), QSize(64, 36)});
    QSignalSpy ended(&channel, &VideoChannel::ended);
    QSignalSpy failed(&channel, &VideoChannel::failed);
    int green = 0;
    connect(&channel, &VideoChannel::frameReady, this, [&] {
        const QImage image = channel.takeFrame().image;
        green += !image.isNull() && image.pixelColor(32, 18).green() > 100;
    });
    for (const quint64 ticket : {1ull, 2ull}) {
        channel.play(ticket, path, false);
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), int(ticket), 10000);
    }
    QCOMPARE(failed.size(), 0);
    QVERIFY(green >= 2);
}

// An animated PNG in the video window plays its frames, as a clip; a still
// PNG stays a picture.
void VideoTest::animatedPngsPlayInTheVideoWindow()
{
    const QString animated = media_.filePath("moving.png");
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                            "color=red:s=64x36:r=2:d=1 [a]; color=lime:s=64x36:r=2:d=1 [b]; "
                            "[a][b] concat=n=2:v=1 [out0]",
                            "-plays", "0", "-f", "apng", animated});
    QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    QFile file(animated);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(isAnimatedPng(bytes));
    QVERIFY(!isAnimatedPng(bytes.first(40))); // cut before its animation is told
    QBuffer still;
    QVERIFY(still.open(QIODevice::WriteOnly) &&
            QImage(8, 8, QImage::Format_RGB32).save(&still, "PNG"));
    QVERIFY(!isAnimatedPng(still.data()));

    SteadyClock clock;
    Stage stage(
        {{WindowRole::Video, 0, QRect(0, 0, 1920, 1080), {"moving.png"}, kVideoWindowPictureMs}},
        media_.path(), clock);
    stage.resize(480, 270);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    auto red = [](QColor c) { return c.red() > 200 && c.green() < 80; };
    auto green = [](QColor c) { return c.green() > 200 && c.red() < 80; };
    QTRY_VERIFY_WITH_TIMEOUT(red(colourAt(stage)), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(green(colourAt(stage)), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(red(colourAt(stage)), 10000); // and round again
}

namespace {

// The threads the process has, as the kernel counts them.
int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task"))
                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}

} // namespace

// A channel and a queue own the threads they start: while they play, their
// threads run; once they are gone, so is every one of them, even one that was
// decoding, with none left to the process.
void VideoTest::threadsEndWithTheirOwners()
{
    const int before = threadCount();
    {
        DecodeSettings silent;
        silent.volume = 0;
        VideoChannel channel(silent);
        DecodeQueue queue;
        QObject receiver;
        int delivered = 0;
        const auto lane =
            queue.openLane(&receiver, [&](quint64, const DecodedItem&) { ++delivered; });
        queue.request(lane, 1, media_.filePath("after.png"), {QSize(64, 36), QSize(64, 36)}, 0);
        QSignalSpy ready(&channel, &VideoChannel::frameReady);
        channel.setDrawnSize({QSize(64, 36), QSize(64, 36)});
        channel.play(1, media_.filePath("clip.avi"), true);
        QVERIFY(ready.wait());
        QTRY_COMPARE(delivered, 1);
        QVERIFY(threadCount() >= before + 3); // the channel's and two workers
        queue.close(lane);
    }
    QCOMPARE(threadCount(), before);
}

QTEST_MAIN(VideoTest)
#include "tst_video.moc"
