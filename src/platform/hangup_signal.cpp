#include "platform/hangup_signal.h"

#include <csignal>

namespace tv {

HangupSignal::HangupSignal(QObject* parent) : QObject(parent), pipe_({SIGHUP})
{
    gather_.setSingleShot(true);
    gather_.setInterval(kQuietMs);
    connect(&gather_, &QTimer::timeout, this, &HangupSignal::hangUp);
    connect(&pipe_, &SignalPipe::arrived, this, [this] {
        if (!gather_.isActive())
            gather_.start();
    });
}

} // namespace tv
