#include "schedule/schedule.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace tv {

namespace {

const QStringList kDayNames = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};

// The words of a line, a "quoted name" being one word.
std::optional<QStringList> wordsOf(const QString& line)
{
    QStringList words;
    qsizetype i = 0;
    while (i < line.size()) {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        if (line[i] == QLatin1Char('#'))
            break;
        if (line[i] == QLatin1Char('"')) {
            const qsizetype end = line.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0)
                return std::nullopt;
            words << line.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        qsizetype end = i;
        while (end < line.size() && !line[end].isSpace() && line[end] != QLatin1Char('#'))
            ++end;
        words << line.mid(i, end - i);
        i = end;
    }
    return words;
}

// "HH:MM" (00:00 to 24:00 when `end`); -1 when it is not one.
int minuteOf(const QString& text, bool end)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]{2}):([0-9]{2})$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return -1;
    const int hours = match.captured(1).toInt();
    const int minutes = match.captured(2).toInt();
    if (end && hours == 24 && minutes == 0)
        return 24 * 60;
    if (hours > 23 || minutes > 59)
        return -1;
    return hours * 60 + minutes;
}

std::optional<QDate> dateOf(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(text, Qt::ISODate);
    return date.isValid() ? std::optional(date) : std::nullopt;
}

// "mon-fri", "sat,sun", "mon,wed-fri", "daily": the days' bits, 0 when it
// is none of those.
quint8 daysOf(const QString& text)
{
    if (text == QLatin1String("daily"))
        return 0x7f;
    quint8 days = 0;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.split(QLatin1Char('-'));
        if (ends.size() > 2)
            return 0;
        const int first = int(kDayNames.indexOf(ends.first()));
        const int last = int(kDayNames.indexOf(ends.last()));
        if (first < 0 || last < 0)
            return 0;
        // mon-fri, or fri-mon round the weekend
        for (int day = first;; day = (day + 1) % 7) {
            days |= quint8(1u << day);
            if (day == last)
                break;
        }
    }
    return days;
}

// A layout is named by its file name in the schedule's folder: a schedule
// published with its layouts reaches nothing outside its show.
QString layoutNameProblem(const QString& name)
{
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.startsWith(QLatin1Char('.')))
        return QStringLiteral("%1 is not a file name in the schedule's folder").arg(name);
    return QString();
}

ScheduleRefusal refusal(int line, const QString& message)
{
    return {line, message};
}

} // namespace

qint64 parseLength(const QString& text)
{
    static const QRegularExpression form(QStringLiteral(
        "^(?:([0-9]{1,4})d)?(?:([0-9]{1,4})h)?(?:([0-9]{1,5})m)?(?:([0-9]{1,6})s)?$"));
    const QRegularExpressionMatch match = form.match(text);
    if (text.isEmpty() || !match.hasMatch())
        return 0;
    return match.captured(1).toLongLong() * 86'400'000 +
           match.captured(2).toLongLong() * 3'600'000 + match.captured(3).toLongLong() * 60'000 +
           match.captured(4).toLongLong() * 1'000;
}

QString lengthText(qint64 ms)
{
    QString text;
    qint64 seconds = ms / 1000;
    for (const auto& [unit, size] : {std::pair{'d', 86'400}, {'h', 3'600}, {'m', 60}, {'s', 1}}) {
        if (seconds >= size) {
            text += QString::number(seconds / size) + QLatin1Char(unit);
            seconds %= size;
        }
    }
    return text.isEmpty() ? QStringLiteral("0s") : text;
}

QString minuteText(int minute)
{
    return QStringLiteral("%1:%2")
        .arg(minute / 60, 2, 10, QLatin1Char('0'))
        .arg(minute % 60, 2, 10, QLatin1Char('0'));
}

QString ScheduleRefusal::text() const
{
    return line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(message) : message;
}

QStringList Schedule::layouts() const
{
    QStringList names;
    if (!defaultLayout.isEmpty())
        names << defaultLayout;
    for (const ScheduleRule& rule : rules)
        if (!rule.off && !names.contains(rule.layout))
            names << rule.layout;
    return names;
}

bool isScheduleName(const QString& path)
{
    return path.endsWith(QLatin1String(".schedule"), Qt::CaseInsensitive);
}

