#include "platform/wall_clock.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include <sys/timerfd.h>
#include <sys/timex.h>
#include <unistd.h>

namespace tv {

SystemWallClock::SystemWallClock(QObject* parent)
    : fd_(::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC))
{
    setParent(parent);
    zoneId_ = QTimeZone::systemTimeZoneId();
    connect(&zoneFiles_, &QFileSystemWatcher::directoryChanged, this,
            &SystemWallClock::zoneFilesChanged);
    connect(&zoneFiles_, &QFileSystemWatcher::fileChanged, this,
            &SystemWallClock::zoneFilesChanged);
    zoneFilesChanged();
    if (fd_ < 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SystemWallClock::ready);
}

SystemWallClock::~SystemWallClock()
{
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

qint64 SystemWallClock::nowMs() const
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

WallClock::Sync SystemWallClock::sync() const
{
    timex state{};
    const int status = ::adjtimex(&state);
    return {status != TIME_ERROR && status >= 0, qint64(state.maxerror)};
}

void SystemWallClock::ringAt(std::optional<qint64> atMs)
{
    armedAt_ = atMs;
    if (fd_ < 0)
        return;
    itimerspec when{};
    if (atMs) {
        // Zero would disarm it: an instant already past rings at once.
        const qint64 at = std::max<qint64>(*atMs, 1);
        when.it_value.tv_sec = time_t(at / 1000);
        when.it_value.tv_nsec = long(at % 1000) * 1'000'000;
    }
    ::timerfd_settime(fd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
}

QTimeZone SystemWallClock::localZone() const
{
    return QTimeZone::systemTimeZone();
}

void SystemWallClock::zoneFilesChanged()
{
    // Replaced files drop out of the watch: each look adds them again.
    // /etc itself sees the rename that sets a zone, the files an edit in
    // place.
    for (const char* path : {"/etc", "/etc/localtime", "/etc/timezone"})
        if (!zoneFiles_.files().contains(QLatin1String(path)) &&
            !zoneFiles_.directories().contains(QLatin1String(path)) &&
            QFileInfo::exists(QLatin1String(path)))
            zoneFiles_.addPath(QLatin1String(path));
    const QByteArray id = QTimeZone::systemTimeZoneId();
    if (std::exchange(zoneId_, id) != id)
        emit rang();
}

void SystemWallClock::ready()
{
    quint64 expirations = 0;
    const ssize_t got = ::read(fd_, &expirations, sizeof expirations);
    // ECANCELED: the clock was set, and the alarm with it; it is left
    // disarmed for whoever looks again to arm anew.
    if (got < 0 && errno == EAGAIN)
        return;
    if (got < 0 && errno == ECANCELED && armedAt_)
        ringAt(armedAt_); // re-armed in the kernel's new terms before it is told
    emit rang();
}

} // namespace tv
