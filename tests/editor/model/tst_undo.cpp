#include "editor/canvas/layout_canvas.h"
#include "editor/canvas/position_fields.h"
#include "editor/layout_file_commands.h"
#include "editor/media/playlist_panel.h"
#include "editor/media/switch_time_box.h"
#include "editor/model/layout_model.h"
#include "editor/window_commands.h"
#include "layout/layout_writer.h"
#include "support/editor_harness.h"
#include "support/media_folder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QWindow>

using namespace tv;

// Every change of the layout is one undo step that gives back exactly the
// layout before it, and redo exactly the layout after it; choosing is no step.
class UndoTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup() { harness_.close(); }

    void eachChangeIsOneStep_data();
    void eachChangeIsOneStep();
    void choosingIsNoStep_data();
    void choosingIsNoStep();
    void keysMoveAndSize_data();
    void keysMoveAndSize();
    void cleanStateFollowsSaves();
    void textBoxesKeepTheirOwnUndo();
    void manyStepsAtOnce();

private:
    void act(const QString& action);
    QByteArray savedBytes() const;
    void undoKey() { QTest::keyClick(&form(), Qt::Key_Z, Qt::ControlModifier); }
    void redoKey() { QTest::keyClick(&form(), Qt::Key_Y, Qt::ControlModifier); }
    void dragBy(QWidget* part, QPoint by);
    Split& form() const { return *harness_.form; }
    test::EditorDriver& driver() { return *harness_.driver; }
    int steps() const { return form().history().count(); }

    test::EditorHarness harness_;
    test::MediaFolder media_;
    QTemporaryDir files_;
};

void UndoTest::initTestCase()
{
    for (const char* name : {"a.avi", "b.avi", "c.jpg", "d.jpg", "e.jpg"})
        QVERIFY(media_.add(name, 10));
    qputenv("TEMP", QFile::encodeName(files_.path()));
}

void UndoTest::init()
{
    // A video window with one file, Picture1 with three, and Picture2, which
    // is current.
    harness_.open();
    QApplication::setActiveWindow(&form());
    QVERIFY(QTest::qWaitForWindowActive(&form()));
    driver().chooseFolder(media_.path());
    driver().addVideo();
    driver().pressFileRow(1);
    driver().addMarkedFiles();
    driver().addPicture();
    driver().pressFileRow(1);
    driver().pressFileRow(3, Qt::ShiftModifier);
    driver().addMarkedFiles();
    driver().addPicture();
    form().canvas().Picture1->setFocus();
}

QByteArray UndoTest::savedBytes() const
{
    const auto encoded = encodeLayout(form().layoutFile().describeLayout());
    if (const auto* bytes = std::get_if<QByteArray>(&encoded))
        return *bytes;
    return std::get<SaveRefusal>(encoded).message.toUtf8();
}

void UndoTest::dragBy(QWidget* part, QPoint by)
{
    QWindow* window = form().windowHandle();
    const QPoint at = part->mapTo(&form(), part->rect().center());
    QVERIFY2(form().childAt(at) == part, qPrintable(form().childAt(at)->objectName()));
    QTest::mousePress(window, Qt::LeftButton, {}, at);
    QTest::mouseMove(window, at + by / 2);
    QTest::mouseMove(window, at + by);
    QTest::mouseRelease(window, Qt::LeftButton, {}, at + by);
}

