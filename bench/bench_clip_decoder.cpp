// What a clip costs the video thread, container by container: the gap a loop
// leaves (going back to the start and decoding the first frame again), and
// the time a 1080p frame takes to convert, as a standard clip and as HDR10
// and HLG tone-mapped, unscaled and reduced. Medians of nine.
#include "decode/clip_decoder.h"
#include "decode/tone_map.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tv;

namespace {

bool make(const QString& path, const QStringList& arguments)
{
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", QStringList{"-v", "error", "-y"} + arguments + QStringList{path});
    return ffmpeg.waitForFinished(300000) && ffmpeg.exitCode() == 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::unique_ptr<ClipDecoder> opened(const QString& path)
{
    static const std::atomic<bool> cancel{false};
    QString why;
    auto clip = ClipDecoder::open(path, cancel, &why, {true, false, nullptr});
    if (!clip)
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(why));
    return clip;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    quietenFfmpegLog();
    QTemporaryDir dir;
    const QStringList source{"-f", "lavfi", "-i", "testsrc2=s=1920x1080:r=30:d=2",
                             "-f", "lavfi", "-i", "sine=f=440:d=2"};
    const QStringList x264{"-c:v", "libx264", "-preset", "veryfast", "-c:a", "aac"};
    const struct {
        const char* name;
        const char* file;
        QStringList encode;
    } containers[] = {
        {"MP4 (H.264, AAC)", "a.mp4", x264},
        {"Matroska (H.264, AAC)", "b.mkv", x264},
        {"WebM (VP9, Opus)",
         "c.webm",
         {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-c:a", "libopus"}},
        {"TS, one key frame (H.264, AAC)", "d.ts", x264 + QStringList{"-g", "1000"}},
        {"MPEG-2 program stream (MP2)",
         "e.mpg",
         {"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "vob"}},
        {"AVI (MJPEG, PCM)", "f.avi", {"-c:v", "mjpeg", "-c:a", "pcm_s16le"}},
    };
    const DrawnSize screen{QSize(1920, 1080), QSize(1920, 1080)};
    std::printf("%-34s %s\n", "loop gap (1080p, 2 s)", "ms");
    for (const auto& container : containers) {
        const QString path = dir.filePath(container.file);
        if (!make(path, source + container.encode + QStringList{"-shortest"}))
            return 1;
        auto clip = opened(path);
        if (!clip)
            return 1;
        std::vector<double> gaps;
        ClipDecoder::Frame frame;
        QString why;
        for (int loop = 0; loop < 9; ++loop) {
            while (clip->next(screen, false, &frame, &why) == ClipDecoder::Step::Frame)
                clip->takeSound();
            QElapsedTimer gap;
            gap.start();
            if (!clip->rewind() ||
                clip->next(screen, true, &frame, &why) != ClipDecoder::Step::Frame)
                return 1;
            gaps.push_back(gap.nsecsElapsed() / 1e6);
        }
        std::printf("%-34s %5.1f\n", container.name, median(gaps));
    }

    std::printf("\n%-34s %s\n", "converting a 1080p frame", "ms (unscaled, at 960x540)");
    const struct {
        const char* name;
        QString transfer;
    } ranges[] = {{"standard (BT.709)", ""}, {"HDR10 (PQ)", "smpte2084"}, {"HLG", "arib-std-b67"}};
    for (const auto& range : ranges) {
        const QString path = dir.filePath("range.mkv");
        QStringList encode{"-f", "lavfi", "-i", "testsrc2=s=1920x1080:r=30:d=0.4"};
        if (range.transfer.isEmpty())
            encode << "-c:v"
                   << "libx264"
                   << "-colorspace"
                   << "bt709";
        else
            encode << "-vf"
                   << "zscale=tin=bt709:min=bt709:pin=bt709:rin=tv:t=" + range.transfer +
                          ":m=bt2020nc:p=bt2020:r=tv:npl=203,format=yuv420p10le"
                   << "-c:v"
                   << "libx265"
                   << "-x265-params"
                   << "log-level=error"
                   << "-color_primaries"
                   << "bt2020"
                   << "-color_trc" << range.transfer << "-colorspace"
                   << "bt2020nc";
        if (!make(path, encode))
            return 1;
        double costs[2];
        for (int reduced = 0; reduced < 2; ++reduced) {
            auto clip = opened(path);
            const QSize size = reduced ? QSize(960, 540) : QSize(1920, 1080);
            const DrawnSize drawn{size, size};
            ClipDecoder::Frame frame;
            QString why;
            QImage image;
            std::vector<double> times;
            while (clip && clip->next(drawn, false, &frame, &why) == ClipDecoder::Step::Frame) {
                QElapsedTimer convert;
                convert.start();
                if (!clip->convert(drawn, &image, &why))
                    return 1;
                times.push_back(convert.nsecsElapsed() / 1e6);
            }
            costs[reduced] = median(times);
        }
        std::printf("%-34s %5.1f %5.1f\n", range.name, costs[0], costs[1]);
    }
    // The tone mapping alone, on a 1080p frame of every code value.
    std::vector<std::uint16_t> planes(3 * 1920);
    for (std::size_t i = 0; i < planes.size(); ++i)
        planes[i] = std::uint16_t(i * 2654435761u >> 16);
    std::vector<std::uint32_t> line(1920);
    for (const LightCurve curve : {LightCurve::Pq, LightCurve::Hlg}) {
        const ToneMap map(curve, 1000);
        std::vector<double> times;
        for (int round = 0; round < 9; ++round) {
            QElapsedTimer timer;
            timer.start();
            for (int y = 0; y < 1080; ++y)
                map.mapLine(planes.data(), planes.data() + 1920, planes.data() + 3840, line.data(),
                            1920);
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::printf("%-34s %5.1f\n",
                    curve == LightCurve::Pq ? "tone-mapping alone, PQ" : "tone-mapping alone, HLG",
                    median(times));
    }
    return 0;
}
