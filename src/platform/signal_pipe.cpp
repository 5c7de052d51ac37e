#include "platform/signal_pipe.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tv {

namespace {

// For the handler, which may only read what it is given this way: each
// signal's pipe and answer deadline. Atomics, since SignalPipe writes them
// on its thread and the handler may read them on any, at any moment.
std::atomic<int> pipeOf[NSIG];
std::atomic<unsigned> deadlineOf[NSIG];

void onSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const auto written = ::write(pipeOf[number].load(), &byte, 1);
    if (const unsigned seconds = deadlineOf[number].load())
        ::alarm(seconds);
    errno = saved;
}

sigset_t displaySignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int number : {SIGHUP, SIGTERM, SIGINT})
        sigaddset(&set, number);
    return set;
}

// A mask survives exec: a program started from here must not find the
// signals that end it blocked.
void unblockInChild()
{
    const sigset_t set = displaySignals();
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

} // namespace

void holdDisplaySignals()
{
    const sigset_t set = displaySignals();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    ::pthread_atfork(nullptr, nullptr, unblockInChild);
}

void releaseDisplaySignals()
{
    unblockInChild();
}

SignalPipe::SignalPipe(std::initializer_list<int> numbers, QObject* parent)
    : QObject(parent), numbers_(numbers)
{
    if (::pipe2(pipe_, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalPipe::drain);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigset_t taken;
    sigemptyset(&taken);
    for (const int number : numbers_) {
        pipeOf[number].store(pipe_[1]);
        deadlineOf[number].store(0);
        ::sigaction(number, &action, nullptr);
        sigaddset(&taken, number);
    }
    ::pthread_sigmask(SIG_UNBLOCK, &taken, nullptr);
}

SignalPipe::~SignalPipe()
{
    if (!notifier_)
        return;
    for (const int number : numbers_)
        std::signal(number, SIG_DFL);
    delete notifier_;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void SignalPipe::setAnswerDeadline(unsigned seconds)
{
    for (const int number : numbers_)
        deadlineOf[number].store(seconds);
    // A signal held while the program started came before there was a
    // deadline to set.
    if (int waiting = 0; seconds && ::ioctl(pipe_[0], FIONREAD, &waiting) == 0 && waiting > 0)
        ::alarm(seconds);
}

void SignalPipe::drain()
{
    char bytes[256];
    ssize_t got = 0;
    char last = 0;
    while ((got = ::read(pipe_[0], bytes, sizeof bytes)) > 0)
        last = bytes[got - 1];
    if (last)
        emit arrived(last);
}

} // namespace tv
