#include "report/status_judge.h"

#include <QStringList>

#include <algorithm>

namespace tv {

qint64 staleAfterMs(const DisplayStatus& status, qint64 syncLagMs)
{
    // A status that claims no interval, or more than a day, is still looked
    // for daily.
    const qint64 intervalS =
        status.intervalS > 0 ? std::min(status.intervalS, 86'400) : DisplayStatus::kStatusIntervalS;
    return 3 * intervalS * 1000 + std::max<qint64>(syncLagMs, 0);
}

namespace {

// Why the display's clock is not to be trusted; empty when it is. A clock
// that lost its time server lately is still good within the bound the kernel
// keeps for it (it grows half a millisecond a second); one without a bound,
// or with one past kClockBoundMs, is not. A status dated ahead of the desk,
// or before the show it plays was published, shows a clock that is off
// whatever the display believes of it.
QString clockDoubt(const DisplayStatus& status, qint64 deskNowMs)
{
    QStringList doubts;
    if (!status.clockSynchronised && status.clockErrorMs <= 0)
        doubts << QStringLiteral("not synchronised");
    else if (!status.clockSynchronised && status.clockErrorMs > kClockBoundMs)
        doubts << QStringLiteral("not synchronised, error bound %1")
                      .arg(spanText(status.clockErrorMs));
    const qint64 writtenMs = status.time.toMSecsSinceEpoch();
    if (writtenMs - deskNowMs > kClockBoundMs)
        doubts << QStringLiteral("dated %1 ahead of the desk").arg(spanText(writtenMs - deskNowMs));
    if (status.show.published.isValid() &&
        status.show.published.toMSecsSinceEpoch() - writtenMs > kClockBoundMs)
        doubts << QStringLiteral("dated before its show was published");
    return doubts.join(QStringLiteral("; "));
}

} // namespace

QList<StatusState> judgeStatus(const DisplayStatus& status, qint64 deskNowMs, qint64 syncLagMs)
{
    using Kind = StatusState::Kind;
    QList<StatusState> states;
    const qint64 writtenMs = status.time.toMSecsSinceEpoch();
    if (deskNowMs - writtenMs > staleAfterMs(status, syncLagMs))
        states.append({Kind::Stale, deskNowMs - writtenMs, 0, {}});
    if (const QString doubt = clockDoubt(status, deskNowMs); !doubt.isEmpty())
        states.append({Kind::Clock, 0, 0, doubt});
    if (!status.show.whole || !status.show.missing.isEmpty())
        states.append({Kind::Waiting, status.show.missing.size(), status.show.listed, {}});
    if (status.next.at.isValid() && !status.next.whole &&
        status.next.at.toMSecsSinceEpoch() - writtenMs <= kNextWarningMs)
        states.append({Kind::NextNotWhole, 0, 0, {}});
    const auto lasting = std::count_if(
        status.problems.cbegin(), status.problems.cend(),
        [](const DisplayStatus::Problem& problem) { return !problem.cleared.isValid(); });
    if (lasting > 0)
        states.append({Kind::Problems, qint64(lasting), 0, {}});
    if (states.isEmpty())
        states.append({Kind::Ok, 0, 0, {}});
    return states;
}

QString stateName(StatusState::Kind kind)
{
    switch (kind) {
    case StatusState::Kind::Ok:
        return QStringLiteral("OK");
    case StatusState::Kind::Stale:
        return QStringLiteral("STALE");
    case StatusState::Kind::Clock:
        return QStringLiteral("CLOCK");
    case StatusState::Kind::Waiting:
        return QStringLiteral("WAITING");
    case StatusState::Kind::NextNotWhole:
        return QStringLiteral("NEXT NOT WHOLE");
    case StatusState::Kind::Problems:
        return QStringLiteral("PROBLEMS");
    case StatusState::Kind::NoStatus:
        return QStringLiteral("NO STATUS");
    case StatusState::Kind::Unreadable:
        return QStringLiteral("UNREADABLE");
    }
    return QString();
}

QString stateText(const StatusState& state)
{
    const QString name = stateName(state.kind);
    switch (state.kind) {
    case StatusState::Kind::Stale:
        return name + QLatin1Char(' ') + spanText(state.number);
    case StatusState::Kind::Clock:
        return QStringLiteral("%1 (%2)").arg(name, state.why);
    case StatusState::Kind::Waiting: {
        // A status names only the first missing files: more may be missing.
        const bool more = state.number >= DisplayStatus::kMissingShown && state.of > state.number;
        return QStringLiteral("%1 %2%3 of %4")
            .arg(name)
            .arg(state.number)
            .arg(more ? QStringLiteral("+") : QString())
            .arg(state.of);
    }
    case StatusState::Kind::Problems:
        return QStringLiteral("%1 %2").arg(name).arg(state.number);
    case StatusState::Kind::Unreadable:
        return QStringLiteral("%1: %2").arg(name, state.why);
    default:
        return name;
    }
}

QString spanText(qint64 ms)
{
    const qint64 s = std::max<qint64>(ms, 0) / 1000;
    if (s < 60)
        return QStringLiteral("%1 s").arg(s);
    if (s < 3600)
        return QStringLiteral("%1 min").arg(s / 60);
    const auto inTwoUnits = [](qint64 whole, const char* unit, qint64 rest, const char* restUnit) {
        return rest == 0 ? QStringLiteral("%1 %2").arg(whole).arg(QLatin1String(unit))
                         : QStringLiteral("%1 %2 %3 %4")
                               .arg(whole)
                               .arg(QLatin1String(unit))
                               .arg(rest)
                               .arg(QLatin1String(restUnit));
    };
    if (s < 2 * 86'400)
        return inTwoUnits(s / 3600, "h", s % 3600 / 60, "min");
    return inTwoUnits(s / 86'400, "d", s % 86'400 / 3600, "h");
}

} // namespace tv
