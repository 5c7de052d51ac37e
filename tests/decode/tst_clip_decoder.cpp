#include "base/message_tally.h"
#include "base/operator_log.h"
#include "decode/clip_decoder.h"
#include "files/media_open.h"
#include "support/file_helpers.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
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
    void convertsEverySizeWithinItsBuffers_data();
    void loopsAndJoinsWithoutAFrozenFrame_data();
    void highDynamicRangeLooksAsItsStandardRendering_data();
    void soundWithOnePicturePlaysItsSound_data();
    void reductionsKeepFineDetail_data();
    void absurdSoundHeadersPlaySilent_data();
    void absurdSoundHeadersPlaySilent();
    void reductionsKeepFineDetail();
    void soundWithOnePicturePlaysItsSound();
    void highDynamicRangeLooksAsItsStandardRendering();
    void loopsAndJoinsWithoutAFrozenFrame();
    void convertsEverySizeWithinItsBuffers();
    void aDamagedClipIsToldOnceWithItsRepeats();

private:
    // Runs ffmpeg; a clip of two halves, red then blue, `seconds` long at
    // ten frames a second, and `width` x 36 in all, when no input is given.
    bool make(const QString& path, QStringList output, int width = 64, QString input = {});
    QTemporaryDir dir_;
};

namespace {

// What the decoders tell goes to the operator's log, the standard error
// stream, as a display's does.
MessageTally operatorLog(writeLogLine);

ClipDecoder::Options played(bool withSound = false, bool hardware = false)
{
    return {withSound, hardware, &operatorLog};
}

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

// The first frame of a clip as a window of `window` shows it; null, with the
// reason in the log, when there is none.
QImage firstFrame(const QString& path, QSize window)
{
    const std::atomic<bool> cancel{false};
    QString why;
    ClipDecoder::Frame frame;
    const auto clip = ClipDecoder::open(path, cancel, &why, played());
    if (!clip || clip->next({window, window}, true, &frame, &why) != ClipDecoder::Step::Frame)
        qWarning("%s", qPrintable(why));
    return frame.image;
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
    // Mirrored left to right by its track's matrix, as a selfie camera
    // tags it: FFmpeg has no option to make one, so the matrix is written in.
    QTest::newRow("a selfie clip, mirrored")
        << "m.mp4" << x264 << QStringList{"mirror"} << QSize(64, 36) << blue << red << 4 << false;
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
    QString path = dir_.filePath(name);
    QVERIFY(make(path, encode));
    if (then == QStringList{"mirror"}) {
        QFile clip(path);
        QVERIFY(clip.open(QIODevice::ReadWrite));
        QByteArray bytes = clip.readAll();
        const qsizetype header = bytes.indexOf("tkhd");
        QVERIFY(header > 0);
        // The matrix's a (16.16) becomes -1 and its x moves the picture
        // back across its width.
        const auto put = [&](qsizetype at, quint32 value) {
            for (int i = 0; i < 4; ++i)
                bytes[at + i] = char(value >> (24 - 8 * i));
        };
        put(header + 44, 0xffff0000u);
        put(header + 44 + 24, 64u << 16);
        QVERIFY(clip.seek(0) && clip.write(bytes) == bytes.size());
    } else if (!then.isEmpty()) {
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
    const QByteArray said =
        saidDuring([&] { clip = ClipDecoder::open(path, cancel, &why, played(false, hardware)); });
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
    QVERIFY(!ClipDecoder::open(path, cancel, &why, played()));
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
    const auto clip = ClipDecoder::open(path, cancel, &why, played(true));
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

// Every shape a clip comes in is converted into its own buffer and nothing
// beyond: swscale writes whole SIMD blocks, and a frame of a width that is a
// multiple of 8 but not of 16 once wrote past the end of its image.
void ClipDecoderTest::convertsEverySizeWithinItsBuffers_data()
{
    QTest::addColumn<QSize>("size");
    for (int width = 2; width <= 64; ++width)
        QTest::addRow("%dx%d", width, width) << QSize(width, width);
    for (const QSize size : {QSize(408, 408), QSize(424, 424), QSize(488, 488), QSize(600, 600),
                             QSize(1000, 1000), QSize(1080, 1080), QSize(1080, 1920),
                             QSize(4096, 2304), QSize(4096, 2), QSize(2, 2304), QSize(1000, 3)})
        QTest::addRow("%dx%d", size.width(), size.height()) << size;
}

void ClipDecoderTest::convertsEverySizeWithinItsBuffers()
{
    QFETCH(QSize, size);
    const QString path =
        dir_.filePath(QStringLiteral("size-%1x%2.nut").arg(size.width()).arg(size.height()));
    QVERIFY(
        make(path, {"-frames:v", "2", "-c:v", "rawvideo", "-pix_fmt", "yuv420p"}, 0,
             QStringLiteral("color=0x30a050:s=%1x%2:r=10").arg(size.width()).arg(size.height())));
    const std::atomic<bool> cancel{false};
    QString why;
    const auto clip = ClipDecoder::open(path, cancel, &why, played());
    QVERIFY2(clip, qPrintable(why));
    // At its own size, then reduced and enlarged, turned for a panel on its side.
    const QSize screen(4096, 4096);
    const DrawnSize drawns[] = {{screen, screen, 0},
                                {size / 2 + QSize(1, 1), size / 2 + QSize(1, 1), 1},
                                {size * 2, size * 2, 0}};
    for (const DrawnSize& drawn : drawns) {
        QVERIFY(clip->rewind());
        ClipDecoder::Frame frame;
        QCOMPARE(clip->next(drawn, true, &frame, &why), ClipDecoder::Step::Frame);
        QVERIFY(!frame.image.isNull());
        const QImage image = frame.image;
        const QColor middle = image.pixelColor(image.width() / 2, image.height() / 2);
        QVERIFY2(near(middle, QColor(0x30, 0xa0, 0x50)), qPrintable(middle.name()));
    }
}

void ClipDecoderTest::loopsAndJoinsWithoutAFrozenFrame_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("parts"); // ffmpeg arguments of each part, joined byte by byte
    QTest::addColumn<double>("seconds");    // as long as it plays
    // Two seconds of picture at 25 frames a second, with sound.
    const QStringList source{"-f", "lavfi", "-i", "testsrc2=s=96x54:r=25:d=2",
                             "-f", "lavfi", "-i", "sine=f=440:d=2"};
    const QStringList x264{"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"};
    const auto part = [&](QStringList extra) { return (source + x264 + extra).join('\x1f'); };
    QTest::newRow("H.264 TS, one key frame in all")
        << "one-key.ts" << QStringList{part({"-g", "1000"})} << 2.0;
    QTest::newRow("H.264 TS, a key frame a second")
        << "keys.ts" << QStringList{part({"-g", "25"})} << 2.0;
    QTest::newRow("TS data in a file named .mp4")
        << "ts-data.mp4" << QStringList{part({"-g", "1000", "-f", "mpegts"})} << 2.0;
    QTest::newRow("interlaced MPEG-2 TS")
        << "field.ts"
        << QStringList{(source + QStringList{"-c:v", "mpeg2video", "-flags", "+ildct+ilme", "-top",
                                             "1", "-c:a", "mp2"})
                           .join('\x1f')}
        << 2.0;
    QTest::newRow("MPEG-2 program stream")
        << "ps.mpg"
        << QStringList{(source + QStringList{"-c:v", "mpeg2video", "-c:a", "mp2"}).join('\x1f')}
        << 2.0;
    QTest::newRow("MP4") << "plain.mp4" << QStringList{part({})} << 2.0;
    QTest::newRow("Matroska whose sound starts a second early")
        << "early.mkv"
        << QStringList{QStringList{"-f", "lavfi", "-i", "testsrc2=s=96x54:r=25:d=2", "-itsoffset",
                                   "-1.02", "-f", "lavfi", "-i", "sine=f=440:d=3", "-c:v",
                                   "libx264", "-preset", "ultrafast", "-c:a", "aac"}
                           .join('\x1f')}
        << 2.0;
    // Joined recordings: timestamps leap 95 s ahead, or 104 s back.
    QTest::newRow("TS jumping ahead")
        << "ahead.ts"
        << QStringList{part({"-g", "25"}), part({"-g", "25", "-output_ts_offset", "97"})} << 4.0;
    QTest::newRow("TS jumping back")
        << "back.ts"
        << QStringList{part({"-g", "25", "-output_ts_offset", "106"}), part({"-g", "25"})} << 4.0;
}

// Every container goes back to its start and plays again frame for frame,
// and a joined recording plays through where its timestamps jump: the frames'
// moments run on evenly, never standing still.
void ClipDecoderTest::loopsAndJoinsWithoutAFrozenFrame()
{
    QFETCH(QString, name);
    QFETCH(QStringList, parts);
    QFETCH(double, seconds);
    const QString path = dir_.filePath(name);
    QFile joined(path);
    QVERIFY(joined.open(QIODevice::WriteOnly));
    for (const QString& arguments : parts) {
        const QString piece = dir_.filePath("piece.ts");
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", QStringList{"-v", "error", "-y"} + arguments.split('\x1f') +
                                   QStringList{"-shortest", "-f",
                                               name.endsWith(".mkv")        ? "matroska"
                                               : name.endsWith("plain.mp4") ? "mp4"
                                               : name.endsWith(".mpg")      ? "vob"
                                                                            : "mpegts",
                                               piece});
        QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
        QFile file(piece);
        QVERIFY(file.open(QIODevice::ReadOnly));
        joined.write(file.readAll());
    }
    joined.close();
    const std::atomic<bool> cancel{false};
    QString why;
    const auto clip = ClipDecoder::open(path, cancel, &why, played(true));
    QVERIFY2(clip, qPrintable(why));
    const double step = clip->frameSeconds();
    for (int loop = 0; loop < 3; ++loop) {
        ClipDecoder::Frame frame;
        double last = -1;
        int frames = 0;
        ClipDecoder::Step result;
        while ((result = clip->next({QSize(96, 54), QSize(96, 54)}, frames % 10 == 0, &frame,
                                    &why)) == ClipDecoder::Step::Frame) {
            clip->takeSound();
            if (frames++ == 0)
                QVERIFY2(frame.seconds < 0.05, qPrintable(QString::number(frame.seconds)));
            else
                QVERIFY2(frame.seconds > last && frame.seconds - last < 2.5 * step,
                         qPrintable(QStringLiteral("loop %1, frame %2: %3 s after %4 s")
                                        .arg(loop)
                                        .arg(frames)
                                        .arg(frame.seconds)
                                        .arg(last)));
            last = frame.seconds;
        }
        QCOMPARE(result, ClipDecoder::Step::End);
        QVERIFY2(qAbs(last + step - seconds) < 0.1, qPrintable(QString::number(last)));
        QVERIFY2(clip->rewind(), qPrintable(name));
    }
}

void ClipDecoderTest::highDynamicRangeLooksAsItsStandardRendering_data()
{
    QTest::addColumn<QString>("transfer"); // as zscale and the stream's tag name it
    QTest::addColumn<int>("error");        // the most a channel may differ
    QTest::newRow("HDR10") << "smpte2084" << 6;
    QTest::newRow("HLG") << "arib-std-b67" << 6;
}

// A phone's high-dynamic-range clip shows the colours of the same clip made
// for a standard screen: made here by turning a standard clip into PQ or HLG
// with its white at the reference white, as grading does.
void ClipDecoderTest::highDynamicRangeLooksAsItsStandardRendering()
{
    QFETCH(QString, transfer);
    QFETCH(int, error);
    const QString standard = dir_.filePath("standard.mkv");
    const QString quadrants =
        "color=0xca2829:s=64x36 [a]; color=0x2a9a3c:s=64x36 [b]; color=white:s=64x36 [c]; "
        "color=0x606060:s=64x36 [d]; [a][b] hstack [t]; [c][d] hstack [u]; [t][u] vstack,"
        "trim=end_frame=2 [out0]";
    QVERIFY(make(standard,
                 {"-c:v", "ffv1", "-pix_fmt", "yuv444p", "-color_primaries", "bt709", "-color_trc",
                  "bt709", "-colorspace", "bt709"},
                 0, quadrants));
    const QString graded = dir_.filePath(transfer + ".mkv");
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-i", standard, "-vf",
                            "zscale=tin=bt709:min=bt709:pin=bt709:rin=tv:t=" + transfer +
                                ":m=bt2020nc:p=bt2020:r=tv:npl=203,format=yuv444p10le",
                            "-c:v", "ffv1", "-color_primaries", "bt2020", "-color_trc", transfer,
                            "-colorspace", "bt2020nc", graded});
    QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    const QImage expected = firstFrame(standard, QSize(128, 72));
    const QImage shown = firstFrame(graded, QSize(128, 72));
    QVERIFY(!expected.isNull() && !shown.isNull());
    // White is the one colour rolled off a little, to leave room for the
    // highlights above it.
    const QColor white = shown.pixelColor(32, 54);
    QVERIFY2(white.red() >= 230 && white.green() >= 230 && white.blue() >= 230,
             qPrintable(white.name()));
    for (const QPoint centre : {QPoint(32, 18), QPoint(96, 18), QPoint(96, 54)}) {
        const QColor a = expected.pixelColor(centre), b = shown.pixelColor(centre);
        const int worst = std::max(
            {qAbs(a.red() - b.red()), qAbs(a.green() - b.green()), qAbs(a.blue() - b.blue())});
        QVERIFY2(worst <= error, qPrintable(QStringLiteral("%1 shown as %2 (%3, %4, %5)")
                                                .arg(a.name(), b.name())
                                                .arg(b.red())
                                                .arg(b.green())
                                                .arg(b.blue())));
    }
}

