#include "display/live_show.h"

#include "files/media_open.h"
#include "platform/wall_clock.h"
#include "show/show_watcher.h"
#include "stage/stage.h"
#include "stage/stage_clock.h"
#include "stage/stage_plan.h"

#include <QDir>
#include <QPointer>

#include <algorithm>

namespace tv {

LiveShow::LiveShow(Stage& stage, const QString& layoutPath, const QString& mediaFolder,
                   StageClock& clock, Log log, MediaHandle::Links layoutLinks,
                   const QString& hashCache, WallClock* wall)
    : QObject(&stage), stage_(stage), shown_(QDir::toNativeSeparators(layoutPath)), clock_(clock),
      log_(std::move(log)),
      reader_(std::make_unique<ShowReader>(layoutPath, mediaFolder, layoutLinks, hashCache)),
      watcher_(std::make_unique<ShowWatcher>(layoutPath, mediaFolder)), wall_(wall)
{
    if (wall_)
        connect(wall_, &WallClock::rang, this, &LiveShow::followSchedule);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &LiveShow::poll);
    connect(watcher_.get(), &ShowWatcher::changed, this, &LiveShow::changed);
    connect(&stage_, &Stage::shapeChanged, this, &LiveShow::tellShape);
    // Nothing is on the screen yet: what is there is shown before it is
    // hashed, which may take a while for large clips.
    read(ShowReader::Hashing::KnownOnly);
}

LiveShow::~LiveShow()
{
    // A hashing under way ends within a megabyte, so that the watcher's
    // thread is joined at once.
    reader_->stop();
}

void LiveShow::reloadNow()
{
    changedAt_ = -1;
    reloadAsked_ = true;
    read();
}

void LiveShow::changed()
{
    // A writer or a sync tool may be at work: the read waits for a quiet
    // moment.
    changedAt_ = clock_.nowMs();
    arm();
}

void LiveShow::poll()
{
    const qint64 now = clock_.nowMs();
    if (changedAt_ >= 0 && now - changedAt_ >= kSettleMs) {
        changedAt_ = -1;
        read();
    }
    // The show is taken as it is then, by the read under way if there is
    // one.
    if (!waitingId_.isEmpty() && now - waitingSince_ >= kGraceMs && !reading_)
        read();
    arm();
}

void LiveShow::arm()
{
    const qint64 now = clock_.nowMs();
    qint64 due = -1;
    if (changedAt_ >= 0)
        due = changedAt_ + kSettleMs;
    // A read under way is taken as it comes; the grace is armed again then.
    if (!waitingId_.isEmpty() && !reading_)
        due = due < 0 ? waitingSince_ + kGraceMs : std::min(due, waitingSince_ + kGraceMs);
    if (due < 0)
        timer_.stop();
    else
        timer_.start(int(std::clamp<qint64>(due - now, 0, kGraceMs)));
}

void LiveShow::read(ShowReader::Hashing hashing)
{
    if (std::exchange(reading_, true)) {
        readAgain_ = true;
        return;
    }
    watcher_->runOnThread([reader = reader_.get(), self = QPointer<LiveShow>(this), hashing] {
        ShowSnapshot snapshot = reader->read(hashing);
        QMetaObject::invokeMethod(self, [self, snapshot = std::move(snapshot)] {
            if (self)
                self->take(snapshot);
        });
    });
}

