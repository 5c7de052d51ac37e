#pragma once

#include <QList>

#include <limits>

namespace tv {

inline constexpr qint64 kNever = std::numeric_limits<qint64>::max();

// Where a looping playlist stands at a moment: the item shown, when it began
// and when the next one begins. Every moment is counted from the start of the
// show on one clock, so no switch drifts however long the show runs.
struct PlayPosition {
    int item = -1;        // -1: nothing to show (an empty list)
    qint64 round = 0;     // how many times the whole list has played before
    qint64 itemStart = 0; // ms from the start of the show
    qint64 nextChange = kNever;
    friend bool operator==(const PlayPosition&, const PlayPosition&) = default;
};

// The item of a list with these durations (ms, each above 0) at time t (ms
// from the start). A list of one item stays on it; an empty list shows
// nothing.
PlayPosition positionAt(const QList<qint64>& durations, qint64 t);

} // namespace tv
