#include "display/live_show.h"
#include "display/report_keeper.h"
#include "display/report_writer.h"
#include "layout/layout_writer.h"
#include "report/metrics_text.h"
#include "report/play_log.h"
#include "show/schedule_reading.h"
#include "show/show_folder.h"
#include "show/show_manifest.h"
#include "show/show_watcher.h"
#include "stage/stage.h"
#include "support/colour_pictures.h"
#include "support/file_helpers.h"
#include "support/manual_clock.h"
#include "support/manual_wall_clock.h"
#include "support/mjpeg_avi.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace tv;

// A display following its show as files come, go and change: it changes
// only to a whole show, whatever order the files arrive in, and never shows
// a placeholder for a file a newer show took away.
class LiveShowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void syncOrderNeverShowsHalfAShow_data();
    void syncOrderNeverShowsHalfAShow();
    void anIncompleteShowIsTakenAfterTheGrace();
    void changedMediaAreTaken_data();
    void changedMediaAreTaken();
    void aChangeIsReadOnceSettled();
    void aTakenShowReachesEveryChangedWindowAtOnce_data();
    void aTakenShowReachesEveryChangedWindowAtOnce();
    void hashingNeitherDelaysTheShowNorItsEnd();
    void aScheduleChangesAtItsInstant();
    void aScheduleInTheSystemZoneFollowsIt();
    void aDisplayReportsWhatItShows();
    void theStageTakesTheShowsShape_data();
    void theStageTakesTheShowsShape();

private:
    static qint64 publishTwoLayouts(const QTemporaryDir& root, const QByteArray& schedule,
                                    const QTimeZone& zone, QTime at);
    // Two windows side by side, each with its own list.
    static QByteArray twoWindows(const QStringList& left, const QStringList& right,
                                 int switchSeconds = 5);
    QTemporaryDir media_;
};

namespace {

const QColor kGrey(48, 48, 48);

// The stage, the show it follows and what it logged.
struct Screenful {
    Screenful(const QString& layoutPath, const QString& folder, const QString& hashCache = {},
              WallClock* wall = nullptr)
    {
        stage.resize(480, 270);
        stage.setProblemLog([this](const QString& line) { log << line; });
        stage.show();
        live = std::make_unique<LiveShow>(
            stage, layoutPath, folder, clock, [this](const QString& line) { log << line; },
            MediaHandle::Links::Refused, hashCache, wall);
        read = std::make_unique<QSignalSpy>(live.get(), &LiveShow::readDone);
    }
    // Reads the show now and shows what it then shows.
    bool readAgain()
    {
        const auto before = read->count();
        live->reloadNow();
        return settled(before);
    }
    bool settled(qsizetype before)
    {
        // The first look is followed by the one that hashes: both are done.
        if (!QTest::qWaitFor([&] { return read->count() > before && !live->reading(); }, 10000))
            return false;
        stage.settle();
        stage.settle();
        return true;
    }
    QColor at(QPoint point) { return stage.grab().toImage().pixelColor(point); }
    // Near the left edge of each window, above its middle: a placeholder's text lies at
    // its middle.
    QList<QColor> sides() { return {at({12, 80}), at({252, 80})}; }

    test::ManualClock clock;
    Stage stage{{}, QString(), clock};
    QStringList log;
    std::unique_ptr<LiveShow> live;
    std::unique_ptr<QSignalSpy> read;
};

bool moveInto(const QString& from, const QString& to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace

QByteArray LiveShowTest::twoWindows(const QStringList& left, const QStringList& right,
                                    int switchSeconds)
{
    LayoutDescription layout;
    layout.pictures << LayoutWindow{{0, 0, 3600, 4050}, left, {}, 1}
                    << LayoutWindow{{3600, 0, 3600, 4050}, right, {}, 2};
    layout.switchTimes = {switchSeconds, 5};
    return std::get<QByteArray>(encodeLayout(layout));
}

void LiveShowTest::initTestCase()
{
    QVERIFY(test::writeColourPictures(media_.path()));
    for (const char* colour : {"red", "green", "blue", "yellow"}) {
        const QImage picture(media_.filePath(QString(colour) + ".png"));
        const QList<QImage> frames(6, picture);
        QVERIFY(test::writeMjpegAvi(media_.filePath(QString(colour) + ".avi"), frames, 4));
    }
}

void LiveShowTest::syncOrderNeverShowsHalfAShow_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 2u, 3u, 4u, 5u, 6u})
        QTest::addRow("order %u", seed) << seed;
}

