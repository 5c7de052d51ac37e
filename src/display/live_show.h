#pragma once

#include "schedule/schedule_decision.h"
#include "show/show_snapshot.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace tv {

class ShowWatcher;
class Stage;
class StageClock;
class WallClock;

// The show a display plays, following its layout file and media folder as
// they change. A change is read, off the screen's thread, once nothing has
// changed for kSettleMs. A show folder with a manifest changes the screen
// only when the new show is whole: until then the show on the screen goes on
// from the files it holds, and the wait is told once; after kGraceMs the show
// is taken as it is, its missing files told by name. A show taken reaches
// every window whose files changed at once, each starting its list afresh.
// At start, what is there is shown at once, before any file is hashed; the
// hashing follows, off the screen's thread. A show without a
// manifest takes each change as it comes: a layout that reads is played, its
// unchanged windows going on; media that come, go or change are taken at
// each window's next switch.
//
// A show of a schedule plays the layout the schedule decides by `wall`, and
// follows it to the instant: kPrepareMs before a change the next layout's
// windows are made and decode their first items hidden, and at the instant
// they are shown together, the windows both layouts share going on
// untouched. Each list starts at its rule's start, so a reload never
// restarts a long switch time. A schedule in the system's own zone follows
// it when it changes. A new schedule show is taken once the layout
// it plays now is whole.
//
// A show whose shape does not fit the screen is told, with what to do, once
// for each show and each change of its shape (see Stage::shapeAdvice).
class LiveShow final : public QObject {
    Q_OBJECT
public:
    using Log = std::function<void(const QString& line)>;

    // `clock` times the settling and the grace; the stage's windows are
    // replaced by the show as soon as it is first read. `layoutLinks` tells
    // whether the layout may be reached through a link (see ShowReader).
    // Hashes of the show's files are kept in `hashCache` when one is given.
    LiveShow(Stage& stage, const QString& layoutPath, const QString& mediaFolder, StageClock& clock,
             Log log, MediaHandle::Links layoutLinks = MediaHandle::Links::Followed,
             const QString& hashCache = QString(), WallClock* wall = nullptr);
    ~LiveShow() override;

    static constexpr qint64 kSettleMs = 500;
    static constexpr qint64 kGraceMs = 10 * 60 * 1000;
    static constexpr qint64 kPrepareMs = 10 * 1000;
    // How long before its instant a prepared change is shown: drawing the
    // windows and the window system's hand-over to the screen take about a
    // frame (15 to 30 ms, measured under X), so the screen changes within a
    // frame of the instant.
    static constexpr qint64 kDrawLeadMs = 20;

    // Reads the show again at once and reloads its layout, even when it is
    // the same (SIGHUP).
    void reloadNow();
    // Does what is due by the clock. The timer calls it; so do tests with a
    // clock of their own.
    void poll();
    // The id of the show waited for until it is whole; nullopt while the
    // show waits for nothing.
    std::optional<QString> waitingFor() const;
    // Whether a read of the show is under way (or about to be).
    bool reading() const { return reading_; }
    // Whether a change was seen and waits to settle before it is read.
    bool changePending() const { return changedAt_ >= 0; }
    // What the schedule plays now; none for a show of one layout.
    std::optional<ScheduleDecision> scheduled() const { return playingDecision_; }
    // What the next change of the schedule plays, and whether its files are
    // all there yet; none when nothing changes ahead.
    std::optional<ScheduleDecision> nextScheduled() const;
    bool wholeAt(const ScheduleDecision& decision) const;
    // The line of the schedule the decision's rule is on; -1 for the default.
    int lineOf(const ScheduleDecision& decision) const;
    // The show on the screen, and the one waited for.
    struct ShowState {
        QString id; // empty: a folder without a manifest
        qint64 publishedAt = 0;
        QString layout;     // the layout file played, for a show of one
        QString waitingFor; // the id of a show not whole yet
        int listed = 0;     // the files that show lists
        QStringList missing;
        qint64 since = 0; // when what plays began, by the wall clock (0: unknown)
    };
    const ShowState& showState() const { return state_; }

signals:
    // A read of the show came back and was dealt with (taken or not).
    void readDone();
    // What showState() or scheduled() tell changed.
    void stateChanged();

private:
    void changed();
    void read(ShowReader::Hashing hashing = ShowReader::Hashing::All);
    void take(const ShowSnapshot& snapshot);
    void apply(const ShowSnapshot& snapshot);
    void arm();
    void followSchedule();
    QTimeZone zoneOf(const ShowSnapshot& show) const;
    ScheduleDecision decideAt(qint64 instant) const;
    ScheduleDecision decideAt(const ShowSnapshot& show, qint64 instant,
                              bool everyLayoutWhole = false) const;
    void play(const ScheduleDecision& decision, qint64 instant, bool prepared);
    void tell(const ScheduleDecision& decision, int kept, int windows);
    // Logs the media the show taken holds anew under names it played before.
    void tellRepublished(const ShowSnapshot& snapshot);
    void tellShape();

    Stage& stage_;
    QString shown_; // the layout's name as the log shows it
    StageClock& clock_;
    Log log_;
    std::unique_ptr<ShowReader> reader_; // used on the watcher's thread only
    std::unique_ptr<ShowWatcher> watcher_;
    QTimer timer_;
    bool applied_ = false;
    QByteArray playing_;       // the layout bytes on the screen
    QString playingId_;        // and the id of their show
    qint64 changedAt_ = -1;    // when the last unread change was seen
    bool reading_ = false;     // a read is under way
    bool readAgain_ = false;   // and another is wanted after it
    bool reloadAsked_ = false; // the layout is played afresh even if the same
    QString waitingId_;        // the incomplete show waited for
    qint64 waitingSince_ = 0;
    QString lastRefusal_;
    QHash<QString, QString> takenContent_; // what the show taken plays, by name

    // A schedule show: the wall clock it follows, the show, what it plays
    // and the change prepared ahead.
    WallClock* wall_ = nullptr;
    std::optional<ShowSnapshot> scheduleShow_;
    std::optional<ScheduleDecision> playingDecision_;
    std::optional<qint64> preparedFor_;
    std::optional<ScheduleDecision> preparedDecision_;
    int preparedKept_ = 0;
    int preparedWindows_ = 0;
    bool toldUnsynchronised_ = false;
    ShowState state_;
    qint64 playingSince_ = 0; // when the rule played unprepared began
    QByteArray followedZone_; // the zone the schedule was last followed in
    QString toldShape_;       // the show and the advice last told of its shape
};

} // namespace tv
