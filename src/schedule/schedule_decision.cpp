#include "schedule/schedule_decision.h"

#include <QDateTime>

#include <algorithm>

namespace tv {

namespace {

const char* const kDayNames[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                 "Friday", "Saturday", "Sunday"};

bool dayAllowed(const ScheduleRule& rule, QDate day)
{
    return (rule.days & (1u << (day.dayOfWeek() - 1))) && (!rule.from || day >= *rule.from) &&
           (!rule.until || day <= *rule.until);
}

struct Span {
    Instant start = 0;
    Instant end = 0;
};

// The span a rule's window (or its whole day) covers when it starts on
// `day`; empty when the clocks skip all of it.
Span spanOn(const ScheduleRule& rule, const ZoneClock& clock, QDate day)
{
    if (!rule.hasWindow)
        return {clock.at(day, 0), clock.at(day.addDays(1), 0)};
    const Instant start = clock.at(day, rule.startMinute);
    const Instant end = rule.endMinute > rule.startMinute
                            ? clock.at(day, rule.endMinute)
                            : clock.at(day.addDays(1), rule.endMinute);
    return {start, std::max(start, end)};
}

Span oneOffSpan(const ScheduleRule& rule, const ZoneClock& clock)
{
    const Instant start = clock.at(rule.atDay, rule.atMinute);
    return {start, start + rule.forMs};
}

bool inSlice(const ScheduleRule& rule, const Span& span, Instant instant)
{
    return rule.everyMs <= 0 || (instant - span.start) % rule.everyMs < rule.sliceMs;
}

QString windowText(const ScheduleRule& rule)
{
    return minuteText(rule.startMinute) + QLatin1Char('-') + minuteText(rule.endMinute);
}

// Why a rule does not hold at `instant`.
QString whyNot(const ScheduleRule& rule, const ZoneClock& clock, Instant instant)
{
    if (rule.oneOff) {
        const Span span = oneOffSpan(rule, clock);
        return instant < span.start ? QStringLiteral("starts %1").arg(wallText(clock, span.start))
                                    : QStringLiteral("ended %1").arg(wallText(clock, span.end));
    }
    const QDate day = clock.dayOf(instant);
    const QDate before = day.addDays(-1);
    // The day it would belong to: today, or yesterday for a window that
    // crosses midnight and is still open by the clock.
    const bool overnight = rule.hasWindow && rule.endMinute <= rule.startMinute &&
                           clock.minuteOf(instant) < rule.endMinute;
    const QDate owner = overnight ? before : day;
    if ((rule.from && owner < *rule.from) || (rule.until && owner > *rule.until))
        return QStringLiteral("outside its dates %1..%2")
            .arg(rule.from.value_or(QDate()).toString(Qt::ISODate),
                 rule.until.value_or(QDate()).toString(Qt::ISODate));
    if (!(rule.days & (1u << (owner.dayOfWeek() - 1))))
        return QStringLiteral("not on a %1").arg(QLatin1String(kDayNames[owner.dayOfWeek() - 1]));
    const Span span = spanOn(rule, clock, owner);
    if (instant < span.start || instant >= span.end)
        return QStringLiteral("outside %1").arg(windowText(rule));
    return QStringLiteral("between its slices (%1 every %2)")
        .arg(lengthText(rule.sliceMs), lengthText(rule.everyMs));
}

} // namespace

QString wallText(const ZoneClock& clock, Instant instant)
{
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(instant, clock.zone());
    const QString format = instant % kMinuteMs ? QStringLiteral("yyyy-MM-dd HH:mm:ss")
                                               : QStringLiteral("yyyy-MM-dd HH:mm");
    const int offset = clock.offsetAt(instant);
    const int minutes = std::abs(offset) / 60;
    return moment.toString(format) + QStringLiteral(" %1%2:%3")
                                         .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                                         .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                                         .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

bool ruleHolds(const ScheduleRule& rule, const ZoneClock& clock, Instant instant)
{
    if (rule.oneOff) {
        const Span span = oneOffSpan(rule, clock);
        return instant >= span.start && instant < span.end;
    }
    const QDate day = clock.dayOf(instant);
    for (const QDate start : {day.addDays(-1), day}) {
        if (!dayAllowed(rule, start))
            continue;
        const Span span = spanOn(rule, clock, start);
        if (instant >= span.start && instant < span.end && inSlice(rule, span, instant))
            return true;
    }
    return false;
}

std::optional<Instant> holdingSince(const ScheduleRule& rule, const ZoneClock& clock,
                                    Instant instant)
{
    if (rule.oneOff) {
        const Span span = oneOffSpan(rule, clock);
        return instant >= span.start && instant < span.end ? std::optional(span.start)
                                                           : std::nullopt;
    }
    const QDate day = clock.dayOf(instant);
    for (const QDate start : {day.addDays(-1), day}) {
        if (!dayAllowed(rule, start))
            continue;
        const Span span = spanOn(rule, clock, start);
        if (instant >= span.start && instant < span.end && inSlice(rule, span, instant))
            return rule.everyMs > 0
                       ? span.start + (instant - span.start) / rule.everyMs * rule.everyMs
                       : span.start;
    }
    return std::nullopt;
}

std::optional<Instant> nextEdge(const ScheduleRule& rule, const ZoneClock& clock, Instant instant)
{
    if (rule.oneOff) {
        const Span span = oneOffSpan(rule, clock);
        if (instant < span.start)
            return span.start;
        if (instant < span.end)
            return span.end;
        return std::nullopt;
    }
    QDate day = clock.dayOf(instant).addDays(-1);
    if (rule.from && day < *rule.from)
        day = *rule.from;
    std::optional<Instant> best;
    // Any set of days comes round within a week.
    for (int i = 0; i < 9 && !(rule.until && day > *rule.until); ++i, day = day.addDays(1)) {
        if (!dayAllowed(rule, day))
            continue;
        const Span span = spanOn(rule, clock, day);
        if (span.end <= instant || span.end <= span.start)
            continue;
        std::optional<Instant> edge;
        if (instant < span.start) {
            edge = span.start;
        } else if (rule.everyMs <= 0) {
            edge = span.end;
        } else {
            const Instant sliceStart =
                span.start + (instant - span.start) / rule.everyMs * rule.everyMs;
            const Instant sliceEnd = sliceStart + rule.sliceMs;
            edge = std::min(span.end, instant < sliceEnd ? sliceEnd : sliceStart + rule.everyMs);
        }
        if (!best || *edge < *best)
            best = edge;
        // Spans of later days start later than this one ends, but a window
        // crossing midnight from the day before may end after today's
        // starts: both are looked at.
        if (i >= 1 && best)
            break;
    }
    return best;
}

ScheduleDecision decide(const Schedule& schedule, const ZoneClock& clock, Instant instant,
                        const LayoutIsWhole& whole, const ClockFacts& facts)
{
    ScheduleDecision decision;
    decision.target =
        schedule.defaultTarget().isEmpty() ? QStringLiteral("off") : schedule.defaultTarget();
    for (const ScheduleRule& rule : schedule.rules) {
        const std::optional<Instant> edge = nextEdge(rule, clock, instant);
        if (edge && (!decision.next || *edge < *decision.next))
            decision.next = edge;
    }
    if (facts.publishedAt > 0 && instant < facts.publishedAt) {
        decision.why = QStringLiteral("the clock says %1, before the show was published (%2): "
                                      "the default plays")
                           .arg(wallText(clock, instant), wallText(clock, facts.publishedAt));
        for (qsizetype i = 0; i < schedule.rules.size(); ++i)
            decision.lost << QStringLiteral("the clock is not to be trusted");
        decision.next = facts.publishedAt;
        return decision;
    }
    if (!facts.synchronised && schedule.defaultWhileUnsynchronised) {
        decision.why = QStringLiteral(
            "the clock is not synchronised, and the schedule asks for its default then");
        for (qsizetype i = 0; i < schedule.rules.size(); ++i)
            decision.lost << QStringLiteral("the clock is not synchronised");
        return decision;
    }
    QList<int> holding;
    for (int i = 0; i < schedule.rules.size(); ++i) {
        const ScheduleRule& rule = schedule.rules[i];
        const bool holds = ruleHolds(rule, clock, instant);
        decision.lost << (holds ? QString() : whyNot(rule, clock, instant));
        if (holds)
            holding << i;
    }
    // Highest priority first, then the earlier line.
    std::stable_sort(holding.begin(), holding.end(), [&](int a, int b) {
        return schedule.rules[a].priority > schedule.rules[b].priority;
    });
    bool yielded = false;
    for (const int i : holding) {
        const ScheduleRule& rule = schedule.rules[i];
        if (decision.rule >= 0) {
            const ScheduleRule& winner = schedule.rules[decision.rule];
            decision.lost[i] = winner.priority > rule.priority
                                   ? QStringLiteral("line %1 has a higher priority (%2 over %3)")
                                         .arg(winner.line)
                                         .arg(winner.priority)
                                         .arg(rule.priority)
                                   : QStringLiteral("line %1 comes first").arg(winner.line);
            continue;
        }
        if (!rule.off && whole && !whole(rule.layout)) {
            decision.lost[i] = QStringLiteral("its layout %1 is not whole yet").arg(rule.layout);
            yielded = true;
            continue;
        }
        decision.rule = i;
        decision.target = rule.target();
        decision.why = QStringLiteral("line %1 holds: %2").arg(rule.line).arg(rule.text);
    }
    if (decision.rule < 0)
        decision.why = yielded ? QStringLiteral("the rules that hold have layouts not whole yet: "
                                                "the default plays")
                               : QStringLiteral("no rule holds: the default plays");
    return decision;
}

std::optional<ScheduleRefusal> overlapRefusal(const Schedule& schedule, const ZoneClock& clock,
                                              Instant from)
{
    for (qsizetype i = 0; i < schedule.rules.size(); ++i) {
        for (qsizetype j = i + 1; j < schedule.rules.size(); ++j) {
            const ScheduleRule& a = schedule.rules[i];
            const ScheduleRule& b = schedule.rules[j];
            if (a.priority != b.priority)
                continue;
            // From where both may first hold, over the weeks both may hold.
            Instant at = from;
            Instant until = from + 16 * kDayMs;
            for (const ScheduleRule* rule : {&a, &b}) {
                if (rule->from)
                    at = std::max(at, clock.at(rule->from->addDays(-1), 0));
                if (rule->oneOff)
                    at = std::max(at, clock.at(rule->atDay.addDays(-1), 0));
            }
            until = std::max(until, at + 16 * kDayMs);
            for (const ScheduleRule* rule : {&a, &b}) {
                if (rule->until)
                    until = std::min(until, clock.at(rule->until->addDays(2), 0));
                if (rule->oneOff)
                    until = std::min(until, oneOffSpan(*rule, clock).end + 1);
            }
            for (int steps = 0; at < until && steps < 100'000; ++steps) {
                if (ruleHolds(a, clock, at) && ruleHolds(b, clock, at))
                    return ScheduleRefusal{
                        b.line, QStringLiteral("overlaps line %1 at the same priority, first at %2")
                                    .arg(a.line)
                                    .arg(wallText(clock, at))};
                const std::optional<Instant> nextA = nextEdge(a, clock, at);
                const std::optional<Instant> nextB = nextEdge(b, clock, at);
                if (!nextA && !nextB)
                    break;
                at = std::min(nextA.value_or(until), nextB.value_or(until));
            }
        }
    }
    return std::nullopt;
}

QList<ScheduleChange> scheduleChanges(const Schedule& schedule, const ZoneClock& clock,
                                      Instant from, int count, int days, const LayoutIsWhole& whole,
                                      const ClockFacts& facts)
{
    QList<ScheduleChange> changes;
    ScheduleDecision decision = decide(schedule, clock, from, whole, facts);
    changes << ScheduleChange{from, decision};
    const Instant until = from + qint64(days) * kDayMs;
    for (int steps = 0; changes.size() <= count && steps < 1'000'000; ++steps) {
        if (!decision.next || *decision.next > until)
            break;
        const Instant at = *decision.next;
        ScheduleDecision next = decide(schedule, clock, at, whole, facts);
        const bool changed = !next.sameAs(decision);
        decision = std::move(next);
        if (changed)
            changes << ScheduleChange{at, decision};
    }
    return changes;
}

} // namespace tv
