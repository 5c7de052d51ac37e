#include "schedule/zone_clock.h"

#include <QDateTime>

namespace tv {

namespace {

constexpr qint64 kUnixEpochJulianDay = 2440588;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

} // namespace

int ZoneClock::offsetAt(Instant instant) const
{
    return zone_.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(instant, QTimeZone::utc()));
}

const ZoneClock::Day& ZoneClock::day(QDate date) const
{
    Day& known = days_[std::size_t(date.toJulianDay() & 7)];
    if (known.julian != date.toJulianDay()) {
        const qint64 wall = (date.toJulianDay() - kUnixEpochJulianDay) * kDayMs;
        known.julian = date.toJulianDay();
        known.offset = offsetAt(wall - 14 * kHourMs);
        known.changes = known.offset != offsetAt(wall + 38 * kHourMs) ||
                        known.offset != offsetAt(wall + 12 * kHourMs);
    }
    return known;
}

Instant ZoneClock::at(QDate date, int minute) const
{
    // The wall-clock time read as if it were UTC.
    const qint64 wall = (date.toJulianDay() - kUnixEpochJulianDay) * kDayMs + minute * kMinuteMs;
    // A day and its neighbours on one offset: the usual case, worked out
    // without asking the zone again.
    if (const Day& known = day(date); !known.changes)
        return wall - qint64(known.offset) * 1000;
    // The zone's offset just before and just after it are the only two it
    // can have (no zone changes its offset twice within a day).
    const int before = offsetAt(wall - 14 * kHourMs);
    const int after = offsetAt(wall + 14 * kHourMs);
    const Instant first = wall - qint64(std::max(before, after)) * 1000;
    const Instant second = wall - qint64(std::min(before, after)) * 1000;
    const bool firstShows = offsetAt(first) * 1000LL == wall - first;
    const bool secondShows = offsetAt(second) * 1000LL == wall - second;
    if (firstShows)
        return first;
    if (secondShows)
        return second;
    // In the gap: its end is the instant the offset changes, found to the
    // second between the two (`first` has the offset before, `second` the
    // one after).
    Instant low = first;
    Instant high = second;
    const int later = offsetAt(second);
    while (high - low > 1000) {
        const Instant middle = low + (high - low) / 2;
        if (offsetAt(middle) == later)
            high = middle;
        else
            low = middle;
    }
    return floorDiv(high, 1000) * 1000; // transitions fall on whole seconds
}

QDate ZoneClock::dayOf(Instant instant) const
{
    const qint64 wall = instant + qint64(offsetAt(instant)) * 1000;
    return QDate::fromJulianDay(floorDiv(wall, kDayMs) + kUnixEpochJulianDay);
}

int ZoneClock::minuteOf(Instant instant) const
{
    const qint64 wall = instant + qint64(offsetAt(instant)) * 1000;
    return int((wall - floorDiv(wall, kDayMs) * kDayMs) / kMinuteMs);
}

bool ZoneClock::changesOn(QDate date) const
{
    return offsetAt(at(date, 0)) != offsetAt(at(date.addDays(1), 0));
}

} // namespace tv
