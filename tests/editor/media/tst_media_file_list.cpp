#include "editor/canvas/layout_canvas.h"
#include "editor/controls/flex_grid.h"
#include "editor/layout_file_commands.h"
#include "editor/media/media_file_list.h"
#include "editor/split.h"
#include "support/editor_harness.h"
#include "support/media_folder.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <fcntl.h>
#include <unistd.h>

using namespace tv;

class MediaFileListTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { harness_.open(); }
    void cleanup() { harness_.close(); }

    void selectListsEveryFile();
    void cancelKeepsWhatWasListed();
    void pickerOpensWhereTheUserWas_data();
    void pickerOpensWhereTheUserWas();
    void pathFollowsTheLayoutUntilAFolderIsChosen_data();
    void pathFollowsTheLayoutUntilAFolderIsChosen();
    void filtersForTheCurrentWindow_data();
    void filtersForTheCurrentWindow();
    void whatTheFolderHolds_data();
    void whatTheFolderHolds();
    void marking_data();
    void marking();
    void marksArePainted();
    void anchorSurvivesRefills();
    void fillsOncePerAction_data();
    void fillsOncePerAction();
    void doubleClickAdds_data();
    void doubleClickAdds();

private:
    Split& form() { return *harness_.form; }
    test::EditorDriver& driver() { return *harness_.driver; }
    test::EditorHarness harness_;
    test::MediaFolder folder_;
};

void MediaFileListTest::initTestCase()
{
    const struct {
        const char* name;
        qint64 size;
    } files[] = {{"b.jpg", 100}, {"A.avi", 2000}, {"c.png", 30}, {"d.bmp", 40},
                 {"e.txt", 50},  {"f.ts", 60},    {"G.JPG", 70}};
    for (const auto& file : files)
        QVERIFY(folder_.add(file.name, file.size));
}

void MediaFileListTest::selectListsEveryFile()
{
    driver().chooseFolder(folder_.path());
    QCOMPARE(form().fileList().Text2->text(), folder_.path() + "/");
    QCOMPARE(driver().fileRows(),
             (QStringList{"1 A.avi 2000", "2 b.jpg 100", "3 c.png 30", "4 d.bmp 40", "5 e.txt 50",
                          "6 f.ts 60", "7 G.JPG 70", ""}));
    QCOMPARE(form().fileTable().FileCount, 7);
    QCOMPARE(form().fileTable().FileNames[7][0], QStringLiteral("G.JPG"));
    QCOMPARE(harness_.dialogs.shown.first().title,
             QStringLiteral("\u8BF7\u9009\u62E9\u8DEF\u5F84:"));
}

void MediaFileListTest::cancelKeepsWhatWasListed()
{
    // A cancelled picker changes nothing: the path box keeps the folder and
    // the list keeps following the current window.
    driver().chooseFolder(folder_.path());
    driver().addVideo();
    const QStringList everything = driver().fileRows();
    driver().chooseFolder(QString());
    QCOMPARE(form().fileList().Text2->text(), folder_.path() + "/");
    QCOMPARE(driver().fileRows(), everything);
    driver().addPicture();
    QVERIFY(!driver().fileRows().join(' ').contains("A.avi"));
    QVERIFY(form().fileList().Text2->isReadOnly());
}

void MediaFileListTest::pickerOpensWhereTheUserWas_data()
{
    QTest::addColumn<QString>("before"); // folder, layout or nothing
    QTest::newRow("at first: where the system chooses") << "";
    QTest::newRow("the last folder chosen") << "folder";
    QTest::newRow("the folder of the layout last saved") << "layout";
}

