#include "decode/frame_pace.h"

#include <algorithm>

namespace tv {

FramePace::FramePace(double frameSeconds)
    : showLate_(std::max(3 * frameSeconds, 0.1)), skipFrom_(std::max(2 * frameSeconds, 0.06)),
      skipUntil_(frameSeconds / 2)
{
}

FramePace::Decision FramePace::decide(double behind, double sinceShown)
{
    Decision decision;
    if (behind > skipFrom_)
        skipping_ = true;
    else if (behind < skipUntil_)
        skipping_ = false;
    decision.skipNonReference = skipping_;
    decision.convert = behind <= showLate_ || sinceShown >= kLongestStill;
    return decision;
}

} // namespace tv
