#include "display/stop_signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace tv {

namespace {

int stopPipe[2] = {-1, -1};

void onStop(int number)
{
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const auto written = ::write(stopPipe[1], &byte, 1);
    // A program that does not come round to the pipe still ends: once the
    // alarm goes off, by the alarm's own default.
    ::alarm(StopSignals::kAnswerSeconds);
    errno = saved;
}

} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(stopPipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    notifier_ = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::drain);
    struct sigaction action {};
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

StopSignals::~StopSignals()
{
    if (!notifier_)
        return;
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    delete notifier_;
    ::close(stopPipe[0]);
    ::close(stopPipe[1]);
    stopPipe[0] = stopPipe[1] = -1;
}

void StopSignals::drain()
{
    char bytes[64];
    ssize_t got = 0;
    char last = 0;
    while ((got = ::read(stopPipe[0], bytes, sizeof bytes)) > 0)
        last = bytes[got - 1];
    if (last)
        emit stopAsked(last == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM"));
}

} // namespace tv
