#pragma once

#include "schedule/schedule.h"
#include "schedule/zone_clock.h"

#include <functional>
#include <optional>

namespace tv {

// What is known of the clock that tells the instant.
struct ClockFacts {
    // The kernel keeps the clock in step with a time server.
    bool synchronised = true;
    // When the show was published (0: not known): a clock before it is
    // plainly wrong, as a box that booted without its time has.
    Instant publishedAt = 0;
};

// What plays at an instant, and why.
struct ScheduleDecision {
    int rule = -1;  // the index of the rule that plays; -1: the default
    QString target; // a layout file name, or "off"
    QString why;    // why it plays
    // For each rule, in the schedule's order, why it does not play; empty
    // for the one that does.
    QStringList lost;
    // When what plays may change next, by the clock alone (a show arriving
    // may change it sooner); none when nothing changes again.
    std::optional<Instant> next;

    bool off() const { return target == QLatin1String("off"); }
    bool sameAs(const ScheduleDecision& other) const
    {
        return rule == other.rule && target == other.target;
    }
};

// Whether a layout's files are all there (the show's manifest says).
using LayoutIsWhole = std::function<bool(const QString& layout)>;

// The one place that decides what a schedule plays at `instant`: the rule
// that holds with the highest priority (the earlier line among equals) whose
// layout is whole, else the default. It keeps no state and expands no list,
// so it is as right on the 60th day offline as on the first. The editor, the
// display and --explain all ask it.
ScheduleDecision decide(const Schedule& schedule, const ZoneClock& clock, Instant instant,
                        const LayoutIsWhole& whole = {}, const ClockFacts& facts = {});

// Whether the rule holds at `instant`, and the first instant after `instant`
// at which it starts or stops holding.
bool ruleHolds(const ScheduleRule& rule, const ZoneClock& clock, Instant instant);
std::optional<Instant> nextEdge(const ScheduleRule& rule, const ZoneClock& clock, Instant instant);

// When the rule began to hold, for the stretch that holds at `instant` (a
// slice's start for a sliced rule); none when it does not hold.
std::optional<Instant> holdingSince(const ScheduleRule& rule, const ZoneClock& clock,
                                    Instant instant);

// Two rules of the same priority that hold at once would leave the choice to
// their order: refused, with the first instant from `from` they both hold.
std::optional<ScheduleRefusal> overlapRefusal(const Schedule& schedule, const ZoneClock& clock,
                                              Instant from);

struct ScheduleChange {
    Instant at;
    ScheduleDecision decision;
};
// What plays from `from` on: the decision at `from`, then up to `count`
// changes within `days` days.
QList<ScheduleChange> scheduleChanges(const Schedule& schedule, const ZoneClock& clock,
                                      Instant from, int count, int days = 400,
                                      const LayoutIsWhole& whole = {},
                                      const ClockFacts& facts = {});

// "2026-12-24 09:00" in the zone's wall-clock time (seconds when not 0),
// with its offset.
QString wallText(const ZoneClock& clock, Instant instant);

} // namespace tv