// A sync tool brings the next show file by file, each written aside and
// renamed in place, and takes away the files the next show does not need,
// in any order.
void LiveShowTest::syncOrderNeverShowsHalfAShow()
{
    QFETCH(quint32, seed);
    QTemporaryDir root;
    const QString live = root.filePath("live"), next = root.filePath("next");
    QCOMPARE(publishShow(twoWindows({"red.png"}, {"green.png"}), media_.path(), live), QString());
    QCOMPARE(publishShow(twoWindows({"blue.png"}, {"yellow.png"}), media_.path(), next), QString());
    Screenful display(QDir(live).filePath(kShowLayoutName), live);
    QVERIFY(display.settled(0));
    const QList<QColor> first{Qt::red, Qt::green}, second{Qt::blue, Qt::yellow};
    QCOMPARE(display.sides(), first);

    QStringList steps; // "+name" brings a file of the next show, "-name" takes one away
    for (const QString& name : QDir(next).entryList(QDir::Files))
        steps << "+" + name;
    steps << "-red.png"
          << "-green.png";
    QRandomGenerator random(seed);
    std::shuffle(steps.begin(), steps.end(), random);
    int brought = 0;
    for (const QString& step : steps) {
        const QString name = step.mid(1);
        if (step.startsWith('+')) {
            QVERIFY(QFile::copy(QDir(next).filePath(name), QDir(live).filePath(".part")));
            QVERIFY(moveInto(QDir(live).filePath(".part"), QDir(live).filePath(name)));
            ++brought;
        } else {
            QVERIFY(QFile::remove(QDir(live).filePath(name)));
        }
        QVERIFY(display.readAgain());
        const bool whole = brought == QDir(next).entryList(QDir::Files).size();
        QCOMPARE(display.sides(), whole ? second : first);
    }
    // Each show waited for is told once.
    const QStringList waits = display.log.filter("waiting for");
    QCOMPARE(QSet<QString>(waits.begin(), waits.end()).size(), waits.size());
}

// The files of a show that never all come: after the grace the show is
// taken as it is, the missing ones told by name.
void LiveShowTest::anIncompleteShowIsTakenAfterTheGrace()
{
    QTemporaryDir root;
    const QString live = root.filePath("live"), next = root.filePath("next");
    QCOMPARE(publishShow(twoWindows({"red.png"}, {"green.png"}), media_.path(), live), QString());
    QCOMPARE(publishShow(twoWindows({"blue.png"}, {"green.png"}), media_.path(), next), QString());
    Screenful display(QDir(live).filePath(kShowLayoutName), live);
    QVERIFY(display.settled(0));
    for (const char* name : {kShowManifestName, kShowLayoutName}) {
        QVERIFY(QFile::remove(QDir(live).filePath(name)));
        QVERIFY(QFile::copy(QDir(next).filePath(name), QDir(live).filePath(name)));
    }
    QVERIFY(display.readAgain());
    QVERIFY(display.live->waitingFor().has_value());
    QCOMPARE(display.sides(), (QList<QColor>{Qt::red, Qt::green}));
    QCOMPARE(display.log.filter("waiting for 1 of 3 files of show ").size(), 1);

    display.clock.now = LiveShow::kGraceMs - 1;
    display.live->poll();
    QVERIFY(display.live->waitingFor().has_value());
    const auto before = display.read->count();
    display.clock.now = LiveShow::kGraceMs;
    display.live->poll();
    QVERIFY(display.settled(before));
    QCOMPARE(display.sides(), (QList<QColor>{kGrey, Qt::green}));
    QVERIFY2(!display.log.filter("without blue.png").isEmpty(), qPrintable(display.log.join('\n')));
    QVERIFY(!display.live->waitingFor());
}

