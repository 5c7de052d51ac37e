#pragma once

#include "stage/stage_clock.h"

namespace tv::test {

// A show's clock that moves only when the test or benchmark moves it.
class ManualClock final : public StageClock {
public:
    qint64 nowMs() const override { return now; }
    qint64 now = 0;
};

} // namespace tv::test