void ClipDecoderTest::soundWithOnePicturePlaysItsSound_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("encode");
    QTest::addColumn<QColor>("shown"); // the one picture
    QTest::newRow("sound alone, in MP4")
        << "alone.m4a" << QStringList{"-map", "0:a", "-c:a", "aac"} << QColor(Qt::black);
    QTest::newRow("a song with its cover")
        << "song.mp3"
        << QStringList{"-map", "0:a",   "-map",           "1:v",         "-c:a", "libmp3lame",
                       "-c:v", "mjpeg", "-disposition:v", "attached_pic"}
        << QColor(Qt::red);
}

// A song's cover, or black for sound alone, shows once; then only the sound
// is decoded, to its end, loop after loop.
void ClipDecoderTest::soundWithOnePicturePlaysItsSound()
{
    QFETCH(QString, name);
    QFETCH(QStringList, encode);
    QFETCH(QColor, shown);
    const QString path = dir_.filePath(name);
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg",
                 QStringList{"-v", "error", "-y", "-f", "lavfi", "-i", "sine=f=440:r=44100:d=1",
                             "-f", "lavfi", "-i", "color=red:s=64x64:d=0.1"} +
                     encode + QStringList{"-frames:v", "1", path});
    QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    const std::atomic<bool> cancel{false};
    QString why;
    const auto clip = ClipDecoder::open(path, cancel, &why, played(true));
    QVERIFY2(clip, qPrintable(why));
    for (int loop = 0; loop < 2; ++loop) {
        int frames = 0, steps = 0;
        qsizetype bytes = 0;
        ClipDecoder::Frame frame;
        ClipDecoder::Step step;
        while ((step = clip->next({QSize(64, 64), QSize(64, 64)}, true, &frame, &why)) !=
               ClipDecoder::Step::End) {
            QVERIFY2(step != ClipDecoder::Step::Failed, qPrintable(why));
            bytes += clip->takeSound().size();
            ++steps;
            if (step == ClipDecoder::Step::Frame) {
                ++frames;
                const QColor colour = frame.image.pixelColor(frame.image.rect().center());
                QVERIFY2(near(colour, shown), qPrintable(colour.name()));
            }
        }
        bytes += clip->takeSound().size();
        QCOMPARE(frames, loop == 0 ? 1 : 0); // the picture stays from the first
        QVERIFY(steps > 10);                 // a little sound at a time
        QVERIFY2(qAbs(bytes - ClipDecoder::kSoundBytesPerSecond) <
                     ClipDecoder::kSoundBytesPerSecond / 10,
                 qPrintable(QString::number(bytes)));
        QVERIFY(clip->rewind());
    }
}

