// The display player at work: how long a switch of ten windows holds the UI
// thread; how late each switch reaches the screen (from its moment on the
// show's clock to the window's drawing with the new picture) over a 1080p
// clip; and a soak of 100,000 switches on a clock of its own, with the
// resident memory along the way.
#include "decode/media_backend.h"
#include "stage/stage.h"
#include "stage/stage_clock.h"
#include "stage/window_view.h"
#include "support/manual_clock.h"
#include "support/mjpeg_avi.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tv;
using tv::test::ManualClock;

namespace {

QList<StageWindow> tenPictureWindows(qint64 switchMs, const QString& ending)
{
    QList<StageWindow> plan{
        {WindowRole::Video, 0, QRect(0, 0, 1920, 1080), {"clip.avi"}, kVideoWindowPictureMs}};
    for (int slot = 1; slot <= 10; ++slot) {
        const int x = ((slot - 1) % 5) * 384;
        const int y = ((slot - 1) / 5) * 540;
        plan.append({WindowRole::Picture,
                     slot,
                     QRect(x, y, 384, 540),
                     {QStringLiteral("p%1.%2").arg(slot).arg(ending),
                      QStringLiteral("p%1.%2").arg(slot % 10 + 1).arg(ending)},
                     switchMs});
    }
    return plan;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// Records, for each window, when it is drawn after showing something new.
class DrawnAfterSwitch : public QObject {
public:
    DrawnAfterSwitch(Stage& stage, StageClock& clock, qint64 switchMs)
        : clock_(clock), switchMs_(switchMs)
    {
        for (WindowView* window : stage.windows()) {
            if (window->plan().role != WindowRole::Picture)
                continue;
            window->installEventFilter(this);
            connect(window, &WindowView::shown, this, [this, window] { due_[window] = true; });
        }
    }
    std::vector<double> lateness;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && due_.value(watched)) {
            due_[watched] = false;
            const qint64 now = clock_.nowMs();
            if (now >= switchMs_) // the first pictures are no switch
                lateness.push_back(double(now % switchMs_));
        }
        return false;
    }

private:
    StageClock& clock_;
    qint64 switchMs_;
    QHash<QObject*, bool> due_;
};

void makeMedia(const QTemporaryDir& media)
{
    for (int n = 1; n <= 10; ++n) {
        QImage picture(1920, 1080, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(n * 36 % 360, 200, 220));
        picture.save(media.filePath(QStringLiteral("p%1.jpg").arg(n)), "JPG", 90);
        picture.scaled(64, 36).save(media.filePath(QStringLiteral("p%1.png").arg(n)));
    }
    QList<QImage> frames;
    for (int i = 0; i < 50; ++i) {
        QImage frame(1920, 1080, QImage::Format_RGB32);
        frame.fill(QColor::fromHsv(i * 7 % 360, 255, 255));
        frames << frame;
    }
    test::writeMjpegAvi(media.filePath("clip.avi"), frames, 25);
}

// The UI thread's share of a switch of all ten windows at once.
int switchCost(const QTemporaryDir& media)
{
    {
        ManualClock clock;
        Stage stage(tenPictureWindows(5000, "jpg"), media.path(), clock);
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
    return 0;
}

// Lateness of switches to the screen, on the real clock, over a 1080p clip.
int lateness(const QTemporaryDir& media)
{
    {
        SteadyClock clock;
        Stage stage(tenPictureWindows(1000, "jpg"), media.path(), clock);
        DrawnAfterSwitch drawn(stage, clock, 1000);
        stage.resize(1920, 1080);
        stage.show();
        // A plain event loop: QTest's waiting sleeps between its rounds.
        QEventLoop loop;
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        quint64 dropped = 0;
        for (const WindowView* window : stage.windows())
            dropped += window->droppedFrames();
        std::printf("switch to the screen over %zu switches: median %.1f ms late, 99th percentile "
                    "%.1f ms, worst %.1f ms (a frame is 16.7 ms); video frames dropped: %llu\n",
                    drawn.lateness.size(), percentile(drawn.lateness, 0.5),
                    percentile(drawn.lateness, 0.99), percentile(drawn.lateness, 1.0),
                    static_cast<unsigned long long>(dropped));
    }
    std::printf("resident memory at the end: %.1f MB\n", residentMegabytes());
    return 0;
}

// A soak: 100,000 switches of small pictures on a clock of its own.
int soak(const QTemporaryDir& media)
{
    {
        ManualClock clock;
        QList<StageWindow> plan = tenPictureWindows(5000, "png");
        plan.removeFirst();
        Stage stage(plan, media.path(), clock);
        stage.resize(960, 540);
        stage.show();
        double afterTenThousand = 0;
        for (int step = 1; step <= 10'000; ++step) {
            stage.settle();
            clock.now = qint64(step) * 5000;
            stage.refresh();
            if (step % 100 == 0)
                QApplication::processEvents();
            if (step == 1'000)
                afterTenThousand = residentMegabytes();
        }
        std::printf("soak of 100,000 switches: resident memory %.1f MB after 10,000, %.1f MB after "
                    "100,000\n",
                    afterTenThousand, residentMegabytes());
    }
    return 0;
}

} // namespace

// Each case runs in a process of its own, so that its memory is its own.
int main(int argc, char* argv[])
{
    preferFfmpegBackend();
    if (argc > 2 && qstrcmp(argv[1], "--case") == 0) {
        QApplication app(argc, argv);
        QTemporaryDir media;
        makeMedia(media);
        const QByteArray which = argv[2];
        return which == "switch"     ? switchCost(media)
               : which == "lateness" ? lateness(media)
                                     : soak(media);
    }
    QCoreApplication app(argc, argv);
    for (const char* which : {"switch", "lateness", "soak"}) {
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        run.start(QString::fromLocal8Bit(argv[0]), {"--case", which});
        if (!run.waitForFinished(600000) || run.exitCode() != 0)
            return 1;
    }
    return 0;
}
