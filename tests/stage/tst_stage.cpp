#include "stage/stage.h"
#include "stage/stage_clock.h"
#include "stage/window_view.h"
#include "support/colour_pictures.h"
#include "support/manual_clock.h"

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

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
    void eachKindOfWindowTimesItsItems_data();
    void eachKindOfWindowTimesItsItems();
    void transparencyByKindOfWindow_data();
    void transparencyByKindOfWindow();
    void stackingAndLetterbox();
    void itemsThatCannotShow();
    void filesSwappedAfterTheStart();
    void slowDecodesStillSwitchEveryWindow();
    void outlinesShowEveryWindow();
    void reloadKeepsWhatDidNotChange();
    void mediaThatAppearIsTaken();
    void transparencyShowsTheWindowBeneath_data();
    void transparencyShowsTheWindowBeneath();
    void picturesAreSharpOnAScaledScreen_data();
    void picturesAreSharpOnAScaledScreen();
    void turnedForAPanelMountedTurned_data();
    void turnedForAPanelMountedTurned();
    void aPreparedChangeTakesItsShapeAtItsInstant();

private:
    QColor colourAt(Stage& stage, QPoint at) { return stage.grab().toImage().pixelColor(at); }
    QTemporaryDir media_;
};

void StageTest::initTestCase()
{
    QVERIFY(test::writeColourPictures(media_.path()));
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
        {WindowRole::Picture, 1, QRect(0, 0, 960, 1080), {"red.png", "green.png"}, 2000},
        {WindowRole::Picture, 2, QRect(960, 0, 960, 1080), {"blue.png", "yellow.png"}, 3000}};
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

void StageTest::eachKindOfWindowTimesItsItems_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<qint64>("pictureMs");
    // What shows from the start and after each change, and when each next
    // change is due.
    QTest::addColumn<QList<QColor>>("colours");
    QTest::addColumn<QList<qint64>>("changes");
    const int picture = int(WindowRole::Picture), video = int(WindowRole::Video);
    const QColor red(Qt::red), green(Qt::green), grey(48, 48, 48);
    QTest::newRow("picture window")
        << picture << QStringList{"red.png", "green.png"} << 2000ll
        << QList<QColor>{red, green, red} << QList<qint64>{2000, 4000, 6000};
    QTest::newRow("picture window, switch time 0")
        << picture << QStringList{"red.png", "green.png"} << 0ll << QList<QColor>{red}
        << QList<qint64>{kNever};
    QTest::newRow("picture window, a missing file")
        << picture << QStringList{"missing.png", "red.png"} << 3000ll
        << QList<QColor>{grey, red, grey} << QList<qint64>{3000, 6000, 9000};
    // The video window shows a picture for its own time, whatever the
    // window's switch time says.
    QTest::newRow("video window") << video << QStringList{"red.png", "green.png"} << 2000ll
                                  << QList<QColor>{red, green, red}
                                  << QList<qint64>{10000, 20000, 30000};
    QTest::newRow("video window, one picture")
        << video << QStringList{"red.png"} << 2000ll << QList<QColor>{red} << QList<qint64>{kNever};
    QTest::newRow("video window, a missing file")
        << video << QStringList{"missing.png", "red.png"} << 2000ll
        << QList<QColor>{grey, red, grey} << QList<qint64>{10000, 20000, 30000};
}

// A picture window switches on its switch time, the video window shows each
// picture and each placeholder for ten seconds.
void StageTest::eachKindOfWindowTimesItsItems()
{
    QFETCH(int, role);
    QFETCH(QStringList, names);
    QFETCH(qint64, pictureMs);
    QFETCH(QList<QColor>, colours);
    QFETCH(QList<qint64>, changes);
    ManualClock clock;
    Stage stage({{WindowRole(role), 1, QRect(0, 0, 1920, 1080), names, pictureMs}}, media_.path(),
                clock);
    stage.resize(480, 270);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.settle();
    const WindowView* window = stage.windows().first();
    for (qsizetype k = 0; k < colours.size(); ++k) {
        QCOMPARE(colourAt(stage, {240, 135}), colours[k]);
        QCOMPARE(window->nextChange(), changes[k]);
        if (changes[k] == kNever)
            break;
        clock.now = changes[k];
        stage.refresh();
        stage.settle();
    }
}

