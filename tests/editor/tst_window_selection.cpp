#include "editor/canvas/layout_canvas.h"
#include "editor/controls/flex_grid.h"
#include "editor/media/playlist_panel.h"
#include "editor/media/switch_time_box.h"
#include "editor/window_commands.h"
#include "support/editor_harness.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace tv;
using tv::test::EditorDriver;

class WindowSelectionTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_.open(); }
    void cleanup() { harness_.close(); }

    void typingSelectsOnlyAtTheWholeName_data();
    void typingSelectsOnlyAtTheWholeName();
    void everyKeystrokeRewritesTheFields();
    void typingWithoutWindowsShowsTheTemplate();
    void videoNameKeepsItsLineFeed();
    void pickingShowsTheSwitchTime_data();
    void pickingShowsTheSwitchTime();
    void namesShowFromTheirStart_data();
    void namesShowFromTheirStart();
    void marksFollowTheSelection();
    void deletedWindowsAreMarkedToo();
    void currentPlaylistInFront();

private:
    Split& form() { return *harness_.form; }
    EditorDriver& driver() { return *harness_.driver; }
    void pick(const QString& name) { driver().pickListEntry(driver().listEntries().indexOf(name)); }
    QColor mark(int index) { return form().canvas().Shape1(index)->FillColor(); }
    tv::test::EditorHarness harness_;
};

void WindowSelectionTest::typingSelectsOnlyAtTheWholeName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("selected"); // the window selected at the last keystroke
    QTest::newRow("whole name of a window in use") << "Picture1" << 2;
    QTest::newRow("first letters only") << "Pict" << 4;
    QTest::newRow("case counts") << "picture1" << 4;
    QTest::newRow("name of a deleted window") << "Picture2" << 4;
}

void WindowSelectionTest::typingSelectsOnlyAtTheWholeName()
{
    QFETCH(QString, typed);
    QFETCH(int, selected);
    driver().addVideo();
    driver().addPicture();
    driver().addPicture();
    driver().addPicture();
    pick("Picture2");
    driver().deleteWindow();
    pick("Picture3");
    QCOMPARE(driver().current(), 4);

    QLineEdit* edit = form().windows().Combo1->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    for (qsizetype i = 0; i < typed.size(); ++i) {
        QTest::keyClicks(edit, typed.mid(i, 1));
        if (i + 1 < typed.size() && driver().current() != 4)
            QFAIL(qPrintable("selected after typing only " + typed.left(i + 1)));
    }
    QCOMPARE(driver().current(), selected);
    QCOMPARE(driver().violations(), QStringList{});
}

void WindowSelectionTest::everyKeystrokeRewritesTheFields()
{
    driver().addPicture();
    driver().typeFields({"1", "2", "3", "4"});
    driver().typeInList("P");
    QCOMPARE(driver().fields(), (QStringList{"48", "48", "506", "333"}));
}

void WindowSelectionTest::typingWithoutWindowsShowsTheTemplate()
{
    driver().typeInList("x");
    QCOMPARE(driver().current(), 0);
    QCOMPARE(driver().fields(), (QStringList{"48", "48", "516", "332"}));
    QVERIFY(form().canvas().Image1(0)->isHidden());
}

void WindowSelectionTest::videoNameKeepsItsLineFeed()
{
    driver().addVideo();
    driver().addPicture();
    QCOMPARE(driver().listEntries().first(), QStringLiteral("Video\n1"));
    driver().typeInList("Video1");
    QCOMPARE(driver().current(), 2);
    driver().typeInList("Video 1");
    QCOMPARE(driver().current(), 2);
    pick("Video\n1");
    QCOMPARE(driver().current(), 1);
    QCOMPARE(driver().listText(), QStringLiteral("Video\n1"));
}

void WindowSelectionTest::pickingShowsTheSwitchTime_data()
{
    QTest::addColumn<bool>("videoLast");
    QTest::newRow("picture picked while the box is off") << true;
    QTest::newRow("video picked while the box is on") << false;
}

// A window picked from the list shows its own switch time, so OK never
// stores another window's value.
void WindowSelectionTest::pickingShowsTheSwitchTime()
{
    QFETCH(bool, videoLast);
    if (videoLast) {
        driver().addPicture();
        driver().addVideo();
    } else {
        driver().addVideo();
        driver().addPicture();
    }
    form().table().SwitchTime[1] = 44;
    const SwitchTimeBox& box = form().switchTime();
    pick(videoLast ? "Picture1" : "Video\n1");
    QCOMPARE(driver().current(), videoLast ? 2 : 1);
    QCOMPARE(box.Text3->text(), videoLast ? QStringLiteral("44") : QString());
    QCOMPARE(box.Text3->isEnabled(), videoLast);
}

void WindowSelectionTest::namesShowFromTheirStart_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("added") << "add";
    QTest::newRow("picked from the list") << "pick";
    QTest::newRow("the first left after a deletion") << "delete";
}

// A name set as a whole is shown from its first character, not scrolled to
// its end, and the box is wide enough for "Picture10" whole.
void WindowSelectionTest::namesShowFromTheirStart()
{
    QFETCH(QString, how);
    for (int i = 0; i < 10; ++i)
        driver().addPicture();
    if (how == "pick")
        pick("Picture7");
    else if (how == "delete")
        driver().deleteWindow();
    const QLineEdit* box = form().windows().Combo1->lineEdit();
    QVERIFY(box->fontMetrics().horizontalAdvance(QStringLiteral("Picture10")) <
            box->contentsRect().width());
    QCOMPARE(box->cursorPosition(), 0);
}

void WindowSelectionTest::marksFollowTheSelection()
{
    driver().addVideo();
    driver().addPicture();
    QCOMPARE(mark(1), QColor(Qt::black));
    QCOMPARE(mark(2), QColor(Qt::red));
    driver().deleteWindow();
    QCOMPARE(driver().current(), 1);
    QCOMPARE(mark(1), QColor(Qt::red));
    QCOMPARE(mark(2), QColor(Qt::black));
}

void WindowSelectionTest::deletedWindowsAreMarkedToo()
{
    driver().addPicture();
    driver().addPicture();
    pick("Picture1");
    driver().deleteWindow();
    QCOMPARE(driver().current(), 3);
    QCOMPARE(mark(2), QColor(Qt::black));
    QCOMPARE(mark(3), QColor(Qt::red));

    driver().deleteWindow();
    QCOMPARE(driver().current(), 3);
    QVERIFY(form().canvas().Shape1(3)->isHidden());
    QCOMPARE(mark(3), QColor(Qt::red));
}

void WindowSelectionTest::currentPlaylistInFront()
{
    driver().addVideo();
    driver().addPicture();
    driver().addPicture();
    auto frontGrid = [this] {
        FlexGrid* front = nullptr;
        for (QObject* child : form().playlists().MSFlexGrid2(0)->parent()->children())
            if (auto* grid = qobject_cast<FlexGrid*>(child);
                grid && grid->objectName().startsWith("MSFlexGrid2"))
                front = grid;
        return front;
    };
    QCOMPARE(frontGrid(), form().playlists().MSFlexGrid2(3));
    pick("Video\n1");
    QCOMPARE(frontGrid(), form().playlists().MSFlexGrid2(1));
    pick("Picture1");
    QCOMPARE(frontGrid(), form().playlists().MSFlexGrid2(2));
}

QTEST_MAIN(WindowSelectionTest)
#include "tst_window_selection.moc"
