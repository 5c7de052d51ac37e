#include "app/status_command.h"

#include "base/log_text.h"
#include "report/report_summary.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace tv {

namespace {

int failWith(const QString& why, int status)
{
    std::fprintf(stderr, "%s\n", escapedForLog(why).toLocal8Bit().constData());
    return status;
}

} // namespace

int statusCommand(const CommandLine& options, const CommandTime& time)
{
    const std::optional<Instant> now =
        options.at.isEmpty() ? time.now : instantOf(options.at, ZoneClock(time.local));
    if (!now)
        return failWith(QStringLiteral("tessellview: --at needs a TIME such as \"2026-12-24 "
                                       "18:00\", not %1")
                            .arg(options.at),
                        2);
    const QString shown = QDir::toNativeSeparators(options.status);
    const DeskReports desk = readReports(options.status);
    if (!desk.error.isEmpty())
        return failWith(QStringLiteral("tessellview: the report folder %1 cannot be read: %2")
                            .arg(shown, desk.error),
                        2);
    // A folder where nothing reports is no sign that all is well: the sync
    // tool may have stopped, or the path be mistyped.
    bool allWell = !desk.displays.isEmpty();
    QJsonArray array;
    QByteArray lines;
    for (const DisplayReport& report : desk.displays) {
        const QList<StatusState> states = judgeReport(report, *now, options.syncLagS * 1000);
        allWell = allWell && isOk(states);
        if (options.json)
            array.append(reportJson(report, states));
        else
            lines += reportLine(report, states).toUtf8() + '\n';
    }
    const QByteArray out = options.json ? QJsonDocument(array).toJson() : lines;
    std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout);
    if (desk.displays.isEmpty())
        return failWith(QStringLiteral("tessellview: no display reports in %1").arg(shown), 1);
    return allWell ? 0 : 1;
}

} // namespace tv