void ClipDecoderTest::reductionsKeepFineDetail_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("window");
    QTest::newRow("an HD clip at half size") << "grid.mp4" << QSize(960, 540);
    // Most clips say nothing of their colours.
    QTest::newRow("an untagged HD clip at half size") << "untagged.mp4" << QSize(960, 540);
    QTest::newRow("a 4K clip at a third") << "grid4k.mp4" << QSize(1280, 720);
    QTest::newRow("a large photo in a small picture window") << "grid.jpg" << QSize(634, 356);
}

// A fine grid reduced to the window's size comes out as an accurate scaling
// makes it (FFmpeg's lanczos with full chroma): not turned to moiré.
void ClipDecoderTest::reductionsKeepFineDetail()
{
    QFETCH(QString, name);
    QFETCH(QSize, window);
    const QString path = dir_.filePath(name);
    const QString size = name == "grid4k.mp4" ? "3840x2160"
                         : name == "grid.jpg" ? "4000x2250"
                                              : "1920x1080";
    QStringList encode{"-frames:v", "1"};
    if (name.endsWith(".mp4"))
        encode << "-vf"
               << "scale=out_color_matrix=bt709:out_range=tv"
               << "-colorspace" << (name == "untagged.mp4" ? "unknown" : "bt709") << "-c:v"
               << "libx264"
               << "-crf"
               << "10"
               << "-pix_fmt"
               << "yuv420p";
    QVERIFY(make(path, encode, 0,
                 "testsrc2=size=" + size + ",drawgrid=w=4:h=4:t=1:c=black@0.8 [out0]"));
    const QImage shown = name.endsWith(".jpg") ? decodePicture(path, {window, window}).image
                                               : firstFrame(path, window);
    QVERIFY(!shown.isNull());
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-i", path, "-vf",
                            QStringLiteral("scale=%1:%2:flags=lanczos+accurate_rnd+full_chroma_int+"
                                           "full_chroma_inp:in_color_matrix=bt709,format=rgb24")
                                .arg(shown.width())
                                .arg(shown.height()),
                            "-frames:v", "1", "-f", "rawvideo", "-"});
    QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    const QByteArray accurate = ffmpeg.readAllStandardOutput();
    QCOMPARE(accurate.size(), qsizetype(shown.width()) * shown.height() * 3);
    const QImage ours = shown.convertToFormat(QImage::Format_RGB888);
    qint64 difference = 0;
    for (int y = 0; y < ours.height(); ++y) {
        const uchar* a = ours.constScanLine(y);
        const auto* b = reinterpret_cast<const uchar*>(accurate.constData()) + y * ours.width() * 3;
        for (int x = 0; x < ours.width() * 3; ++x)
            difference += qAbs(int(a[x]) - int(b[x]));
    }
    // A reduction that aliases differs by 20 to 26 a channel on average.
    const double mean = double(difference) / (qint64(ours.width()) * ours.height() * 3);
    QVERIFY2(mean < 10, qPrintable(QString::number(mean)));
}

