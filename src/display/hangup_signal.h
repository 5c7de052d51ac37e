#pragma once

#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace tv {

// SIGHUP, turned into a signal on this object's thread. The handler writes to
// a non-blocking pipe, so a burst of signals can never block it (a full pipe
// already says "hang up"); what comes within kQuietMs of the first is told
// with it, as one hangUp().
class HangupSignal final : public QObject {
    Q_OBJECT
public:
    explicit HangupSignal(QObject* parent = nullptr);
    // Puts the default handling of SIGHUP back and closes the pipe.
    ~HangupSignal() override;

    static constexpr int kQuietMs = 200;

signals:
    void hangUp();

private:
    void drain();

    QSocketNotifier* notifier_ = nullptr;
    QTimer gather_;
};

} // namespace tv