void LiveShowTest::changedMediaAreTaken_data()
{
    QTest::addColumn<QStringList>("left"); // the left window's list; "shown" changes
    QTest::addColumn<bool>("removedFirst");
    QTest::addColumn<bool>("inPlace"); // written over, not renamed in
    QTest::newRow("one picture, replaced") << QStringList{"shown.png"} << false << false;
    QTest::newRow("one picture, removed and restored") << QStringList{"shown.png"} << true << false;
    QTest::newRow("one picture, written in place") << QStringList{"shown.png"} << false << true;
    QTest::newRow("two pictures, replaced")
        << QStringList{"shown.png", "other.png"} << false << false;
    QTest::newRow("one looping clip, replaced") << QStringList{"shown.avi"} << false << false;
    QTest::newRow("one looping clip, removed and restored")
        << QStringList{"shown.avi"} << true << false;
    QTest::newRow("one looping clip, written in place")
        << QStringList{"shown.avi"} << false << true;
}

// In a plain media folder a file written anew is taken: a window's only
// picture at once, a looping clip at its loop, others when they come round;
// a file removed leaves what is shown as it is until it is back.
void LiveShowTest::changedMediaAreTaken()
{
    QFETCH(QStringList, left);
    QFETCH(bool, removedFirst);
    QFETCH(bool, inPlace);
    const QString shown = left.first(), type = shown.mid(shown.indexOf('.'));
    QTemporaryDir folder;
    QByteArray layout = twoWindows(left, {"green.png"});
    if (type == ".avi") {
        LayoutDescription clips;
        clips.video = LayoutWindow{{0, 0, 3600, 4050}, left, {}, 1};
        clips.pictures << LayoutWindow{{3600, 0, 3600, 4050}, {"green.png"}, {}, 2};
        clips.switchTimes = {5};
        layout = std::get<QByteArray>(encodeLayout(clips));
    }
    QVERIFY(test::put(folder.filePath("plain.TXT"), layout));
    QVERIFY(QFile::copy(media_.filePath("red" + type), folder.filePath(shown)));
    QVERIFY(QFile::copy(media_.filePath("yellow.png"), folder.filePath("other.png")));
    QVERIFY(QFile::copy(media_.filePath("green.png"), folder.filePath("green.png")));
    Screenful display(folder.filePath("plain.TXT"), folder.path());
    QVERIFY(display.settled(0));
    auto near = [](QColor a, QColor b) {
        return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) <
               60;
    };
    QTRY_VERIFY(near(display.at({120, 135}), Qt::red));
    if (removedFirst) {
        QVERIFY(QFile::remove(folder.filePath(shown)));
        QVERIFY(display.readAgain());
        // What is shown goes on.
        QVERIFY(near(display.at({120, 135}), Qt::red));
    }
    if (inPlace) {
        QFile file(folder.filePath(shown));
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray blue = test::contentOf(media_.filePath("blue" + type));
        QVERIFY(file.write(blue) == blue.size() && file.resize(blue.size()));
    } else {
        QVERIFY(QFile::copy(media_.filePath("blue" + type), folder.filePath(".part")));
        QVERIFY(moveInto(folder.filePath(".part"), folder.filePath(shown)));
    }
    QVERIFY(display.readAgain());
    if (left.size() > 1) {
        QCOMPARE(display.at({120, 135}), QColor(Qt::red));
        for (qint64 t : {5000, 10000}) { // round to the other picture and back
            display.clock.now = t;
            display.stage.refresh();
            display.stage.settle();
        }
    }
    QTRY_VERIFY(near(display.at({120, 135}), Qt::blue));
    QCOMPARE(display.at({360, 135}), QColor(Qt::green));
    // Nothing half-written was decoded on the way.
    QCOMPARE(display.log.filter(shown + ":").filter(QRegularExpression(": (?!changed since)")),
             QStringList());
}

// A layout being written is read only once it has rested kSettleMs on the
// display's clock.
void LiveShowTest::aChangeIsReadOnceSettled()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("plain.TXT");
    QVERIFY(test::put(path, twoWindows({"red.png"}, {})));
    QVERIFY(QFile::copy(media_.filePath("red.png"), folder.filePath("red.png")));
    Screenful display(path, folder.path());
    QVERIFY(display.settled(0));
    const auto before = display.read->count();
    QVERIFY(test::put(path, twoWindows({"red.png"}, {"red.png"})));
    QTRY_VERIFY(display.live->changePending());
    display.clock.now += LiveShow::kSettleMs - 1;
    display.live->poll();
    QCOMPARE(display.read->count(), before);
    display.clock.now += 1;
    display.live->poll();
    QVERIFY(display.settled(before));
    QCOMPARE(display.sides(), (QList<QColor>{Qt::red, Qt::red}));
    QCOMPARE(display.log.filter("reloaded ").size(), 1);
}

