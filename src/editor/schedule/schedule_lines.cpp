#include "editor/schedule/schedule_lines.h"

#include <QRegularExpression>

namespace tv {

namespace {

bool isSetting(const QStringList& words)
{
    return words.size() >= 2 && words[1] == QLatin1String("=");
}

// Names with blanks or a '#' are written in quotes, as the format reads them.
QString quotedIfNeeded(const QString& name)
{
    static const QRegularExpression needs(QStringLiteral("[\\s#]"));
    return name.contains(needs) ? QLatin1Char('"') + name + QLatin1Char('"') : name;
}

RuleRow rowOf(int line, const LineWords& read)
{
    RuleRow row;
    row.line = line;
    row.comment = read.comment;
    row.fields = QStringList(kRuleFields, QString());
    const auto append = [&row](RuleField field, const QString& text) {
        QString& into = row.fields[int(field)];
        into = into.isEmpty() ? text : into + QLatin1Char(' ') + text;
    };
    const QStringList& words = read.words;
    row.fields[int(RuleField::Layout)] = words.value(0);
    static const QRegularExpression window(QStringLiteral("^[0-9]{2}:[0-9]{2}-[0-9]{2}:[0-9]{2}$"));
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString& word = words[i];
        // A keyword takes its values with it: "at" a day, a time, "for" and a
        // length; "every" a length, "for" and a length.
        const auto with = [&](qsizetype count) {
            const QStringList taken = words.mid(i, count + 1);
            i += taken.size() - 1;
            return taken.join(QLatin1Char(' '));
        };
        if (word == QLatin1String("priority") && i + 1 < words.size())
            append(RuleField::Priority, words[++i]);
        else if (word == QLatin1String("at"))
            append(RuleField::Dates, with(4));
        else if (word == QLatin1String("every"))
            append(RuleField::Slices, with(3));
        else if (window.match(word).hasMatch())
            append(RuleField::Hours, word);
        else if (word.front().isDigit())
            append(RuleField::Dates, word);
        else
            append(RuleField::Days, word);
    }
    return row;
}

// A rule's line from its columns, laid out as the format's examples are:
// the layout and the days in columns, the rest after them.
QString lineOf(const QStringList& fields, const QString& comment)
{
    QString slices = fields[int(RuleField::Slices)];
    if (!slices.isEmpty() && slices.section(QLatin1Char(' '), 0, 0) != QLatin1String("every"))
        slices.prepend(QStringLiteral("every "));
    QString priority = fields[int(RuleField::Priority)];
    if (!priority.isEmpty() &&
        priority.section(QLatin1Char(' '), 0, 0) != QLatin1String("priority"))
        priority.prepend(QStringLiteral("priority "));
    const QString parts[] = {quotedIfNeeded(fields[int(RuleField::Layout)]),
                             fields[int(RuleField::Days)],
                             fields[int(RuleField::Hours)],
                             fields[int(RuleField::Dates)],
                             slices,
                             priority};
    QString line = parts[0];
    for (int i = 1; i < kRuleFields; ++i) {
        if (parts[i].isEmpty())
            continue;
        line = line.leftJustified(15);
        if (i > 1 && !parts[1].isEmpty())
            line = line.leftJustified(24);
        line += QLatin1Char(' ') + parts[i];
    }
    return comment.isEmpty() ? line : line + QStringLiteral("  ") + comment;
}

} // namespace

LineWords wordsOfLine(const QString& line)
{
    LineWords read;
    qsizetype i = 0;
    while (i < line.size()) {
        if (line[i].isSpace()) {
            ++i;
        } else if (line[i] == QLatin1Char('#')) {
            read.comment = line.mid(i).trimmed();
            break;
        } else if (line[i] == QLatin1Char('"')) {
            // An unclosed quote runs to the end: the reader refuses the line,
            // and the table shows what was typed.
            qsizetype end = line.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0)
                end = line.size();
            read.words << line.mid(i + 1, end - i - 1);
            i = end + 1;
        } else {
            qsizetype end = i;
            while (end < line.size() && !line[end].isSpace() && line[end] != QLatin1Char('#'))
                ++end;
            read.words << line.mid(i, end - i);
            i = end;
        }
    }
    return read;
}

ScheduleLines::ScheduleLines(const QString& text) : lines_(text.split(QLatin1Char('\n'))) {}

QList<RuleRow> ScheduleLines::rules() const
{
    QList<RuleRow> rows;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const LineWords read = wordsOfLine(lines_[i]);
        if (!read.words.isEmpty() && !isSetting(read.words))
            rows << rowOf(int(i) + 1, read);
    }
    return rows;
}

int ScheduleLines::lineOfRule(int rule) const
{
    const QList<RuleRow> rows = rules();
    return rule >= 0 && rule < rows.size() ? rows[rule].line - 1 : -1;
}

int ScheduleLines::settingLine(const QString& name) const
{
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const QStringList words = wordsOfLine(lines_[i]).words;
        if (isSetting(words) && words[0] == name)
            return int(i);
    }
    return -1;
}

QString ScheduleLines::setting(const QString& name) const
{
    const int line = settingLine(name);
    return line < 0 ? QString() : wordsOfLine(lines_[line]).words.value(2);
}

void ScheduleLines::setSetting(const QString& name, const QString& value)
{
    const QString trimmed = value.trimmed();
    const int line = settingLine(name);
    if (line >= 0) {
        const QString comment = wordsOfLine(lines_[line]).comment;
        if (trimmed.isEmpty())
            lines_.removeAt(line);
        else
            lines_[line] = QStringLiteral("%1 = %2").arg(name, quotedIfNeeded(trimmed)) +
                           (comment.isEmpty() ? QString() : QStringLiteral("  ") + comment);
        return;
    }
    if (trimmed.isEmpty())
        return;
    int at = -1;
    for (qsizetype i = 0; i < lines_.size(); ++i)
        if (isSetting(wordsOfLine(lines_[i]).words))
            at = int(i) + 1;
    if (at < 0) {
        const QList<RuleRow> rows = rules();
        at = rows.isEmpty() ? int(lines_.size()) : rows.first().line - 1;
        while (at > 0 && lines_[at - 1].trimmed().startsWith(QLatin1Char('#')))
            --at;
    }
    lines_.insert(at, QStringLiteral("%1 = %2").arg(name, quotedIfNeeded(trimmed)));
}

void ScheduleLines::setField(int rule, RuleField field, const QString& value)
{
    const int line = lineOfRule(rule);
    if (line < 0 || (field == RuleField::Layout && value.trimmed().isEmpty()))
        return;
    RuleRow row = rowOf(line + 1, wordsOfLine(lines_[line]));
    row.fields[int(field)] = value.simplified();
    const bool carriageReturn = lines_[line].endsWith(QLatin1Char('\r'));
    lines_[line] =
        lineOf(row.fields, row.comment) + (carriageReturn ? QStringLiteral("\r") : QString());
}

void ScheduleLines::addRule(const QString& line)
{
    const QList<RuleRow> rows = rules();
    int at = int(lines_.size());
    if (!rows.isEmpty())
        at = rows.last().line;
    else if (lines_.last().isEmpty())
        at = int(lines_.size()) - 1;
    lines_.insert(at, line);
}

void ScheduleLines::removeRule(int rule)
{
    if (const int line = lineOfRule(rule); line >= 0)
        lines_.removeAt(line);
}

} // namespace tv
