#pragma once

#include "schedule/schedule_decision.h"

#include <QByteArray>
#include <QString>

namespace tv {

// What --explain prints: what plays at `instant` and why, why each other rule
// lost, and the next `changes` changes, the days the clocks change marked.
QString explainSchedule(const Schedule& schedule, const ZoneClock& clock, Instant instant,
                        const LayoutIsWhole& whole = {}, const ClockFacts& facts = {},
                        int changes = 20);

// What --inspect prints of a schedule: its settings and rules as JSON.
QByteArray inspectSchedule(const Schedule& schedule);

} // namespace tv