void UndoTest::act(const QString& action)
{
    LayoutCanvas& canvas = form().canvas();
    auto pick = [this](const QString& name) {
        driver().pickListEntry(int(driver().listEntries().indexOf(name)));
    };
    if (action == "add picture")
        driver().addPicture();
    else if (action == "delete window")
        driver().deleteWindow();
    else if (action == "delete video") {
        pick("Video\n1");
        driver().deleteWindow();
    } else if (action == "add video")
        driver().addVideo();
    else if (action == "delete Picture1") {
        pick("Picture1");
        driver().deleteWindow();
    } else if (action == "move by dragging")
        dragBy(canvas.Image1(3), {40, 20});
    else if (action == "resize by the handle")
        dragBy(canvas.Image2(3), {30, 50});
    else if (action == "type a rectangle") {
        driver().typeFields({"100", "200", "300", "150"});
        driver().applyFields();
    } else if (action == "apply 16:9")
        driver().applyRatio(ScreenRatio::SixteenNine);
    else if (action == "pick Picture1")
        pick("Picture1");
    else if (action == "click entry 2")
        driver().clickPlaylistRow(2);
    else if (action == "add a file") {
        driver().pressFileRow(2);
        driver().addMarkedFiles();
    } else if (action == "delete an entry")
        driver().playlistDelete();
    else if (action == "move an entry up")
        driver().playlistUp();
    else if (action == "move an entry down")
        driver().playlistDown();
    else if (action == "set a switch time") {
        QLineEdit* box = form().switchTime().Text3;
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, "25");
        QTest::mouseClick(form().switchTime().Command12, Qt::LeftButton);
    } else if (action == "save") {
        harness_.dialogs.fileChoices.enqueue(files_.filePath("undo.TXT"));
        harness_.dialogs.answers.enqueue(true);
        QTest::mouseClick(form().layoutFile().Command10, Qt::LeftButton);
    } else if (action == "open the saved file") {
        harness_.dialogs.fileChoices.enqueue(files_.filePath("undo.TXT"));
        QTest::mouseClick(form().layoutFile().Command11, Qt::LeftButton);
    } else if (action.startsWith("key ")) {
        canvas.Picture1->setFocus();
        const QStringList keys = action.mid(4).split(' ');
        for (const QString& key : keys) {
            const Qt::KeyboardModifiers modifiers =
                (key.contains("ctrl+") ? Qt::ControlModifier : Qt::NoModifier) |
                (key.contains("shift+") ? Qt::ShiftModifier : Qt::NoModifier);
            const QString name = key.section('+', -1);
            const Qt::Key code = name == "right"  ? Qt::Key_Right
                                 : name == "left" ? Qt::Key_Left
                                 : name == "up"   ? Qt::Key_Up
                                 : name == "down" ? Qt::Key_Down
                                                  : Qt::Key_Delete;
            QTest::keyClick(canvas.Picture1, code, modifiers);
        }
    } else if (action == "press a body")
        dragBy(canvas.Image1(3), {});
    else if (action == "choose the folder again")
        driver().chooseFolder(media_.path());
    else if (action == "mark rows")
        driver().pressFileRow(2, Qt::ControlModifier);
    else if (action == "apply the fields")
        driver().applyFields();
    else if (action == "type a narrow window") {
        driver().typeFields({"960", "540", "13", "100"});
        driver().applyFields();
    } else if (action == "type a negative width") {
        driver().typeFields({"0", "0", "-5", "10"});
        driver().applyFields();
    } else if (action == "add a second video")
        driver().addVideo();
    else if (action == "type in the list")
        driver().typeInList("Pic");
    else
        QFAIL(qPrintable("unknown action " + action));
}

void UndoTest::eachChangeIsOneStep_data()
{
    QTest::addColumn<QString>("before"); // actions that are set up first
    QTest::addColumn<QString>("action");
    QTest::newRow("add a new picture window") << ""
                                              << "add picture";
    QTest::newRow("add a deleted picture window again") << "delete Picture1"
                                                        << "add picture";
    QTest::newRow("add the deleted video window again") << "delete video"
                                                        << "add video";
    QTest::newRow("delete the current window") << ""
                                               << "delete window";
    QTest::newRow("move by dragging") << ""
                                      << "move by dragging";
    QTest::newRow("resize by the corner handle") << ""
                                                 << "resize by the handle";
    QTest::newRow("type a rectangle") << ""
                                      << "type a rectangle";
    QTest::newRow("apply a ratio") << ""
                                   << "apply 16:9";
    QTest::newRow("add to a playlist") << "pick Picture1"
                                       << "add a file";
    QTest::newRow("delete from a playlist") << "pick Picture1,click entry 2"
                                            << "delete an entry";
    QTest::newRow("move an entry up") << "pick Picture1,click entry 2"
                                      << "move an entry up";
    QTest::newRow("move an entry down") << "pick Picture1,click entry 2"
                                        << "move an entry down";
    QTest::newRow("set a switch time") << ""
                                       << "set a switch time";
    QTest::newRow("open a file") << "save,delete video,add picture"
                                 << "open the saved file";
    QTest::newRow("move with a key") << ""
                                     << "key right";
    QTest::newRow("size with a key") << ""
                                     << "key ctrl+down";
    QTest::newRow("delete with a key") << ""
                                       << "key delete";
}

void UndoTest::eachChangeIsOneStep()
{
    QFETCH(QString, before);
    QFETCH(QString, action);
    for (const QString& step : before.split(',', Qt::SkipEmptyParts))
        act(step);
    const LayoutState start = form().model().state();
    const QByteArray startBytes = savedBytes();
    const int startSteps = steps();

    act(action);
    const LayoutState done = form().model().state();
    const QByteArray doneBytes = savedBytes();
    QVERIFY(differentLayouts(start, done));
    QCOMPARE(steps(), startSteps + 1);

    form().canvas().Picture1->setFocus();
    undoKey();
    QVERIFY(form().model().state() == start);
    QCOMPARE(savedBytes(), startBytes);
    QCOMPARE(driver().violations(), QStringList{});

    redoKey();
    QVERIFY(form().model().state() == done);
    QCOMPARE(savedBytes(), doneBytes);
    QCOMPARE(driver().violations(), QStringList{});
}

