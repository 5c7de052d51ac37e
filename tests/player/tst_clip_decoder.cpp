#include "player/clip_decoder.h"
#include "player/hardware_decoding.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>

#include <unistd.h>

using namespace tv;

// Clips as displays get them, made by ffmpeg at tiny sizes and decoded the
// way the video window decodes them: the colours, the way up and the shape
// on the screen must be what the clip shows.
class ClipDecoderTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { quietenFfmpegLog(); }
    void playsAsItShows_data();
    void playsAsItShows();
    void refusesWhatItCannotPlay_data();
    void refusesWhatItCannotPlay();
    void soundComesWholeEveryLoop();

private:
    // Runs ffmpeg; a clip of two halves, red then blue, `seconds` long at
    // ten frames a second, and `width` x 36 in all, when no input is given.
    bool make(const QString& path, QStringList output, int width = 64, QString input = {});
    QTemporaryDir dir_;
};

namespace {

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 70;
}

// What is written to the standard error stream while `work` runs.
template <typename Work> QByteArray saidDuring(Work work)
{
    QTemporaryFile said;
    if (!said.open())
        return "cannot catch the log";
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(said.handle(), 2);
    work();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    said.seek(0);
    return said.readAll();
}

} // namespace

bool ClipDecoderTest::make(const QString& path, QStringList output, int width, QString input)
{
    if (input.isEmpty())
        input = QStringLiteral("color=red:s=%1x36:r=10:d=0.4 [l]; color=blue:s=%1x36:r=10:d=0.4 "
                               "[r]; [l][r] hstack [out0]")
                    .arg(width / 2);
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", QStringList{"-v", "error", "-y", "-f", "lavfi", "-i", input} + output +
                               QStringList{path});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
        qWarning("%s", ffmpeg.readAllStandardError().constData());
        return false;
    }
    return true;
}

void ClipDecoderTest::playsAsItShows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("encode");
    QTest::addColumn<QStringList>("then"); // a second pass over the clip, when not empty
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<QColor>("first"); // at the left, or the top of a turned clip
    QTest::addColumn<QColor>("second");
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("hardware"); // asked for; software where the machine has none
    const QColor red(Qt::red), blue(Qt::blue);
    const QStringList x264{"-c:v", "libx264", "-preset", "ultrafast"};
    QTest::newRow("H.264 4:2:0") << "a.mp4" << x264 + QStringList{"-pix_fmt", "yuv420p"}
                                 << QStringList() << QSize(64, 36) << red << blue << 4 << false;
    QTest::newRow("H.264 4:2:0, on the hardware or else in software")
        << "a2.mp4" << x264 + QStringList{"-pix_fmt", "yuv420p"} << QStringList() << QSize(64, 36)
        << red << blue << 4 << true;
    QTest::newRow("H.264 4:4:4, as from RGB sources")
        << "b.mp4" << x264 + QStringList{"-pix_fmt", "yuv444p"} << QStringList() << QSize(64, 36)
        << red << blue << 4 << false;
    QTest::newRow("H.264 10-bit 4:2:2")
        << "c.mkv" << x264 + QStringList{"-pix_fmt", "yuv422p10le"} << QStringList()
        << QSize(64, 36) << red << blue << 4 << false;
    QTest::newRow("HEVC 10-bit, as phones make")
        << "d.mp4" << QStringList{"-c:v",     "libx265",    "-x265-params", "log-level=error",
                                  "-pix_fmt", "yuv420p10le"}
        << QStringList() << QSize(64, 36) << red << blue << 4 << false;
    QTest::newRow("MJPEG 4:2:2, as cameras make")
        << "e.avi" << QStringList{"-c:v", "mjpeg", "-pix_fmt", "yuvj422p"} << QStringList()
        << QSize(64, 36) << red << blue << 4 << false;
    QTest::newRow("VP9 4:4:4") << "f.webm" << QStringList{"-c:v",    "libvpx-vp9", "-pix_fmt",
                                                          "yuv444p", "-deadline",  "realtime"}
                               << QStringList() << QSize(64, 36) << red << blue << 4 << false;
    // Turned a quarter, as a phone held upright tags it: FFmpeg shows the
    // right half on top.
    QTest::newRow("a phone clip, turned")
        << "g.mp4" << x264 << QStringList{"-c", "copy", "-metadata:s:v:0", "rotate=90"}
        << QSize(36, 64) << blue << red << 4 << false;
    // 64x48 stored, shown 16:9: pixels a third wider.
    QTest::newRow("anamorphic 16:9 MPEG-2")
        << "h.mpg" << QStringList{"-c:v", "mpeg2video", "-vf", "scale=64:48", "-aspect", "16:9"}
        << QStringList() << QSize(85, 48) << red << blue << 4 << false;
    QTest::newRow("interlaced, a frame a field")
        << "i.mpg" << QStringList{"-c:v", "mpeg2video", "-flags", "+ildct+ilme", "-top", "1"}
        << QStringList() << QSize(64, 36) << red << blue << 8 << false;
}

