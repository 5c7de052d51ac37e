#include "report/display_status.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tv {

namespace {

QJsonValue timeValue(const QDateTime& time)
{
    return time.isValid() ? QJsonValue(time.toString(Qt::ISODateWithMs)) : QJsonValue();
}

QDateTime timeOf(const QJsonValue& value)
{
    return value.isString() ? QDateTime::fromString(value.toString(), Qt::ISODateWithMs)
                            : QDateTime();
}

} // namespace

QByteArray encodeStatus(const DisplayStatus& status)
{
    QJsonObject show{{"id", status.show.id},
                     {"published", timeValue(status.show.published)},
                     {"whole", status.show.whole},
                     {"waitingFor", status.show.waitingFor},
                     {"listed", status.show.listed},
                     {"missing", QJsonArray::fromStringList(status.show.missing)}};
    QJsonObject playing{{"rule", status.playing.rule},
                        {"why", status.playing.why},
                        {"layout", status.playing.layout},
                        {"since", timeValue(status.playing.since)}};
    QJsonObject next{{"at", timeValue(status.next.at)},
                     {"rule", status.next.rule},
                     {"layout", status.next.layout},
                     {"whole", status.next.whole}};
    QJsonObject screen{{"name", status.screen.name},     {"width", status.screen.width},
                       {"height", status.screen.height}, {"rotation", status.screen.rotation},
                       {"shape", status.screen.shape},   {"advice", status.screen.advice}};
    QJsonArray problems;
    for (const DisplayStatus::Problem& problem : status.problems)
        problems.append(QJsonObject{{"item", problem.item},
                                    {"reason", problem.reason},
                                    {"since", timeValue(problem.since)},
                                    {"cleared", timeValue(problem.cleared)}});
    const QJsonObject root{{"format", DisplayStatus::kFormat},
                           {"display", status.display},
                           {"sequence", status.sequence},
                           {"time", timeValue(status.time)},
                           {"zone", status.zone},
                           {"clock", QJsonObject{{"synchronised", status.clockSynchronised},
                                                 {"errorMs", status.clockErrorMs}}},
                           {"version", status.version},
                           {"uptimeSeconds", status.uptimeS},
                           {"intervalSeconds", status.intervalS},
                           {"show", show},
                           {"playing", playing},
                           {"next", next},
                           {"screen", screen},
                           {"problems", problems},
                           {"diskFreeBytes", status.diskFreeBytes}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<DisplayStatus> decodeStatus(const QByteArray& bytes, QString* why)
{
    if (bytes.size() > DisplayStatus::kMaxBytes) {
        *why = QStringLiteral("larger than a status can be");
        return std::nullopt;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (!document.isObject()) {
        *why = error.error != QJsonParseError::NoError ? error.errorString()
                                                       : QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (root.value("format").toInt() != DisplayStatus::kFormat) {
        *why = QStringLiteral("not a status of format %1").arg(DisplayStatus::kFormat);
        return std::nullopt;
    }
    DisplayStatus status;
    status.display = root.value("display").toString();
    status.sequence = root.value("sequence").toInteger();
    status.time = timeOf(root.value("time"));
    if (!status.time.isValid()) {
        *why = QStringLiteral("it gives no time");
        return std::nullopt;
    }
    status.zone = root.value("zone").toString();
    const QJsonObject clock = root.value("clock").toObject();
    status.clockSynchronised = clock.value("synchronised").toBool(true);
    status.clockErrorMs = clock.value("errorMs").toInteger();
    status.version = root.value("version").toString();
    status.uptimeS = root.value("uptimeSeconds").toInteger();
    status.intervalS = root.value("intervalSeconds").toInt(DisplayStatus::kStatusIntervalS);
    const QJsonObject show = root.value("show").toObject();
    status.show.id = show.value("id").toString();
    status.show.published = timeOf(show.value("published"));
    status.show.whole = show.value("whole").toBool(true);
    status.show.waitingFor = show.value("waitingFor").toString();
    status.show.listed = show.value("listed").toInt();
    for (const QJsonValue& name : show.value("missing").toArray())
        status.show.missing << name.toString();
    const QJsonObject playing = root.value("playing").toObject();
    status.playing.rule = playing.value("rule").toInt(-1);
    status.playing.why = playing.value("why").toString();
    status.playing.layout = playing.value("layout").toString();
    status.playing.since = timeOf(playing.value("since"));
    const QJsonObject next = root.value("next").toObject();
    status.next.at = timeOf(next.value("at"));
    status.next.rule = next.value("rule").toInt(-1);
    status.next.layout = next.value("layout").toString();
    status.next.whole = next.value("whole").toBool(true);
    const QJsonObject screen = root.value("screen").toObject();
    status.screen.name = screen.value("name").toString();
    status.screen.width = screen.value("width").toInt();
    status.screen.height = screen.value("height").toInt();
    status.screen.rotation = screen.value("rotation").toInt();
    status.screen.shape = screen.value("shape").toString();
    status.screen.advice = screen.value("advice").toString();
    for (const QJsonValue& value : root.value("problems").toArray()) {
        const QJsonObject problem = value.toObject();
        status.problems.append({problem.value("item").toString(),
                                problem.value("reason").toString(), timeOf(problem.value("since")),
                                timeOf(problem.value("cleared"))});
    }
    status.diskFreeBytes = root.value("diskFreeBytes").toInteger(-1);
    return status;
}

} // namespace tv