std::variant<Schedule, ScheduleRefusal> parseSchedule(const QByteArray& bytes,
                                                      const QTimeZone& local)
{
    if (bytes.size() > kMaxScheduleBytes)
        return refusal(0, QStringLiteral("larger than %1 KiB").arg(kMaxScheduleBytes / 1024));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError() || text.contains(QChar(0)))
        return refusal(0, QStringLiteral("not UTF-8 text"));
    Schedule schedule;
    schedule.zoneName = QStringLiteral("local");
    schedule.zone = local;
    bool zoneSet = false, defaultSet = false, unsynchronisedSet = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int number = 1; number <= lines.size(); ++number) {
        QString line = lines[number - 1];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const std::optional<QStringList> read = wordsOf(line);
        if (!read)
            return refusal(number, QStringLiteral("a quoted name has no closing quote"));
        const QStringList& words = *read;
        if (words.isEmpty())
            continue;
        // Settings: name = value.
        if (words.size() >= 2 && words[1] == QLatin1String("=")) {
            const QString& name = words[0];
            if (words.size() != 3)
                return refusal(number, QStringLiteral("%1 takes one value").arg(name));
            const QString& value = words[2];
            if (name == QLatin1String("zone")) {
                if (std::exchange(zoneSet, true))
                    return refusal(number, QStringLiteral("a second zone"));
                schedule.zoneName = value;
                if (value != QLatin1String("local")) {
                    schedule.zone = QTimeZone(value.toUtf8());
                    if (!schedule.zone.isValid())
                        return refusal(number, QStringLiteral("unknown zone %1").arg(value));
                }
            } else if (name == QLatin1String("default")) {
                if (std::exchange(defaultSet, true))
                    return refusal(number, QStringLiteral("a second default"));
                if (value == QLatin1String("off"))
                    schedule.defaultOff = true;
                else if (const QString why = layoutNameProblem(value); !why.isEmpty())
                    return refusal(number, why);
                else
                    schedule.defaultLayout = value;
            } else if (name == QLatin1String("unsynchronised")) {
                if (std::exchange(unsynchronisedSet, true))
                    return refusal(number, QStringLiteral("a second unsynchronised"));
                if (value != QLatin1String("follow") && value != QLatin1String("default"))
                    return refusal(number, QStringLiteral("unsynchronised is follow or default, "
                                                          "not %1")
                                               .arg(value));
                schedule.defaultWhileUnsynchronised = value == QLatin1String("default");
            } else {
                return refusal(number, QStringLiteral("unknown setting %1").arg(name));
            }
            continue;
        }
        if (schedule.rules.size() >= kMaxScheduleRules)
            return refusal(number, QStringLiteral("more than %1 rules").arg(kMaxScheduleRules));
        ScheduleRule rule;
        rule.line = number;
        rule.text = line.trimmed();
        if (words[0] == QLatin1String("off"))
            rule.off = true;
        else
            rule.layout = words[0];
        if (const QString why = layoutNameProblem(rule.layout); !why.isEmpty())
            return refusal(number, why);
        bool daysSet = false, datesSet = false, prioritySet = false;
        for (qsizetype i = 1; i < words.size(); ++i) {
            const QString& word = words[i];
            const auto next = [&]() -> QString {
                return i + 1 < words.size() ? words[++i] : QString();
            };
            if (word == QLatin1String("priority")) {
                bool number_ = false;
                const int priority = next().toInt(&number_);
                if (!number_ || priority < 0 || priority > 1000 || std::exchange(prioritySet, true))
                    return refusal(number,
                                   QStringLiteral("priority takes one number from 0 to 1000"));
                rule.priority = priority;
            } else if (word == QLatin1String("at")) {
                const std::optional<QDate> day = dateOf(next());
                const int minute = minuteOf(next(), false);
                if (!day || minute < 0 || next() != QLatin1String("for") || rule.oneOff)
                    return refusal(number, QStringLiteral("at takes YYYY-MM-DD HH:MM for LENGTH"));
                rule.forMs = parseLength(next());
                if (rule.forMs <= 0)
                    return refusal(number,
                                   QStringLiteral("for takes a length such as 30s, 15m or 2h"));
                rule.oneOff = true;
                rule.atDay = *day;
                rule.atMinute = minute;
            } else if (word == QLatin1String("every")) {
                rule.everyMs = parseLength(next());
                if (next() != QLatin1String("for"))
                    return refusal(number, QStringLiteral("every takes LENGTH for LENGTH"));
                rule.sliceMs = parseLength(next());
                if (rule.everyMs <= 0 || rule.sliceMs <= 0 || rule.sliceMs >= rule.everyMs)
                    return refusal(number,
                                   QStringLiteral("every takes LENGTH for a shorter LENGTH, "
                                                  "such as every 15m for 30s"));
            } else if (static const QRegularExpression window(
                           QStringLiteral("^[0-9]{2}:[0-9]{2}-[0-9]{2}:[0-9]{2}$"));
                       window.match(word).hasMatch()) {
                const int start = minuteOf(word.section(QLatin1Char('-'), 0, 0), false);
                const int end = minuteOf(word.section(QLatin1Char('-'), 1), true);
                if (start < 0 || end < 0)
                    return refusal(number, QStringLiteral("%1 is not HH:MM-HH:MM from 00:00 to "
                                                          "24:00 (24:00 only as an end)")
                                               .arg(word));
                if (end == start)
                    return refusal(number, QStringLiteral("%1 starts where it ends").arg(word));
                if (rule.hasWindow)
                    return refusal(number, QStringLiteral("a second time window"));
                rule.hasWindow = true;
                rule.startMinute = start;
                rule.endMinute = end;
            } else if (word.front().isDigit()) {
                const QStringList ends = word.split(QStringLiteral(".."));
                const std::optional<QDate> from = dateOf(ends.first());
                const std::optional<QDate> until = dateOf(ends.last());
                if (ends.size() > 2 || !from || !until)
                    return refusal(number, QStringLiteral("%1 is neither HH:MM-HH:MM nor "
                                                          "YYYY-MM-DD..YYYY-MM-DD")
                                               .arg(word));
                if (*until < *from)
                    return refusal(number, QStringLiteral("%1 ends before it starts").arg(word));
                if (std::exchange(datesSet, true))
                    return refusal(number, QStringLiteral("a second date range"));
                rule.from = from;
                rule.until = until;
            } else if (const quint8 days = daysOf(word)) {
                if (std::exchange(daysSet, true))
                    return refusal(number, QStringLiteral("a second set of days"));
                rule.days = days;
            } else {
                return refusal(number, QStringLiteral("%1 is not a condition").arg(word));
            }
        }
        if (rule.oneOff && (daysSet || datesSet || rule.hasWindow || rule.everyMs))
            return refusal(number, QStringLiteral("at goes with no other condition but priority"));
        schedule.rules << rule;
    }
    return schedule;
}

} // namespace tv