void ClipDecoderTest::playsAsItShows()
{
    QFETCH(QString, name);
    QFETCH(QStringList, encode);
    QFETCH(QStringList, then);
    QFETCH(QSize, shown);
    QFETCH(QColor, first);
    QFETCH(QColor, second);
    QFETCH(int, frames);
    QFETCH(bool, hardware);
    setHardwareDecoding(hardware);
    const auto software = qScopeGuard([] { setHardwareDecoding(false); });
    QString path = dir_.filePath(name);
    QVERIFY(make(path, encode));
    if (!then.isEmpty()) {
        QProcess ffmpeg;
        const QString turned = dir_.filePath("turned-" + name);
        ffmpeg.start("ffmpeg",
                     QStringList{"-v", "error", "-y", "-i", path} + then + QStringList{turned});
        QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
        path = turned;
    }
    const std::atomic<bool> cancel{false};
    QString why;
    std::unique_ptr<ClipDecoder> clip;
    const QByteArray said = saidDuring([&] { clip = ClipDecoder::open(path, cancel, &why); });
    QVERIFY2(clip, qPrintable(why));
    QCOMPARE(clip->shownSize(), shown);
    if (hardware) // trying the devices there are not is no news to the operator
        QCOMPARE(said, QByteArray());
    int count = 0;
    ClipDecoder::Frame frame;
    for (int loop = 0; loop < 2; ++loop) { // a loop plays the same again
        ClipDecoder::Step step;
        count = 0;
        while ((step = clip->next({QSize(640, 640), QSize(640, 640)}, true, &frame, &why)) ==
               ClipDecoder::Step::Frame) {
            ++count;
            QCOMPARE(frame.image.size(), shown);
            const bool across = shown.width() > shown.height();
            const QPoint a = across ? QPoint(4, shown.height() / 2) : QPoint(shown.width() / 2, 4);
            const QPoint b = across ? QPoint(shown.width() - 5, shown.height() / 2)
                                    : QPoint(shown.width() / 2, shown.height() - 5);
            QVERIFY2(near(frame.image.pixelColor(a), first),
                     qPrintable(frame.image.pixelColor(a).name()));
            QVERIFY2(near(frame.image.pixelColor(b), second),
                     qPrintable(frame.image.pixelColor(b).name()));
        }
        QCOMPARE(step, ClipDecoder::Step::End);
        QCOMPARE(count, frames);
        QVERIFY(clip->rewind());
    }
    QVERIFY2(frame.seconds > 0 && frame.seconds < 0.4, qPrintable(QString::number(frame.seconds)));
}

void ClipDecoderTest::refusesWhatItCannotPlay_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // written as the file, when not empty
    QTest::addColumn<QString>("problem");  // the start of the reason
    QTest::newRow("not a clip") << "junk.mp4" << QByteArray(4096, '\x5a') << "";
    QTest::newRow("no video") << "sound.mka" << QByteArray() << "no video in it";
    QTest::newRow("larger than a display plays")
        << "wide.avi" << QByteArray() << "too large: 4100x36";
    QTest::newRow("missing") << "none.mp4" << QByteArray() << "No such file";
}

void ClipDecoderTest::refusesWhatItCannotPlay()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, problem);
    const QString path = dir_.filePath(name);
    if (!bytes.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    } else if (name == "sound.mka") {
        QVERIFY(make(path, {"-c:a", "pcm_s16le"}, 0, "sine=f=440:d=0.2"));
    } else if (name == "wide.avi") {
        QVERIFY(make(path, {"-c:v", "mjpeg", "-frames:v", "1"}, 4100));
    }
    const std::atomic<bool> cancel{false};
    QString why;
    QVERIFY(!ClipDecoder::open(path, cancel, &why));
    QVERIFY2(!why.isEmpty() && why.startsWith(problem), qPrintable(why));
}

// A clip's sound is decoded to its very end, loop after loop, at 48 kHz
// stereo whatever it was made at.
void ClipDecoderTest::soundComesWholeEveryLoop()
{
    const QString path = dir_.filePath("sound.mp4");
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg",
                 {"-v", "error", "-y", "-f", "lavfi", "-i", "color=green:s=64x36:r=10:d=1", "-f",
                  "lavfi", "-i", "sine=f=440:r=44100:d=1", "-c:v", "mjpeg", "-c:a", "aac", "-ac",
                  "1", "-shortest", path});
    QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    const std::atomic<bool> cancel{false};
    QString why;
    const auto clip = ClipDecoder::open(path, cancel, &why, true);
    QVERIFY2(clip, qPrintable(why));
    for (int loop = 0; loop < 2; ++loop) {
        qsizetype bytes = 0;
        ClipDecoder::Frame frame;
        while (clip->next({QSize(64, 36), QSize(64, 36)}, false, &frame, &why) ==
               ClipDecoder::Step::Frame)
            bytes += clip->takeSound().size();
        bytes += clip->takeSound().size();
        // One second, give or take the encoder's priming and padding.
        QVERIFY2(qAbs(bytes - ClipDecoder::kSoundBytesPerSecond) <
                     ClipDecoder::kSoundBytesPerSecond / 20,
                 qPrintable(QString::number(bytes)));
        QVERIFY(clip->rewind());
    }
}

QTEST_GUILESS_MAIN(ClipDecoderTest)
#include "tst_clip_decoder.moc"
