#include "files/media_resolver.h"
#include "layout/layout_reader.h"
#include "layout/layout_writer.h"
#include "stage/playlist_position.h"
#include "stage/stage_plan.h"
#include "support/file_helpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace tv;

Q_DECLARE_METATYPE(PlayPosition)

// Which item each window shows when: a pure function of the layout and the
// clock.
class ScheduleTest : public QObject {
    Q_OBJECT
private slots:
    void positions_data();
    void positions();
    void noDriftAfterTenThousandSwitches();
    void stagePlanFollowsTheFile();
    void letterbox_data();
    void letterbox();
    void names_data();
    void names();
    void noFolderFindsNothing();
};

void ScheduleTest::positions_data()
{
    QTest::addColumn<QList<qint64>>("durations");
    QTest::addColumn<qint64>("t");
    QTest::addColumn<PlayPosition>("expected"); // item, round, start, next change
    const QList<qint64> five{5000, 5000};
    QTest::newRow("empty list: nothing") << QList<qint64>{} << 7000ll << PlayPosition{};
    QTest::newRow("one item stays")
        << QList<qint64>{5000} << 99000ll << PlayPosition{0, 0, 0, kNever};
    QTest::newRow("first item at the start") << five << 0ll << PlayPosition{0, 0, 0, 5000};
    QTest::newRow("a moment before the switch") << five << 4999ll << PlayPosition{0, 0, 0, 5000};
    QTest::newRow("at the switch") << five << 5000ll << PlayPosition{1, 0, 5000, 10000};
    QTest::newRow("loops to the first") << five << 10000ll << PlayPosition{0, 1, 10000, 15000};
    QTest::newRow("videos of known lengths and a picture")
        << QList<qint64>{3000, 10000, 1500} << 13000ll << PlayPosition{2, 0, 13000, 14500};
    QTest::newRow("second round of mixed lengths")
        << QList<qint64>{3000, 10000, 1500} << 14500ll << PlayPosition{0, 1, 14500, 17500};
    QTest::newRow("before the start: the first item")
        << five << -20ll << PlayPosition{0, 0, 0, 5000};
}

void ScheduleTest::positions()
{
    QFETCH(QList<qint64>, durations);
    QFETCH(qint64, t);
    QFETCH(PlayPosition, expected);
    const PlayPosition got = positionAt(durations, t);
    QCOMPARE(got.item, expected.item);
    QCOMPARE(got.round, expected.round);
    QCOMPARE(got.itemStart, expected.itemStart);
    QCOMPARE(got.nextChange, expected.nextChange);
}

void ScheduleTest::noDriftAfterTenThousandSwitches()
{
    // Two windows of 7 s and of 5 s pictures: each switch lands exactly on a
    // multiple of its switch time, and windows with the same time switch
    // together.
    const QList<qint64> seven{7000, 7000, 7000};
    const QList<qint64> five{5000, 5000, 5000, 5000};
    for (qint64 n : {1ll, 9999ll, 10000ll, 10001ll}) {
        const PlayPosition at = positionAt(seven, n * 7000);
        QCOMPARE(at.itemStart, n * 7000);
        QCOMPARE(at.item, int(n % 3));
        QCOMPARE(at.nextChange, (n + 1) * 7000);
        QCOMPARE(positionAt(seven, n * 7000 - 1).item, int((n - 1) % 3));
        QCOMPARE(positionAt(five, n * 5000).itemStart, n * 5000);
    }
}

