#pragma once

#include <QElapsedTimer>

namespace tv {

// The one clock a show is timed by: milliseconds since the show began.
class StageClock {
public:
    virtual ~StageClock() = default;
    virtual qint64 nowMs() const = 0;
    // The show is on the screen: its time begins now.
    virtual void begin() {}
};

// The monotonic clock of the machine, started when the show starts.
class SteadyClock final : public StageClock {
public:
    SteadyClock() { timer_.start(); }
    qint64 nowMs() const override { return timer_.elapsed(); }
    void begin() override { timer_.start(); }

private:
    QElapsedTimer timer_;
};

} // namespace tv
