#include "editor/displays/display_tile.h"
#include "editor/displays/displays_window.h"
#include "report/display_status.h"
#include "support/file_helpers.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <cstdio>

using namespace tv;

class DisplaysWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void eachDisplayIsATileJudgedAsTheDeskJudges();
    void aTileFollowsItsFiles();

private:
    QTemporaryDir settings_;
};

namespace {

const qint64 kNow =
    QDateTime::fromString("2026-12-09T12:00:00+01:00", Qt::ISODate).toMSecsSinceEpoch();

QByteArray statusAt(const QString& display, qint64 at, const QString& playing)
{
    DisplayStatus status;
    status.display = display;
    status.time = QDateTime::fromMSecsSinceEpoch(at, QTimeZone("Europe/Berlin"));
    status.zone = "Europe/Berlin";
    status.playing.layout = playing;
    status.playing.since = status.time.addSecs(-3600);
    return encodeStatus(status);
}

// Written aside and renamed in place, as the display and a sync tool do.
bool putWhole(const QString& path, const QByteArray& bytes)
{
    return test::put(path + ".part", bytes) &&
           std::rename(QFile::encodeName(path + ".part").constData(),
                       QFile::encodeName(path).constData()) == 0;
}

QStringList texts(const DisplayTile* tile)
{
    QStringList said;
    for (const char* part : {"displayName", "displayStates", "displayPlaying"})
        said << tile->findChild<QLabel*>(part)->text();
    return said;
}

} // namespace

void DisplaysWindowTest::initTestCase()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
}

// A display reporting a minute ago is well, one silent for an hour stale,
// and a name that looks like markup is shown as it is written.
void DisplaysWindowTest::eachDisplayIsATileJudgedAsTheDeskJudges()
{
    QTemporaryDir desk;
    QVERIFY(QDir(desk.path()).mkpath("cafe") && QDir(desk.path()).mkpath("door"));
    QVERIFY(putWhole(desk.filePath("cafe/status.json"),
                     statusAt("<b>cafe</b>", kNow - 60'000, "lunch.TXT")));
    QVERIFY(putWhole(desk.filePath("door/status.json"),
                     statusAt("door", kNow - 3'600'000, "menu.TXT")));
    QImage shot(480, 270, QImage::Format_RGB32);
    shot.fill(Qt::red);
    QVERIFY(shot.save(desk.filePath("cafe/screen.jpg")));

    test::ScriptedDialogs dialogs;
    DisplaysWindow window(dialogs, {[] { return kNow; }, 300'000});
    window.setFolder(desk.path());
    QCOMPARE(window.tiles().size(), 2);
    const QStringList cafe = texts(window.tiles()[0]);
    QCOMPARE(cafe[0], "cafe (<b>cafe</b>)");
    QCOMPARE(cafe[1], "OK");
    QVERIFY(cafe[2].startsWith("lunch.TXT since 10:59"));
    QCOMPARE(texts(window.tiles()[1])[1], "STALE 1 h");
    const auto colourOf = [](StatusState::Kind kind) {
        StatusState state;
        state.kind = kind;
        return DisplayTile::stateColour({state});
    };
    QCOMPARE(colourOf(StatusState::Kind::Ok), QColor(0x2e, 0x7d, 0x32));
    QVERIFY(colourOf(StatusState::Kind::Stale) != colourOf(StatusState::Kind::Waiting));
    QVERIFY(colourOf(StatusState::Kind::Stale) != colourOf(StatusState::Kind::Ok));
    const QPixmap screen = window.tiles()[0]->findChild<QLabel*>("displayScreen")->pixmap();
    QVERIFY(!screen.isNull());
    QCOMPARE(screen.toImage().pixelColor(screen.width() / 2, screen.height() / 2).red() > 200,
             true);
    QVERIFY(window.tiles()[1]->findChild<QLabel*>("displayScreen")->pixmap().isNull());
    QCOMPARE(window.findChild<QLabel*>("displaysSummary")->text(), "2 displays, 1 not well");

    // The folder is remembered for the next window.
    DisplaysWindow again(dialogs, {[] { return kNow; }, 300'000});
    QCOMPARE(again.folder(), desk.path());
}

// A display's new status, renamed in by the sync tool, reaches its tile, and
// a third display's folder appears as a tile of its own.
void DisplaysWindowTest::aTileFollowsItsFiles()
{
    QTemporaryDir desk;
    QVERIFY(QDir(desk.path()).mkpath("cafe"));
    QVERIFY(putWhole(desk.filePath("cafe/status.json"),
                     statusAt("cafe", kNow - 3'600'000, "breakfast.TXT")));
    test::ScriptedDialogs dialogs;
    DisplaysWindow window(dialogs, {[] { return kNow; }, 300'000});
    window.setFolder(desk.path());
    QCOMPARE(texts(window.tiles()[0])[1], "STALE 1 h");

    QVERIFY(
        putWhole(desk.filePath("cafe/status.json"), statusAt("cafe", kNow - 1'000, "lunch.TXT")));
    QTRY_COMPARE_WITH_TIMEOUT(texts(window.tiles()[0])[1], "OK", 5000);
    QVERIFY(QDir(desk.path()).mkpath("till"));
    QTRY_COMPARE_WITH_TIMEOUT(window.tiles().size(), 2, 5000);
    QCOMPARE(texts(window.tiles()[1])[1], "NO STATUS");
}

QTEST_MAIN(DisplaysWindowTest)
#include "tst_displays_window.moc"