void ScheduleTest::stagePlanFollowsTheFile()
{
    // Written and read back as a display reads it: places in hundredths of
    // 1920 and 1080, the video at the bottom, switch times in ms.
    LayoutDescription layout;
    layout.video = LayoutWindow{{3600, 2025, 3600, 2025}, {"a.avi"}, {}, 1};
    layout.pictures << LayoutWindow{{100, 100, 720, 405}, {"b.jpg", "c.jpg"}, {}, 2}
                    << LayoutWindow{{0, 0, 7200, 4050}, {}, {}, 3};
    layout.switchTimes = {7, 65535};
    const auto decoded = decodeLayout(std::get<QByteArray>(encodeLayout(layout)));
    const QList<StageWindow> plan = planStage(std::get<LayoutDescription>(decoded));
    QCOMPARE(plan.size(), 3);
    QCOMPARE(plan[0].role, WindowRole::Video);
    QCOMPARE(plan[0].place, QRect(960, 540, 960, 540));
    QCOMPARE(plan[0].pictureMs, kVideoWindowPictureMs);
    QCOMPARE(plan[1].slot, 1);
    // 100 twips is 1 % across and 2 % down: edges at 19.2 and 211.2 px
    // across, 21.6 and 129.6 px down, each rounded once.
    QCOMPARE(plan[1].place, QRect(19, 22, 192, 108));
    QCOMPARE(plan[1].names, (QStringList{"b.jpg", "c.jpg"}));
    QCOMPARE(plan[1].pictureMs, 7000);
    QCOMPARE(plan[2].place, QRect(0, 0, 1920, 1080));
    QCOMPARE(plan[2].pictureMs, 65535000);
}

void ScheduleTest::letterbox_data()
{
    QTest::addColumn<QSizeF>("area");
    QTest::addColumn<QRectF>("stage");
    QTest::newRow("16:9 fills") << QSizeF(960, 540) << QRectF(0, 0, 960, 540);
    QTest::newRow("4:3 gets bars above and below") << QSizeF(800, 600) << QRectF(0, 75, 800, 450);
    QTest::newRow("tall and narrow") << QSizeF(100, 1000) << QRectF(0, 471.875, 100, 56.25);
    QTest::newRow("wide gets bars at the sides") << QSizeF(2000, 540) << QRectF(520, 0, 960, 540);
}

void ScheduleTest::letterbox()
{
    QFETCH(QSizeF, area);
    QFETCH(QRectF, stage);
    QCOMPARE(letterboxed(area, QSizeF(1920, 1080)), stage);
}

void ScheduleTest::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("found"); // the file found, or the reason
    QTest::newRow("exact name") << "Clip.AVI"
                                << "Clip.AVI";
    QTest::newRow("any case") << "CLIP.avi"
                              << "Clip.AVI";
    QTest::newRow("exact before folded") << "photo.jpg"
                                         << "photo.jpg";
    QTest::newRow("missing") << "gone.jpg"
                             << "not in %1";
    QTest::newRow("a folder of that name") << "folder.jpg"
                                           << "not a regular file";
    QTest::newRow("a path out of the folder") << "../secret.jpg"
                                              << "not a file name";
    QTest::newRow("a Windows path") << "..\\secret.jpg"
                                    << "not a file name";
    QTest::newRow("parent") << ".."
                            << "not a file name";
}

void ScheduleTest::names()
{
    QFETCH(QString, name);
    QFETCH(QString, found);
    QTemporaryDir dir;
    for (const char* file : {"Clip.AVI", "photo.jpg", "PHOTO.JPG"})
        QVERIFY(test::put(dir.filePath(file), "x"));
    QVERIFY(QDir(dir.path()).mkdir("folder.jpg"));
    const MediaResolver media(dir.path());
    QString why;
    const QString path = media.resolve(name, &why);
    QCOMPARE(path.isEmpty() ? why : QFileInfo(path).fileName(),
             found.arg(QDir::toNativeSeparators(dir.path())));
}

void ScheduleTest::noFolderFindsNothing()
{
    // Not even a file of that name in the working directory.
    QTemporaryDir dir;
    QVERIFY(test::put(dir.filePath("photo.jpg"), "x"));
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QString why;
    const QString path = MediaResolver(QString()).resolve("photo.jpg", &why);
    QDir::setCurrent(before);
    QCOMPARE(path, QString());
    QVERIFY2(why.startsWith("no media folder"), qPrintable(why));
    QCOMPARE(mediaFolderFor(QString(), QString()), QString());
    QCOMPARE(mediaFolderFor(QString(), dir.filePath("a.TXT")), dir.path());
    QCOMPARE(mediaFolderFor("/chosen", dir.filePath("a.TXT")), QStringLiteral("/chosen"));
}

QTEST_APPLESS_MAIN(ScheduleTest)
#include "tst_playlist_position.moc"
