#include "decode/sound_timeline.h"

#include <QRandomGenerator>
#include <QTest>

using namespace tv;

// Where in a clip the sound heard now is, from what was queued, written and
// still held by the sound output. A hundred bytes make a second here.
class SoundTimelineTest : public QObject {
    Q_OBJECT
private slots:
    void heardPosition_data();
    void heardPosition();
    void followsEveryLoopWithoutEnd();
};

void SoundTimelineTest::heardPosition_data()
{
    // Steps: "restart", "at S" (the sound queued next starts at S seconds),
    // "queue N", "drop N", "write N"; then the bytes the output still holds,
    // and the position heard (negative: none yet).
    QTest::addColumn<QString>("steps");
    QTest::addColumn<qint64>("held");
    QTest::addColumn<double>("heard");
    const QString start = QStringLiteral("restart;at 0;queue 100;write 100");
    QTest::newRow("nothing played yet") << QStringLiteral("restart;at 0") << qint64(0) << -1.0;
    QTest::newRow("all written still held") << start << qint64(100) << -1.0;
    QTest::newRow("part heard") << start << qint64(60) << 0.4;
    QTest::newRow("all heard") << start << qint64(0) << 1.0;
    QTest::newRow("the clip before still heard")
        << QStringLiteral("restart;at 0;queue 80;write 80;") + start << qint64(130) << -1.0;
    QTest::newRow("the clip before over")
        << QStringLiteral("restart;at 0;queue 80;write 80;") + start << qint64(90) << 0.1;
    QTest::newRow("a loop longer than its sound")
        << QStringLiteral("restart;at 0;queue 100;at 1.5;queue 100;write 200") << qint64(50) << 2.0;
    QTest::newRow("the end of a loop, before the next")
        << QStringLiteral("restart;at 0;queue 100;at 1.5;queue 100;write 200") << qint64(120)
        << 0.8;
    QTest::newRow("a later playing starts later")
        << QStringLiteral("restart;at 7;queue 100;write 100") << qint64(75) << 7.25;
    QTest::newRow("sound thrown away unheard passes at once")
        << QStringLiteral("restart;at 0;queue 300;drop 100;write 100") << qint64(50) << 1.5;
}

void SoundTimelineTest::heardPosition()
{
    QFETCH(QString, steps);
    QFETCH(qint64, held);
    QFETCH(double, heard);
    SoundTimeline timeline(100);
    for (const QString& step : steps.split(QLatin1Char(';'))) {
        const QString verb = step.section(QLatin1Char(' '), 0, 0);
        const double amount = step.section(QLatin1Char(' '), 1, 1).toDouble();
        if (verb == QLatin1String("restart"))
            timeline.restart();
        else if (verb == QLatin1String("at"))
            timeline.startsAt(amount);
        else if (verb == QLatin1String("queue"))
            timeline.queued(qint64(amount));
        else if (verb == QLatin1String("drop"))
            timeline.dropped(qint64(amount));
        else if (verb == QLatin1String("write"))
            timeline.written(qint64(amount));
        else
            QFAIL(qPrintable(step));
    }
    const std::optional<double> got = timeline.heard(held);
    if (heard < 0)
        QVERIFY2(!got, qPrintable(QString::number(got.value_or(0))));
    else
        QVERIFY2(got && qFuzzyCompare(*got, heard), qPrintable(QString::number(got.value_or(-1))));
}

// A short clip looping for days: the position goes on with every loop, in
// written pieces of any size, and never goes back.
void SoundTimelineTest::followsEveryLoopWithoutEnd()
{
    SoundTimeline timeline(100);
    timeline.restart();
    QRandomGenerator random(27);
    double loopStart = 0, last = -1;
    qint64 queued = 0, written = 0;
    for (int loop = 0; loop < 20000; ++loop) {
        timeline.startsAt(loopStart);
        timeline.queued(100);
        queued += 100;
        loopStart += 1.0;
        const qint64 piece = qMin<qint64>(random.bounded(1, 200), queued - written);
        timeline.written(piece);
        written += piece;
        const qint64 held = random.bounded(qMin<qint64>(written, 20));
        const std::optional<double> heard = timeline.heard(held);
        QVERIFY(heard);
        QVERIFY2(qAbs(*heard - double(written - held) / 100) < 1e-9,
                 qPrintable(QStringLiteral("loop %1: %2").arg(loop).arg(*heard)));
        QVERIFY(*heard >= last - 0.2);
        last = *heard;
    }
}

QTEST_GUILESS_MAIN(SoundTimelineTest)
#include "tst_sound_timeline.moc"
