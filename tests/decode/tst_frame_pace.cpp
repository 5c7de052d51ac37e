#include "decode/frame_pace.h"

#include <QTest>

using namespace tv;

// The pace of a clip on machines of every speed, simulated: time is the
// model's own, moved by what each frame costs to decode and convert.
class FramePaceTest : public QObject {
    Q_OBJECT
private slots:
    void showsWhatTheMachineCanShow_data();
    void showsWhatTheMachineCanShow();
};

void FramePaceTest::showsWhatTheMachineCanShow_data()
{
    // Costs in frame periods, for a stream whose every other frame is one
    // no other frame refers to (I P B P B ...).
    QTest::addColumn<double>("reference");
    QTest::addColumn<double>("other");
    QTest::addColumn<double>("convert");
    QTest::addColumn<double>("shownAtLeast"); // of all the clip's frames
    QTest::addColumn<double>("behindAtMost"); // seconds, at the clip's end
    QTest::newRow("keeps up with ease") << 0.3 << 0.2 << 0.2 << 1.0 << 0.0;
    QTest::newRow("decodes in time, converts too slowly") << 0.9 << 0.7 << 0.4 << 0.6 << 0.15;
    QTest::newRow("decodes a little slower than real time") << 1.05 << 0.9 << 0.3 << 0.5 << 0.15;
    // Far too slow to keep up: it falls behind, but the screen still moves.
    QTest::newRow("decodes at a third of real time") << 3.0 << 3.0 << 0.3 << 0.25 << 1e9;
}

void FramePaceTest::showsWhatTheMachineCanShow()
{
    QFETCH(double, reference);
    QFETCH(double, other);
    QFETCH(double, convert);
    QFETCH(double, shownAtLeast);
    QFETCH(double, behindAtMost);
    const double period = 1.0 / 30;
    const int frames = 30 * 20;
    FramePace pace(period);
    bool skipping = false;
    double now = 0, lastShown = -1, behind = 0, longestStill = 0;
    int shown = 0;
    for (int frame = 0; frame < frames; ++frame) {
        const double due = frame * period;
        const bool referenced = frame % 2 == 0;
        if (!referenced && skipping) {
            now += 0.05 * other * period; // parsed, not decoded
            continue;
        }
        now += (referenced ? reference : other) * period;
        behind = now - due;
        const FramePace::Decision decision = pace.decide(behind, now - lastShown);
        skipping = decision.skipNonReference;
        if (!decision.convert)
            continue;
        now = std::max(now + convert * period, due);
        if (lastShown >= 0)
            longestStill = std::max(longestStill, now - lastShown);
        lastShown = now;
        ++shown;
    }
    QVERIFY2(shown >= shownAtLeast * frames, qPrintable(QString::number(shown)));
    QVERIFY2(behind <= behindAtMost, qPrintable(QString::number(behind)));
    // However slow, the picture never stands still for long.
    QVERIFY2(longestStill <= FramePace::kLongestStill + 3.3 * period,
             qPrintable(QString::number(longestStill)));
}

QTEST_GUILESS_MAIN(FramePaceTest)
#include "tst_frame_pace.moc"
