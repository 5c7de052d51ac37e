#pragma once

#include "platform/wall_clock.h"

namespace tv::test {

// A system clock that moves only when the test moves it, and rings when the
// test says it has reached what was armed.
class ManualWallClock final : public WallClock {
public:
    qint64 nowMs() const override { return now; }
    Sync sync() const override { return state; }
    void ringAt(std::optional<qint64> atMs) override { armed = atMs; }
    QTimeZone localZone() const override { return local; }

    // Sets the system's zone, ringing as the system does.
    void setLocal(const QTimeZone& zone)
    {
        local = zone;
        emit rang();
    }

    // Moves the clock to `atMs`, ringing as the system would: when the armed
    // instant is reached, or when the clock is set (`stepped`).
    void moveTo(qint64 atMs, bool stepped = false)
    {
        now = atMs;
        if (stepped || (armed && now >= *armed))
            emit rang();
    }

    qint64 now = 0;
    Sync state;
    std::optional<qint64> armed;
    QTimeZone local = QTimeZone::utc();
};

} // namespace tv::test