void MediaFileListTest::pickerOpensWhereTheUserWas()
{
    QFETCH(QString, before);
    QTemporaryDir layouts;
    qputenv("TEMP", QFile::encodeName(layouts.path()));
    QString expected;
    if (before == "folder") {
        driver().chooseFolder(folder_.path());
        expected = folder_.path() + "/";
    } else if (before == "layout") {
        harness_.dialogs.fileChoices.enqueue(layouts.filePath("shop.TXT"));
        form().layoutFile().Command10_Click();
        expected = layouts.path();
    }
    driver().chooseFolder(QString());
    QCOMPARE(harness_.dialogs.shown.last().kind, test::ShownDialog::Kind::Folder);
    QCOMPARE(harness_.dialogs.shown.last().preset, expected);
}

void MediaFileListTest::pathFollowsTheLayoutUntilAFolderIsChosen_data()
{
    QTest::addColumn<bool>("chosenFirst");
    QTest::addColumn<bool>("newSession"); // the editor closed and started again before opening
    QTest::newRow("no folder chosen: the layout's own") << false << false;
    QTest::newRow("a chosen folder stays") << true << false;
    QTest::newRow("the folder chosen with it comes back") << true << true;
    QTest::newRow("none chosen with it: the layout's own") << false << true;
}

// Media are found beside the layout until the user chooses a folder, and the
// path box shows where that is; the folder chosen with a layout comes back
// whenever it is opened, so its thumbnails, preview and publishing find them.
void MediaFileListTest::pathFollowsTheLayoutUntilAFolderIsChosen()
{
    QFETCH(bool, chosenFirst);
    QFETCH(bool, newSession);
    QTemporaryDir show;
    qputenv("TEMP", QFile::encodeName(show.path()));
    QVERIFY(test::MediaFolder::put(show.filePath("shown.jpg"), 12));
    QVERIFY(test::MediaFolder::put(show.filePath("clip.avi"), 34));
    if (chosenFirst)
        driver().chooseFolder(folder_.path());
    driver().addPicture();
    harness_.dialogs.fileChoices.enqueue(show.filePath("show.TXT"));
    form().layoutFile().Command10_Click();
    if (newSession) {
        // The settings stay, as they do between runs of the program.
        harness_.driver.reset();
        harness_.form = std::make_unique<Split>(harness_.dialogs);
        harness_.form->showForm();
        harness_.driver = std::make_unique<test::EditorDriver>(*harness_.form);
    }
    harness_.dialogs.fileChoices.enqueue(show.filePath("show.TXT"));
    form().layoutFile().Command11_Click();
    const QString expected = (chosenFirst ? folder_.path() : show.path()) + "/";
    QCOMPARE(form().fileList().Text2->text(), expected);
    QCOMPARE(form().fileList().chosenFolder(), chosenFirst ? expected : QString());
    if (!chosenFirst)
        QCOMPARE(driver().fileRows(), (QStringList{"1 shown.jpg 12", ""}));
}

void MediaFileListTest::filtersForTheCurrentWindow_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("note"); // what the list's foot says it leaves out
    QTest::newRow("video window") << "video" << QStringList{"1 A.avi 2000",
                                                            "2 b.jpg 100",
                                                            "3 c.png 30",
                                                            "4 d.bmp 40",
                                                            "5 f.ts 60",
                                                            "6 G.JPG 70",
                                                            ""}
                                  << "1 file is of a kind this window does not play";
    QTest::newRow("picture window")
        << "picture" << QStringList{"1 b.jpg 100", "2 d.bmp 40", "3 G.JPG 70", ""}
        << "4 files are of kinds this window does not play";
    QTest::newRow("no window") << "none" << QStringList{""}
                               << "Select a window to list the files it plays.";
}

void MediaFileListTest::filtersForTheCurrentWindow()
{
    QFETCH(QString, window);
    QFETCH(QStringList, rows);
    QFETCH(QString, note);
    driver().chooseFolder(folder_.path());
    QCOMPARE(form().fileList().MSFlexGrid1->note(), QString());
    if (window == "video")
        driver().addVideo();
    else if (window == "picture")
        driver().addPicture();
    else
        driver().typeInList("x");
    QCOMPARE(driver().fileRows(), rows);
    QCOMPARE(form().fileList().MSFlexGrid1->note(), note);
}