void LiveShow::take(const ShowSnapshot& snapshot)
{
    reading_ = false;
    if (std::exchange(readAgain_, false))
        read();
    if (!snapshot.layoutRefusal.isEmpty()) {
        reloadAsked_ = false;
        // A refused file changes nothing and is told once.
        if (std::exchange(lastRefusal_, snapshot.layoutRefusal) != snapshot.layoutRefusal)
            log_(QStringLiteral("%1 not reloaded: %2").arg(shown_, snapshot.layoutRefusal));
        emit readDone();
        return;
    }
    lastRefusal_.clear();
    // A first look that left files unhashed is followed by one that hashes
    // them.
    if (snapshot.unchecked > 0)
        read();
    const bool graceOver = snapshot.showId == waitingId_ && !waitingId_.isEmpty() &&
                           clock_.nowMs() - waitingSince_ >= kGraceMs;
    // A schedule show needs whole only what it plays now.
    bool whole = snapshot.whole();
    if (snapshot.schedule && wall_) {
        const ScheduleDecision now = decideAt(snapshot, wall_->nowMs());
        whole = snapshot.layoutRefusal.isEmpty() && snapshot.unchecked == 0 &&
                (now.off() || snapshot.wholeLayouts.contains(now.target));
    }
    // With nothing on the screen yet there is no show to go on with: what
    // is there is shown at once, and the rest as it comes.
    if (!whole && applied_ && !graceOver) {
        if (state_.waitingFor != snapshot.showId || state_.missing != snapshot.notWhole) {
            state_.waitingFor = snapshot.showId;
            state_.listed = snapshot.listed;
            state_.missing = snapshot.notWhole;
            emit stateChanged();
        }
        if (snapshot.showId != waitingId_) {
            waitingId_ = snapshot.showId;
            waitingSince_ = clock_.nowMs();
            log_(QStringLiteral("waiting for %1 of %2 files of show %3")
                     .arg(snapshot.notWhole.size())
                     .arg(snapshot.listed)
                     .arg(snapshot.showId));
        }
        arm();
        emit readDone();
        return;
    }
    if (!snapshot.notWhole.isEmpty())
        log_(QStringLiteral("show %1 is shown without %2")
                 .arg(snapshot.showId, snapshot.notWhole.join(QStringLiteral(", "))));
    waitingId_.clear();
    // What plays began when it was first shown, which a new look at the
    // same show does not change.
    state_ = {snapshot.showId, snapshot.publishedAt, shown_,      {},
              snapshot.listed, snapshot.notWhole,    state_.since};
    emit stateChanged();
    apply(snapshot);
    tellRepublished(snapshot);
    arm();
    emit readDone();
}

void LiveShow::tellRepublished(const ShowSnapshot& snapshot)
{
    QHash<QString, QString> content = playedContent(snapshot);
    QStringList names = republished(takenContent_, content);
    takenContent_ = std::move(content);
    if (names.isEmpty())
        return;
    // A show that replaces every picture still makes one line of bounded size.
    constexpr int kMostNamed = 10;
    const qsizetype more = names.size() - kMostNamed;
    if (more > 0) {
        names.resize(kMostNamed);
        names.append(QStringLiteral("%1 more").arg(more));
    }
    log_(QStringLiteral("show %1 took new content for %2")
             .arg(snapshot.showId, names.join(QStringLiteral(", "))));
}

void LiveShow::apply(const ShowSnapshot& snapshot)
{
    if (snapshot.schedule && wall_) {
        applied_ = true;
        reloadAsked_ = false;
        const bool newShow = !scheduleShow_ || scheduleShow_->showId != snapshot.showId ||
                             scheduleShow_->layoutBytes != snapshot.layoutBytes ||
                             snapshot.showId.isEmpty();
        if (newShow && scheduleShow_ && !snapshot.showId.isEmpty())
            log_(QStringLiteral("took show %1").arg(snapshot.showId));
        scheduleShow_ = snapshot;
        if (newShow) {
            playingDecision_.reset(); // played afresh from the new show's files
            preparedFor_.reset();
        } else {
            for (const QString& name : stage_.refreshMedia(snapshot.media))
                log_(QStringLiteral("%1: found again").arg(name));
        }
        followSchedule();
        return;
    }
    if (snapshot.schedule) {
        // Only a display with a clock of the calendar follows a schedule.
        log_(QStringLiteral("%1 not played: a schedule needs the system's clock").arg(shown_));
        return;
    }
    scheduleShow_.reset();
    playingDecision_.reset();
    const bool first = !std::exchange(applied_, true);
    const bool asked = std::exchange(reloadAsked_, false);
    // A published show is taken whole: each window whose files changed
    // starts its list afresh at once, whatever its switch time. In a plain
    // folder files change one by one, each taken at its window's next switch.
    const bool published = !snapshot.showId.isEmpty();
    const bool newShow = published && snapshot.showId != playingId_;
    if (!first && !asked && !newShow && snapshot.layoutBytes == playing_) {
        for (const QString& name : stage_.refreshMedia(snapshot.media))
            log_(QStringLiteral("%1: found again").arg(name));
        return;
    }
    playing_ = snapshot.layoutBytes;
    playingId_ = snapshot.showId;
    state_.since = wall_ ? wall_->nowMs() : 0;
    const QList<StageWindow> next = planStage(*snapshot.layout);
    const int kept =
        stage_.reload(next, snapshot.media,
                      published ? Stage::Changed::StartAfresh : Stage::Changed::AtNextSwitch);
    tellShape(); // a new show of the same shape is told too
    if (first)
        return;
    if (newShow)
        log_(QStringLiteral("took show %1: %2 of %3 windows went on")
                 .arg(snapshot.showId)
                 .arg(kept)
                 .arg(next.size()));
    else
        // A published show is named by its id: the path may be a link that
        // a sync set-up points from show to show.
        log_(QStringLiteral("reloaded %1: %2 of %3 windows went on")
                 .arg(published ? QStringLiteral("show %1 (%2)").arg(snapshot.showId, shown_)
                                : shown_)
                 .arg(kept)
                 .arg(next.size()));
}

