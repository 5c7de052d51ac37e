#include "schedule/schedule.h"
#include "schedule/schedule_decision.h"
#include "schedule/schedule_report.h"
#include "support/cafe_schedule.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using namespace tv;

namespace {

const QTimeZone kBerlin("Europe/Berlin");
const QTimeZone kNewYork("America/New_York");

Instant instantOf(const QString& wall, const QTimeZone& zone)
{
    return QDateTime(QDateTime::fromString(wall, Qt::ISODate).date(),
                     QDateTime::fromString(wall, Qt::ISODate).time(), zone)
        .toMSecsSinceEpoch();
}

Instant utc(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toMSecsSinceEpoch();
}

Schedule parsed(const QByteArray& text)
{
    const auto read = parseSchedule(text, QTimeZone::utc());
    if (const auto* refused = std::get_if<ScheduleRefusal>(&read))
        qFatal("refused: %s", qPrintable(refused->text()));
    return std::get<Schedule>(read);
}

const QByteArray kCafe = test::kCafeSchedule;

} // namespace

class ScheduleTest : public QObject {
    Q_OBJECT
private slots:
    void refusals_data();
    void refusals();
    void decisions_data();
    void decisions();
    void wallClockAcrossTheChanges_data();
    void wallClockAcrossTheChanges();
    void agreesWithAMinuteByMinuteModel_data();
    void agreesWithAMinuteByMinuteModel();
    void sixtyDaysOfflineAsOnTheFirst();
    void explainsAndInspects();
};

void ScheduleTest::refusals_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("equal start and end")
        << QByteArray("a.TXT daily 10:00-10:00") << "line 1: 10:00-10:00 starts where it ends";
    QTest::newRow("unknown zone") << QByteArray("# first\nzone = Mars/Olympus\n")
                                  << "line 2: unknown zone Mars/Olympus";
    QTest::newRow("hour 24 starts nothing")
        << QByteArray("a.TXT 24:00-02:00")
        << "line 1: 24:00-02:00 is not HH:MM-HH:MM from 00:00 to 24:00 (24:00 only as an end)";
    QTest::newRow("25 o'clock")
        << QByteArray("a.TXT 10:00-25:00")
        << "line 1: 10:00-25:00 is not HH:MM-HH:MM from 00:00 to 24:00 (24:00 only as an end)";
    QTest::newRow("unknown day") << QByteArray("a.TXT mon-fry")
                                 << "line 1: mon-fry is not a condition";
    QTest::newRow("dates backwards") << QByteArray("a.TXT 2026-12-26..2026-12-24")
                                     << "line 1: 2026-12-26..2026-12-24 ends before it starts";
    QTest::newRow("slice as long as its period")
        << QByteArray("a.TXT every 15m for 15m")
        << "line 1: every takes LENGTH for a shorter LENGTH, such as every 15m for 30s";
    QTest::newRow("one-off with days") << QByteArray("\n\na.TXT mon at 2026-12-24 10:00 for 1h")
                                       << "line 3: at goes with no other condition but priority";
    QTest::newRow("outside the folder")
        << QByteArray("../a.TXT daily")
        << "line 1: ../a.TXT is not a file name in the schedule's folder";
    QTest::newRow("open quote") << QByteArray("\"a b.TXT daily")
                                << "line 1: a quoted name has no closing quote";
    QTest::newRow("not text") << QByteArray("a.TXT\0daily", 11) << "not UTF-8 text";
    QTest::newRow("unknown setting")
        << QByteArray("colour = red") << "line 1: unknown setting colour";
}

void ScheduleTest::refusals()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, refusal);
    const auto read = parseSchedule(text, QTimeZone::utc());
    const auto* refused = std::get_if<ScheduleRefusal>(&read);
    QVERIFY(refused);
    QCOMPARE(refused->text(), refusal);
}

