// Ten picture windows of full-screen pictures switching over a playing video:
// how long a switch holds the UI thread (the pictures were decoded ahead),
// and how late switches come against the clock.
#include "player/media_backend.h"
#include "player/stage.h"
#include "player/stage_clock.h"
#include "support/manual_clock.h"
#include "support/mjpeg_avi.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tv;
using tv::test::ManualClock;

namespace {

QList<StageWindow> tenPictureWindows(qint64 switchMs)
{
    QList<StageWindow> plan{
        {WindowRole::Video, 0, QRectF(0, 0, 1920, 1080), {"clip.avi"}, kVideoWindowPictureMs}};
    for (int slot = 1; slot <= 10; ++slot) {
        const double x = ((slot - 1) % 5) * 384.0;
        const double y = ((slot - 1) / 5) * 540.0;
        plan.append(
            {WindowRole::Picture,
             slot,
             QRectF(x, y, 384, 540),
             {QStringLiteral("p%1.jpg").arg(slot), QStringLiteral("p%1.jpg").arg(slot % 10 + 1)},
             switchMs});
    }
    return plan;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

} // namespace

int main(int argc, char* argv[])
{
    preferFfmpegBackend();
    QApplication app(argc, argv);
    QTemporaryDir media;
    for (int n = 1; n <= 10; ++n) {
        QImage picture(1920, 1080, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(n * 36 % 360, 200, 220));
        picture.save(media.filePath(QStringLiteral("p%1.jpg").arg(n)), "JPG", 90);
    }
    QList<QImage> frames;
    for (int i = 0; i < 50; ++i) {
        QImage frame(320, 180, QImage::Format_RGB32);
        frame.fill(QColor::fromHsv(i * 7 % 360, 255, 255));
        frames << frame;
    }
    test::writeMjpegAvi(media.filePath("clip.avi"), frames, 25);

    // The UI thread's share of a switch of all ten windows at once.
    {
        ManualClock clock;
        Stage stage(tenPictureWindows(5000), media.path(), clock);
        stage.resize(1920, 1080);
        stage.show();
        if (!QTest::qWaitForWindowExposed(&stage))
            return 1;
        std::vector<double> costs;
        for (int n = 1; n <= 60; ++n) {
            stage.settle(); // the next pictures are decoded ahead, as in a show
            clock.now = n * 5000;
            QElapsedTimer timer;
            timer.start();
            stage.refresh();
            stage.repaint(); // the ten windows drawn with their new pictures
            costs.push_back(double(timer.nsecsElapsed()) / 1e6);
            QApplication::processEvents();
        }
        std::printf("switch of ten windows on the UI thread, drawing included: median %.3f ms, "
                    "99th percentile %.3f ms\n",
                    percentile(costs, 0.5), percentile(costs, 0.99));
    }

    // Lateness of switches against the clock, on the real clock and timer.
    {
        SteadyClock clock;
        Stage stage(tenPictureWindows(200), media.path(), clock);
        std::vector<double> late;
        QObject::connect(&stage, &Stage::refreshed, [&late](qint64 due, qint64 now) {
            // A refresh before the moment due (a video ended) is no switch.
            if (due > 0 && now >= due)
                late.push_back(double(now - due));
        });
        stage.resize(1920, 1080);
        stage.show();
        // A plain event loop: QTest's waiting sleeps between its rounds.
        QEventLoop loop;
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        std::printf("switch lateness over %zu switch moments: median %.1f ms, 99th percentile %.1f "
                    "ms, worst %.1f ms (a frame is 16.7 ms)\n",
                    late.size(), percentile(late, 0.5), percentile(late, 0.99),
                    percentile(late, 1.0));
    }
    return 0;
}
