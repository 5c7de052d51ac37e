#include "layout/display_snap.h"
#include "layout/screen_place.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(tv::TwipsRect)
Q_DECLARE_METATYPE(tv::ScreenShape)

using namespace tv;

// Snapping puts windows where the file holds them, and windows that meet on
// the canvas meet on the display.
class DisplaySnapTest : public QObject {
    Q_OBJECT
private slots:
    void landsOnTheFilesSteps_data();
    void landsOnTheFilesSteps();
    void meetsTheNearbyEdge_data();
    void meetsTheNearbyEdge();
    void arrowsMoveOneStep_data();
    void arrowsMoveOneStep();
    void reachesTheScreensEdges_data();
    void reachesTheScreensEdges();
};

void DisplaySnapTest::landsOnTheFilesSteps_data()
{
    QTest::addColumn<ScreenShape>("shape");
    QTest::newRow("landscape") << ScreenShape::Landscape;
    QTest::newRow("portrait") << ScreenShape::Portrait;
}

void DisplaySnapTest::landsOnTheFilesSteps()
{
    QFETCH(ScreenShape, shape);
    const ScreenFrame frame = frameOf(shape);
    QRandomGenerator random(2026);
    for (int n = 0; n < 2000; ++n) {
        const float width = float(random.bounded(100, int(frame.widthTwips) + 1));
        const float height = float(random.bounded(100, int(frame.heightTwips) + 1));
        const TwipsRect rect{float(random.bounded(frame.widthTwips - width)),
                             float(random.bounded(frame.heightTwips - height)), width, height};
        for (SnapEdit edit : {SnapEdit::Move, SnapEdit::Resize, SnapEdit::Place}) {
            const TwipsRect snapped = snappedToDisplay(rect, {}, edit, shape);
            QVERIFY2(fileHoldsPlace(snapped, shape), qPrintable(QString::number(n)));
            // Never further than a step's half from where it was put, except
            // where the screen's edge lies nearer: a window kept at its size
            // then goes where its far edge meets the screen's.
            const QRect drawn = screenPixels(snapped, shape);
            // Half a step, and the twip a step's rounding down may take.
            for (auto [was, is, far, halfStep] :
                 {std::tuple(rect.Left, snapped.Left,
                             drawn.x() + drawn.width() == frame.widthPixels,
                             frame.widthTwips / 200.0 + 1.5),
                  std::tuple(rect.Top, snapped.Top,
                             drawn.y() + drawn.height() == frame.heightPixels,
                             frame.heightTwips / 200.0 + 1.5)})
                QVERIFY2(std::fabs(was - is) <= halfStep || is == 0 || far,
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
    QTest::addColumn<ScreenShape>("shape");
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<QRect>("expected"); // in screen pixels, from 10 %, 10 %, 20 %, 20 %
    const auto landscape = ScreenShape::Landscape;
    QTest::newRow("right") << landscape << 1 << 0 << false << QRect(211, 108, 384, 216);
    QTest::newRow("ten down") << landscape << 0 << 10 << false << QRect(192, 216, 384, 216);
    QTest::newRow("far left stops at the edge")
        << landscape << -50 << 0 << false << QRect(0, 108, 384, 216);
    QTest::newRow("wider") << landscape << 1 << 0 << true << QRect(192, 108, 403, 216);
    QTest::newRow("never below one step")
        << landscape << -40 << -40 << true << QRect(192, 108, 19, 11);
    QTest::newRow("never past the screen")
        << landscape << 200 << 0 << true << QRect(192, 108, 1728, 216);
    // The same steps on a portrait screen: 10.8 pixels across, 19.2 down.
    const auto portrait = ScreenShape::Portrait;
    QTest::newRow("portrait, right") << portrait << 1 << 0 << false << QRect(119, 192, 216, 384);
    QTest::newRow("portrait, ten down")
        << portrait << 0 << 10 << false << QRect(108, 384, 216, 384);
    QTest::newRow("portrait, far left stops at the edge")
        << portrait << -50 << 0 << false << QRect(0, 192, 216, 384);
    QTest::newRow("portrait, wider") << portrait << 1 << 0 << true << QRect(108, 192, 227, 384);
    QTest::newRow("portrait, never below one step")
        << portrait << -40 << -40 << true << QRect(108, 192, 11, 19);
    QTest::newRow("portrait, never past the screen")
        << portrait << 200 << 0 << true << QRect(108, 192, 972, 384);
}

void DisplaySnapTest::arrowsMoveOneStep()
{
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(bool, stretch);
    QFETCH(QRect, expected);
    QFETCH(ScreenShape, shape);
    const TwipsRect start = twipsOfPercentPlace({10, 10, 20, 20}, shape);
    const TwipsRect stepped = steppedWindow(start, dx, dy, stretch, shape);
    QVERIFY(fileHoldsPlace(stepped, shape));
    QCOMPARE(screenPixels(stepped, shape), expected);
}

void DisplaySnapTest::reachesTheScreensEdges_data()
{
    QTest::addColumn<TwipsRect>("rect");
    QTest::addColumn<int>("edit");
    QTest::addColumn<QString>("edges"); // that the display draws at the screen's, or "kept"
    const int resize = int(SnapEdit::Resize);
    const int move = int(SnapEdit::Move);
    const int place = int(SnapEdit::Place);
    QTest::newRow("corner to the canvas's last row, top off its step")
        << TwipsRect{180, 180, 1900, 3855} << resize << "bottom";
    QTest::newRow("corner to the right, left off its step")
        << TwipsRect{100, 180, 7085, 1000} << resize << "right";
    QTest::newRow("moved down, height off a step")
        << TwipsRect{0, 2996.25f, 720, 1031.75f} << move << "bottom";
    QTest::newRow("moved right, width off a step")
        << TwipsRect{4494.375f, 0, 2699.625f, 405} << move << "right";
    QTest::newRow("moved up and left") << TwipsRect{25, 12, 1000, 1000} << move << "left top";
    QTest::newRow("typed 1007 + 906 across")
        << TwipsRect{3776.25f, 0, 3397.5f, 405} << place << "right";
    QTest::newRow("typed 906 + 167 down")
        << TwipsRect{0, 3397.5f, 720, 626.25f} << place << "bottom";
    QTest::newRow("typed 8 + 1910 across")
        << TwipsRect{30, 0, 7162.5f, 405} << place << "left right";
    QTest::newRow("typed 5 + 1072 down")
        << TwipsRect{0, 18.75f, 720, 4020} << place << "top bottom";
    QTest::newRow("typed on the steps, to the bottom")
        << TwipsRect{1224, 1215, 3816, 2835} << place << "kept";
    QTest::newRow("typed on odd steps, to the bottom")
        << TwipsRect{72, 40, 720, 4009} << place << "kept";
}

void DisplaySnapTest::reachesTheScreensEdges()
{
    QFETCH(TwipsRect, rect);
    QFETCH(int, edit);
    QFETCH(QString, edges);
    // A neighbour away from every edge that must take no part.
    const TwipsRect snapped = snappedToDisplay(rect, {{6000, 2400, 300, 300}}, SnapEdit(edit));
    QVERIFY(fileHoldsPlace(snapped));
    if (edges == "kept") {
        QCOMPARE(snapped, rect);
        return;
    }
    const QRect drawn = screenPixels(snapped);
    const std::pair<const char*, bool> reached[] = {
        {"left", drawn.left() == 0},
        {"top", drawn.top() == 0},
        {"right", drawn.x() + drawn.width() == kScreenWidthPixels},
        {"bottom", drawn.y() + drawn.height() == kScreenHeightPixels}};
    for (const auto& [edge, there] : reached)
        QVERIFY2(there || !edges.contains(edge), edge);
}

QTEST_APPLESS_MAIN(DisplaySnapTest)
#include "tst_display_snap.moc"