void ScheduleTest::decisions_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("at"); // Berlin's wall clock
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<QString>("plays");
    QTest::addColumn<QString>("next"); // Berlin's wall clock; empty: none

    // 2026-12-07 is a Monday.
    QTest::newRow("breakfast") << kCafe << "2026-12-07T06:30:00" << QStringList() << "breakfast.TXT"
                               << "2026-12-07T09:00:00";
    QTest::newRow("lunch starts as breakfast ends")
        << kCafe << "2026-12-07T11:00:30" << QStringList() << "lunch.TXT"
        << "2026-12-07T11:15:00";
    QTest::newRow("promo slice") << kCafe << "2026-12-07T11:15:10" << QStringList() << "promo.TXT"
                                 << "2026-12-07T11:15:30";
    QTest::newRow("promo slice over")
        << kCafe << "2026-12-07T11:15:30" << QStringList() << "lunch.TXT"
        << "2026-12-07T11:30:00";
    QTest::newRow("night, before midnight")
        << kCafe << "2026-12-07T23:00:00" << QStringList() << "off"
        << "2026-12-08T06:00:00";
    QTest::newRow("night, after midnight")
        << kCafe << "2026-12-08T05:59:00" << QStringList() << "off"
        << "2026-12-08T06:00:00";
    QTest::newRow("morning gap plays the default")
        << kCafe << "2026-12-08T06:00:00" << QStringList() << "afternoon.TXT"
        << "2026-12-08T06:30:00";
    QTest::newRow("weekend brunch")
        << kCafe << "2026-12-12T08:00:00" << QStringList() << "brunch.TXT"
        << "2026-12-12T09:00:00";
    QTest::newRow("christmas over the night rule")
        << kCafe << "2026-12-24T23:30:00" << QStringList() << "xmas.TXT"
        << "2026-12-25T00:00:00";
    QTest::newRow("lunch not arrived: the next best, not the default")
        << kCafe << "2026-12-07T12:00:30" << QStringList{"lunch.TXT"} << "afternoon.TXT"
        << "2026-12-07T12:15:00";
    QTest::newRow("christmas not arrived: the night rule")
        << kCafe << "2026-12-24T23:30:00" << QStringList{"xmas.TXT"} << "off"
        << "2026-12-25T00:00:00";
    const QByteArray overnight = "zone = Europe/Berlin\ndefault = off\n"
                                 "late.TXT fri 16:00-01:00\n";
    QTest::newRow("overnight window, its last minute on the next day")
        << overnight << "2026-12-12T00:59:00" << QStringList() << "late.TXT"
        << "2026-12-12T01:00:00";
    QTest::newRow("overnight window belongs to its start day")
        << overnight << "2026-12-11T00:30:00" << QStringList() << "off"
        << "2026-12-11T16:00:00";
    const QByteArray ranged = "zone = Europe/Berlin\ndefault = off\n"
                              "fair.TXT 2026-12-10..2026-12-11 20:00-02:00\n"
                              "day.TXT daily 00:00-24:00 priority 0\n";
    QTest::newRow("a date range's last night runs past its last day")
        << ranged << "2026-12-12T01:30:00" << QStringList() << "fair.TXT"
        << "2026-12-12T02:00:00";
    QTest::newRow("and not the night after")
        << ranged << "2026-12-12T21:00:00" << QStringList() << "day.TXT"
        << "2026-12-13T00:00:00";
}

void ScheduleTest::decisions()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, at);
    QFETCH(QStringList, missing);
    QFETCH(QString, plays);
    QFETCH(QString, next);
    const Schedule schedule = parsed(text);
    const ZoneClock clock(schedule.zone);
    const ScheduleDecision decision =
        decide(schedule, clock, instantOf(at, kBerlin),
               [&](const QString& layout) { return !missing.contains(layout); });
    QCOMPARE(decision.target, plays);
    QCOMPARE(decision.next.has_value(), !next.isEmpty());
    if (decision.next)
        QCOMPARE(wallText(clock, *decision.next), wallText(clock, instantOf(next, kBerlin)));
    QCOMPARE(decision.lost.size(), schedule.rules.size());
    for (qsizetype i = 0; i < decision.lost.size(); ++i)
        QCOMPARE(decision.lost[i].isEmpty(), i == decision.rule);
}

