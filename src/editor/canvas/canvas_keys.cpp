#include "editor/canvas/canvas_keys.h"

#include "editor/canvas/display_snap_box.h"
#include "editor/model/drag_rules.h"
#include "editor/model/layout_history.h"
#include "editor/model/layout_steps.h"

#include <QKeyEvent>
#include <QWidget>

namespace tv {

namespace {

// Presses of the same key, with the same modifiers, merge into one undo step.
constexpr int kFirstKeyStepId = 1000;

} // namespace

CanvasKeys::CanvasKeys(LayoutHistory& history, const DisplaySnapBox& snap, QWidget* canvas,
                       QObject* parent)
    : QObject(parent), history_(history), snap_(snap)
{
    canvas->setFocusPolicy(Qt::StrongFocus);
    canvas->installEventFilter(this);
}

bool CanvasKeys::Picture1_KeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Delete) {
        emit deleteRequested();
        return true;
    }
    float dx = 0;
    float dy = 0;
    switch (key) {
    case Qt::Key_Left:
        dx = -1;
        break;
    case Qt::Key_Right:
        dx = 1;
        break;
    case Qt::Key_Up:
        dy = -1;
        break;
    case Qt::Key_Down:
        dy = 1;
        break;
    default:
        return false;
    }
    LayoutModel& model = history_.model();
    const int current = model.table().CurrentWindow;
    if (!model.table().inUse(current))
        return true;
    // One pixel of the screen the layout is for, in its canvas's twips.
    const ScreenShape shape = model.state().shape;
    const float pixel = float(frameOf(shape).twipsPerPixel());
    const float step = modifiers.testFlag(Qt::ShiftModifier) ? 10 * pixel : pixel;
    const bool stretch = modifiers.testFlag(Qt::ControlModifier);
    const int mergeId = kFirstKeyStepId + (key - Qt::Key_Left) * 4 + (stretch ? 2 : 0) +
                        (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0);
    const StepRecorder undoable(
        history_, stretch ? QStringLiteral("Resize Window") : QStringLiteral("Move Window"),
        mergeId, current);
    const TwipsRect& rect = model.window(current).rect;
    if (snap_.on()) {
        const int steps = modifiers.testFlag(Qt::ShiftModifier) ? 10 : 1;
        model.setRect(current, steppedWindow(rect, dx * steps, dy * steps, stretch, shape));
        return true;
    }
    model.setRect(current, stretch
                               ? stretchedWindow(rect, dx * step, dy * step)
                               : nudgedWindow(rect, dx * step, dy * step, canvasFrameOf(shape)));
    return true;
}

bool CanvasKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (Picture1_KeyDown(key->key(), key->modifiers()))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tv
