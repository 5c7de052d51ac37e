#include "editor/model/layout_history.h"

#include "editor/model/layout_steps.h"

#include <QUndoStack>

namespace tv {

LayoutHistory::LayoutHistory(LayoutModel& model, QObject* parent)
    : QObject(parent), model_(model), stack_(new QUndoStack(this))
{
    // Steps undone or redone together are drawn once, after the last.
    connect(stack_, &QUndoStack::indexChanged, &model_, &LayoutModel::releaseRestore);
}

void LayoutHistory::recordStep(const LayoutState& before, const QString& text, int mergeId,
                               int window)
{
    if (differentLayouts(before, model_.state()))
        stack_->push(new LayoutStep(model_, before, model_.state(), text, mergeId, window));
}

} // namespace tv