void ScheduleTest::wallClockAcrossTheChanges_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QString>("day");
    QTest::addColumn<int>("minute");
    QTest::addColumn<qint64>("instant");
    // Berlin springs from 02:00 to 03:00 on 2026-03-29, falls back from 03:00
    // to 02:00 on 2026-10-25; New York on 2026-03-08 and 2026-11-01.
    QTest::newRow("Berlin, before the gap") << "Europe/Berlin"
                                            << "2026-03-29" << 119 << utc("2026-03-29T00:59:00Z");
    QTest::newRow("Berlin, in the gap: its end")
        << "Europe/Berlin"
        << "2026-03-29" << 150 << utc("2026-03-29T01:00:00Z");
    QTest::newRow("Berlin, after the gap") << "Europe/Berlin"
                                           << "2026-03-29" << 180 << utc("2026-03-29T01:00:00Z");
    QTest::newRow("Berlin, repeated hour: the first")
        << "Europe/Berlin"
        << "2026-10-25" << 150 << utc("2026-10-25T00:30:00Z");
    QTest::newRow("Berlin, 24:00 of the long day")
        << "Europe/Berlin"
        << "2026-10-25" << 1440 << utc("2026-10-25T23:00:00Z");
    QTest::newRow("New York, in the gap") << "America/New_York"
                                          << "2026-03-08" << 130 << utc("2026-03-08T07:00:00Z");
    QTest::newRow("New York, repeated hour") << "America/New_York"
                                             << "2026-11-01" << 90 << utc("2026-11-01T05:30:00Z");
}

void ScheduleTest::wallClockAcrossTheChanges()
{
    QFETCH(QString, zone);
    QFETCH(QString, day);
    QFETCH(int, minute);
    QFETCH(qint64, instant);
    const ZoneClock clock{QTimeZone(zone.toUtf8())};
    QCOMPARE(clock.at(QDate::fromString(day, Qt::ISODate), minute), instant);
}

void ScheduleTest::agreesWithAMinuteByMinuteModel_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<quint32>("seed");
    for (const char* zone : {"Europe/Berlin", "America/New_York"})
        for (quint32 seed : {1u, 2u, 3u})
            QTest::addRow("%s %u", zone, seed) << QString::fromLatin1(zone) << seed;
}

