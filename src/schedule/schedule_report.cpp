#include "schedule/schedule_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tv {

namespace {

QString targetText(const QString& target)
{
    return target == QLatin1String("off") ? QStringLiteral("off (the screen dark)") : target;
}

} // namespace

QString explainSchedule(const Schedule& schedule, const ZoneClock& clock, Instant instant,
                        const LayoutIsWhole& whole, const ClockFacts& facts, int changes)
{
    const ScheduleDecision now = decide(schedule, clock, instant, whole, facts);
    QStringList lines;
    lines << QStringLiteral("at %1 (%2)").arg(wallText(clock, instant), schedule.zoneName);
    lines << QStringLiteral("plays %1: %2").arg(targetText(now.target), now.why);
    for (qsizetype i = 0; i < schedule.rules.size(); ++i)
        if (!now.lost[i].isEmpty())
            lines << QStringLiteral("  line %1 (%2) does not: %3")
                         .arg(schedule.rules[i].line)
                         .arg(schedule.rules[i].target(), now.lost[i]);
    const QList<ScheduleChange> next =
        scheduleChanges(schedule, clock, instant, changes, 400, whole, facts);
    lines << (next.size() > 1 ? QStringLiteral("next changes:")
                              : QStringLiteral("nothing changes within 400 days"));
    for (qsizetype i = 1; i < next.size(); ++i) {
        const ScheduleChange& change = next[i];
        const QDate day = clock.dayOf(change.at);
        lines << QStringLiteral("  %1 %2 %3%4")
                     .arg(wallText(clock, change.at), day.toString(QStringLiteral("ddd")),
                          targetText(change.decision.target),
                          (change.decision.rule >= 0
                               ? QStringLiteral(" (line %1)")
                                     .arg(schedule.rules[change.decision.rule].line)
                               : QStringLiteral(" (the default)")) +
                              (clock.changesOn(day) ? QStringLiteral("  [clocks change this day]")
                                                    : QString()));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QByteArray inspectSchedule(const Schedule& schedule)
{
    QJsonArray rules;
    for (const ScheduleRule& rule : schedule.rules) {
        QJsonObject entry{{"line", rule.line},
                          {"layout", rule.off ? QJsonValue() : QJsonValue(rule.layout)},
                          {"off", rule.off},
                          {"priority", rule.priority}};
        if (rule.oneOff) {
            entry["at"] =
                rule.atDay.toString(Qt::ISODate) + QLatin1Char(' ') + minuteText(rule.atMinute);
            entry["forSeconds"] = double(rule.forMs / 1000);
        } else {
            QJsonArray days;
            static const char* const names[] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
            for (int day = 0; day < 7; ++day)
                if (rule.days & (1u << day))
                    days << QString::fromLatin1(names[day]);
            entry["days"] = days;
            if (rule.hasWindow) {
                entry["start"] = minuteText(rule.startMinute);
                entry["end"] = minuteText(rule.endMinute);
                entry["crossesMidnight"] = rule.endMinute <= rule.startMinute;
            }
            if (rule.from) {
                entry["from"] = rule.from->toString(Qt::ISODate);
                entry["until"] = rule.until->toString(Qt::ISODate);
            }
            if (rule.everyMs > 0) {
                entry["everySeconds"] = double(rule.everyMs / 1000);
                entry["forSeconds"] = double(rule.sliceMs / 1000);
            }
        }
        rules << entry;
    }
    const QJsonObject root{
        {"zone", schedule.zoneName},
        {"default",
         schedule.defaultTarget().isEmpty() ? QJsonValue() : QJsonValue(schedule.defaultTarget())},
        {"unsynchronised", schedule.defaultWhileUnsynchronised ? QStringLiteral("default")
                                                               : QStringLiteral("follow")},
        {"layouts", QJsonArray::fromStringList(schedule.layouts())},
        {"rules", rules}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace tv
