#pragma once

#include "schedule/zone_clock.h"

#include <optional>

namespace tv {

// The time axis of a week drawn a column a day, Monday to Sunday, in the
// schedule's zone. It runs down the wall-clock times 00:00 to 24:00, so that
// the same time of day is level in every column; the hour the clocks skip as
// summer time begins has no instant, and the hour they show twice as it ends
// is drawn twice: its second showing is a stretch of its own, after the
// first, which is empty in the other columns.
class WeekAxis {
public:
    WeekAxis(ZoneClock clock, QDate anyDay);

    QDate monday() const { return monday_; }
    QDate day(int column) const { return monday_.addDays(column); }
    // The minutes the axis runs: a day, and the repeated stretch.
    int minutes() const { return 24 * 60 + repeatMinutes_; }

    // The instant a column shows `minute` minutes down the axis; none where
    // the clocks skip the time, or where the column's day does not repeat it.
    std::optional<Instant> instantAt(int column, double minute) const;
    // Where the instant is drawn: its column and minutes down the axis; none
    // outside the week.
    struct Place {
        int column = 0;
        double minute = 0;
    };
    std::optional<Place> placeOf(Instant instant) const;

    // The repeated stretch, when the clocks go back this week: from
    // repeatStart() down the axis for repeatMinutes(); its day's column; the
    // wall-clock minute it shows again.
    int repeatColumn() const { return repeatColumn_; }
    int repeatStart() const { return repeatWall_ + repeatMinutes_; }
    int repeatMinutes() const { return repeatMinutes_; }
    int repeatWall() const { return repeatWall_; }
    // Minutes down the axis of a wall-clock minute's first showing.
    int axisMinuteOf(int wallMinute) const;

    // How long the column's day lasts.
    qint64 dayMs(int column) const;

    const ZoneClock& clock() const { return clock_; }

private:
    ZoneClock clock_;
    QDate monday_;
    int repeatColumn_ = -1;
    Instant repeatFrom_ = 0; // the instant the clocks go back
    int repeatWall_ = 0;
    int repeatMinutes_ = 0;
};

} // namespace tv
