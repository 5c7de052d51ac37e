#include "editor/canvas/layout_canvas.h"
#include "editor/media/switch_time_box.h"
#include "support/editor_harness.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleHints>
#include <QTest>
#include <QWindow>

using namespace tv;

// Windows are placed by typing their rectangle; presses, moves and releases
// are sent as the window system delivers them, so the grab of the pressed
// control and the routing to the control under the pointer are the real ones.
class WindowPointerTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { harness_.close(); }

    void pressWithoutMovementSelects();
    void dragCutShortIsForgotten_data();
    void dragCutShortIsForgotten();
    void quickSecondPressStartsADrag_data();
    void quickSecondPressStartsADrag();
    void moveOverCanvasAndBodies_data();
    void moveOverCanvasAndBodies();
    void controlsThatTakeNoPart_data();
    void controlsThatTakeNoPart();
    void resizeByTheHandle_data();
    void resizeByTheHandle();
    void dropOnAnotherWindowSelectsIt();
    void switchTimeBoxFollowsPresses();
    void handleDragShowsTheDiagonalCursor();

private:
    // Twips on the canvas to pixels in the form.
    QPoint formPoint(double x, double y) const { return QPoint(6 + x / 15, 120 + y / 15); }
    void place(int index, const QStringList& fields);
    void drag(QWidget* pressed, QPoint formPress, const QList<QPoint>& formPoints,
              Qt::MouseButton button = Qt::LeftButton);
    Split& form() { return *harness_.form; }
    test::EditorDriver& driver() { return *harness_.driver; }
    test::EditorHarness harness_;
};

void WindowPointerTest::init()
{
    harness_.open();
    driver().addPicture();                  // Picture1, index 2: 180, 180, 1900, 1250
    driver().addPicture();                  // Picture2, index 3
    place(3, {"960", "540", "480", "270"}); // 3600, 2025, 1800, 1012.5
}

void WindowPointerTest::place(int index, const QStringList& fields)
{
    driver().pickListEntry(index - 2);
    driver().typeFields(fields);
    driver().applyFields();
}

void WindowPointerTest::drag(QWidget* pressed, QPoint formPress, const QList<QPoint>& formPoints,
                             Qt::MouseButton button)
{
    // Through the window, as the window system delivers them: the press goes
    // to the control under the pointer, which then holds the mouse until the
    // release.
    QWindow* window = form().windowHandle();
    QVERIFY(form().childAt(formPress) == pressed);
    QTest::mousePress(window, button, {}, formPress);
    for (const QPoint& point : formPoints)
        QTest::mouseMove(window, point);
    QTest::mouseRelease(window, button, {}, formPoints.isEmpty() ? formPress : formPoints.last());
}

void WindowPointerTest::pressWithoutMovementSelects()
{
    const TwipsRect before = driver().body(2);
    QCOMPARE(driver().current(), 3);
    drag(form().canvas().Image1(2), formPoint(900, 900), {}, Qt::RightButton);
    QCOMPARE(driver().current(), 2);
    QCOMPARE(driver().body(2), before);
    QCOMPARE(driver().listText(), QStringLiteral("Picture1"));
    QCOMPARE(driver().violations(), QStringList{});
}

void WindowPointerTest::dragCutShortIsForgotten_data()
{
    QTest::addColumn<bool>("deactivated"); // else the release is simply lost
    QTest::newRow("release lost") << false;
    QTest::newRow("editor deactivated") << true;
}

