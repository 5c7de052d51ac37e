#include "media/flex_grid.h"
#include "media/playlist_panel.h"
#include "support/editor_harness.h"
#include "support/media_folder.h"

#include <QTest>

using namespace tv;

// The folder lists, in order: a1.jpg b2.jpg c3.jpg d4.jpg, a 25-character
// name, a 21-character name, a 20-character name, then the empty last row.
class PlaylistsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup() { harness_.close(); }

    void addsMarkedRowsInOrder();
    void longNameEndsTheAdd();
    void nameLength_data();
    void nameLength();
    void addTwiceNumbersOn();
    void emptyLastRowAddsAnEmptyEntry();
    void moves_data();
    void moves();
    void withoutACurrentEntry_data();
    void withoutACurrentEntry();
    void playlistsAreIndependent();

private:
    void fillPlaylist(); // the four short names, in order
    test::EditorDriver& driver() { return *harness_.driver; }
    test::EditorHarness harness_;
    test::MediaFolder folder_;
};

void PlaylistsTest::initTestCase()
{
    for (const char* name : {"a1.jpg", "b2.jpg", "c3.jpg", "d4.jpg", "long name of 25 chars.jpg",
                             "seventeen-chars-a.jpg", "sixteen-chars-ab.jpg"})
        QVERIFY(folder_.add(name, 10));
}

void PlaylistsTest::init()
{
    harness_.open();
    driver().addPicture();
    driver().chooseFolder(folder_.path());
}

void PlaylistsTest::fillPlaylist()
{
    driver().pressFileRow(1);
    driver().pressFileRow(4, Qt::ShiftModifier);
    driver().addMarkedFiles();
}

void PlaylistsTest::addsMarkedRowsInOrder()
{
    driver().pressFileRow(3);
    driver().pressFileRow(1, Qt::ControlModifier);
    driver().addMarkedFiles();
    QCOMPARE(driver().playlist(2), (QStringList{"1 a1.jpg 10", "2 c3.jpg 10"}));
    QCOMPARE(driver().fileMarks(), "x.x.....");
}

void PlaylistsTest::longNameEndsTheAdd()
{
    driver().pressFileRow(4);
    driver().pressFileRow(5, Qt::ControlModifier);
    driver().pressFileRow(7, Qt::ControlModifier);
    driver().addMarkedFiles();
    QCOMPARE(driver().playlist(2), QStringList{"1 d4.jpg 10"});
    QCOMPARE(harness_.dialogs.messages(), QStringList{"+_+: The max character number is 20"});
}

void PlaylistsTest::nameLength_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("20 characters") << 7 << true;
    QTest::newRow("21 characters") << 6 << false;
}

void PlaylistsTest::nameLength()
{
    QFETCH(int, row);
    QFETCH(bool, accepted);
    driver().pressFileRow(row);
    driver().addMarkedFiles();
    QCOMPARE(driver().playlist(2).size(), accepted ? 1 : 0);
    QCOMPARE(harness_.dialogs.messages().size(), accepted ? 0 : 1);
}

void PlaylistsTest::addTwiceNumbersOn()
{
    driver().pressFileRow(2);
    driver().addMarkedFiles();
    driver().addMarkedFiles();
    QCOMPARE(driver().playlist(2), (QStringList{"1 b2.jpg 10", "2 b2.jpg 10"}));
}

void PlaylistsTest::emptyLastRowAddsAnEmptyEntry()
{
    driver().pressFileRow(8);
    driver().addMarkedFiles();
    QCOMPARE(driver().playlist(2), QStringList{"1"});
}

void PlaylistsTest::moves_data()
{
    // Clicks entry `row`, then presses the buttons (u)p, (d)own, de(l)ete.
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("current");
    QTest::newRow("up") << 3 << "u" << QStringList{"a1", "c3", "b2", "d4"} << 2;
    QTest::newRow("up twice moves the same entry")
        << 3 << "uu" << QStringList{"c3", "a1", "b2", "d4"} << 1;
    QTest::newRow("up on the first entry") << 1 << "u" << QStringList{"a1", "b2", "c3", "d4"} << 1;
    QTest::newRow("down") << 2 << "d" << QStringList{"a1", "c3", "b2", "d4"} << 3;
    QTest::newRow("down on the last entry") << 4 << "d" << QStringList{"a1", "b2", "c3", "d4"} << 4;
    QTest::newRow("delete in the middle") << 2 << "l" << QStringList{"a1", "c3", "d4"} << 2;
    QTest::newRow("delete the last entry") << 4 << "l" << QStringList{"a1", "b2", "c3"} << 3;
    QTest::newRow("delete all, one by one") << 1 << "llll" << QStringList{} << 0;
    QTest::newRow("delete on an empty playlist") << 1 << "lllll" << QStringList{} << 0;
}

void PlaylistsTest::moves()
{
    QFETCH(int, row);
    QFETCH(QString, buttons);
    QFETCH(QStringList, names);
    QFETCH(int, current);
    fillPlaylist();
    driver().clickPlaylistRow(row);
    QCOMPARE(driver().playlistRow(2), row);
    for (QChar button : buttons) {
        if (button == 'u')
            driver().playlistUp();
        else if (button == 'd')
            driver().playlistDown();
        else
            driver().playlistDelete();
    }
    QStringList expected;
    for (int i = 0; i < names.size(); ++i)
        expected << QStringLiteral("%1 %2.jpg 10").arg(i + 1).arg(names[i]);
    QCOMPARE(driver().playlist(2), expected);
    QCOMPARE(driver().playlistRow(2), current);
}

void PlaylistsTest::withoutACurrentEntry_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("left"); // entries after Up, Down and Del
    QTest::newRow("several entries stay") << 4 << 4;
    QTest::newRow("a single entry goes") << 1 << 0;
}

void PlaylistsTest::withoutACurrentEntry()
{
    QFETCH(int, entries);
    QFETCH(int, left);
    driver().pressFileRow(1);
    driver().pressFileRow(entries, Qt::ShiftModifier);
    driver().addMarkedFiles();
    FlexGrid* grid = harness_.form->playlists().MSFlexGrid2(2);
    QCOMPARE(grid->Row(), 0); // nothing clicked in the playlist yet
    const QStringList before = driver().playlist(2);
    driver().playlistUp();
    driver().playlistDown();
    driver().playlistDelete();
    QCOMPARE(driver().playlist(2), before.mid(0, left));
    QCOMPARE(grid->TextMatrix(0, 2), QStringLiteral("File"));
}

void PlaylistsTest::playlistsAreIndependent()
{
    driver().addPicture();
    fillPlaylist();
    QCOMPARE(driver().playlist(3).size(), 4);
    QCOMPARE(driver().playlist(2), QStringList{});
    QCOMPARE(harness_.form->playlists().MSFlexGrid2(0)->Rows(), 1);
}

QTEST_MAIN(PlaylistsTest)
#include "tst_playlists.moc"