void MediaFileListTest::whatTheFolderHolds_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("listed"); // -1: the earlier list stays
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << "empty" << 0 << "";
    QTest::newRow("more files than the list holds")
        << "crowded" << 255 << "+_+: Only the first 255 files of the folder are listed.";
    QTest::newRow("names that are not valid text")
        << "undecodable" << 2
        << "+_+: 1 file name(s) are not valid text and are not listed: a layout file cannot "
           "hold them. Rename those files to use them.";
    QTest::newRow("a folder that vanished")
        << "vanished" << -1 << "+_+: The folder %1/ could not be read: No such file or directory";
}

void MediaFileListTest::whatTheFolderHolds()
{
    QFETCH(QString, folder);
    QFETCH(int, listed);
    QFETCH(QString, message);
    driver().chooseFolder(folder_.path());
    const QStringList before = driver().fileRows();
    test::MediaFolder chosen;
    if (folder == "crowded") {
        for (int i = 0; i < 256; ++i)
            QVERIFY(chosen.add(QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0')), 1));
    } else if (folder == "undecodable") {
        QVERIFY(chosen.add("a.jpg", 1));
        QVERIFY(chosen.add("b.jpg", 2));
        const QByteArray raw = QFile::encodeName(chosen.path()) + "/caf\xe9.jpg";
        const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    QString path = chosen.path();
    if (folder == "vanished")
        path += "/gone";
    driver().chooseFolder(path);
    const QStringList messages = harness_.dialogs.messages();
    QCOMPARE(messages.join('\n'), message.contains("%1") ? message.arg(path) : message);
    if (listed < 0) {
        QCOMPARE(driver().fileRows(), before);
        QCOMPARE(form().fileList().Text2->text(), folder_.path() + "/");
    } else {
        QCOMPARE(form().fileTable().FileCount, listed);
        QCOMPARE(driver().fileRows().size(), listed + 1);
    }
}

void MediaFileListTest::marking_data()
{
    // Presses as "row:keys:button"; keys s(hift), c(trl), a(lt); button l or r.
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QString>("marks");
    QTest::newRow("plain press") << QStringList{"3::l"} << "..x.....";
    QTest::newRow("ctrl adds") << QStringList{"2::l", "5:c:l"} << ".x..x...";
    QTest::newRow("ctrl never unmarks") << QStringList{"2::l", "2:c:l"} << ".x......";
    QTest::newRow("shift first, from the anchor 0") << QStringList{"3:s:l"} << "xxx.....";
    QTest::newRow("shift above, then below the anchor")
        << QStringList{"4::l", "2:s:l", "6:s:l"} << "...xxx..";
    QTest::newRow("right button marks alike") << QStringList{"2::l", "5:c:r"} << ".x..x...";
    QTest::newRow("plain press on a marked row keeps it alone")
        << QStringList{"2::l", "4:c:l", "4::l"} << "...x....";
    QTest::newRow("shift with ctrl is a plain press")
        << QStringList{"2::l", "6:sc:l"} << ".....x..";
    QTest::newRow("header press changes nothing")
        << QStringList{"3::l", "0::l", "0:c:l"} << "..x.....";
    QTest::newRow("the empty last row can be marked") << QStringList{"8::l"} << ".......x";
}

void MediaFileListTest::marking()
{
    QFETCH(QStringList, presses);
    QFETCH(QString, marks);
    driver().chooseFolder(folder_.path());
    for (const QString& press : presses) {
        const QStringList parts = press.split(':');
        Qt::KeyboardModifiers keys;
        if (parts[1].contains('s'))
            keys |= Qt::ShiftModifier;
        if (parts[1].contains('c'))
            keys |= Qt::ControlModifier;
        driver().pressFileRow(parts[0].toInt(), keys,
                              parts[2] == "r" ? Qt::RightButton : Qt::LeftButton);
    }
    QCOMPARE(driver().fileMarks(), marks);
}

void MediaFileListTest::marksArePainted()
{
    driver().chooseFolder(folder_.path());
    driver().pressFileRow(2);
    driver().pressFileRow(8, Qt::ControlModifier);
    const FlexGrid* grid = form().fileList().MSFlexGrid1;
    for (int row = 1; row < grid->Rows(); ++row)
        for (int col = 0; col < 4; ++col) {
            const QColor expected =
                row == 2 || row == 8 ? QColor(192, 192, 255) : QColor(255, 255, 255);
            QCOMPARE(grid->CellBackColor(row, col), expected);
        }
    QCOMPARE(grid->Row(), 8);
}

void MediaFileListTest::anchorSurvivesRefills()
{
    driver().chooseFolder(folder_.path());
    driver().addVideo();
    driver().pressFileRow(3);
    driver().addPicture(); // the list is refilled; the marks go, the anchor stays
    QCOMPARE(driver().fileMarks(), "....");
    driver().pressFileRow(1, Qt::ShiftModifier);
    QCOMPARE(driver().fileMarks(), "xxx.");
}

void MediaFileListTest::fillsOncePerAction_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("opening a layout of eleven windows") << "open";
    QTest::newRow("pressing a window's body") << "press";
    QTest::newRow("pressing a window's corner") << "corner";
    // (A release over a window selects it again: a second action.)
}

// Each action fills the file list once, however many windows it selects on
// the way.
void MediaFileListTest::fillsOncePerAction()
{
    QFETCH(QString, action);
    QTemporaryDir files;
    qputenv("TEMP", QFile::encodeName(files.path()));
    driver().chooseFolder(folder_.path());
    driver().addVideo();
    for (int i = 0; i < 10; ++i)
        driver().addPicture();
    int fills = 0;
    // Every fill empties the list and starts again at its first row.
    connect(form().fileList().MSFlexGrid1->model(), &QAbstractItemModel::rowsInserted, this,
            [&fills](const QModelIndex&, int first) { fills += first == 0 ? 1 : 0; });
    if (action == "open") {
        harness_.dialogs.fileChoices.enqueue(files.filePath("full.TXT"));
        form().layoutFile().Command10_Click();
        fills = 0;
        harness_.dialogs.fileChoices.enqueue(files.filePath("full.TXT"));
        form().layoutFile().Command11_Click();
        QCOMPARE(driver().listEntries().size(), 11);
    } else {
        QWidget* part = action == "press" ? static_cast<QWidget*>(form().canvas().Image1(11))
                                          : static_cast<QWidget*>(form().canvas().Image2(11));
        const QPoint at = part->mapTo(&form(), part->rect().center());
        QTest::mousePress(form().windowHandle(), Qt::LeftButton, {}, at);
        QCOMPARE(fills, 1);
        QTest::mouseRelease(form().windowHandle(), Qt::LeftButton, {}, at);
        return;
    }
    QCOMPARE(fills, 1);
}

void MediaFileListTest::doubleClickAdds_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("marks");
    QTest::addColumn<QStringList>("added");
    QTest::newRow("a row: that row alone") << 3 << "..x." << QStringList{"1 G.JPG 70"};
    QTest::newRow("the header: the marked rows")
        << 0 << "x.x." << QStringList{"1 b.jpg 100", "2 G.JPG 70"};
}

void MediaFileListTest::doubleClickAdds()
{
    QFETCH(int, row);
    QFETCH(QString, marks);
    QFETCH(QStringList, added);
    driver().chooseFolder(folder_.path());
    driver().addPicture();
    driver().pressFileRow(1);
    driver().pressFileRow(3, Qt::ControlModifier);
    driver().doubleClickFileRow(row);
    QCOMPARE(driver().fileMarks(), marks);
    QCOMPARE(driver().playlist(2), added);
}

QTEST_MAIN(MediaFileListTest)
#include "tst_media_file_list.moc"