void ClipDecoderTest::absurdSoundHeadersPlaySilent_data()
{
    // Written into the WAVEFORMATEX of an AVI's sound: its channels and its
    // samples a second.
    QTest::addColumn<int>("channels");
    QTest::addColumn<qint64>("rate");
    QTest::addColumn<QString>("why");
    QTest::newRow("1.4 GHz") << 2 << qint64(1'400'000'001) << "its sound says 1400000001 Hz";
    QTest::newRow("537 MHz, as fuzzed")
        << 2 << qint64(536'915'012) << "its sound says 536915012 Hz";
    QTest::newRow("sixty-five thousand channels") << 65535 << qint64(48000) << "its sound says";
}

// A clip whose sound header claims more than any sound has plays its
// picture, silent, and says why: nothing is allocated for such a sound.
void ClipDecoderTest::absurdSoundHeadersPlaySilent()
{
    QFETCH(int, channels);
    QFETCH(qint64, rate);
    QFETCH(QString, why);
    const QString path = dir_.filePath("absurd.avi");
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "color=red:s=64x36:r=10:d=1",
                            "-f", "lavfi", "-i", "sine=f=440:r=48000:d=1", "-c:v", "mjpeg", "-c:a",
                            "pcm_s16le", "-ac", "2", path});
    QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype format = bytes.indexOf("strf", bytes.indexOf("auds")) + 8;
    QVERIFY(format > 8);
    for (int i = 0; i < 2; ++i)
        bytes[format + 2 + i] = char(channels >> (8 * i));
    for (int i = 0; i < 4; ++i)
        bytes[format + 4 + i] = char(rate >> (8 * i));
    QVERIFY(file.seek(0) && file.write(bytes) == bytes.size());
    file.close();
    const std::atomic<bool> cancel{false};
    QString problem;
    const auto clip = ClipDecoder::open(path, cancel, &problem, played(true));
    QVERIFY2(clip, qPrintable(problem));
    QVERIFY(!clip->hasSound());
    QVERIFY2(clip->soundRefused().startsWith(why), qPrintable(clip->soundRefused()));
    ClipDecoder::Frame frame;
    QCOMPARE(clip->next({QSize(64, 36), QSize(64, 36)}, true, &frame, &problem),
             ClipDecoder::Step::Frame);
    QVERIFY(near(frame.image.pixelColor(32, 18), Qt::red));
}

