#pragma once

#include "platform/signal_pipe.h"

#include <QObject>
#include <QTimer>

namespace tv {

// SIGHUP, turned into a signal on this object's thread: what comes within
// kQuietMs of the first is told with it, as one hangUp(). The default
// handling of SIGHUP comes back when this object ends.
class HangupSignal final : public QObject {
    Q_OBJECT
public:
    explicit HangupSignal(QObject* parent = nullptr);

    static constexpr int kQuietMs = 200;

signals:
    void hangUp();

private:
    SignalPipe pipe_;
    QTimer gather_;
};

} // namespace tv