// Random schedules of the kinds users write, decided minute by minute over
// 2026 and set against a model that knows nothing of offsets: the instant a
// wall-clock time comes is the first minute whose clock shows it or later,
// found by walking the year.
void ScheduleTest::agreesWithAMinuteByMinuteModel()
{
    QFETCH(QString, zone);
    QFETCH(quint32, seed);
    const QTimeZone tz(zone.toUtf8());
    QRandomGenerator random(seed);
    // Times near midnight and the hours the clocks change, where schedules
    // go wrong.
    const QList<int> minutes = {0, 30, 60, 90, 120, 150, 180, 210, 390, 660, 900, 1320, 1410};
    QByteArray text = "zone = " + zone.toUtf8() + "\ndefault = none.TXT\n";
    for (int i = 0; i < 7; ++i) {
        QByteArray rule = "r" + QByteArray::number(i) + ".TXT ";
        const int kind = int(random.bounded(8));
        if (kind == 7) {
            rule += "at 2026-" + QByteArray(random.bounded(2) ? "03-29 02:30" : "11-01 01:30") +
                    " for " + QByteArray::number(random.bounded(1, 300)) + "m";
        } else {
            static const char* days[] = {"daily", "mon-fri", "sat,sun", "fri-mon", "sun", "wed"};
            rule += days[random.bounded(6)];
            int start = minutes[random.bounded(int(minutes.size()))];
            int end = minutes[random.bounded(int(minutes.size()))];
            if (end == start)
                end = 1440;
            if (end == 0)
                end = 1440;
            rule += QStringLiteral(" %1:%2-%3:%4")
                        .arg(start / 60, 2, 10, QLatin1Char('0'))
                        .arg(start % 60, 2, 10, QLatin1Char('0'))
                        .arg(end / 60, 2, 10, QLatin1Char('0'))
                        .arg(end % 60, 2, 10, QLatin1Char('0'))
                        .toUtf8();
            if (kind == 5)
                rule += " 2026-03-01..2026-04-05";
            if (kind == 6)
                rule += " 2026-10-20..2026-11-03";
            if (kind == 4)
                rule += " every " + QByteArray(random.bounded(2) ? "1h for 15m" : "45m for 5m");
        }
        rule += " priority " + QByteArray::number(random.bounded(4));
        text += rule + "\n";
    }
    const Schedule schedule = parsed(text);
    const ZoneClock clock(tz);

    // The model: the wall clock of every minute of the year (and a day on
    // either side), and the first minute whose clock shows a time or later.
    const Instant begin = utc("2025-12-31T00:00:00Z");
    const int count = 368 * 1440;
    QList<qint64> wall(count); // local minutes since 1970, as the clock shows
    QList<qint64> highest(count);
    for (int i = 0; i < count; ++i) {
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(begin + i * kMinuteMs, tz);
        wall[i] =
            QDateTime(local.date(), local.time(), QTimeZone::utc()).toMSecsSinceEpoch() / kMinuteMs;
        highest[i] = i ? std::max(highest[i - 1], wall[i]) : wall[i];
    }
    const auto firstShowing = [&](QDate day, int minute) {
        const qint64 wanted =
            QDateTime(day, QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch() / kMinuteMs + minute;
        return int(std::lower_bound(highest.begin(), highest.end(), wanted) - highest.begin());
    };
    const auto holds = [&](const ScheduleRule& rule, int i) {
        if (rule.oneOff) {
            const int start = firstShowing(rule.atDay, rule.atMinute);
            return i >= start && i < start + rule.forMs / kMinuteMs;
        }
        const QDate today =
            QDateTime::fromMSecsSinceEpoch(wall[i] * kMinuteMs, QTimeZone::utc()).date();
        for (const QDate day : {today.addDays(-1), today}) {
            if (!(rule.days & (1 << (day.dayOfWeek() - 1))) || (rule.from && day < *rule.from) ||
                (rule.until && day > *rule.until))
                continue;
            const int start = firstShowing(day, rule.hasWindow ? rule.startMinute : 0);
            const int end = rule.hasWindow && rule.endMinute <= rule.startMinute
                                ? firstShowing(day.addDays(1), rule.endMinute)
                                : firstShowing(day, rule.hasWindow ? rule.endMinute : 1440);
            if (i >= start && i < end &&
                (!rule.everyMs ||
                 (i - start) % (rule.everyMs / kMinuteMs) < rule.sliceMs / kMinuteMs))
                return true;
        }
        return false;
    };
    QList<int> winner(count, -1);
    for (int i = 1440; i < count - 1440; ++i) {
        for (int r = 0; r < schedule.rules.size(); ++r)
            if (holds(schedule.rules[r], i) &&
                (winner[i] < 0 || schedule.rules[r].priority > schedule.rules[winner[i]].priority))
                winner[i] = r;
    }
    // Every minute where the model changes, the minutes around it, and a
    // spread of the rest; each decision's next change comes no later than
    // the model's.
    int checked = 0;
    for (int i = 1440; i < count - 1441; ++i) {
        const bool edge = winner[i] != winner[i + 1] || winner[i] != winner[i - 1];
        if (!edge && i % 97)
            continue;
        const ScheduleDecision decision = decide(schedule, clock, begin + i * kMinuteMs);
        QVERIFY2(decision.rule == winner[i],
                 qPrintable(QStringLiteral("%1: %2 against %3\n%4")
                                .arg(wallText(clock, begin + i * kMinuteMs))
                                .arg(decision.rule)
                                .arg(winner[i])
                                .arg(QString::fromUtf8(text))));
        int change = i + 1;
        while (change < count - 1440 && winner[change] == winner[i])
            ++change;
        if (change < count - 1440)
            QVERIFY2(decision.next && *decision.next > begin + i * kMinuteMs &&
                         *decision.next <= begin + change * kMinuteMs,
                     qPrintable(wallText(clock, begin + i * kMinuteMs)));
        ++checked;
    }
    QVERIFY(checked > 5000);
}

// Nothing is expanded ahead: the decision on the 60th day offline is the one
// reached by following every change from the first.
void ScheduleTest::sixtyDaysOfflineAsOnTheFirst()
{
    const Schedule schedule = parsed(kCafe);
    const ZoneClock clock(schedule.zone);
    const Instant start = instantOf("2026-11-20T10:00:00", kBerlin);
    const Instant later = start + 60 * kDayMs + 7 * kHourMs;
    const QList<ScheduleChange> changes = scheduleChanges(schedule, clock, start, 100000, 61);
    const auto last = std::find_if(changes.rbegin(), changes.rend(),
                                   [&](const ScheduleChange& c) { return c.at <= later; });
    QVERIFY(last != changes.rend());
    QCOMPARE(decide(schedule, clock, later).target, last->decision.target);
    QVERIFY(changes.size() > 60 * 4);
}

void ScheduleTest::explainsAndInspects()
{
    const Schedule schedule = parsed(kCafe);
    const ZoneClock clock(schedule.zone);
    // Before the publish time, the default, and why.
    const ClockFacts early{true, instantOf("2026-12-07T12:00:00", kBerlin)};
    const QString told =
        explainSchedule(schedule, clock, instantOf("2026-12-07T07:00:00", kBerlin), {}, early, 3);
    QVERIFY2(
        told.contains("plays afternoon.TXT: the clock says 2026-12-07 07:00 +01:00, before the "
                      "show was published (2026-12-07 12:00 +01:00)"),
        qPrintable(told));
    // Unsynchronised: followed, unless the schedule says otherwise.
    Schedule cautious = schedule;
    cautious.defaultWhileUnsynchronised = true;
    const Instant morning = instantOf("2026-12-07T07:00:00", kBerlin);
    QCOMPARE(decide(schedule, clock, morning, {}, {false, 0}).target, "breakfast.TXT");
    QCOMPARE(decide(cautious, clock, morning, {}, {false, 0}).target, "afternoon.TXT");
    // The spring change is marked among the changes.
    const QString spring =
        explainSchedule(schedule, clock, instantOf("2027-03-27T20:00:00", kBerlin), {}, {}, 6);
    QVERIFY2(spring.contains(
                 "2027-03-28 08:00 +02:00 Sun brunch.TXT (line 6)  [clocks change this day]"),
             qPrintable(spring));
    // An equal-priority overlap, with the first instant both hold.
    const auto overlapping = parsed("zone = Europe/Berlin\na.TXT mon-fri 10:00-12:00\n"
                                    "b.TXT fri 11:30-13:00\n");
    const auto refused = overlapRefusal(overlapping, ZoneClock(overlapping.zone),
                                        instantOf("2026-12-07T00:00:00", kBerlin));
    QVERIFY(refused);
    QCOMPARE(refused->text(),
             "line 3: overlaps line 2 at the same priority, first at 2026-12-11 11:30 +01:00");
    QVERIFY(!overlapRefusal(schedule, clock, instantOf("2026-12-07T00:00:00", kBerlin)));
    const QByteArray json = inspectSchedule(schedule);
    QVERIFY(json.contains("\"crossesMidnight\": true"));
    QVERIFY(json.contains("\"everySeconds\": 900"));
}

QTEST_APPLESS_MAIN(ScheduleTest)
#include "tst_schedule.moc"
