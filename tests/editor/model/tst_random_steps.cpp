#include "editor/canvas/layout_canvas.h"
#include "editor/layout_file_commands.h"
#include "editor/media/switch_time_box.h"
#include "editor/model/layout_model.h"
#include "editor/model/window_geometry.h"
#include "editor/window_commands.h"
#include "support/editor_harness.h"
#include "support/file_helpers.h"
#include "support/media_folder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QWindow>

using namespace tv;

// Thousands of random user steps from a fixed seed: adding, deleting and
// picking windows, typed rectangles, ratios, drags, playlist edits, switch
// times, and saves opened again through the real file code. After every step
// the window table must agree with the controls and the canvas must show
// exactly the windows in use, each drawn around its body and marked by the
// selection; a saved layout must open and save again to the same bytes.
class RandomStepsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup() { harness_.close(); }
    void tableAndCanvasAgree_data();
    void tableAndCanvasAgree();
    void undoAllAndRedoAll_data();
    void undoAllAndRedoAll();

private:
    // One random user step; `userOnly` leaves out clearing the layout from
    // code, which no user can do.
    QString step(QRandomGenerator& random, bool userOnly = false);
    QString drag(QRandomGenerator& random);
    QString editPlaylist(QRandomGenerator& random);
    QString setSwitchTime(QRandomGenerator& random);
    QString saveAndOpen();
    QPoint uncoveredPoint(QWidget* control, QRandomGenerator& random) const;
    QStringList canvasProblems() const;
    tv::test::EditorHarness harness_;
    tv::test::MediaFolder media_;
    QTemporaryDir files_;
    int drags_ = 0;
    int roundTrips_ = 0;
    QString roundTripProblem_;
};

namespace {
QtMessageHandler testLogger = nullptr;

// Drags go past the window's edges on purpose; QTest warns of each such event.
void quietOutsideEvents(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (!text.contains(QLatin1String("occurs outside target window")))
        testLogger(type, context, text);
}
} // namespace

void RandomStepsTest::initTestCase()
{
    testLogger = qInstallMessageHandler(quietOutsideEvents);
    for (const char* name : {"a.avi", "b.mp4", "c.jpg", "d.png", "e.bmp", "f.gif", "g.txt"})
        QVERIFY(media_.add(name, 10));
    qputenv("TEMP", QFile::encodeName(files_.path()));
}

void RandomStepsTest::init()
{
    harness_.open();
    harness_.driver->chooseFolder(media_.path());
    drags_ = 0;
    roundTrips_ = 0;
    roundTripProblem_.clear();
}

QString RandomStepsTest::step(QRandomGenerator& random, bool userOnly)
{
    test::EditorDriver& driver = *harness_.driver;
    const QStringList entries = driver.listEntries();
    const int roll = random.bounded(100);
    if (roll < 5) {
        driver.addVideo();
        return "add video";
    }
    if (roll < 17) {
        driver.addPicture();
        return "add picture";
    }
    if (roll < 24) {
        driver.deleteWindow();
        return "delete";
    }
    if (roll < 31 && !entries.isEmpty()) {
        const int position = random.bounded(int(entries.size()));
        driver.pickListEntry(position);
        return "pick " + entries[position];
    }
    if (roll < 35) {
        const QStringList candidates{
            "Picture" + QString::number(random.bounded(1, 12)), "Pic", "Video", "Video1", "", "zz"};
        QString text = candidates[random.bounded(int(candidates.size()))];
        // A line feed cannot be typed into the list, so the video window's
        // name is only ever picked.
        if (!entries.isEmpty() && random.bounded(2) == 0)
            text = entries[random.bounded(int(entries.size()))];
        text.remove(QLatin1Char('\n'));
        driver.typeInList(text);
        return "type in list " + text;
    }
    if (roll < 42) {
        QStringList typed;
        for (int i = 0; i < 4; ++i)
            typed << QString::number(random.bounded(-200, 2200) / (i < 2 ? 1.0 : 2.0));
        driver.typeFields(typed);
        driver.applyFields();
        return "apply " + typed.join(' ');
    }
    if (roll < 44) {
        const bool fourThree = random.bounded(2) == 0;
        driver.applyRatio(fourThree ? ScreenRatio::FourThree : ScreenRatio::SixteenNine);
        return fourThree ? "ratio 4:3" : "ratio 16:9";
    }
    if (roll < 80)
        return drag(random);
    if (roll < 93)
        return editPlaylist(random);
    if (roll < 97)
        return setSwitchTime(random);
    if (roll < 99 || userOnly)
        return saveAndOpen();
    harness_.form->windows().ClearLayout();
    return "clear";
}

