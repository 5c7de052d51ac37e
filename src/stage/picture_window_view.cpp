#include "stage/picture_window_view.h"

#include <algorithm>

namespace tv {

PictureWindowView::PictureWindowView(StageWindow plan, const MediaResolver& media, ProblemLog log,
                                     DecodeQueue& decodes, QWidget* parent)
    : WindowView(std::move(plan), media, std::move(log), decodes, parent)
{
    durations_.fill(plan_.pictureMs, items_.size());
    // A picture window whose switch time is 0 stays on its first picture.
    if (plan_.pictureMs <= 0 && !durations_.isEmpty())
        durations_ = {1};
}

void PictureWindowView::advance(qint64 t)
{
    const PlayPosition position = positionAt(durations_, t - startMs_);
    nextChange_ = position.nextChange == kNever ? kNever : position.nextChange + startMs_;
    if (position.item < 0 || (position.item == shownItem_ && position.round == shownRound_))
        return;
    // A turn began when it was due, which a late refresh may have passed;
    // the window's first began when it was first shown.
    beginTurn(position.item, shownItem_ < 0 ? t : std::min(t, position.itemStart + startMs_));
    shownRound_ = position.round;
    shownItem_ = position.item;
    takenAfresh_ = false;
    showPicture(position.item, t);
}

} // namespace tv
