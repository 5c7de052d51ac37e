#include "editor/controls/flex_grid.h"
#include "editor/layout_file_commands.h"
#include "editor/media/playlist_panel.h"
#include "layout/layout_writer.h"
#include "support/editor_harness.h"
#include "support/media_folder.h"

#include <QPushButton>
#include <QTemporaryDir>
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
    void deletingByKeyAndMarks_data();
    void deletingByKeyAndMarks();
    void addStopsWhereTheFileEnds();
    void largestFileAddsSavesAndOpens_data();
    void largestFileAddsSavesAndOpens();

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

void PlaylistsTest::deletingByKeyAndMarks_data()
{
    QTest::addColumn<QList<int>>("clicked"); // the first plain, the others with Ctrl
    QTest::addColumn<bool>("key");           // the Delete key, else the Del button
    QTest::addColumn<QStringList>("left");
    QTest::newRow("Delete key on one entry")
        << QList<int>{2} << true << QStringList{"a1", "c3", "d4"};
    QTest::newRow("two marked entries, Del")
        << QList<int>{1, 3} << false << QStringList{"b2", "d4"};
    QTest::newRow("three marked entries, Delete key")
        << QList<int>{4, 2, 1} << true << QStringList{"c3"};
}

void PlaylistsTest::deletingByKeyAndMarks()
{
    QFETCH(QList<int>, clicked);
    QFETCH(bool, key);
    QFETCH(QStringList, left);
    fillPlaylist();
    FlexGrid* grid = harness_.form->playlists().MSFlexGrid2(2);
    for (qsizetype i = 0; i < clicked.size(); ++i) {
        const QRect cell = grid->visualRect(grid->model()->index(clicked[i] - 1, 2));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton,
                          i == 0 ? Qt::NoModifier : Qt::ControlModifier, cell.center());
    }
    if (key)
        QTest::keyClick(grid, Qt::Key_Delete);
    else
        driver().playlistDelete();
    QStringList expected;
    for (int i = 0; i < left.size(); ++i)
        expected << QStringLiteral("%1 %2.jpg 10").arg(i + 1).arg(left[i]);
    QCOMPARE(driver().playlist(2), expected);
}

// The add is checked by the writer's own rule: a playlist that would no
// longer fit a layout file is refused with the writer's message, nothing
// added; one that fits saves.
void PlaylistsTest::addStopsWhereTheFileEnds()
{
    // The video window's 250 names and Picture1's 5 bring the running count
    // to 255, the most a list start can hold.
    driver().addVideo();
    QList<PlaylistEntry> names;
    for (int n = 0; n < 250; ++n)
        names.append({QStringLiteral("v%1.avi").arg(n), QStringLiteral("1")});
    harness_.form->model().setPlaylist(1, names, 0, 0);
    driver().pickListEntry(0); // Picture1
    QCOMPARE(driver().current(), 2);
    driver().pressFileRow(1);
    driver().pressFileRow(4, Qt::ShiftModifier);
    driver().addMarkedFiles(); // four: 254
    driver().pressFileRow(1);
    driver().addMarkedFiles(); // one more: 255
    QCOMPARE(driver().playlist(2).size(), 5);
    QVERIFY(harness_.dialogs.messages().isEmpty());

    driver().addMarkedFiles(); // 256 would not fit
    QCOMPARE(driver().playlist(2).size(), 5);
    QCOMPARE(harness_.dialogs.messages().size(), 1);
    const auto refused = encodeLayout([&] {
        LayoutDescription layout = harness_.form->layoutFile().describeLayout();
        layout.pictures.first().names << "a1.jpg";
        return layout;
    }());
    QVERIFY(std::holds_alternative<SaveRefusal>(refused));
    QCOMPARE(harness_.dialogs.messages().first(),
             "+_+: The files were not added. " + std::get<SaveRefusal>(refused).message);
    QVERIFY(std::holds_alternative<QByteArray>(
        encodeLayout(harness_.form->layoutFile().describeLayout())));
}

// Ten picture windows, Picture1 holding one name and Picture10 `before`:
// Add, by the button or a double click, takes no more than a layout file
// holds (2805 names); what the playlists then hold saves and opens again.
void PlaylistsTest::largestFileAddsSavesAndOpens_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<bool>("doubleClick"); // adds d4.jpg; the button b2, c3 and d4
    QTest::addColumn<int>("after");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("up to the largest") << 2801 << false << 2804 << QStringList();
    QTest::newRow("stops at the largest")
        << 2802 << false << 2804 << QStringList{"The files from d4.jpg on were not added."};
    QTest::newRow("already the largest, by a double click")
        << 2804 << true << 2804 << QStringList{"The files were not added."};
    QTest::newRow("more than a display reads")
        << 2805 << false << 2805
        << QStringList{"The files were not added.", "The layout was not saved."};
}

void PlaylistsTest::largestFileAddsSavesAndOpens()
{
    QFETCH(int, before);
    QFETCH(bool, doubleClick);
    QFETCH(int, after);
    QFETCH(QStringList, messages);
    for (int n = 0; n < 9; ++n)
        driver().addPicture(); // Picture10, index 11, is current
    harness_.form->model().setPlaylist(2, {{"a1.jpg", "10"}}, 0, 0);
    harness_.form->model().setPlaylist(11, QList<PlaylistEntry>(before, {"x.jpg", "1"}), 0, 0);
    driver().pressFileRow(2);
    driver().pressFileRow(4, Qt::ShiftModifier);
    if (doubleClick)
        driver().doubleClickFileRow(4);
    else
        driver().addMarkedFiles();
    const QStringList added = driver().playlist(11);
    QCOMPARE(added.size(), after);

    QTemporaryDir work;
    const QString path = work.filePath("show.TXT");
    harness_.dialogs.fileChoices.enqueue(path);
    QTest::mouseClick(harness_.form->layoutFile().Command10, Qt::LeftButton);
    const QStringList shown = harness_.dialogs.messages();
    QCOMPARE(shown.size(), messages.size());
    for (qsizetype i = 0; i < shown.size(); ++i)
        QVERIFY2(shown[i].startsWith("+_+: " + messages[i] +
                                     " The layout file would be longer than a display reads"),
                 qPrintable(shown[i]));
    if (!messages.isEmpty() && messages.last().contains("saved")) {
        QVERIFY(!QFileInfo::exists(path));
        return;
    }
    QCOMPARE(QFileInfo(path).size(), 81 + 40 * (after + 1));
    harness_.form->model().setPlaylist(11, {}, 0, 0);
    harness_.dialogs.fileChoices.enqueue(path);
    QTest::mouseClick(harness_.form->layoutFile().Command11, Qt::LeftButton);
    QCOMPARE(driver().playlist(11).size(), after);
    QCOMPARE(driver().playlist(11).last(), added.last().section(' ', 0, 1)); // sizes are not kept
    QCOMPARE(harness_.dialogs.messages(), shown);
}

QTEST_MAIN(PlaylistsTest)
#include "tst_playlists.moc"