void LiveShowTest::aTakenShowReachesEveryChangedWindowAtOnce_data()
{
    QTest::addColumn<int>("switchSeconds");
    QTest::addColumn<QStringList>("left"); // "a.png" is shown and changes
    QTest::newRow("an hour, two pictures") << 3600 << QStringList{"a.png", "b.png"};
    QTest::newRow("a minute, two pictures") << 60 << QStringList{"a.png", "b.png"};
    QTest::newRow("0, two pictures") << 0 << QStringList{"a.png", "b.png"};
    QTest::newRow("0, one picture") << 0 << QStringList{"a.png"};
}

// Republished, a show reaches the screen whole: a window whose files
// changed starts its list again at once, whatever its switch time, while
// the others go on.
void LiveShowTest::aTakenShowReachesEveryChangedWindowAtOnce()
{
    QFETCH(int, switchSeconds);
    QFETCH(QStringList, left);
    QTemporaryDir media, root;
    const QString live = root.filePath("live");
    for (const auto& [name, colour] : {std::pair{"a.png", "red"}, {"b.png", "yellow"}})
        QVERIFY(QFile::copy(media_.filePath(QString(colour) + ".png"), media.filePath(name)));
    QVERIFY(QFile::copy(media_.filePath("green.png"), media.filePath("green.png")));
    const QByteArray layout = twoWindows(left, {"green.png"}, switchSeconds);
    QCOMPARE(publishShow(layout, media.path(), live), QString());
    Screenful display(QDir(live).filePath(kShowLayoutName), live);
    QVERIFY(display.settled(0));
    display.clock.now = 2000; // well within every switch time
    display.stage.refresh();
    QCOMPARE(display.sides(), (QList<QColor>{Qt::red, Qt::green}));

    QVERIFY(QFile::remove(media.filePath("a.png")));
    QVERIFY(QFile::copy(media_.filePath("blue.png"), media.filePath("a.png")));
    QCOMPARE(publishShow(layout, media.path(), live), QString());
    QVERIFY(display.readAgain());
    QCOMPARE(display.sides(), (QList<QColor>{Qt::blue, Qt::green}));
    QVERIFY2(
        display.log.filter(QRegularExpression("^took show .*: 1 of 2 windows went on$")).size() ==
            1,
        qPrintable(display.log.join('\n')));
    // Only the medium that changed is named; green.png is the same bytes.
    const QStringList retaken = display.log.filter("took new content");
    QCOMPARE(retaken.size(), 1);
    QVERIFY2(retaken[0].contains(QRegularExpression("^show \\S+ took new content for a.png$")),
             qPrintable(retaken[0]));
}

// A clip of gigabytes in a show: the show is on the screen before it is
// hashed, and the display ends at once while it is hashed.
void LiveShowTest::hashingNeitherDelaysTheShowNorItsEnd()
{
    QTemporaryDir root;
    const QString live = root.filePath("live");
    QCOMPARE(publishShow(twoWindows({"red.png"}, {"green.png"}), media_.path(), live), QString());
    // A listed file of 4 GB (sparse: it costs no disk), hashed at several
    // hundred megabytes a second at best.
    QFile big(QDir(live).filePath("big.mp4"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(4) << 30));
    big.close();
    const QString manifestPath = QDir(live).filePath(kShowManifestName);
    QString why;
    auto manifest = decodeManifest(test::contentOf(manifestPath), &why);
    QVERIFY2(manifest, qPrintable(why));
    manifest->files.append({"big.mp4", big.size(), QByteArray(64, '0')});
    QVERIFY(test::put(manifestPath, encodeManifest(*manifest)));

    const QString cache = root.filePath("state/hashes");
    auto display = std::make_unique<Screenful>(QDir(live).filePath(kShowLayoutName), live, cache);
    QVERIFY(QTest::qWaitFor([&] { return display->read->count() > 0; }, 10000));
    display->stage.settle();
    QCOMPARE(display->sides(), (QList<QColor>{Qt::red, Qt::green}));
    QVERIFY(display->live->reading()); // the hashing goes on
    // Ended, the display stops hashing rather than finish (which would keep
    // what it hashed): its end does not wait for the big file.
    display.reset();
    QVERIFY(!QFileInfo::exists(cache));
}

