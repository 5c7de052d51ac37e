#pragma once

#include "decode/channel_state.h"
#include "decode/clip_decoder.h"
#include "decode/frame_pace.h"
#include "decode/sound_feed.h"

#include <chrono>
#include <memory>

namespace tv {

// The clips of one video channel, played on the channel's decoding thread:
// it opens the clip wished for (and the next one ahead), loops it, paces its
// frames by the machine's clock or, while there is sound to hear, by the
// sound, drops the frames that come too late to show, hands the clip's sound
// to the feed and the converted frames to the channel's mailbox. It runs
// until the channel ends.
class ClipLoop {
public:
    ClipLoop(ChannelState& state, SoundFeed& feed, ClipDecoder::Options options);
    void run();

private:
    using Clock = std::chrono::steady_clock;

    ClipWish readWish();
    void follow(const ClipWish& wish);
    std::unique_ptr<ClipDecoder> open(const QString& path, QString* why);
    void fail(const QString& why);
    void step();
    void handOnSound(const QByteArray& sound);
    void paceSound(double reaches);
    bool awaitSound();
    void keepToSound();
    Clock::time_point dueAt(double seconds) const;
    bool waitUntil(Clock::time_point due);
    bool waitForWish();

    // A song's cover: its sound is decoded this far ahead of where it is
    // heard.
    static constexpr double kSoundAhead = 0.5;
    // As long as a sound output may take to start.
    static constexpr std::chrono::milliseconds kLongestSoundStart{3000};

    ChannelState& s_;
    SoundFeed& feed_;
    const ClipDecoder::Options options_;
    quint64 seen_ = ~quint64(0);
    DrawnSize drawn_;
    std::unique_ptr<ClipDecoder> current_;
    std::unique_ptr<ClipDecoder> spare_;
    quint64 playing_ = 0;
    bool loop_ = false;
    bool started_ = false;
    Clock::time_point origin_;
    Clock::time_point lastShown_;
    FramePace pace_{0.04};
    bool soundAwaited_ = false;
    int framesThisLoop_ = 0;
    double offset_ = 0; // seconds of the loops played before this one
    double last_ = 0;   // the last frame's moment in this loop
};

} // namespace tv
