#include "display/hangup_signal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace tv {

namespace {

int hangupPipe[2] = {-1, -1};

void onHangup(int)
{
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a hang-up not yet read: the byte is not
    // needed, and the handler never waits.
    [[maybe_unused]] const auto written = ::write(hangupPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

HangupSignal::HangupSignal(QObject* parent) : QObject(parent)
{
    if (::pipe2(hangupPipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    notifier_ = new QSocketNotifier(hangupPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &HangupSignal::drain);
    gather_.setSingleShot(true);
    gather_.setInterval(kQuietMs);
    connect(&gather_, &QTimer::timeout, this, &HangupSignal::hangUp);
    struct sigaction action {};
    action.sa_handler = onHangup;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGHUP, &action, nullptr);
}

HangupSignal::~HangupSignal()
{
    if (!notifier_)
        return;
    std::signal(SIGHUP, SIG_DFL);
    delete notifier_;
    ::close(hangupPipe[0]);
    ::close(hangupPipe[1]);
    hangupPipe[0] = hangupPipe[1] = -1;
}

void HangupSignal::drain()
{
    char bytes[256];
    while (::read(hangupPipe[0], bytes, sizeof bytes) > 0) {
    }
    if (!gather_.isActive())
        gather_.start();
}

} // namespace tv