void StageTest::transparencyByKindOfWindow_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("seeThrough");
    QTest::newRow("picture window") << int(WindowRole::Picture) << true;
    QTest::newRow("video window") << int(WindowRole::Video) << false;
}

// A picture window with a transparent picture has what lies beneath drawn
// again whenever it is drawn; the video window, beneath every other, never
// has, whatever its picture holds.
void StageTest::transparencyByKindOfWindow()
{
    QFETCH(int, role);
    QFETCH(bool, seeThrough);
    QTemporaryDir dir;
    QImage clear(64, 36, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    QVERIFY(clear.save(dir.filePath("clear.png")));
    ManualClock clock;
    Stage stage({{WindowRole(role), 1, QRect(0, 0, 960, 540), {"clear.png"}, 5000}}, dir.path(),
                clock);
    QSignalSpy shown(stage.windows().first(), &WindowView::shown);
    stage.resize(480, 270);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.settle();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(stage.windows().first()->testAttribute(Qt::WA_OpaquePaintEvent), !seeThrough);
}

void StageTest::stackingAndLetterbox()
{
    // A 4:3 area: the stage is 800 x 450 with black bars of 75 above and below.
    ManualClock clock;
    const QList<StageWindow> plan{
        {WindowRole::Picture, 1, QRect(0, 0, 1920, 1080), {"red.png"}, 5000},
        {WindowRole::Picture, 2, QRect(960, 540, 960, 540), {"blue.png"}, 5000},
        {WindowRole::Picture, 3, QRect(0, 540, 480, 540), {}, 5000},
        {WindowRole::Picture, 4, QRect(480, 0, 960, 540), {"square.png"}, 5000},
        // Reaching far past the screen's bottom right corner.
        {WindowRole::Picture, 5, QRect(1680, 945, 4896, 2754), {"yellow.png"}, 5000}};
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
    QCOMPARE(shown.pixelColor(600, 450), QColor(Qt::blue)); // slot 2 above slot 1
    // An empty list draws nothing: slot 1 beneath shows through.
    QCOMPARE(shown.pixelColor(100, 450), QColor(Qt::red));
    // A square picture in a wide window: as high as the window, centred,
    // black at its sides, never stretched.
    QCOMPARE(shown.pixelColor(250, 150), QColor(Qt::black)); // left of the square
    QCOMPARE(shown.pixelColor(400, 150), QColor(Qt::green)); // the square
    QCOMPARE(shown.pixelColor(400, 80), QColor(Qt::green));  // as high as the window
    QCOMPARE(shown.pixelColor(550, 150), QColor(Qt::black)); // right of it
    // A window past the screen's edge is cut there, never drawn into the bar,
    // and decoded no larger than the part on the screen.
    QCOMPARE(shown.pixelColor(750, 500), QColor(Qt::yellow));
    QCOMPARE(shown.pixelColor(750, 560), QColor(Qt::black));
    QCOMPARE(stage.windows().last()->drawnSize(), (DrawnSize{{2040, 1147}, {100, 56}}));
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
                                   QRect(0, 0, 1920, 1080),
                                   {"missing.png", "red.png", "broken.png"},
                                   1000}};
    Stage stage(plan, media_.path(), clock);
    QStringList told;
    stage.setProblemLog([&told](const QString& line) { told << line; });
    QList<StagePlay> plays;
    connect(&stage, &Stage::played, [&plays](const StagePlay& play) { plays << play; });
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
    // The placeholder names the folder searched.
    QCOMPARE(told.first(), "missing.png: not in " + QDir::toNativeSeparators(media_.path()));
    QVERIFY(told.last().startsWith("broken.png: "));
    // Each turn is told as it ends, a failed one with its reason.
    QCOMPARE(plays.size(), 8);
    for (int turn = 0; turn < plays.size(); ++turn) {
        QCOMPARE(plays[turn].name, plan.first().names[turn % 3]);
        QCOMPARE(plays[turn].startMs, turn * 1000);
        QCOMPARE(plays[turn].endMs, turn * 1000 + 1000);
        QCOMPARE(plays[turn].failure.isEmpty(), turn % 3 == 1);
        QVERIFY(!plays[turn].cutShort);
    }
    QCOMPARE(stage.problems().size(), 2);

    // Mended, the file shows at its next turn, and that is told once.
    QVERIFY(broken.remove() && QFile::copy(media_.filePath("red.png"), broken.fileName()));
    for (qint64 t = 9000; t < 12000; t += 1000) {
        clock.now = t;
        stage.refresh();
        stage.settle();
    }
    QCOMPARE(told.last(), "broken.png: works again");
    QVERIFY(stage.problems().last().clearedMs >= 11000);
    QCOMPARE(stage.problems().first().clearedMs, -1);
    stage.endTurns();
    QVERIFY(plays.last().cutShort);
    QCOMPARE(plays.last().name, "broken.png");
}

