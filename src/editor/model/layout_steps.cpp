#include "editor/model/layout_steps.h"

#include "editor/model/layout_history.h"

namespace tv {

LayoutStep::LayoutStep(LayoutModel& model, LayoutState before, LayoutState after,
                       const QString& text, int mergeId, int window)
    : QUndoCommand(text), model_(model), before_(std::move(before)), after_(std::move(after)),
      mergeId_(mergeId), window_(window)
{
}

// The history announces the restore once it has undone or redone every step
// it was asked for.
void LayoutStep::undo()
{
    model_.holdRestore(before_);
}

void LayoutStep::redo()
{
    // The first redo comes with the push, when the change is already made.
    if (done_) {
        done_ = false;
        return;
    }
    model_.holdRestore(after_);
}

bool LayoutStep::mergeWith(const QUndoCommand* other)
{
    const auto* next = static_cast<const LayoutStep*>(other);
    if (next->window_ != window_)
        return false;
    after_ = next->after_;
    return true;
}

StepRecorder::StepRecorder(LayoutHistory& history, QString text, int mergeId, int window)
    : history_(history), before_(history.model().state()), text_(std::move(text)),
      mergeId_(mergeId), window_(window)
{
}

StepRecorder::~StepRecorder()
{
    history_.recordStep(before_, text_, mergeId_, window_);
}

} // namespace tv
