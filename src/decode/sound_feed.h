#pragma once

#include "decode/clip_decoder.h"
#include "decode/sound_timeline.h"

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <mutex>

namespace tv {

// The sound of the clip a video channel plays, on its way from the channel's
// clip loop, which decodes it, to its sound output, which plays it and tells
// back where the sound heard now is.
struct SoundFeed {
    using Clock = std::chrono::steady_clock;

    // Atomic, for both sides: whether sound is decoded and played at all. The
    // output turns it off for good when it fails.
    std::atomic<bool> wanted{false};

    // Guarded by `mutex`, never held with the channel's own.
    std::mutex mutex;
    QByteArray sound; // decoded, not yet handed to the output
    SoundTimeline timeline{ClipDecoder::kSoundBytesPerSecond};
    // Where the clip's sound was heard, and when; frames keep to it while
    // there is sound to hear. A sound output takes a while to start (a
    // sound server's sink may hold the first of it for two seconds), so the
    // position is known only once it has moved.
    struct Heard {
        bool known = false;
        double seconds = 0;
        Clock::time_point at;
        bool written = false; // this playing's sound reached the output
    } heard;
};

} // namespace tv
