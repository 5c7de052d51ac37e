#pragma once

#include "report/display_status.h"

#include <QList>
#include <QString>

namespace tv {

// One thing the desk finds about a display. A display is well when its only
// state is Ok; the others come in the order of Kind.
struct StatusState {
    enum class Kind {
        Ok,           // nothing else applies
        Stale,        // no status written lately
        Clock,        // the display's clock is not to be trusted
        Waiting,      // its show is not whole
        NextNotWhole, // the next change, within a day, has files missing
        Problems,     // problems not cleared
        NoStatus,     // its report folder holds no status
        Unreadable,   // its status cannot be read
    };
    Kind kind = Kind::Ok;
    qint64 number = 0; // Stale: the status's age in ms; Waiting: files missing;
                       // Problems: how many
    int of = 0;        // Waiting: files the show lists
    QString why;       // Clock and Unreadable: why
    friend bool operator==(const StatusState&, const StatusState&) = default;
};

// How long after a status is written the desk still takes it as fresh: three
// of the display's intervals, so one rewrite lost on the way is no alarm,
// and the time the sync tool takes to carry it.
qint64 staleAfterMs(const DisplayStatus& status, qint64 syncLagMs);

// The most a clock may be off, as its own bound says or as the desk sees it.
inline constexpr qint64 kClockBoundMs = 10'000;
// How far ahead a change whose files are missing is worth a warning.
inline constexpr qint64 kNextWarningMs = 24 * 3'600'000;

// What holds for a display whose status was read, at the desk's instant
// `deskNowMs`, in the order of StatusState::Kind; {Ok} when nothing else does.
QList<StatusState> judgeStatus(const DisplayStatus& status, qint64 deskNowMs, qint64 syncLagMs);

// "NEXT NOT WHOLE"; and a state as a line shows it: "WAITING 2 of 5",
// "STALE 2 h 5 min", "CLOCK (dated 2 min ahead of the desk)".
QString stateName(StatusState::Kind kind);
QString stateText(const StatusState& state);

// A span of time as a person reads it: "45 s", "12 min", "3 h 20 min", "2 d 4 h".
QString spanText(qint64 ms);

} // namespace tv
