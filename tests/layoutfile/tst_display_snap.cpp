#include "layoutfile/display_snap.h"
#include "layoutfile/screen_place.h"

#include <QRandomGenerator>
#include <QTest>

using namespace tv;

// Snapping puts windows where the file holds them, and windows that meet on
// the canvas meet on the display.
class DisplaySnapTest : public QObject {
    Q_OBJECT
private slots:
    void landsOnTheFilesSteps();
    void meetsTheNearbyEdge_data();
    void meetsTheNearbyEdge();
    void arrowsMoveOneStep_data();
    void arrowsMoveOneStep();
};

void DisplaySnapTest::landsOnTheFilesSteps()
{
    QRandomGenerator random(2026);
    for (int n = 0; n < 2000; ++n) {
        const float width = float(random.bounded(100, 7201));
        const float height = float(random.bounded(100, 4051));
        const TwipsRect rect{float(random.bounded(7200.0 - width)),
                             float(random.bounded(4050.0 - height)), width, height};
        for (SnapEdit edit : {SnapEdit::Move, SnapEdit::Resize, SnapEdit::Place}) {
            const TwipsRect snapped = snappedToDisplay(rect, {}, edit);
            QVERIFY2(fileHoldsPlace(snapped), qPrintable(QString::number(n)));
            // Never further than a step's half from where it was put, except
            // where the screen's edge lies nearer.
            for (auto [was, is] :
                 {std::pair(rect.Left, snapped.Left), std::pair(rect.Top, snapped.Top)})
                QVERIFY2(std::fabs(was - is) <= 36.5f || is == 0,
                         qPrintable(QStringLiteral("%1: %2 -> %3").arg(n).arg(was).arg(is)));
        }
    }
}

void DisplaySnapTest::meetsTheNearbyEdge_data()
{
    QTest::addColumn<TwipsRect>("dragged");
    QTest::addColumn<int>("edit");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("width");
    // The neighbour ends at 4176 twips (58 %, 1114 px).
    QTest::newRow("left edge 3 px right of it")
        << TwipsRect{4187, 0, 2880, 2025} << int(SnapEdit::Move) << 4176.f << 2880.f;
    QTest::newRow("left edge 7 px left of it")
        << TwipsRect{4150, 0, 2880, 2025} << int(SnapEdit::Move) << 4176.f << 2880.f;
    QTest::newRow("14 px away: the nearest step instead")
        << TwipsRect{4230, 0, 2880, 2025} << int(SnapEdit::Move) << 4248.f << 2880.f;
    QTest::newRow("right edge near the screen's")
        << TwipsRect{4300, 0, 2880, 2025} << int(SnapEdit::Move) << 4320.f << 2880.f;
    QTest::newRow("corner dragged near the neighbour's left")
        << TwipsRect{0, 2100, 3050, 900} << int(SnapEdit::Resize) << 0.f << 3024.f;
}

void DisplaySnapTest::meetsTheNearbyEdge()
{
    QFETCH(TwipsRect, dragged);
    QFETCH(int, edit);
    QFETCH(float, left);
    QFETCH(float, width);
    const QList<TwipsRect> others{{0, 0, 4176, 2025}, {3024, 2100, 2000, 900}};
    const TwipsRect snapped = snappedToDisplay(dragged, others, SnapEdit(edit));
    QCOMPARE(snapped.Left, left);
    QCOMPARE(snapped.Width, width);
    if (left == 4176)
        QCOMPARE(screenPixels(snapped).left(), screenPixels(others[0]).right() + 1);
}

void DisplaySnapTest::arrowsMoveOneStep_data()
{
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<QRect>("expected"); // in screen pixels, from 10 %, 10 %, 20 %, 20 %
    QTest::newRow("right") << 1 << 0 << false << QRect(211, 108, 384, 216);
    QTest::newRow("ten down") << 0 << 10 << false << QRect(192, 216, 384, 216);
    QTest::newRow("far left stops at the edge") << -50 << 0 << false << QRect(0, 108, 384, 216);
    QTest::newRow("wider") << 1 << 0 << true << QRect(192, 108, 403, 216);
    QTest::newRow("never below one step") << -40 << -40 << true << QRect(192, 108, 19, 11);
    QTest::newRow("never past the screen") << 200 << 0 << true << QRect(192, 108, 1728, 216);
}

void DisplaySnapTest::arrowsMoveOneStep()
{
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(bool, stretch);
    QFETCH(QRect, expected);
    const TwipsRect start{720, 405, 1440, 810};
    const TwipsRect stepped = steppedWindow(start, dx, dy, stretch);
    QVERIFY(fileHoldsPlace(stepped));
    QCOMPARE(screenPixels(stepped), expected);
}

QTEST_APPLESS_MAIN(DisplaySnapTest)
#include "tst_display_snap.moc"