void UndoTest::choosingIsNoStep_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("action");
    for (const char* action :
         {"pick Picture1", "press a body", "choose the folder again", "mark rows", "click entry 2",
          "type a negative width", "add a second video", "type in the list"})
        QTest::newRow(action) << QString() << QString(action);
    QTest::newRow("a rectangle equal to the window's") << "type a rectangle"
                                                       << "apply the fields";
    QTest::newRow("narrower than a key makes it") << "type a narrow window"
                                                  << "key ctrl+left";
}

void UndoTest::choosingIsNoStep()
{
    QFETCH(QString, before);
    QFETCH(QString, action);
    if (!before.isEmpty())
        act(before);
    const LayoutState start = form().model().state();
    const int startSteps = steps();
    act(action);
    QCOMPARE(steps(), startSteps);
    QVERIFY(!differentLayouts(start, form().model().state()));
}

void UndoTest::keysMoveAndSize_data()
{
    // Picture2's place first, in screen pixels: 3.75 twips each, on both axes.
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QRectF>("place"); // in twips afterwards
    QTest::addColumn<int>("steps");
    const QStringList middle{"960", "540", "100", "100"};
    QTest::newRow("right by a pixel") << middle << "right" << QRectF(3603.75, 2025, 375, 375) << 1;
    QTest::newRow("shift: ten pixels")
        << middle << "shift+up" << QRectF(3600, 1987.5, 375, 375) << 1;
    QTest::newRow("repeated key, one step")
        << middle << "left left left" << QRectF(3588.75, 2025, 375, 375) << 1;
    QTest::newRow("other key, another step")
        << middle << "left down" << QRectF(3596.25, 2028.75, 375, 375) << 2;
    QTest::newRow("stopped at the left edge")
        << QStringList{"0", "0", "100", "100"} << "left shift+up" << QRectF(0, 0, 375, 375) << 0;
    QTest::newRow("stopped at the right edge, not sent back")
        << QStringList{"1820", "0", "100", "100"} << "right" << QRectF(6825, 0, 375, 375) << 0;
    QTest::newRow("wider and shorter")
        << middle << "ctrl+right ctrl+shift+up" << QRectF(3600, 2025, 378.75, 337.5) << 2;
    QTest::newRow("never narrower than 50 twips")
        << QStringList{"960", "540", "14", "100"} << "ctrl+left ctrl+left"
        << QRectF(3600, 2025, 50, 375) << 1;
}

void UndoTest::keysMoveAndSize()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, keys);
    QFETCH(QRectF, place);
    QFETCH(int, steps);
    driver().typeFields(fields);
    driver().applyFields();
    const int before = this->steps();
    act("key " + keys);
    const TwipsRect rect = driver().body(3);
    QCOMPARE(QRectF(rect.Left, rect.Top, rect.Width, rect.Height), place);
    QCOMPARE(this->steps(), before + steps);
    QCOMPARE(driver().fields(), (QStringList{QString::number(int(place.x() / 3.75)),
                                             QString::number(int(place.y() / 3.75)),
                                             QString::number(int(place.width() / 3.75)),
                                             QString::number(int(place.height() / 3.75))}));
}

void UndoTest::cleanStateFollowsSaves()
{
    QUndoStack& history = form().history();
    QVERIFY(!history.isClean());
    act("save");
    QVERIFY(history.isClean());
    act("key right");
    QVERIFY(!history.isClean());
    undoKey();
    QVERIFY(history.isClean());
    act("delete video");
    act("open the saved file");
    QVERIFY(history.isClean());
}

void UndoTest::textBoxesKeepTheirOwnUndo()
{
    act("key right");
    const LayoutState moved = form().model().state();
    QLineEdit* field = form().positions().Text1[0];
    const QString shown = field->text();
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "777");
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(field->text(), shown);
    QVERIFY(form().model().state() == moved);
    QCOMPARE(form().history().index(), form().history().count());
}

// Jumping across many steps at once (the history's own setIndex) puts back
// exactly the layout of that moment, announced once, and every control shows
// it: windows made and dropped, moved, renamed and refilled on the way.
void UndoTest::manyStepsAtOnce()
{
    QList<LayoutState> states{form().model().state()};
    const int start = form().history().index();
    for (const char* action :
         {"move by dragging", "resize by the handle", "add a file", "add picture",
          "type a rectangle", "delete Picture1", "delete video", "add video", "add picture"}) {
        act(QString::fromLatin1(action));
        states << form().model().state();
    }
    QCOMPARE(form().history().index(), start + int(states.size()) - 1);
    QSignalSpy restored(&form().model(), &LayoutModel::restored);
    for (int target : {0, 9, 4, 1, 8, 0, 5, 9}) {
        restored.clear();
        form().history().setIndex(start + target);
        QCOMPARE(restored.size(), 1);
        QVERIFY2(form().model().state() == states[target], qPrintable(QString::number(target)));
        QCOMPARE(driver().violations(), QStringList{});
    }
}

QTEST_MAIN(UndoTest)
#include "tst_undo.moc"
