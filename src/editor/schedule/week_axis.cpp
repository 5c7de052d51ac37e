#include "editor/schedule/week_axis.h"

#include <cmath>

namespace tv {

namespace {

// The first instant in (low, high] with the offset `high` has, to the
// second; the zone changes offset once between them.
Instant changeBetween(const ZoneClock& clock, Instant low, Instant high)
{
    const int later = clock.offsetAt(high);
    while (high - low > 1000) {
        const Instant middle = low + (high - low) / 2;
        if (clock.offsetAt(middle) == later)
            high = middle;
        else
            low = middle;
    }
    return high;
}

} // namespace

WeekAxis::WeekAxis(ZoneClock clock, QDate anyDay)
    : clock_(std::move(clock)), monday_(anyDay.addDays(1 - anyDay.dayOfWeek()))
{
    for (int column = 0; column < 7 && repeatColumn_ < 0; ++column) {
        const QDate date = day(column);
        if (!clock_.changesOn(date))
            continue;
        const Instant start = clock_.at(date, 0);
        const Instant end = clock_.at(date.addDays(1), 0);
        const int back = clock_.offsetAt(start) - clock_.offsetAt(end);
        if (back <= 0)
            continue;
        repeatColumn_ = column;
        repeatFrom_ = changeBetween(clock_, start, end);
        repeatWall_ = clock_.minuteOf(repeatFrom_);
        repeatMinutes_ = back / 60;
    }
}

int WeekAxis::axisMinuteOf(int wallMinute) const
{
    return repeatMinutes_ && wallMinute >= repeatStart() ? wallMinute + repeatMinutes_ : wallMinute;
}

std::optional<Instant> WeekAxis::instantAt(int column, double minute) const
{
    if (column < 0 || column > 6 || minute < 0 || minute >= minutes())
        return std::nullopt;
    if (repeatMinutes_ && minute >= repeatStart()) {
        if (minute < repeatStart() + repeatMinutes_) {
            if (column != repeatColumn_)
                return std::nullopt;
            return repeatFrom_ + Instant(std::llround((minute - repeatStart()) * kMinuteMs));
        }
        minute -= repeatMinutes_;
    }
    const int whole = int(minute);
    const Instant at = clock_.at(day(column), whole);
    // A time the clocks skip is given as the end of the gap, which shows
    // another time.
    if (whole < 24 * 60 && clock_.minuteOf(at) != whole)
        return std::nullopt;
    return at + Instant(std::llround((minute - whole) * kMinuteMs));
}

std::optional<WeekAxis::Place> WeekAxis::placeOf(Instant instant) const
{
    const int column = int(monday_.daysTo(clock_.dayOf(instant)));
    if (column < 0 || column > 6)
        return std::nullopt;
    const double seconds =
        double(((instant % kMinuteMs) + kMinuteMs) % kMinuteMs) / double(kMinuteMs);
    if (column == repeatColumn_ && instant >= repeatFrom_ &&
        instant < repeatFrom_ + repeatMinutes_ * kMinuteMs)
        return Place{column, repeatStart() + double(instant - repeatFrom_) / double(kMinuteMs)};
    return Place{column, axisMinuteOf(clock_.minuteOf(instant)) + seconds};
}

qint64 WeekAxis::dayMs(int column) const
{
    return clock_.at(day(column).addDays(1), 0) - clock_.at(day(column), 0);
}

} // namespace tv