// Names are resolved when the show is built and opened when they are due: a
// FIFO or a link to a device swapped in meanwhile gets its placeholder, and
// neither that window nor any other stops.
void StageTest::filesSwappedAfterTheStart()
{
    QTemporaryDir dir;
    for (const char* name : {"red.png", "blue.png", "fifo.png", "zero.png"})
        QVERIFY(QFile::copy(media_.filePath(name[0] == 'b' || name[0] == 'r' ? name : "green.png"),
                            dir.filePath(name)));
    ManualClock clock;
    const QList<StageWindow> plan{
        {WindowRole::Picture, 1, QRect(0, 0, 960, 1080), {"red.png", "fifo.png"}, 1000},
        {WindowRole::Picture, 2, QRect(960, 0, 960, 1080), {"blue.png", "zero.png"}, 1000}};
    Stage stage(plan, dir.path(), clock);
    QStringList told;
    stage.setProblemLog([&told](const QString& line) { told << line; });
    QVERIFY(QFile::remove(dir.filePath("fifo.png")) && QFile::remove(dir.filePath("zero.png")));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo.png")).constData(), 0600), 0);
    QVERIFY(QFile::link("/dev/zero", dir.filePath("zero.png")));
    stage.resize(480, 270);
    stage.show();
    const QColor grey(48, 48, 48);
    for (qint64 t = 0; t <= 4000; t += 1000) {
        clock.now = t;
        stage.refresh();
        stage.settle();
        const bool first = t % 2000 == 0;
        QCOMPARE(colourAt(stage, {100, 100}), first ? QColor(Qt::red) : grey);
        QCOMPARE(colourAt(stage, {400, 100}), first ? QColor(Qt::blue) : grey);
    }
    QCOMPARE(told, (QStringList{"fifo.png: not a regular file", "zero.png: a link, not a file"}));
}

// Ten windows switching every second between two large pictures, on the
// real clock: every window keeps switching, none waits behind the others.
void StageTest::slowDecodesStillSwitchEveryWindow()
{
    QTemporaryDir dir;
    for (const auto& [name, colour] : {std::pair{"a.jpg", QColor(Qt::red)}, {"b.jpg", Qt::blue}}) {
        QImage big(4000, 4000, QImage::Format_RGB32);
        big.fill(colour);
        QVERIFY(big.save(dir.filePath(name), "JPG", 95));
    }
    QList<StageWindow> plan;
    for (int slot = 1; slot <= 10; ++slot)
        plan.append({WindowRole::Picture, slot,
                     QRect((slot - 1) % 5 * 384, (slot - 1) / 5 * 540, 384, 540),
                     QStringList{"a.jpg", "b.jpg"}, 1000});
    SteadyClock clock;
    Stage stage(plan, dir.path(), clock);
    QList<QSet<QRgb>> seen(10);
    for (int k = 0; k < 10; ++k)
        connect(stage.windows()[k], &WindowView::shown, this, [&stage, &seen, k] {
            seen[k] << stage.windows()[k]->grab().toImage().pixel(96, 135);
        });
    stage.resize(960, 540);
    stage.show();
    QTRY_VERIFY_WITH_TIMEOUT(
        std::all_of(seen.begin(), seen.end(),
                    [](const QSet<QRgb>& colours) { return colours.size() >= 2; }),
        20000);
}

// O draws every window's edge, an empty one's too, over what plays; again O
// takes them away.
void StageTest::outlinesShowEveryWindow()
{
    ManualClock clock;
    const QList<StageWindow> plan{
        {WindowRole::Picture, 1, QRect(0, 0, 960, 1080), {"red.png"}, 5000},
        {WindowRole::Picture, 2, QRect(960, 0, 960, 1080), {}, 5000}};
    Stage stage(plan, media_.path(), clock);
    stage.resize(480, 270);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.settle();
    const QPoint redEdge(0, 135);
    const QPoint emptyEdge(479, 135);
    QCOMPARE(colourAt(stage, redEdge), QColor(Qt::red));
    QCOMPARE(colourAt(stage, emptyEdge), QColor(Qt::black));
    stage.setOutlined(true);
    QCOMPARE(colourAt(stage, redEdge), QColor(Qt::yellow));
    QCOMPARE(colourAt(stage, emptyEdge), QColor(Qt::yellow));
    stage.setOutlined(false);
    QCOMPARE(colourAt(stage, redEdge), QColor(Qt::red));
}

