#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

namespace tv {

// The signals a display answers (SIGHUP, SIGTERM and SIGINT), blocked: one
// that comes while the display starts waits for its handler instead of
// ending it. Called first thing in main, before any thread exists, so that
// every thread inherits the mask; a child forked meanwhile starts with them
// unblocked.
void holdDisplaySignals();
// Their default behaviour back, for what is not a display (the editor,
// answers in text, a refusal); one that came meanwhile acts now.
void releaseDisplaySignals();

// Unix signals turned into a Qt signal on this object's thread. The handler
// only writes the signal's number to a non-blocking pipe (a full pipe
// already holds one not yet read), so it can never block; the pipe is
// drained whole here, and a burst is told once, with the last number.
class SignalPipe final : public QObject {
    Q_OBJECT
public:
    // Once its handler is in place, this thread takes the signals, held
    // until then (see holdDisplaySignals): one that came early is told now.
    SignalPipe(std::initializer_list<int> numbers, QObject* parent = nullptr);
    // Puts the default handling back and closes the pipe.
    ~SignalPipe() override;

    // Should this thread not come round to the pipe within `seconds` of a
    // signal, the alarm's default handling ends the program: a stop asked
    // for is never lost to a thread that does not answer.
    void setAnswerDeadline(unsigned seconds);

signals:
    void arrived(int number);

private:
    void drain();

    // Touched only on this object's thread. The handler, which may run on
    // any thread that has the signals unblocked, reads none of them: it
    // gets the pipe and the deadline from atomics of its own (see the .cpp).
    int pipe_[2] = {-1, -1};
    QList<int> numbers_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace tv
