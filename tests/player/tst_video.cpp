#include "player/media_backend.h"
#include "player/stage.h"
#include "player/stage_clock.h"
#include "support/mjpeg_avi.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tv;

// Video through the real media backend: a short clip made at test time.
class VideoTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void clipThenPictureWithoutBlack();
    void aClipThatFailsShowsItsPlaceholder();

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
                  QRectF(0, 0, 1920, 1080),
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
                  QRectF(0, 0, 1920, 1080),
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

QTEST_MAIN(VideoTest)
#include "tst_video.moc"
