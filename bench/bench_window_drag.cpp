// The work of one pointer movement while a window is dragged, on a layout of
// eleven windows.
#include "editor/canvas/layout_canvas.h"
#include "editor/split.h"
#include "support/editor_driver.h"
#include "support/scripted_dialogs.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWindow>

using namespace tv;

class WindowDragBenchmark : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    // From the mouse event at the grabbing body to the moved window, its parts
    // and the position fields.
    void moveNotification();
    // The same through the window system, with the repaint forced after every
    // movement (the display coalesces repaints to one per frame).
    void moveNotificationWithRepaint();

private:
    test::ScriptedDialogs dialogs_;
    std::unique_ptr<Split> form_;
    WindowBody* body_ = nullptr;
    QPoint grab_;
};

void WindowDragBenchmark::init()
{
    form_ = std::make_unique<Split>(dialogs_);
    form_->showForm();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    test::EditorDriver driver(*form_);
    driver.addVideo();
    for (int i = 0; i < 10; ++i)
        driver.addPicture();
    // The last picture window lies on top; its body is grabbed in the middle.
    body_ = form_->canvas().Image1(11);
    grab_ = body_->mapTo(form_.get(), body_->rect().center());
    QVERIFY(form_->childAt(grab_) == body_);
    QTest::mousePress(form_->windowHandle(), Qt::LeftButton, {}, grab_);
}

void WindowDragBenchmark::cleanup()
{
    QTest::mouseRelease(form_->windowHandle(), Qt::LeftButton, {}, grab_);
    form_.reset();
}

void WindowDragBenchmark::moveNotification()
{
    int step = 0;
    QBENCHMARK
    {
        // What the window system hands the control that holds the mouse.
        ++step;
        const QPoint at = grab_ + QPoint(step % 40, step % 25);
        const QPointF local = body_->mapFrom(form_.get(), at);
        QMouseEvent move(QEvent::MouseMove, local, body_->mapToGlobal(local), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(body_, &move);
    }
    QVERIFY(body_->Left() != 180 || body_->Top() != 180 || step % 200 == 0);
}

void WindowDragBenchmark::moveNotificationWithRepaint()
{
    int step = 0;
    QBENCHMARK
    {
        ++step;
        QTest::mouseMove(form_->windowHandle(), grab_ + QPoint(step % 40, step % 25));
    }
    QVERIFY(body_->Left() != 180 || body_->Top() != 180 || step % 200 == 0);
}

QTEST_MAIN(WindowDragBenchmark)
#include "bench_window_drag.moc"
