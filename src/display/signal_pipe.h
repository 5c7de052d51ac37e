#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

namespace tv {

// Unix signals turned into a Qt signal on this object's thread. The handler
// only writes the signal's number to a non-blocking pipe (a full pipe
// already holds one not yet read), so it can never block; the pipe is
// drained whole here, and a burst is told once, with the last number.
class SignalPipe final : public QObject {
    Q_OBJECT
public:
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

    int pipe_[2] = {-1, -1};
    QList<int> numbers_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace tv
