#pragma once

#include <QString>
#include <QStringList>

namespace tv {

// The columns the rule table shows, in the order a rewritten line has them.
enum class RuleField { Layout, Days, Hours, Dates, Slices, Priority };
inline constexpr int kRuleFields = 6;

// One rule line as written: its words sorted into the columns (words the
// format does not know stay with the days, so nothing typed is lost), and the
// comment that ends it.
struct RuleRow {
    int line = 0; // from 1
    QStringList fields;
    QString comment; // from its '#', or empty

    QString field(RuleField which) const { return fields[int(which)]; }
};

// The text of a schedule file, edited a line at a time: the table and the
// zone and default fields change only the line they show, so every other
// line, comments and blank lines included, stays as the user wrote it.
class ScheduleLines {
public:
    explicit ScheduleLines(const QString& text = QString());

    QString text() const { return lines_.join(QLatin1Char('\n')); }
    // The rule lines, in the file's order.
    QList<RuleRow> rules() const;

    // The value of `name = value`, or empty.
    QString setting(const QString& name) const;
    // Rewrites the setting's line; an empty value removes it. A setting not
    // yet written goes after the others, or else above the first rule and
    // the comments just above it.
    void setSetting(const QString& name, const QString& value);

    // Rewrites the rule's line from its columns with one of them changed,
    // keeping its comment. A rule keeps its layout when that is cleared.
    void setField(int rule, RuleField field, const QString& value);
    void addRule(const QString& line);
    void removeRule(int rule);

private:
    // The index in lines_ of the rule's line, or -1.
    int lineOfRule(int rule) const;
    int settingLine(const QString& name) const;

    QStringList lines_;
};

// The words of one line, a "quoted name" being one word, and the comment
// that ends it.
struct LineWords {
    QStringList words;
    QString comment;
};
LineWords wordsOfLine(const QString& line);

} // namespace tv
