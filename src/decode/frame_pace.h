#pragma once

namespace tv {

// What the video thread does with each decoded frame, from how late it is:
// whether it is converted and shown, and whether the decoder skips the frames
// no other frame needs.
//
// A machine that decodes a clip a little slower than real time must still
// show most of its frames, and keep to the clock (the sound's, or the one
// screens in step share): a frame somewhat late is shown all the same; when
// the decoder falls further behind it skips the frames nothing refers to
// until it has caught up. One frame at least reaches the screen every
// kLongestStill seconds, however far behind the decoder is.
class FramePace {
public:
    explicit FramePace(double frameSeconds);

    struct Decision {
        bool convert = true;
        bool skipNonReference = false;
    };
    // `behind`: seconds the frame is past its moment (negative when early);
    // `sinceShown`: seconds since a frame last reached the screen.
    Decision decide(double behind, double sinceShown);

    static constexpr double kLongestStill = 0.1;

private:
    double showLate_;  // frames later than this are not converted
    double skipFrom_;  // the decoder starts skipping this far behind
    double skipUntil_; // and goes on until it is this close
    bool skipping_ = false;
};

} // namespace tv