// A schedule's change lands at its instant: the next layout is read and its
// first items decoded before it, nothing on the screen changes until then,
// and the window both layouts share goes on untouched.
// Publishes a schedule of two layouts, morning.TXT (red, green) and noon.TXT
// (red, blue), into `root`/live. The instant two days after it was published
// at `at` in `zone`: a clock before the publish time is not believed.
qint64 LiveShowTest::publishTwoLayouts(const QTemporaryDir& root, const QByteArray& schedule,
                                       const QTimeZone& zone, QTime at)
{
    const QString source = root.filePath("source"), live = root.filePath("live");
    if (!QDir().mkpath(source) || !test::writeColourPictures(source) ||
        !test::put(QDir(source).filePath("morning.TXT"), twoWindows({"red.png"}, {"green.png"})) ||
        !test::put(QDir(source).filePath("noon.TXT"), twoWindows({"red.png"}, {"blue.png"})))
        return -1;
    const QString schedulePath = QDir(source).filePath("cafe.schedule");
    if (!test::put(schedulePath, schedule))
        return -1;
    const auto read = readScheduleFile(schedulePath, zone, 0);
    if (!std::holds_alternative<ScheduleFile>(read) ||
        !publishSchedule(std::get<ScheduleFile>(read), source, live, schedulePath).isEmpty())
        return -1;
    QString why;
    const auto manifest = decodeManifest(test::contentOf(QDir(live).filePath("show.json")), &why);
    if (!manifest)
        return -1;
    return QDateTime(manifest->published.toTimeZone(zone).date().addDays(2), at, zone)
        .toMSecsSinceEpoch();
}

void LiveShowTest::aScheduleChangesAtItsInstant()
{
    QTemporaryDir root;
    const QString live = root.filePath("live");
    const qint64 noon = publishTwoLayouts(root,
                                          "zone = Europe/Berlin\ndefault = morning.TXT\n"
                                          "noon.TXT daily 12:00-13:00\n"
                                          "off daily 13:00-14:00\n",
                                          QTimeZone("Europe/Berlin"), QTime(12, 0));
    QVERIFY(noon > 0);

    test::ManualWallClock wall;
    wall.now = noon - 60'000;
    Screenful display(QDir(live).filePath("show.schedule"), live, {}, &wall);
    QVERIFY(display.settled(0));
    QCOMPARE(display.sides(), (QList<QColor>{Qt::red, Qt::green}));
    QVERIFY2(wall.armed == noon - LiveShow::kPrepareMs, qPrintable(display.log.join('\n')));
    const WindowView* shared = display.stage.windows().first();

    // Ten seconds ahead: prepared, decoded, not shown.
    display.clock.now += 50'000;
    wall.moveTo(noon - LiveShow::kPrepareMs);
    QCOMPARE(wall.armed, noon);
    display.stage.settle();
    QCOMPARE(display.sides(), (QList<QColor>{Qt::red, Qt::green}));
    display.clock.now += LiveShow::kPrepareMs - LiveShow::kDrawLeadMs - 1;
    display.stage.refresh();
    QCOMPARE(display.sides(), (QList<QColor>{Qt::red, Qt::green}));
    // At the instant, less the time drawing takes, by the stage's own
    // clock, with no decode awaited.
    display.clock.now += 1;
    display.stage.refresh();
    QCOMPARE(display.sides(), (QList<QColor>{Qt::red, Qt::blue}));
    QCOMPARE(display.stage.windows().first(), shared);
    wall.moveTo(noon);
    QVERIFY(display.live->scheduled());
    QCOMPARE(display.live->scheduled()->target, "noon.TXT");
    QVERIFY2(display.log.last().contains("noon.TXT plays, line 3 holds"),
             qPrintable(display.log.last()));
    QCOMPARE(wall.armed, noon + 3'600'000 - LiveShow::kPrepareMs);

    // Dark from 13:00: the panel is asked to sleep at the instant, not when
    // the change is prepared, and woken at the rule's end.
    QSignalSpy dark(&display.stage, &Stage::darkChanged);
    for (const qint64 edge : {noon + 3'600'000, noon + 7'200'000}) {
        const QList<QVariant> before = dark.isEmpty() ? QList<QVariant>() : dark.last();
        display.clock.now += edge - LiveShow::kPrepareMs - wall.now;
        wall.moveTo(edge - LiveShow::kPrepareMs);
        display.stage.refresh();
        QCOMPARE(dark.isEmpty() ? QList<QVariant>() : dark.last(), before);
        display.clock.now += LiveShow::kPrepareMs;
        display.stage.refresh();
        wall.moveTo(edge);
        display.stage.settle();
        if (edge == noon + 3'600'000)
            QCOMPARE(display.sides(), (QList<QColor>{Qt::black, Qt::black}));
    }
    QCOMPARE(dark, (QList<QList<QVariant>>{{true}, {false}}));
    QCOMPARE(display.sides(), (QList<QColor>{Qt::red, Qt::green}));

    // A clock set back by hand: what plays follows it at once.
    wall.moveTo(noon - 3'600'000, true);
    display.stage.settle();
    QCOMPARE(display.sides(), (QList<QColor>{Qt::red, Qt::green}));
    QCOMPARE(display.live->scheduled()->target, "morning.TXT");
}

