#pragma once

#include "editor/model/layout_model.h"

#include <QObject>

class QUndoStack;

namespace tv {

// The layout with its history: every change a user makes is recorded here as
// one step, undone with Ctrl+Z. What the handlers of every part of the editor
// change the layout through.
class LayoutHistory final : public QObject {
    Q_OBJECT
public:
    LayoutHistory(LayoutModel& model, QObject* parent);

    LayoutModel& model() const { return model_; }
    QUndoStack& stack() const { return *stack_; }

    // Makes what changed since `before` one step, when the layout changed.
    // Steps of the same merge id on the same window, one after the other,
    // become one step (a key held down or pressed again).
    void recordStep(const LayoutState& before, const QString& text, int mergeId = -1,
                    int window = 0);

private:
    LayoutModel& model_;
    QUndoStack* stack_;
};

} // namespace tv