// A reloaded layout: the unchanged window goes on with its item and
// schedule; the changed one starts its list afresh once its first picture is
// there, and the old one shows until then.
void StageTest::reloadKeepsWhatDidNotChange()
{
    ManualClock clock;
    const StageWindow left{
        WindowRole::Picture, 1, QRect(0, 0, 960, 1080), {"red.png", "green.png"}, 2000};
    const StageWindow right{WindowRole::Picture, 2, QRect(960, 0, 960, 1080), {"blue.png"}, 5000};
    Stage stage({left, right}, media_.path(), clock);
    stage.resize(480, 270);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.settle();
    clock.now = 2500;
    stage.refresh();
    stage.settle();
    QCOMPARE(colourAt(stage, {120, 135}), QColor(Qt::green));
    WindowView* kept = stage.windows().first();

    StageWindow changed = right;
    changed.names = {"yellow.png", "red.png"};
    QCOMPARE(stage.reload({left, changed}), 1);
    QCOMPARE(stage.windows().first(), kept);
    // Until the new window's picture is there, the old one shows.
    QCOMPARE(colourAt(stage, {360, 135}), QColor(Qt::blue));
    QTRY_COMPARE(colourAt(stage, {360, 135}), QColor(Qt::yellow));
    QCOMPARE(colourAt(stage, {120, 135}), QColor(Qt::green));
    // The kept window switches on its old schedule, the new one on its own
    // from the moment of the reload.
    clock.now = 4000;
    stage.refresh();
    stage.settle();
    QCOMPARE(colourAt(stage, {120, 135}), QColor(Qt::red));
    QCOMPARE(colourAt(stage, {360, 135}), QColor(Qt::yellow));
    clock.now = 7500;
    stage.refresh();
    stage.settle();
    QCOMPARE(colourAt(stage, {360, 135}), QColor(Qt::red));
}

// A picture copied in after the start replaces its placeholder by itself.
void StageTest::mediaThatAppearIsTaken()
{
    QTemporaryDir media;
    ManualClock clock;
    Stage stage({{WindowRole::Picture, 1, QRect(0, 0, 1920, 1080), {"late.png"}, 5000}},
                media.path(), clock);
    stage.resize(480, 270);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.settle();
    QCOMPARE(colourAt(stage, {240, 135}), QColor(48, 48, 48));
    QVERIFY(QFile::copy(media_.filePath("green.png"), media.filePath("late.png")));
    QCOMPARE(stage.refreshMedia(MediaResolver(media.path())), QStringList{"late.png"});
    QTRY_COMPARE(colourAt(stage, {240, 135}), QColor(Qt::green));
}

void StageTest::transparencyShowsTheWindowBeneath_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QColor>("stored"); // every pixel of the picture, alpha included
    QTest::addColumn<QColor>("shown");  // over the blue window beneath
    const int argb = QImage::Format_ARGB32;
    QTest::newRow("opaque") << int(QImage::Format_RGB32) << QColor(Qt::red) << QColor(Qt::red);
    QTest::newRow("alpha channel, all opaque") << argb << QColor(Qt::red) << QColor(Qt::red);
    QTest::newRow("half transparent") << argb << QColor(255, 0, 0, 128) << QColor(128, 0, 127);
    QTest::newRow("transparent magenta") << argb << QColor(255, 0, 255, 0) << QColor(Qt::blue);
}

