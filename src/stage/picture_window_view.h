#pragma once

#include "stage/window_view.h"

namespace tv {

// A picture window: it shows each picture of its list for the window's
// switch time, timed from the start of the show, and loops; with a switch
// time of 0 it stays on its first picture. The transparent parts of a
// picture show the windows beneath it.
class PictureWindowView final : public WindowView {
    Q_OBJECT
public:
    PictureWindowView(StageWindow plan, const MediaResolver& media, ProblemLog log,
                      DecodeQueue& decodes, QWidget* parent);

    void advance(qint64 t) override;

protected:
    bool showsBeneath() const override { return true; }

private:
    QList<qint64> durations_;
    qint64 shownRound_ = -1;
};

} // namespace tv
