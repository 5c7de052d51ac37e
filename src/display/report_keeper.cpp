#include "display/report_keeper.h"

#include "display/live_show.h"
#include "display/report_writer.h"
#include "platform/wall_clock.h"
#include "report/metrics_text.h"
#include "stage/stage.h"
#include "stage/stage_clock.h"

#include <QBuffer>
#include <QTransform>

namespace tv {

ReportKeeper::ReportKeeper(ReportWriter& writer, Stage& stage, LiveShow& live, WallClock& wall,
                           StageClock& clock, Identity identity, QObject* parent)
    : QObject(parent), writer_(writer), stage_(stage), live_(live), wall_(wall), clock_(clock),
      identity_(std::move(identity)), startedStageMs_(clock.nowMs())
{
    statusTimer_.setInterval(DisplayStatus::kStatusIntervalS * 1000);
    connect(&statusTimer_, &QTimer::timeout, this, &ReportKeeper::writeStatus);
    statusTimer_.start();
    screenTimer_.setInterval(kScreenshotMs);
    connect(&screenTimer_, &QTimer::timeout, this, &ReportKeeper::writeScreenshot);
    screenTimer_.start();
    statusSoon_.setSingleShot(true);
    statusSoon_.setInterval(kSettleMs);
    connect(&statusSoon_, &QTimer::timeout, this, &ReportKeeper::writeStatus);
    screenSoon_.setSingleShot(true);
    screenSoon_.setInterval(kScreenSettleMs);
    connect(&screenSoon_, &QTimer::timeout, this, &ReportKeeper::writeScreenshot);
    connect(&live_, &LiveShow::stateChanged, this, &ReportKeeper::changed);
    connect(&stage_, &Stage::problemsChanged, &statusSoon_, qOverload<>(&QTimer::start));
    connect(&stage_, &Stage::firstShown, this, &ReportKeeper::changed);
    connect(&stage_, &Stage::shapeChanged, this, &ReportKeeper::changed);
    connect(&wall_, &WallClock::rang, &statusSoon_, qOverload<>(&QTimer::start));
    connect(&stage_, &Stage::played, this, &ReportKeeper::played);
    statusSoon_.start();
}

void ReportKeeper::setScreen(const Screen& screen)
{
    screen_ = screen;
    changed();
}

void ReportKeeper::changed()
{
    statusSoon_.start();
    screenSoon_.start();
}

QDateTime ReportKeeper::wallTime(qint64 wallMs) const
{
    if (wallMs <= 0)
        return {};
    return QDateTime::fromMSecsSinceEpoch(wallMs, wall_.localZone());
}

QDateTime ReportKeeper::stageTime(qint64 stageMs) const
{
    return wallTime(wall_.nowMs() - (clock_.nowMs() - stageMs));
}

DisplayStatus ReportKeeper::status() const
{
    DisplayStatus status;
    status.display = identity_.name;
    status.sequence = sequence_;
    status.time = wallTime(wall_.nowMs());
    status.zone = QString::fromLatin1(wall_.localZone().id());
    const WallClock::Sync sync = wall_.sync();
    status.clockSynchronised = sync.synchronised;
    status.clockErrorMs = sync.maxErrorUs / 1000;
    status.version = identity_.version;
    status.uptimeS = (clock_.nowMs() - startedStageMs_) / 1000;

    const LiveShow::ShowState& show = live_.showState();
    status.show.id = show.id;
    status.show.published = wallTime(show.publishedAt);
    status.show.whole = show.missing.isEmpty() && show.waitingFor.isEmpty();
    status.show.waitingFor = show.waitingFor;
    status.show.listed = show.listed;
    status.show.missing = show.missing.mid(0, DisplayStatus::kMissingShown);

    status.playing.since = wallTime(show.since);
    if (const auto decision = live_.scheduled()) {
        status.playing.rule = live_.lineOf(*decision);
        status.playing.why = decision->why;
        status.playing.layout = decision->target;
        if (const auto next = live_.nextScheduled(); next && decision->next) {
            status.next.at = wallTime(*decision->next);
            status.next.rule = live_.lineOf(*next);
            status.next.layout = next->target;
            status.next.whole = live_.wholeAt(*next);
        }
    } else {
        status.playing.layout = show.layout;
    }

    status.screen.name = screen_.name;
    status.screen.width = screen_.pixels.width();
    status.screen.height = screen_.pixels.height();
    status.screen.rotation = screen_.rotation;
    status.screen.shape = shapeName(stage_.shape());
    status.screen.advice = stage_.shapeAdvice();
    const QList<Stage::Problem>& problems = stage_.problems();
    for (qsizetype i = std::max<qsizetype>(0, problems.size() - DisplayStatus::kProblemsKept);
         i < problems.size(); ++i)
        status.problems.append(
            {problems[i].name, problems[i].why, stageTime(problems[i].sinceMs),
             problems[i].clearedMs < 0 ? QDateTime() : stageTime(problems[i].clearedMs)});
    status.diskFreeBytes = writer_.diskFreeBytes();
    return status;
}

void ReportKeeper::played(const StagePlay& play)
{
    PlayRecord record;
    record.start = stageTime(play.startMs);
    record.end = stageTime(play.endMs);
    record.durationMs = play.endMs - play.startMs;
    const LiveShow::ShowState& show = live_.showState();
    record.showId = show.id;
    if (const auto decision = live_.scheduled()) {
        record.rule = live_.lineOf(*decision);
        record.layout = decision->target;
    } else {
        record.layout = show.layout;
    }
    record.window = play.slot;
    record.item = play.name;
    record.sha256 = play.sha256.left(16);
    if (!play.failure.isEmpty()) {
        record.result = PlayRecord::Result::Failed;
        record.why = play.failure;
    } else if (play.cutShort) {
        record.result = PlayRecord::Result::CutShort;
    }
    writer_.appendPlay(std::move(record));
}

void ReportKeeper::writeStatus()
{
    statusSoon_.stop();
    DisplayStatus now = status();
    now.sequence = ++sequence_;
    writer_.replace(QLatin1String(kStatusFileName), encodeStatus(now));
    if (!metricsFile_.isEmpty())
        writer_.replace(metricsFile_,
                        metricsText(now, {stage_.framesShown(), stage_.framesDropped()}));
}

QImage ReportKeeper::screenshot() const
{
    // What the stage draws, turned back as far as the panel is turned.
    QImage drawn = stage_.grab().toImage();
    if (stage_.turns() != 0)
        drawn = drawn.transformed(QTransform().rotate(-90.0 * stage_.turns()));
    return drawn.scaled(QSize(kScreenSide, kScreenSide), Qt::KeepAspectRatio,
                        Qt::SmoothTransformation);
}

void ReportKeeper::writeScreenshot()
{
    screenSoon_.stop();
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!screenshot().save(&buffer, "JPG", 80) || jpeg == lastScreen_)
        return;
    lastScreen_ = jpeg;
    writer_.replace(QStringLiteral("screen.jpg"), jpeg);
}

} // namespace tv
