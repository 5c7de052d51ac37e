#include "report/report_summary.h"

#include "base/log_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

namespace tv {

QList<StatusState> judgeReport(const DisplayReport& report, qint64 deskNowMs, qint64 syncLagMs)
{
    if (report.status)
        return judgeStatus(*report.status, deskNowMs, syncLagMs);
    if (report.unreadable.isEmpty())
        return {{StatusState::Kind::NoStatus, 0, 0, {}}};
    return {{StatusState::Kind::Unreadable, 0, 0, report.unreadable}};
}

bool isOk(const QList<StatusState>& states)
{
    return states.size() == 1 && states.first().kind == StatusState::Kind::Ok;
}

namespace {

// An instant on the display's clocks, as the status gave it: the time of day
// alone on the day the status was written.
QString clockText(const QDateTime& time, const QDateTime& written)
{
    return time.toString(time.date() == written.date() ? QStringLiteral("HH:mm")
                                                       : QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

QString playingText(const DisplayStatus& status)
{
    if (status.playing.layout.isEmpty())
        return QString();
    QString text = status.playing.layout;
    if (status.playing.since.isValid())
        text += QStringLiteral(" since ") + clockText(status.playing.since, status.time);
    if (status.playing.rule >= 0)
        text += QStringLiteral(" (line %1)").arg(status.playing.rule);
    if (status.next.at.isValid() && !status.next.layout.isEmpty())
        text += QStringLiteral(", next %1 at %2")
                    .arg(status.next.layout, clockText(status.next.at, status.time));
    return text;
}

QString reportLine(const DisplayReport& report, const QList<StatusState>& states)
{
    QStringList said;
    for (const StatusState& state : states)
        said << stateText(state);
    QStringList columns{report.name, said.join(QStringLiteral(", "))};
    if (report.status)
        columns << playingText(*report.status);
    columns.removeAll(QString());
    return escapedForLog(columns.join(QStringLiteral("  ")));
}

QJsonObject reportJson(const DisplayReport& report, const QList<StatusState>& states)
{
    QJsonArray judged;
    for (const StatusState& state : states) {
        QJsonObject object{{"state", stateName(state.kind)}, {"text", stateText(state)}};
        switch (state.kind) {
        case StatusState::Kind::Stale:
            object.insert("ageSeconds", state.number / 1000);
            break;
        case StatusState::Kind::Waiting:
            object.insert("missing", state.number);
            object.insert("listed", state.of);
            break;
        case StatusState::Kind::Problems:
            object.insert("count", state.number);
            break;
        case StatusState::Kind::Clock:
        case StatusState::Kind::Unreadable:
            object.insert("why", state.why);
            break;
        default:
            break;
        }
        judged.append(object);
    }
    QJsonObject object{{"name", report.name}, {"ok", isOk(states)}, {"states", judged}};
    object.insert("status",
                  report.status
                      ? QJsonValue(QJsonDocument::fromJson(encodeStatus(*report.status)).object())
                      : QJsonValue());
    if (!report.unreadable.isEmpty())
        object.insert("unreadable", report.unreadable);
    return object;
}

} // namespace tv