// A damaged clip says the same at every loop: each message is told once,
// named by its clip (whichever of the decoder's threads says it), and how
// often it came again is told when the clip is closed.
void ClipDecoderTest::aDamagedClipIsToldOnceWithItsRepeats()
{
    const QString whole = dir_.filePath("whole.ts");
    QVERIFY(make(whole, {"-c:v", "libx264", "-preset", "ultrafast", "-g", "5"}, 0,
                 "testsrc=s=160x90:r=25:d=2"));
    QByteArray bytes = test::contentOf(whole);
    QRandomGenerator noise(7); // bytes in the middle overwritten, as a bad copy leaves them
    for (qsizetype at = bytes.size() / 5; at < bytes.size() * 4 / 5; at += bytes.size() / 10)
        for (qsizetype i = at; i < at + 400; ++i)
            bytes[i] = char(noise.bounded(256));
    QVERIFY(test::put(dir_.filePath("damaged.ts"), bytes));
    constexpr int kLoops = 6;
    const QString said = QString::fromLocal8Bit(saidDuring([&] {
        // Played as a display plays it: by a held path, which tells no name.
        const HeldMedia held = hold(MediaHandle::open(dir_.filePath("damaged.ts")));
        const std::atomic<bool> cancel{false};
        QString why;
        ClipDecoder::Frame frame;
        const auto clip = ClipDecoder::open(held.path, cancel, &why, played());
        for (int loop = 0; clip && loop < kLoops && clip->rewind(); ++loop)
            while (clip->next({QSize(160, 90), QSize(160, 90)}, false, &frame, &why) ==
                   ClipDecoder::Step::Frame) {
            }
    }));
    const QRegularExpression line(R"(^\S+ (damaged\.ts: .+?)( \((\d+) more times\))?$)");
    QStringList told, repeated;
    for (const QString& text : said.split('\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = line.match(text);
        QVERIFY2(match.hasMatch(), qPrintable(said)); // every line names its clip
        (match.hasCaptured(2) ? repeated : told) << match.captured(1);
        QVERIFY2(!match.hasCaptured(2) || match.captured(3).toInt() >= kLoops - 1,
                 qPrintable(said));
    }
    told.sort();
    repeated.sort();
    // Each message told once, and once more with how often it came again.
    QVERIFY2(!told.isEmpty() && told.removeDuplicates() == 0 && told == repeated, qPrintable(said));
}

QTEST_GUILESS_MAIN(ClipDecoderTest)
#include "tst_clip_decoder.moc"
