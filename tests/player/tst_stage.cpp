#include "player/stage.h"
#include "player/stage_clock.h"
#include "player/window_view.h"
#include "support/manual_clock.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace tv;
using tv::test::ManualClock;

// The stage as the viewer sees it: grabbed to an image on a clock the test
// moves, with pictures made as solid colours.
class StageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void picturesSwitchOnTheClock_data();
    void picturesSwitchOnTheClock();
    void stackingAndLetterbox();
    void itemsThatCannotShow();

private:
    QColor colourAt(Stage& stage, QPoint at) { return stage.grab().toImage().pixelColor(at); }
    QTemporaryDir media_;
};

void StageTest::initTestCase()
{
    const std::pair<const char*, QColor> colours[] = {{"red.png", Qt::red},
                                                      {"green.png", Qt::green},
                                                      {"blue.png", Qt::blue},
                                                      {"yellow.png", Qt::yellow}};
    for (const auto& [name, colour] : colours) {
        QImage picture(64, 36, QImage::Format_RGB32);
        picture.fill(colour);
        QVERIFY(picture.save(media_.filePath(name)));
    }
    QImage square(40, 40, QImage::Format_RGB32);
    square.fill(Qt::green);
    QVERIFY(square.save(media_.filePath("square.png")));
}

void StageTest::picturesSwitchOnTheClock_data()
{
    QTest::addColumn<qint64>("t");
    QTest::addColumn<QColor>("left");  // every 2 s: red, green
    QTest::addColumn<QColor>("right"); // every 3 s: blue, yellow
    QTest::newRow("start") << 0ll << QColor(Qt::red) << QColor(Qt::blue);
    QTest::newRow("just before the first switch") << 1999ll << QColor(Qt::red) << QColor(Qt::blue);
    QTest::newRow("first switch") << 2000ll << QColor(Qt::green) << QColor(Qt::blue);
    QTest::newRow("other window's switch") << 3000ll << QColor(Qt::green) << QColor(Qt::yellow);
    QTest::newRow("loop") << 4000ll << QColor(Qt::red) << QColor(Qt::yellow);
    QTest::newRow("both at once") << 6000ll << QColor(Qt::green) << QColor(Qt::blue);
}

// Each window changes exactly on its own switch times, and at a switch the
// next picture is there at once: it was decoded ahead, nothing is black.
void StageTest::picturesSwitchOnTheClock()
{
    QFETCH(qint64, t);
    QFETCH(QColor, left);
    QFETCH(QColor, right);
    ManualClock clock;
    const QList<StageWindow> plan{
        {WindowRole::Picture, 1, QRectF(0, 0, 960, 1080), {"red.png", "green.png"}, 2000},
        {WindowRole::Picture, 2, QRectF(960, 0, 960, 1080), {"blue.png", "yellow.png"}, 3000}};
    Stage stage(plan, media_.path(), clock);
    stage.resize(960, 540);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.settle();
    // Step through every switch up to t, as the stage's own timer would.
    while (true) {
        qint64 next = kNever;
        for (const WindowView* window : stage.windows())
            next = std::min(next, window->nextChange());
        if (next > t)
            break;
        clock.now = next;
        stage.refresh();
        // No waiting: the picture due was decoded while the last one showed.
        QCOMPARE(colourAt(stage, {240, 270}), (next / 2000) % 2 ? Qt::green : Qt::red);
        QCOMPARE(colourAt(stage, {720, 270}), (next / 3000) % 2 ? Qt::yellow : Qt::blue);
        stage.settle();
    }
    clock.now = t;
    stage.refresh();
    QCOMPARE(colourAt(stage, {240, 270}), left);
    QCOMPARE(colourAt(stage, {720, 270}), right);
}

void StageTest::stackingAndLetterbox()
{
    // A 4:3 area: the stage is 800 x 450 with black bars of 75 above and below.
    ManualClock clock;
    const QList<StageWindow> plan{
        {WindowRole::Picture, 1, QRectF(0, 0, 1920, 1080), {"red.png"}, 5000},
        {WindowRole::Picture, 2, QRectF(960, 540, 960, 540), {"blue.png"}, 5000},
        {WindowRole::Picture, 3, QRectF(0, 540, 480, 540), {}, 5000},
        {WindowRole::Picture, 4, QRectF(480, 0, 960, 540), {"square.png"}, 5000}};
    Stage stage(plan, media_.path(), clock);
    stage.resize(800, 600);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.settle();
    QCOMPARE(stage.stageRect(), QRectF(0, 75, 800, 450));
    const QImage shown = stage.grab().toImage();
    QCOMPARE(shown.pixelColor(400, 30), QColor(Qt::black));  // the bar above
    QCOMPARE(shown.pixelColor(400, 570), QColor(Qt::black)); // the bar below
    QCOMPARE(shown.pixelColor(100, 150), QColor(Qt::red));
    QCOMPARE(shown.pixelColor(600, 450), QColor(Qt::blue));  // slot 2 above slot 1
    QCOMPARE(shown.pixelColor(100, 450), QColor(Qt::black)); // an empty list: black
    // A square picture in a wide window: as high as the window, centred,
    // black at its sides, never stretched.
    QCOMPARE(shown.pixelColor(250, 150), QColor(Qt::black)); // left of the square
    QCOMPARE(shown.pixelColor(400, 150), QColor(Qt::green)); // the square
    QCOMPARE(shown.pixelColor(400, 80), QColor(Qt::green));  // as high as the window
    QCOMPARE(shown.pixelColor(550, 150), QColor(Qt::black)); // right of it
}

void StageTest::itemsThatCannotShow()
{
    // A missing file and a file that is no picture show the dark grey
    // placeholder for their time, the show goes on, and each problem is told
    // once however often it comes round.
    QFile broken(media_.filePath("broken.png"));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not a picture") > 0);
    broken.close();
    ManualClock clock;
    const QList<StageWindow> plan{{WindowRole::Picture,
                                   1,
                                   QRectF(0, 0, 1920, 1080),
                                   {"missing.png", "red.png", "broken.png"},
                                   1000}};
    Stage stage(plan, media_.path(), clock);
    QStringList told;
    stage.setProblemLog([&told](const QString& line) { told << line; });
    stage.resize(480, 270);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    const QColor grey(48, 48, 48);
    const QColor expected[] = {grey, Qt::red, grey};
    for (qint64 t = 0; t < 9000; t += 1000) {
        clock.now = t;
        stage.refresh();
        stage.settle();
        QCOMPARE(colourAt(stage, {5, 5}), expected[(t / 1000) % 3]);
    }
    QCOMPARE(told.size(), 2);
    QCOMPARE(told.first(), QStringLiteral("missing.png: not in the media folder"));
    QVERIFY(told.last().startsWith("broken.png: "));
}

QTEST_MAIN(StageTest)
#include "tst_stage.moc"