QTimeZone LiveShow::zoneOf(const ShowSnapshot& show) const
{
    // The system's zone is looked up each time: it may have changed since
    // the show was read, and the clock rang when it did.
    return show.schedule->zoneName == QLatin1String("local") ? wall_->localZone()
                                                             : show.schedule->zone;
}

ScheduleDecision LiveShow::decideAt(qint64 instant) const
{
    return decideAt(*scheduleShow_, instant);
}

ScheduleDecision LiveShow::decideAt(const ShowSnapshot& show, qint64 instant,
                                    bool everyLayoutWhole) const
{
    const WallClock::Sync sync = wall_->sync();
    return decide(*show.schedule, ZoneClock(zoneOf(show)), instant,
                  [&show, everyLayoutWhole](const QString& layout) {
                      return everyLayoutWhole || show.wholeLayouts.contains(layout);
                  },
                  {sync.synchronised, show.publishedAt});
}

void LiveShow::followSchedule()
{
    if (!scheduleShow_ || !wall_)
        return;
    const qint64 now = wall_->nowMs();
    const WallClock::Sync sync = wall_->sync();
    if (!sync.synchronised && !std::exchange(toldUnsynchronised_, true))
        log_(QStringLiteral("the system clock is not synchronised (error up to %1 ms): the "
                            "schedule %2")
                 .arg(sync.maxErrorUs / 1000)
                 .arg(scheduleShow_->schedule->defaultWhileUnsynchronised
                          ? QStringLiteral("plays its default meanwhile")
                          : QStringLiteral("is followed all the same")));
    const QByteArray zone = zoneOf(*scheduleShow_).id();
    if (!followedZone_.isEmpty() && followedZone_ != zone)
        log_(QStringLiteral("the schedule now follows the time zone %1")
                 .arg(QString::fromLatin1(zone)));
    followedZone_ = zone;
    const ScheduleDecision decision = decideAt(now);
    if (preparedFor_ && now >= *preparedFor_ && preparedDecision_->sameAs(decision)) {
        // The stage showed the prepared layout at the instant, by its own
        // clock: what plays is told now.
        tell(decision, preparedKept_, preparedWindows_);
    } else if (preparedFor_ && now < *preparedFor_ && playingDecision_ &&
               playingDecision_->sameAs(decision) &&
               decideAt(*preparedFor_).sameAs(*preparedDecision_)) {
        // Rung early (the clock was set): the prepared change still holds.
    } else if (!playingDecision_ || !playingDecision_->sameAs(decision) || preparedFor_) {
        play(decision, now, false);
    }
    if (preparedFor_ && now >= *preparedFor_)
        preparedFor_.reset();
    // The next change, prepared ahead when it changes what plays.
    const std::optional<qint64> next = decision.next;
    if (!next) {
        wall_->ringAt(std::nullopt);
        return;
    }
    if (*next - now > kPrepareMs) {
        wall_->ringAt(*next - kPrepareMs);
        return;
    }
    if (!preparedFor_ || *preparedFor_ != *next) {
        const ScheduleDecision then = decideAt(*next);
        if (!then.sameAs(decision))
            play(then, *next, true);
    }
    wall_->ringAt(*next);
}