// The system's zone set from Berlin to New York at Berlin's noon: morning
// in New York plays at once, and the next change is New York's noon.
void LiveShowTest::aScheduleInTheSystemZoneFollowsIt()
{
    QTemporaryDir root;
    const QTimeZone berlin("Europe/Berlin"), newYork("America/New_York");
    const qint64 noon =
        publishTwoLayouts(root, "zone = local\ndefault = morning.TXT\nnoon.TXT daily 12:00-13:00\n",
                          berlin, QTime(12, 30));
    QVERIFY(noon > 0);
    test::ManualWallClock wall;
    wall.now = noon;
    wall.local = berlin;
    Screenful display(QDir(root.filePath("live")).filePath("show.schedule"), root.filePath("live"),
                      {}, &wall);
    QVERIFY(display.settled(0));
    QCOMPARE(display.sides(), (QList<QColor>{Qt::red, Qt::blue}));

    wall.setLocal(newYork);
    display.stage.settle();
    QCOMPARE(display.sides(), (QList<QColor>{Qt::red, Qt::green}));
    QVERIFY2(display.log.join('\n').contains("follows the time zone America/New_York"),
             qPrintable(display.log.join('\n')));
    const QDate day = QDateTime::fromMSecsSinceEpoch(noon, newYork).date();
    QCOMPARE(wall.armed,
             QDateTime(day, QTime(12, 0), newYork).toMSecsSinceEpoch() - LiveShow::kPrepareMs);
}