// A resize whose release never arrives (a dialog took it) must not turn the
// next press on a body into a resize with the old grab.
void WindowPointerTest::dragCutShortIsForgotten()
{
    QFETCH(bool, deactivated);
    QWindow* window = form().windowHandle();
    CornerHandle* handle = form().canvas().Image2(2);
    const QPoint corner = handle->mapTo(&form(), handle->rect().center());
    QTest::mousePress(window, Qt::LeftButton, {}, corner);
    QTest::mouseMove(window, corner + QPoint(10, 10));
    QWidget other;
    if (deactivated) {
        QApplication::setActiveWindow(&form());
        other.show();
        QApplication::setActiveWindow(&other);
        QVERIFY(QTest::qWaitForWindowActive(&other));
    }
    const TwipsRect before = driver().body(3);
    drag(form().canvas().Image1(3), formPoint(4500, 2600), {formPoint(4500 + 600, 2600 + 300)});
    const TwipsRect after = driver().body(3);
    QCOMPARE(QSizeF(after.Width, after.Height), QSizeF(before.Width, before.Height));
    QCOMPARE(QPointF(after.Left, after.Top), QPointF(before.Left + 600, before.Top + 300));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void WindowPointerTest::quickSecondPressStartsADrag_data()
{
    QTest::addColumn<bool>("handle");
    QTest::newRow("body") << false;
    QTest::newRow("corner handle") << true;
}

// Two presses in quick succession: the window system makes the second a double
// click, which must move or resize all the same.
void WindowPointerTest::quickSecondPressStartsADrag()
{
    QFETCH(bool, handle);
    QWidget* pressed =
        handle ? static_cast<QWidget*>(form().canvas().Image2(2)) : form().canvas().Image1(2);
    const QPoint at = pressed->mapTo(&form(), pressed->rect().center());
    QVERIFY(form().childAt(at) == pressed);
    driver().pickListEntry(1);
    QCOMPARE(driver().current(), 3);
    const TwipsRect before = driver().body(2);

    QWindow* window = form().windowHandle();
    auto send = [&](QEvent::Type type, Qt::MouseButtons held, QPoint local) {
        qt_handleMouseEvent(window, local, window->mapToGlobal(local), held, Qt::LeftButton, type,
                            Qt::NoModifier, ++QTest::lastMouseTimestamp);
        qApp->processEvents();
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton, at);
    send(QEvent::MouseButtonRelease, Qt::NoButton, at);
    send(QEvent::MouseButtonPress, Qt::LeftButton, at);
    QCOMPARE(driver().current(), 2);
    const QPoint to = at + QPoint(120, 60);
    send(QEvent::MouseMove, Qt::LeftButton, to);
    send(QEvent::MouseButtonRelease, Qt::NoButton, to);
    QTest::lastMouseTimestamp += qApp->styleHints()->mouseDoubleClickInterval() + 1;

    const TwipsRect after = driver().body(2);
    const QPoint onCanvas = (to - form().canvas().Picture1->pos()) * 15;
    if (handle) // the corner follows the pointer
        QCOMPARE(QSizeF(after.Width, after.Height),
                 QSizeF(onCanvas.x() - before.Left, onCanvas.y() - before.Top));
    else
        QCOMPARE(QPointF(after.Left, after.Top),
                 QPointF(before.Left + 120 * 15, before.Top + 60 * 15));
}

void WindowPointerTest::moveOverCanvasAndBodies_data()
{
    // Picture1 (180, 180, 1900 x 1250) is grabbed at (1200, 900): 1020 twips
    // right of and 720 below its corner.
    QTest::addColumn<QPointF>("to"); // pointer on the canvas, twips
    QTest::addColumn<QPointF>("place");
    QTest::newRow("over the canvas") << QPointF(3420, 3000) << QPointF(2400, 2280);
    QTest::newRow("up and left past the edges") << QPointF(1000, 500) << QPointF(0, 0);
    QTest::newRow("past the right edge over the canvas")
        << QPointF(7140, 1500) << QPointF(5270, 780);
    QTest::newRow("past the bottom edge") << QPointF(1500, 4020) << QPointF(480, 2800);
    QTest::newRow("onto the other window's body") << QPointF(4500, 2595) << QPointF(3480, 1875);
    QTest::newRow("over the form, right of the canvas")
        << QPointF(7500, 1500) << QPointF(5300, 780);
    QTest::newRow("over the form, below the canvas") << QPointF(1500, 4200) << QPointF(480, 2800);
}

void WindowPointerTest::moveOverCanvasAndBodies()
{
    QFETCH(QPointF, to);
    QFETCH(QPointF, place);
    drag(form().canvas().Image1(2), formPoint(1200, 900), {formPoint(to.x(), to.y())});
    const TwipsRect body = driver().body(2);
    QCOMPARE(QPointF(body.Left, body.Top), place);
    QCOMPARE(QSizeF(body.Width, body.Height), QSizeF(1900, 1250));
    QCOMPARE(form().canvas().Shape1(2)->twips(), body);
    QCOMPARE(driver().fields().mid(0, 2), (QStringList{QString::number(int(place.x() / 3.75)),
                                                       QString::number(int(place.y() / 3.75))}));
}

void WindowPointerTest::controlsThatTakeNoPart_data()
{
    QTest::addColumn<QString>("over");
    QTest::newRow("the other window's name tag") << "Label1(3)";
    QTest::newRow("the other window's corner handle") << "Image2(3)";
    QTest::newRow("a button") << "Command3";
    QTest::newRow("outside the editor") << "";
}

void WindowPointerTest::controlsThatTakeNoPart()
{
    QFETCH(QString, over);
    const QWidget* target = over.isEmpty() ? nullptr : form().findChild<QWidget*>(over);
    const QPoint point =
        target ? target->mapTo(&form(), target->rect().center()) : QPoint(-40, 200);
    const TwipsRect before = driver().body(2);
    drag(form().canvas().Image1(2), formPoint(1200, 900), {point});
    QCOMPARE(driver().body(2), before);
}

void WindowPointerTest::resizeByTheHandle_data()
{
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QSizeF>("size");
    QTest::newRow("over the canvas") << QPointF(3000, 3000) << QSizeF(2820, 2820);
    QTest::newRow("smaller than 50") << QPointF(195, 195) << QSizeF(50, 50);
    QTest::newRow("over the form beyond the right edge")
        << QPointF(7500, 1500) << QSizeF(7020, 1320);
}

void WindowPointerTest::resizeByTheHandle()
{
    QFETCH(QPointF, to);
    QFETCH(QSizeF, size);
    CornerHandle* handle = form().canvas().Image2(2);
    drag(handle, handle->mapTo(&form(), handle->rect().center()), {formPoint(to.x(), to.y())});
    const TwipsRect body = driver().body(2);
    QCOMPARE(QSizeF(body.Width, body.Height), size);
    QCOMPARE(QPointF(body.Left, body.Top), QPointF(180, 180));
    QCOMPARE(driver().current(), 2);
    QCOMPARE(form().canvas().Image2(2)->Left(), body.Left + body.Width - 70);
}

void WindowPointerTest::dropOnAnotherWindowSelectsIt()
{
    // Pushed past the right edge, the dragged window stops short of the
    // pointer, which is then over the other window's body.
    place(3, {"0", "600", "1920", "480"});
    drag(form().canvas().Image1(2), formPoint(1200, 900), {formPoint(7185, 3495)});
    QCOMPARE(driver().body(2), (TwipsRect{5270, 2775, 1900, 1250}));
    QCOMPARE(driver().current(), 3);
    QCOMPARE(driver().listText(), QStringLiteral("Picture2"));
    QCOMPARE(driver().violations(), QStringList{});
}

void WindowPointerTest::switchTimeBoxFollowsPresses()
{
    driver().addVideo();
    driver().typeFields({"1000", "900", "100", "100"});
    driver().applyFields();
    form().table().SwitchTime[1] = 17;
    const SwitchTimeBox& box = form().switchTime();
    QVERIFY(!box.Text3->isEnabled());
    CornerHandle* handle = form().canvas().Image2(2);
    drag(handle, handle->mapTo(&form(), handle->rect().center()), {});
    QCOMPARE(driver().current(), 2);
    QCOMPARE(box.Text3->text(), QStringLiteral("17"));
    QVERIFY(box.Text3->isEnabled() && box.Command12->isEnabled());

    drag(form().canvas().Image1(1), formPoint(3900, 3400), {});
    QCOMPARE(driver().current(), 1);
    QCOMPARE(box.Text3->text(), QString());
    QVERIFY(!box.Text3->isEnabled());
}

void WindowPointerTest::handleDragShowsTheDiagonalCursor()
{
    CornerHandle* handle = form().canvas().Image2(2);
    QCOMPARE(handle->cursor().shape(), Qt::SizeFDiagCursor);
    const QPoint at = handle->mapTo(&form(), handle->rect().center());
    QTest::mousePress(form().windowHandle(), Qt::LeftButton, {}, at);
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->pixmap().size(), QSize(32, 32));
    QCOMPARE(QApplication::overrideCursor()->hotSpot(), QPoint(16, 16));
    QTest::mouseRelease(form().windowHandle(), Qt::LeftButton, {}, at);
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(WindowPointerTest)
#include "tst_window_pointer.moc"
