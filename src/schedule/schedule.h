#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QTimeZone>

#include <optional>
#include <variant>

namespace tv {

// One line of a schedule: a layout (or `off`) and the conditions that must
// all hold for it to play. Times are the zone's wall-clock times; lengths
// (`for`, `every`) are elapsed time.
struct ScheduleRule {
    int line = 0;   // in the file, from 1
    QString layout; // relative to the schedule's folder; empty when off
    bool off = false;
    quint8 days = 0x7f; // bit 0 Monday ... bit 6 Sunday, of the start day
    // The daily window, in minutes past midnight, its end excluded; an end
    // at or before its start crosses midnight and belongs to its start day.
    bool hasWindow = false;
    int startMinute = 0;
    int endMinute = 24 * 60;
    // Inclusive, of the start day.
    std::optional<QDate> from;
    std::optional<QDate> until;
    // A one-off: from a wall-clock time, for an elapsed length.
    bool oneOff = false;
    QDate atDay;
    int atMinute = 0;
    qint64 forMs = 0;
    // Slices of every daily window: `sliceMs` out of every `everyMs`,
    // counted from the window's start.
    qint64 everyMs = 0;
    qint64 sliceMs = 0;
    int priority = kDefaultPriority;
    QString text; // the line as written, for explanations

    static constexpr int kDefaultPriority = 10;
    QString target() const { return off ? QStringLiteral("off") : layout; }
};

struct Schedule {
    QString zoneName; // as written: an IANA name, or "local"
    QTimeZone zone;
    QString defaultLayout; // empty with defaultOff, or when none is given
    bool defaultOff = false;
    // While the kernel calls the clock unsynchronised, play the default
    // rather than follow the rules.
    bool defaultWhileUnsynchronised = false;
    QList<ScheduleRule> rules;

    QString defaultTarget() const { return defaultOff ? QStringLiteral("off") : defaultLayout; }
    // Every layout the schedule names, the default first, each once.
    QStringList layouts() const;
};

struct ScheduleRefusal {
    int line = 0; // 0: the file as a whole
    QString message;
    QString text() const;
};

// The largest schedule file read, and the most rules it may hold.
inline constexpr qint64 kMaxScheduleBytes = 256 * 1024;
inline constexpr int kMaxScheduleRules = 200;

// Reads a schedule. `local` is the zone `zone = local` (or no zone line)
// means: the display's own. The file is UTF-8 text, one setting or rule a
// line, `#` starting a comment (see docs/schedule-format.md).
std::variant<Schedule, ScheduleRefusal> parseSchedule(const QByteArray& text,
                                                      const QTimeZone& local);

// Whether the file at `path` is a schedule rather than a layout: its name
// ends in ".schedule".
bool isScheduleName(const QString& path);
// The name a published show gives its schedule.
inline constexpr const char* kShowScheduleName = "show.schedule";

// "30s", "15m", "2h", "1h30m", "1d": the length in milliseconds, 0 when it is
// none of those.
qint64 parseLength(const QString& text);
QString lengthText(qint64 ms);
// Minutes past midnight as "HH:MM" ("24:00" for a window's end at midnight).
QString minuteText(int minute);

} // namespace tv