QPoint RandomStepsTest::uncoveredPoint(QWidget* control, QRandomGenerator& random) const
{
    // A few random points of the control, the first one not covered by
    // another control; a null point when none was found.
    const Split& form = *harness_.form;
    const QRect area = control->rect();
    if (control->isHidden() || area.isEmpty())
        return {};
    for (int tries = 0; tries < 24; ++tries) {
        const QPoint at = control->mapTo(
            &form, QPoint(random.bounded(area.width()), random.bounded(area.height())));
        if (form.rect().contains(at) && form.childAt(at) == control)
            return at;
    }
    return {};
}

QString RandomStepsTest::drag(QRandomGenerator& random)
{
    // Presses a random window's body or handle where it is not covered, then
    // moves the pointer anywhere over the form and beyond it.
    Split& form = *harness_.form;
    QList<int> shown;
    for (int i = 1; i < kWindowSlots; ++i)
        if (form.table().inUse(i))
            shown << i;
    const bool resize = random.bounded(2) == 0;
    QWidget* pressed = nullptr;
    QPoint at;
    while (!shown.isEmpty() && at.isNull()) {
        const int index = shown.takeAt(random.bounded(int(shown.size())));
        pressed = resize ? static_cast<QWidget*>(form.canvas().Image2(index))
                         : static_cast<QWidget*>(form.canvas().Image1(index));
        at = uncoveredPoint(pressed, random);
    }
    if (at.isNull())
        return "no drag";
    QWindow* window = form.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, at);
    QPoint last = at;
    for (int n = random.bounded(1, 4); n > 0; --n) {
        last =
            QPoint(random.bounded(-20, form.width() + 20), random.bounded(-20, form.height() + 20));
        QTest::mouseMove(window, last);
    }
    QTest::mouseRelease(window, Qt::LeftButton, {}, last);
    ++drags_;
    return QStringLiteral("%1 %2 to %3,%4")
        .arg(resize ? "resize" : "move", pressed->objectName())
        .arg(last.x())
        .arg(last.y());
}

QString RandomStepsTest::editPlaylist(QRandomGenerator& random)
{
    test::EditorDriver& driver = *harness_.driver;
    const int files = int(driver.fileRows().size());
    const int entries = int(driver.playlist(driver.current()).size());
    switch (random.bounded(5)) {
    case 0:
        if (files == 0)
            return "no add";
        driver.pressFileRow(random.bounded(1, files + 1),
                            random.bounded(2) ? Qt::ShiftModifier : Qt::NoModifier);
        driver.addMarkedFiles();
        return "add marked files";
    case 1:
        if (entries == 0 || driver.current() == 0)
            return "no playlist click";
        driver.clickPlaylistRow(random.bounded(1, entries + 1));
        return "click playlist entry";
    case 2:
        driver.playlistUp();
        return "playlist up";
    case 3:
        driver.playlistDown();
        return "playlist down";
    default:
        driver.playlistDelete();
        return "playlist delete";
    }
}

QString RandomStepsTest::setSwitchTime(QRandomGenerator& random)
{
    SwitchTimeBox& box = harness_.form->switchTime();
    if (!box.Text3->isEnabled())
        return "no switch time";
    const QString typed = QString::number(random.bounded(0, 70000));
    box.Text3->setFocus();
    box.Text3->selectAll();
    QTest::keyClicks(box.Text3, typed);
    QTest::mouseClick(box.Command12, Qt::LeftButton);
    return "switch time " + typed;
}

QString RandomStepsTest::saveAndOpen()
{
    // Saved, opened again and saved once more, a layout keeps its bytes.
    test::ScriptedDialogs& dialogs = harness_.dialogs;
    LayoutFileCommands& commands = harness_.form->layoutFile();
    const QString first = files_.filePath("first.TXT");
    const QString second = files_.filePath("second.TXT");
    QFile::remove(first);
    QFile::remove(second);
    const qsizetype shown = dialogs.shown.size();
    dialogs.fileChoices.enqueue(first);
    QTest::mouseClick(commands.Command10, Qt::LeftButton);
    if (!QFileInfo::exists(first)) {
        // A layout the file cannot hold is refused before the dialog opens.
        dialogs.fileChoices.clear();
        if (dialogs.shown.size() != shown + 1 || dialogs.shown.last().title != "+_+")
            roundTripProblem_ = "the save failed without a refusal";
        return "save refused";
    }
    dialogs.fileChoices.enqueue(first);
    QTest::mouseClick(commands.Command11, Qt::LeftButton);
    dialogs.fileChoices.enqueue(second);
    QTest::mouseClick(commands.Command10, Qt::LeftButton);
    if (test::contentOf(second) != test::contentOf(first))
        roundTripProblem_ = "the opened layout saved other bytes:\n" +
                            test::contentOf(first).toHex(' ') + "\n" +
                            test::contentOf(second).toHex(' ');
    ++roundTrips_;
    return "save, open, save";
}

