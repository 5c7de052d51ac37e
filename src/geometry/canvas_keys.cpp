#include "geometry/canvas_keys.h"

#include "editor/layout_history.h"
#include "editor/layout_steps.h"
#include "editor/split.h"
#include "editor/window_commands.h"
#include "geometry/drag_rules.h"
#include "geometry/layout_canvas.h"
#include "geometry/position_fields.h"

#include <QKeyEvent>

namespace tv {

namespace {

// Presses of the same key, with the same modifiers, merge into one undo step.
constexpr int kFirstKeyStepId = 1000;

} // namespace

CanvasKeys::CanvasKeys(Split& form, QObject* parent) : QObject(parent), form_(form)
{
    form.canvas().Picture1->setFocusPolicy(Qt::StrongFocus);
    form.canvas().Picture1->installEventFilter(this);
}

bool CanvasKeys::Picture1_KeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Delete) {
        form_.windows().Command2_Click();
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
    LayoutModel& model = form_.model();
    const int current = model.table().CurrentWindow;
    if (!model.table().inUse(current))
        return true;
    const float step = modifiers.testFlag(Qt::ShiftModifier) ? 10 * kKeyStep : kKeyStep;
    const bool stretch = modifiers.testFlag(Qt::ControlModifier);
    const int mergeId = kFirstKeyStepId + (key - Qt::Key_Left) * 4 + (stretch ? 2 : 0) +
                        (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0);
    const StepRecorder undoable(
        form_.steps(), stretch ? QStringLiteral("Resize Window") : QStringLiteral("Move Window"), mergeId,
        current);
    const TwipsRect& rect = model.window(current).rect;
    model.setRect(current, stretch ? stretchedWindow(rect, dx * step, dy * step)
                                   : nudgedWindow(rect, dx * step, dy * step, CanvasFrame{}));
    form_.positions().RefreshPositionFields();
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
