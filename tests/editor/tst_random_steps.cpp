#include "editor/window_commands.h"
#include "geometry/layout_canvas.h"
#include "geometry/window_geometry.h"
#include "support/editor_harness.h"

#include <QRandomGenerator>
#include <QTest>
#include <QWindow>

using namespace tv;

// Thousands of random user steps from a fixed seed; after every step the
// window table must agree with the controls and the canvas must show exactly
// the windows in use, each drawn around its body and marked by the selection.
class RandomStepsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { harness_.open(); }
    void cleanup() { harness_.close(); }
    void tableAndCanvasAgree_data();
    void tableAndCanvasAgree();

private:
    QString step(QRandomGenerator& random);
    QString drag(QRandomGenerator& random);
    QStringList canvasProblems() const;
    tv::test::EditorHarness harness_;
};

QString RandomStepsTest::step(QRandomGenerator& random)
{
    test::EditorDriver& driver = *harness_.driver;
    const QStringList entries = driver.listEntries();
    const int roll = random.bounded(100);
    if (roll < 12) {
        driver.addVideo();
        return "add video";
    }
    if (roll < 40) {
        driver.addPicture();
        return "add picture";
    }
    if (roll < 55) {
        driver.deleteWindow();
        return "delete";
    }
    if (roll < 68 && !entries.isEmpty()) {
        const int position = random.bounded(int(entries.size()));
        driver.pickListEntry(position);
        return "pick " + entries[position];
    }
    if (roll < 78) {
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
    if (roll < 90) {
        QStringList typed;
        for (int i = 0; i < 4; ++i)
            typed << QString::number(random.bounded(-200, 2200) / (i < 2 ? 1.0 : 2.0));
        driver.typeFields(typed);
        driver.applyFields();
        return "apply " + typed.join(' ');
    }
    if (roll < 91) {
        const bool fourThree = random.bounded(2) == 0;
        driver.applyRatio(fourThree ? ScreenRatio::FourThree : ScreenRatio::SixteenNine);
        return fourThree ? "ratio 4:3" : "ratio 16:9";
    }
    if (roll < 99)
        return drag(random);
    harness_.form->windows().ClearLayout();
    return "clear";
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
    if (shown.isEmpty())
        return "no drag";
    const int index = shown[random.bounded(int(shown.size()))];
    const bool resize = random.bounded(2) == 0;
    QWidget* pressed = resize ? static_cast<QWidget*>(form.canvas().Image2(index))
                              : static_cast<QWidget*>(form.canvas().Image1(index));
    const QPoint at = pressed->mapTo(&form, pressed->rect().center());
    if (form.childAt(at) != pressed)
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
    return QStringLiteral("%1 window %2").arg(resize ? "resize" : "move").arg(index);
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
    QTest::newRow("seed 1") << 1u << 1500;
    QTest::newRow("seed 20261207") << 20261207u << 1500;
}

void RandomStepsTest::tableAndCanvasAgree()
{
    QFETCH(quint32, seed);
    QFETCH(int, steps);
    QRandomGenerator random(seed);
    QStringList history;
    for (int n = 0; n < steps; ++n) {
        history << step(random);
        const QStringList problems = harness_.driver->violations() + canvasProblems();
        if (!problems.isEmpty())
            QFAIL(qPrintable(QStringLiteral("after step %1 (%2):\n%3\nlast steps:\n%4")
                                 .arg(n)
                                 .arg(history.last(), problems.join('\n'),
                                      history.mid(std::max(0, n - 8)).join('\n'))));
    }
}

QTEST_MAIN(RandomStepsTest)
#include "tst_random_steps.moc"