// A picture window above another: where the picture is transparent the
// window beneath shows through, blended as the alpha says, whatever colour
// the transparent pixels store; the letterbox bands stay black.
void StageTest::transparencyShowsTheWindowBeneath()
{
    QFETCH(int, format);
    QFETCH(QColor, stored);
    QFETCH(QColor, shown);
    QTemporaryDir dir;
    QImage picture(64, 36, QImage::Format(format));
    picture.fill(stored);
    QVERIFY(picture.save(dir.filePath("above.png")));
    QCOMPARE(QImage(dir.filePath("above.png")).pixelColor(0, 0), stored);
    QVERIFY(QFile::copy(media_.filePath("blue.png"), dir.filePath("blue.png")));
    ManualClock clock;
    // The wide picture in a tall window: bands above and below it.
    Stage stage({{WindowRole::Picture, 1, QRect(0, 0, 1920, 1080), {"blue.png"}, 5000},
                 {WindowRole::Picture, 2, QRect(0, 0, 960, 1080), {"above.png"}, 5000}},
                dir.path(), clock);
    stage.resize(480, 270);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.settle();
    const QImage grabbed = stage.grab().toImage();
    const QColor middle = grabbed.pixelColor(120, 135);
    QVERIFY2(qAbs(middle.red() - shown.red()) <= 2 && middle.green() == 0 &&
                 qAbs(middle.blue() - shown.blue()) <= 2,
             qPrintable(middle.name()));
    QCOMPARE(grabbed.pixelColor(120, 20), QColor(Qt::black)); // the band above the picture
    // Only a picture with transparent pixels has what lies beneath drawn
    // again whenever its window is.
    QCOMPARE(stage.windows().last()->testAttribute(Qt::WA_OpaquePaintEvent), shown == stored);
}

void StageTest::picturesAreSharpOnAScaledScreen_data()
{
    QTest::addColumn<bool>("moved"); // shown first on the unscaled screen
    QTest::newRow("shown there") << false;
    QTest::newRow("moved there while showing") << true;
}

// On a screen scaled to 200 % a picture is decoded for the screen's pixels
// and lands on them one to one: columns one pixel wide stay sharp.
void StageTest::picturesAreSharpOnAScaledScreen()
{
    QFETCH(bool, moved);
    QScreen* scaled = QApplication::screens().value(1);
    if (!scaled || scaled->devicePixelRatio() != 2)
        QSKIP("no second screen scaled to 200 %");
    QTemporaryDir dir;
    QImage stripes(480, 270, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, x % 2 ? 0xffffffff : 0xff000000);
    QVERIFY(stripes.save(dir.filePath("stripes.png")));
    ManualClock clock;
    Stage stage({{WindowRole::Picture, 1, QRect(0, 0, 1920, 1080), {"stripes.png"}, 5000}},
                dir.path(), clock);
    stage.resize(240, 135);
    stage.move((moved ? QApplication::primaryScreen() : scaled)->geometry().topLeft());
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.settle();
    const WindowView* window = stage.windows().first();
    if (moved) {
        QCOMPARE(window->drawnSize(), (DrawnSize{{240, 135}, {240, 135}}));
        stage.move(scaled->geometry().topLeft());
        QCOMPARE(window->drawnSize(), (DrawnSize{{480, 270}, {480, 270}}));
        // The platform keeps the window's device pixels on another screen:
        // sized back as a full-screen window would be.
        QCoreApplication::processEvents();
        stage.resize(240, 135);
    }
    QCOMPARE(window->drawnSize(), (DrawnSize{{480, 270}, {480, 270}}));
    stage.settle();
    const QImage grabbed = stage.grab().toImage();
    QCOMPARE(grabbed.size(), QSize(480, 270));
    for (int x = 0; x < grabbed.width(); ++x)
        QCOMPARE(grabbed.pixel(x, 100), stripes.pixel(x, 100));
}

// A schedule's next layout is for a portrait screen: its windows and the
// stage's new shape come together at the instant, the landscape stage whole
// until then. On a square area both letterbox.
void StageTest::aPreparedChangeTakesItsShapeAtItsInstant()
{
    ManualClock clock;
    Stage stage({{WindowRole::Picture, 1, QRect(0, 0, 1920, 1080), {"red.png"}, 5000}},
                media_.path(), clock);
    stage.resize(480, 480);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.settle();
    QSignalSpy shaped(&stage, &Stage::shapeChanged);
    stage.reload({{WindowRole::Picture,
                   1,
                   QRect(0, 0, 1080, 1920),
                   {"blue.png"},
                   5000,
                   ScreenShape::Portrait}},
                 MediaResolver(media_.path()), Stage::Changed::StartAfresh, {1000, {}, false});
    stage.settle();
    for (const bool changed : {false, true}) {
        clock.now = changed ? 1000 : 999;
        stage.refresh();
        QCOMPARE(stage.shape(), changed ? ScreenShape::Portrait : ScreenShape::Landscape);
        QCOMPARE(shaped.size(), int(changed));
        // Left of the portrait stage, in the landscape one.
        QCOMPARE(colourAt(stage, {20, 240}), changed ? QColor(Qt::black) : QColor(Qt::red));
        QCOMPARE(colourAt(stage, {240, 240}), changed ? QColor(Qt::blue) : QColor(Qt::red));
    }
}