QStringList RandomStepsTest::canvasProblems() const
{
    QStringList problems;
    const Split& form = *harness_.form;
    const LayoutCanvas& canvas = form.canvas();
    const WindowTable& table = form.table();
    for (int i = 0; i < kWindowSlots; ++i) {
        const WindowBody* body = canvas.Image1(i);
        const bool shown = body && !body->isHidden();
        if (shown != (i > 0 && table.inUse(i)))
            problems << QStringLiteral("window %1 shown: %2").arg(i).arg(shown);
        if (i == 0 || !body)
            continue;
        QRect drawn = twipsToPixels(body->twips());
        drawn.setSize(drawn.size().expandedTo(QSize(0, 0)));
        if (body->geometry() != drawn)
            problems << QStringLiteral("window %1 body drawn elsewhere").arg(i);
        const PartPlaces places = placeWindowParts(body->twips());
        if (canvas.Shape1(i)->twips() != places.outline ||
            canvas.Label1(i)->Left() != places.tagLeft ||
            canvas.Label1(i)->Top() != places.tagTop ||
            canvas.Image2(i)->Left() != places.handleLeft ||
            canvas.Image2(i)->Top() != places.handleTop)
            problems << QStringLiteral("window %1 parts do not follow its body").arg(i);
        const QColor expected = i == table.CurrentWindow ? QColor(255, 0, 0) : QColor(0, 0, 0);
        if (canvas.Shape1(i)->FillColor() != expected)
            problems << QStringLiteral("window %1 marked %2")
                            .arg(i)
                            .arg(canvas.Shape1(i)->FillColor().name());
    }
    return problems;
}

void RandomStepsTest::tableAndCanvasAgree_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("steps");
    QTest::newRow("seed 1") << 1u << 5000;
    QTest::newRow("seed 20261207") << 20261207u << 5000;
}

void RandomStepsTest::tableAndCanvasAgree()
{
    QFETCH(quint32, seed);
    QFETCH(int, steps);
    QRandomGenerator random(seed);
    QStringList history;
    for (int n = 0; n < steps; ++n) {
        history << step(random);
        QStringList problems = harness_.driver->violations() + canvasProblems();
        if (!roundTripProblem_.isEmpty())
            problems << roundTripProblem_;
        if (!problems.isEmpty())
            QFAIL(qPrintable(QStringLiteral("seed %1, after step %2 (%3):\n%4\nlast steps:\n%5")
                                 .arg(seed)
                                 .arg(n)
                                 .arg(history.last(), problems.join('\n'),
                                      history.mid(std::max(0, n - 8)).join('\n'))));
    }
    // The steps must reach what they are meant to: real drags among them.
    qInfo("%d real drags and %d saves opened again in %d steps", drags_, roundTrips_, steps);
    QVERIFY(drags_ * 5 >= steps);
    QVERIFY(roundTrips_ * 200 >= steps);
}

void RandomStepsTest::undoAllAndRedoAll_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::newRow("seed 3") << 3u;
    QTest::newRow("seed 20261208") << 20261208u;
}

// Undoing every step of a long random session gives back the exact start,
// and redoing them all the exact layout after the last step.
void RandomStepsTest::undoAllAndRedoAll()
{
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    Split& form = *harness_.form;
    QUndoStack& history = form.history();
    // What was only chosen before the first step is no step to undo.
    LayoutState start;
    LayoutState afterLastStep;
    for (int n = 0; n < 2000; ++n) {
        const int before = history.count();
        const LayoutState beforeStep = form.model().state();
        step(random, true);
        if (history.count() != before)
            afterLastStep = form.model().state();
        if (before == 0 && history.count() == 1)
            start = beforeStep;
    }
    const QString where = QStringLiteral("seed %1, %2 steps").arg(seed).arg(history.count());
    QVERIFY2(history.count() > 200, qPrintable(where));
    QVERIFY2(roundTripProblem_.isEmpty(), qPrintable(roundTripProblem_));

    while (history.canUndo()) {
        history.undo();
        const QStringList problems = harness_.driver->violations();
        QVERIFY2(problems.isEmpty(),
                 qPrintable(where + QStringLiteral(", undoing to step %1: ").arg(history.index()) +
                            problems.join('\n')));
    }
    QVERIFY2(form.model().state() == start, qPrintable(where + ": undo all"));
    while (history.canRedo())
        history.redo();
    QVERIFY2(form.model().state() == afterLastStep, qPrintable(where + ": redo all"));
    QCOMPARE(harness_.driver->violations(), QStringList{});
}

QTEST_MAIN(RandomStepsTest)
#include "tst_random_steps.moc"