std::optional<ScheduleDecision> LiveShow::nextScheduled() const
{
    if (!scheduleShow_ || !wall_ || !playingDecision_ || !playingDecision_->next)
        return std::nullopt;
    // What is due then, whether its files are there or not.
    return decideAt(*scheduleShow_, *playingDecision_->next, true);
}

bool LiveShow::wholeAt(const ScheduleDecision& decision) const
{
    return decision.off() ||
           (scheduleShow_ && scheduleShow_->wholeLayouts.contains(decision.target));
}

int LiveShow::lineOf(const ScheduleDecision& decision) const
{
    if (!scheduleShow_ || decision.rule < 0 ||
        decision.rule >= scheduleShow_->schedule->rules.size())
        return -1;
    return scheduleShow_->schedule->rules[decision.rule].line;
}

void LiveShow::tell(const ScheduleDecision& decision, int kept, int windows)
{
    playingDecision_ = decision;
    state_.since = preparedFor_.value_or(playingSince_);
    emit stateChanged();
    const QString what = decision.off() ? QStringLiteral("off (the screen dark)") : decision.target;
    log_(QStringLiteral("schedule of show %1: %2 plays, %3; %4 of %5 windows went on")
             .arg(scheduleShow_->showId.isEmpty() ? QStringLiteral("(unpublished)")
                                                  : scheduleShow_->showId,
                  what, decision.why)
             .arg(kept)
             .arg(windows));
}

void LiveShow::play(const ScheduleDecision& decision, qint64 instant, bool prepared)
{
    const ShowSnapshot& show = *scheduleShow_;
    const qint64 wallNow = wall_->nowMs();
    const qint64 stageNow = clock_.nowMs();
    const auto onStage = [&](qint64 at) { return stageNow + (at - wallNow); };
    Stage::Arrival arrival;
    arrival.dark = decision.off();
    if (prepared) {
        // Shown a little ahead, by as long as drawing the windows and handing
        // them to the screen takes (see kDrawLeadMs).
        arrival.revealAtMs = onStage(instant) - kDrawLeadMs;
        arrival.listStartMs = onStage(instant);
    } else {
        // A rule that began before now (a restart, a show arriving) plays
        // its lists from its start.
        std::optional<qint64> since;
        if (decision.rule >= 0)
            since =
                holdingSince(show.schedule->rules[decision.rule], ZoneClock(zoneOf(show)), wallNow);
        playingSince_ = since.value_or(wallNow);
        arrival.listStartMs = onStage(playingSince_);
    }
    const QList<StageWindow> plan = decision.off() || !show.layouts.contains(decision.target)
                                        ? QList<StageWindow>()
                                        : planStage(show.layouts.value(decision.target));
    const int kept = stage_.reload(plan, show.media, Stage::Changed::StartAfresh, arrival);
    if (prepared) {
        preparedFor_ = instant;
        preparedDecision_ = decision;
        preparedKept_ = kept;
        preparedWindows_ = int(plan.size());
    } else {
        preparedFor_.reset();
        tell(decision, kept, int(plan.size()));
    }
}

void LiveShow::tellShape()
{
    const QString& advice = stage_.shapeAdvice();
    if (advice.isEmpty()) {
        toldShape_.clear(); // a show that stops fitting later is told again
        return;
    }
    const QString told = state_.id + QLatin1Char('\n') + advice;
    if (std::exchange(toldShape_, told) != told)
        log_(advice);
}

std::optional<QString> LiveShow::waitingFor() const
{
    if (waitingId_.isEmpty())
        return std::nullopt;
    return waitingId_;
}

} // namespace tv
