#pragma once

#include "decode/picture_decoding.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace tv {

class VideoChannel;

// What a video channel wants played; its clip loop catches up with the
// latest.
struct ClipWish {
    quint64 ticket = 0;
    QString playPath;
    bool loop = false;
    QString preparePath;
    bool stopped = true;
};

// What a video channel (on its owner's thread) and its clip loop (on the
// channel's decoding thread) share: the wish one way, converted frames and
// reports the other.
struct ChannelState : std::enable_shared_from_this<ChannelState> {
    // Atomic: set once, as the channel ends; the loop and its decoder's reads
    // give up on it.
    std::atomic<bool> quit{false};

    // Guarded by `mutex`; `wake` tells the loop that `version` or `quit`
    // changed.
    std::mutex mutex;
    std::condition_variable wake;
    VideoChannel* receiver = nullptr; // null once the channel ended
    ClipWish wish;
    quint64 version = 0; // counts the changes of the wish
    DrawnSize drawn;
    QImage converted; // the mailbox: the newest frame not yet taken
    quint64 convertedTicket = 0;
    bool notified = false; // frameReady was posted and the frame not taken yet
    quint64 dropped = 0;

    // Hands `call` to the channel on its own thread, unless it ended by
    // then. The caller holds `mutex`.
    void post(std::function<void(VideoChannel&)> call);
    // The same, taking `mutex` itself.
    void tell(std::function<void(VideoChannel&)> call)
    {
        const std::lock_guard lock(mutex);
        post(std::move(call));
    }
};

} // namespace tv
