#include "editor/canvas/window_pointer.h"

#include "editor/canvas/display_snap_box.h"

#include "editor/canvas/layout_canvas.h"
#include "editor/model/layout_history.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>

namespace tv {

WindowPointer::WindowPointer(LayoutHistory& history, LayoutCanvas& canvas,
                             const DisplaySnapBox& snap, QWidget& form, QWidget* client,
                             QObject* parent)
    : QObject(parent), history_(history), model_(history.model()), canvas_(canvas), snap_(snap),
      form_(form), client_(client)
{
    // A drag ends when the editor stops being the active window, as it does
    // when a modal dialog opens: the release may then never reach us.
    form.installEventFilter(this);
}

void WindowPointer::forgetDrag()
{
    if (!drag_)
        return;
    if (drag_->resize)
        QApplication::restoreOverrideCursor();
    // The whole drag, from the press to its end, is one step.
    history_.recordStep(beforeDrag_, drag_->resize ? QStringLiteral("Resize Window")
                                                   : QStringLiteral("Move Window"));
    drag_.reset();
}

void WindowPointer::selectWindowParts(int index)
{
    model_.raise(index);
    model_.setCurrentWindow(index);
}

void WindowPointer::Image1_MouseDown(int index, float x, float y)
{
    DragStartX = x;
    DragStartY = y;
    selectWindowParts(index);
    // The selection refresh fills the file list and shows the window's
    // switch time, once.
    model_.selectByName(model_.window(index).name);
}

void WindowPointer::Image2_MouseDown(int index)
{
    selectWindowParts(index);
    model_.selectByName(model_.window(index).name);
}

void WindowPointer::dragOver(DragReceiver receiver, const DragSource& source, float x, float y,
                             QPointF origin)
{
    LayoutCanvas& canvas = canvas_;
    if (!model_.window(source.index).created)
        return;
    const TwipsRect body = model_.window(source.index).rect;
    const CanvasFrame frame{canvas.Picture1->ScaleWidthTwips(), canvas.Picture1->ScaleHeightTwips(),
                            float(canvas.Picture1->x() * kTwipsPerPixel),
                            float(canvas.Picture1->y() * kTwipsPerPixel)};
    const QPointF pointer = canvasPointer(receiver, x, y, origin, frame);
    const TwipsRect placed = source.resize ? resizedWindow(receiver, body, pointer, frame)
                                           : movedWindow(receiver, body, pointer,
                                                         QPointF(DragStartX, DragStartY), frame);
    model_.setRect(source.index, snap_.place(source.index, placed,
                                             source.resize ? SnapEdit::Resize : SnapEdit::Move));
}

void WindowPointer::Image1_DragOver(int index, const DragSource& source, float x, float y)
{
    const TwipsRect& receiver = model_.window(index).rect;
    dragOver(DragReceiver::Body, source, x, y, QPointF(receiver.Left, receiver.Top));
}

void WindowPointer::Picture1_DragOver(const DragSource& source, float x, float y)
{
    dragOver(DragReceiver::Canvas, source, x, y, QPointF());
}

void WindowPointer::Form_DragOver(const DragSource& source, float x, float y)
{
    dragOver(DragReceiver::FormBackground, source, x, y, QPointF());
}

void WindowPointer::Image1_DragDrop(int index)
{
    model_.selectByName(model_.window(index).name);
}

void WindowPointer::Image2_DragDrop(int index)
{
    Image1_DragDrop(index);
}

QPointF WindowPointer::canvasTwips(QPoint formPixels) const
{
    const QPoint onCanvas = formPixels - canvas_.Picture1->pos();
    return QPointF(onCanvas.x() * kTwipsPerPixel, onCanvas.y() * kTwipsPerPixel);
}

void WindowPointer::deliverDragOver(QPoint formPixels)
{
    // Outside the editor's client area nothing takes part.
    if (!drag_ || !form_.rect().contains(formPixels))
        return;
    const QWidget* under = form_.childAt(formPixels);
    const QPointF onCanvas = canvasTwips(formPixels);
    if (const auto* body = qobject_cast<const WindowBody*>(under)) {
        const TwipsRect& rect = model_.window(body->arrayIndex()).rect;
        Image1_DragOver(body->arrayIndex(), *drag_, float(onCanvas.x() - rect.Left),
                        float(onCanvas.y() - rect.Top));
    } else if (under == canvas_.Picture1)
        Picture1_DragOver(*drag_, float(onCanvas.x()), float(onCanvas.y()));
    else if (under == client_)
        Form_DragOver(*drag_, float(formPixels.x() * kTwipsPerPixel),
                      float(formPixels.y() * kTwipsPerPixel));
}

void WindowPointer::deliverDrop(QPoint formPixels)
{
    if (!form_.rect().contains(formPixels))
        return;
    const QWidget* under = form_.childAt(formPixels);
    if (const auto* body = qobject_cast<const WindowBody*>(under))
        Image1_DragDrop(body->arrayIndex());
    else if (const auto* handle = qobject_cast<const CornerHandle*>(under))
        Image2_DragDrop(handle->arrayIndex());
}

bool WindowPointer::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == &form_) {
        if (type == QEvent::WindowDeactivate)
            forgetDrag();
        return QObject::eventFilter(watched, event);
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return QObject::eventFilter(watched, event);

    const auto* mouse = static_cast<QMouseEvent*>(event);
    // The pressed control holds the mouse until the release, so every position
    // arrives in its coordinates.
    const QPoint formPixels =
        static_cast<QWidget*>(watched)->mapTo(&form_, mouse->position().toPoint());
    // Qt turns the second press of a quick pair into a double click; for a
    // window it is a press like any other.
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    // A drag whose button is pressed anew, or no longer held, was cut short
    // without its release reaching us.
    if (press && drag_ &&
        (mouse->button() == dragButton_ || !mouse->buttons().testFlag(dragButton_)))
        forgetDrag();
    if (press && !drag_) {
        beforeDrag_ = model_.state();
        canvas_.Picture1->setFocus(Qt::MouseFocusReason);
        // Any button, with any keys held, starts the drag.
        if (const auto* body = qobject_cast<const WindowBody*>(watched)) {
            const QPointF onCanvas = canvasTwips(formPixels);
            const int index = body->arrayIndex();
            const TwipsRect& rect = model_.window(index).rect;
            Image1_MouseDown(index, float(onCanvas.x() - rect.Left),
                             float(onCanvas.y() - rect.Top));
            drag_ = DragSource{false, index};
        } else if (const auto* handle = qobject_cast<const CornerHandle*>(watched)) {
            Image2_MouseDown(handle->arrayIndex());
            drag_ = DragSource{true, handle->arrayIndex()};
            QApplication::setOverrideCursor(diagonalDragCursor());
        }
        dragButton_ = mouse->button();
        // The start of a drag is itself a notification over the pressed control.
        deliverDragOver(formPixels);
    } else if (type == QEvent::MouseMove) {
        deliverDragOver(formPixels);
    } else if (type == QEvent::MouseButtonRelease && drag_ && mouse->button() == dragButton_) {
        forgetDrag();
        deliverDrop(formPixels);
    }
    return true;
}

} // namespace tv