// Lunch in Berlin on a panel turned a quarter: the status tells the show,
// the clock, the rule and the next change; the screenshot is upright.
void LiveShowTest::aDisplayReportsWhatItShows()
{
    QTemporaryDir root;
    const QTimeZone berlin("Europe/Berlin");
    const qint64 noon = publishTwoLayouts(root,
                                          "zone = Europe/Berlin\ndefault = morning.TXT\n"
                                          "noon.TXT daily 12:00-13:00\n",
                                          berlin, QTime(12, 0));
    QVERIFY(noon > 0);
    test::ManualWallClock wall;
    wall.now = noon + 60'000;
    wall.local = berlin;
    wall.state = {false, 16'000'000};
    const QString live = root.filePath("live");
    Screenful display(QDir(live).filePath("show.schedule"), live, {}, &wall);
    display.stage.setTurns(1);
    QVERIFY(display.settled(0));
    ReportWriter writer(root.filePath("report"), berlin);
    ReportKeeper keeper(writer, display.stage, *display.live, wall, display.clock, {"cafe", "0.1"});
    keeper.setScreen({"HDMI-1", QSize(1080, 1920), 90});
    keeper.setMetricsFile(root.filePath("metrics/tessellview.prom"));
    QVERIFY(QDir(root.path()).mkpath("metrics"));
    // The free space is the one measured at the write before.
    for (int write = 0; write < 2; ++write) {
        keeper.writeStatus();
        writer.flush();
    }

    QString why;
    const auto status = decodeStatus(test::contentOf(root.filePath("report/status.json")), &why);
    QVERIFY2(status, qPrintable(why));
    QCOMPARE(status->display, "cafe");
    QCOMPARE(status->time, QDateTime::fromMSecsSinceEpoch(noon + 60'000, berlin));
    QCOMPARE(status->time.offsetFromUtc(), 3600);
    QCOMPARE(status->zone, "Europe/Berlin");
    QVERIFY(!status->clockSynchronised);
    QCOMPARE(status->clockErrorMs, 16'000);
    QVERIFY(!status->show.id.isEmpty());
    QVERIFY(status->show.whole);
    QCOMPARE(status->playing.layout, "noon.TXT");
    QCOMPARE(status->playing.rule, 3);
    QCOMPARE(status->playing.since, QDateTime::fromMSecsSinceEpoch(noon, berlin));
    QCOMPARE(status->next.layout, "morning.TXT");
    QCOMPARE(status->next.at, QDateTime::fromMSecsSinceEpoch(noon + 3'600'000, berlin));
    QCOMPARE(status->screen.rotation, 90);
    QCOMPARE(status->screen.name, "HDMI-1");
    // The landscape show on the standing stage is letterboxed.
    QCOMPARE(status->screen.shape, "landscape");
    QCOMPARE(status->screen.advice,
             "a landscape show on a portrait screen: turn the panel and set rotate = 0");
    QVERIFY(status->diskFreeBytes > 0);
    // Readable by a sync tool or a collector running as another user.
    for (const char* file : {"report/status.json", "metrics/tessellview.prom"})
        QCOMPARE(QFileInfo(root.filePath(file)).permissions() & QFileDevice::ReadOther,
                 QFileDevice::ReadOther);

    // The same figures for monitoring, the name escaped as a label.
    const QByteArray metrics = test::contentOf(root.filePath("metrics/tessellview.prom"));
    for (const char* line : {"tessellview_show_whole{display=\"cafe\"} 1\n",
                             "tessellview_clock_synchronised{display=\"cafe\"} 0\n",
                             "tessellview_clock_error_seconds{display=\"cafe\"} 16\n",
                             "tessellview_show_changed_seconds{display=\"cafe\"} 60\n",
                             "# TYPE tessellview_frames_shown_total counter\n"})
        QVERIFY2(metrics.contains(line), metrics.constData());
    DisplayStatus named = *status;
    named.display = "a \"b\"\\\n";
    QVERIFY(metricsText(named, {}).contains("{display=\"a \\\"b\\\"\\\\\\n\"}"));

    // Upright, as the viewer sees it: the panel stands, and the show lies
    // across its middle, red on the left, blue on the right.
    const QImage shot = keeper.screenshot();
    QCOMPARE(std::max(shot.width(), shot.height()), ReportKeeper::kScreenSide);
    QVERIFY(shot.height() > shot.width());
    const auto near = [](QColor seen, QColor meant) {
        return std::abs(seen.red() - meant.red()) + std::abs(seen.blue() - meant.blue()) < 60;
    };
    QVERIFY(near(shot.pixelColor(shot.width() / 4, shot.height() / 2 - 10), Qt::red));
    QVERIFY(near(shot.pixelColor(shot.width() * 3 / 4, shot.height() / 2 - 10), Qt::blue));
    QVERIFY(near(shot.pixelColor(shot.width() / 2, 5), Qt::black));

    // At 13:00 the morning comes back: the blue window's turn is recorded
    // in Berlin's day file, from when the display showed it, by the stage's
    // clock.
    QCOMPARE(wall.armed, noon + 3'600'000 - LiveShow::kPrepareMs);
    display.clock.now += 3'600'000 - 60'000 - LiveShow::kPrepareMs;
    wall.moveTo(noon + 3'600'000 - LiveShow::kPrepareMs);
    QCOMPARE(wall.armed, noon + 3'600'000);
    display.stage.settle();
    // The two clocks go on together to the moment the change is shown.
    display.clock.now += LiveShow::kPrepareMs - LiveShow::kDrawLeadMs;
    wall.moveTo(noon + 3'600'000 - LiveShow::kDrawLeadMs);
    display.stage.refresh();
    writer.flush();
    const QString day = QDateTime::fromMSecsSinceEpoch(noon, berlin).date().toString(Qt::ISODate);
    QString unread;
    const QList<PlayRecord> plays =
        readPlays(root.filePath("report/plays/" + day + ".tsv"), &unread);
    QVERIFY2(plays.size() == 1, qPrintable(unread + display.log.join('\n')));
    QCOMPARE(plays.first().item, "blue.png");
    QCOMPARE(plays.first().window, 2);
    QCOMPARE(plays.first().layout, "noon.TXT");
    QCOMPARE(plays.first().rule, 3);
    QCOMPARE(plays.first().result, PlayRecord::Result::Shown);
    QCOMPARE(plays.first().start, QDateTime::fromMSecsSinceEpoch(noon + 60'000, berlin));
    QCOMPARE(plays.first().durationMs, 3'600'000 - 60'000 - LiveShow::kDrawLeadMs);
    QCOMPARE(plays.first().sha256.size(), 16);
}

void LiveShowTest::theStageTakesTheShowsShape_data()
{
    // The show: red in the top left quarter, blue in the top right, green
    // across the bottom half. Where the panel shows them, then black.
    QTest::addColumn<bool>("portrait"); // the show's shape
    QTest::addColumn<QSize>("area");
    QTest::addColumn<int>("turns");
    QTest::addColumn<QList<QPoint>>("at");
    QTest::addColumn<QString>("advice");
    QTest::newRow("portrait on a screen the system turns")
        << true << QSize(270, 480) << 0 << QList<QPoint>{{67, 120}, {202, 120}, {135, 360}}
        << QString();
    QTest::newRow("portrait on a panel turned a quarter")
        << true << QSize(480, 270) << 1 << QList<QPoint>{{360, 67}, {360, 202}, {120, 135}}
        << QString();
    QTest::newRow("landscape on a portrait screen")
        << false << QSize(270, 480) << 0
        << QList<QPoint>{{67, 202}, {202, 202}, {135, 278}, {135, 160}, {135, 320}}
        << "a landscape show on a portrait screen: turn the panel and set rotate = 90";
}

// A show published for a portrait screen fills a portrait screen, or a
// landscape one turned a quarter, upright and unstretched; one of the other
// shape is letterboxed, and the log says what to do, once.
void LiveShowTest::theStageTakesTheShowsShape()
{
    QFETCH(bool, portrait);
    QFETCH(QSize, area);
    QFETCH(int, turns);
    QFETCH(QList<QPoint>, at);
    QFETCH(QString, advice);
    const ScreenShape shape = portrait ? ScreenShape::Portrait : ScreenShape::Landscape;
    const auto place = [shape](int x, int y, int width, int height) {
        return twipsOfPercentPlace({x, y, width, height}, shape);
    };
    LayoutDescription layout;
    layout.shape = shape;
    layout.pictures << LayoutWindow{place(0, 0, 50, 50), {"red.png"}, {}, 1}
                    << LayoutWindow{place(50, 0, 50, 50), {"blue.png"}, {}, 2}
                    << LayoutWindow{place(0, 50, 100, 50), {"green.png"}, {}, 3};
    QTemporaryDir root;
    const QString live = root.filePath("live");
    QCOMPARE(
        publishShow(std::get<QByteArray>(encodeLayout(layout)), media_.path(), live, {}, {}, shape),
        QString());
    Screenful display(QDir(live).filePath(kShowLayoutName), live);
    display.stage.resize(area);
    display.stage.setTurns(turns);
    QVERIFY(display.settled(0) && display.readAgain());
    const QColor colours[] = {Qt::red, Qt::blue, Qt::green, Qt::black, Qt::black};
    for (qsizetype i = 0; i < at.size(); ++i)
        QCOMPARE(display.at(at[i]), colours[i]);
    QCOMPARE(display.log.filter(" show on a ").size(), advice.isEmpty() ? 0 : 1);
    QCOMPARE(display.log.count(advice), advice.isEmpty() ? 0 : 1);
    // The report's picture is upright, as the viewer sees the first row.
    test::ManualWallClock wall;
    ReportWriter writer(root.filePath("report"), QTimeZone::utc());
    const QImage shot =
        ReportKeeper(writer, display.stage, *display.live, wall, display.clock, {}).screenshot();
    for (int i = 0; i < 3 && portrait; ++i)
        QCOMPARE(shot.pixelColor(QList<QPoint>{{67, 120}, {202, 120}, {135, 360}}[i]), colours[i]);
}

QTEST_MAIN(LiveShowTest)
#include "tst_live_show.moc"