int main(int argc, char** argv)
{
    // Offscreen gets a second screen, scaled to 200 %, beside the first.
    QTemporaryDir screens;
    QFile config(screens.filePath("screens.json"));
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && config.open(QIODevice::WriteOnly) &&
        config.write(R"({"screens": [{"name": "plain", "width": 1920, "height": 1080},
            {"name": "scaled", "x": 1920, "width": 3840, "height": 2160,
             "logicalDpi": 192, "logicalBaseDpi": 96}]})") > 0) {
        config.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
    }
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    StageTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_stage.moc"

void StageTest::turnedForAPanelMountedTurned_data()
{
    // The viewer sees a quarter-size stage: slot 1 in the top left quarter
    // with a picture red on its left and blue on its right, slot 2 green in
    // the bottom right quarter. The panel shows it turned clockwise.
    QTest::addColumn<int>("turns");
    QTest::addColumn<QSize>("panel");
    QTest::addColumn<QRect>("slot1");      // where slot 1 lies on the panel
    QTest::addColumn<QList<QPoint>>("at"); // red, blue, green, black
    QTest::newRow("upright") << 0 << QSize(480, 270) << QRect(0, 0, 240, 135)
                             << QList<QPoint>{{60, 67}, {180, 67}, {360, 200}, {360, 67}};
    QTest::newRow("a quarter turn") << 1 << QSize(270, 480) << QRect(135, 0, 135, 240)
                                    << QList<QPoint>{{203, 60}, {203, 180}, {70, 360}, {203, 360}};
    QTest::newRow("upside down") << 2 << QSize(480, 270) << QRect(240, 135, 240, 135)
                                 << QList<QPoint>{{420, 203}, {300, 203}, {120, 70}, {120, 203}};
    QTest::newRow("three quarter turns")
        << 3 << QSize(270, 480) << QRect(0, 240, 135, 240)
        << QList<QPoint>{{67, 420}, {67, 300}, {200, 120}, {67, 120}};
}

void StageTest::turnedForAPanelMountedTurned()
{
    QFETCH(int, turns);
    QFETCH(QSize, panel);
    QFETCH(QRect, slot1);
    QFETCH(QList<QPoint>, at);
    QImage halves(64, 36, QImage::Format_RGB32);
    halves.fill(Qt::red);
    for (int y = 0; y < 36; ++y)
        for (int x = 32; x < 64; ++x)
            halves.setPixelColor(x, y, Qt::blue);
    QVERIFY(halves.save(media_.filePath("halves.png")));
    ManualClock clock;
    Stage stage({{WindowRole::Picture, 1, QRect(0, 0, 960, 540), {"halves.png"}, 5000},
                 {WindowRole::Picture, 2, QRect(960, 540, 960, 540), {"green.png"}, 5000}},
                media_.path(), clock);
    stage.setTurns(turns);
    stage.resize(panel);
    stage.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stage));
    stage.settle();
    QCOMPARE(stage.windows().first()->geometry(), slot1);
    // Decoded at the size the viewer sees, turned only at the end.
    QCOMPARE(stage.windows().first()->drawnSize(), (DrawnSize{{240, 135}, {240, 135}, turns}));
    const QImage shown = stage.grab().toImage();
    const QColor expected[] = {Qt::red, Qt::blue, Qt::green, Qt::black};
    for (int i = 0; i < 4; ++i)
        QVERIFY2(shown.pixelColor(at[i]) == expected[i],
                 qPrintable(QStringLiteral("%1 at %2,%3")
                                .arg(shown.pixelColor(at[i]).name())
                                .arg(at[i].x())
                                .arg(at[i].y())));
    // The outlines turn with the show: slot 1's edge is where its window is.
    stage.setOutlined(true);
    const QImage outlined = stage.grab().toImage();
    QCOMPARE(outlined.pixelColor(slot1.center().x(), slot1.top()), QColor(Qt::yellow));
}
