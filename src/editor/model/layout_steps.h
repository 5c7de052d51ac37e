#pragma once

#include "editor/model/layout_model.h"

#include <QUndoCommand>

namespace tv {

class LayoutHistory;

// One undoable change of the layout: the whole layout before and after it, so
// undoing gives back exactly what was there, to the bit.
class LayoutStep final : public QUndoCommand {
public:
    LayoutStep(LayoutModel& model, LayoutState before, LayoutState after, const QString& text,
               int mergeId, int window);

    void undo() override;
    void redo() override;
    int id() const override { return mergeId_; }
    bool mergeWith(const QUndoCommand* other) override;

private:
    LayoutModel& model_;
    LayoutState before_;
    LayoutState after_;
    int mergeId_;
    int window_;
    bool done_ = true; // pushed after the change was made
};

// Records one user action as a step, when it changed the layout: the state
// is taken when the action starts and compared when it ends.
class StepRecorder {
public:
    StepRecorder(LayoutHistory& history, QString text, int mergeId = -1, int window = 0);
    ~StepRecorder();
    StepRecorder(const StepRecorder&) = delete;
    StepRecorder& operator=(const StepRecorder&) = delete;

private:
    LayoutHistory& history_;
    LayoutState before_;
    QString text_;
    int mergeId_;
    int window_;
};

} // namespace tv
