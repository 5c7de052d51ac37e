#pragma once

#include <QDate>
#include <QTimeZone>

#include <array>

namespace tv {

// Milliseconds since 1970-01-01T00:00Z: an instant, whatever the zone.
using Instant = qint64;

inline constexpr qint64 kMinuteMs = 60'000;
inline constexpr qint64 kHourMs = 60 * kMinuteMs;
inline constexpr qint64 kDayMs = 24 * kHourMs;

// Wall-clock times of one zone, worked out from its rules alone: no machine
// clock or zone is read here. It remembers the last days it worked out, so
// one is used by one thread at a time.
class ZoneClock {
public:
    explicit ZoneClock(QTimeZone zone) : zone_(std::move(zone)) {}

    // The instant the zone's clocks show `minute` minutes past midnight of
    // `day` (1440 is the next day's midnight). A time the clocks skip (the
    // gap as summer time begins) is the end of the gap; a time they show
    // twice (the hour repeated as it ends) is its first showing.
    Instant at(QDate day, int minute) const;
    // The day the zone's clocks show at `instant`, and the minutes past its
    // midnight.
    QDate dayOf(Instant instant) const;
    int minuteOf(Instant instant) const;
    // Seconds the zone is ahead of UTC at `instant`.
    int offsetAt(Instant instant) const;
    // Whether the day has a gap or a repeated hour.
    bool changesOn(QDate day) const;

    const QTimeZone& zone() const { return zone_; }

private:
    // What a day's wall-clock times need: the zone's offset at its start, and
    // whether it changes before the day ends.
    struct Day {
        qint64 julian = -1;
        int offset = 0;
        bool changes = false;
    };
    const Day& day(QDate date) const;

    QTimeZone zone_;
    mutable std::array<Day, 8> days_; // by Julian day, modulo 8
};

} // namespace tv
