#pragma once

#include "decode/decode_settings.h"
#include "decode/picture_decoding.h"

#include <QImage>
#include <QObject>
#include <QTimer>

#include <memory>
#include <thread>

namespace tv {

struct ChannelState;
struct SoundFeed;
class SoundOutput;

// The videos of one window, decoded on a thread of the channel's own that
// opens, reads and decodes each clip (never this thread). The clip to play
// next is opened ahead, so that it starts without a gap, and a looping clip
// goes back to its start without one. Frames are paced by the clock of the
// machine, converted once at the size they are drawn, and reach this thread
// through a one-frame mailbox: a newer frame replaces one not yet taken,
// which is counted as dropped, as is a frame that comes too late to show.
// A clip's sound is decoded beside its frames and handed to the sound output
// as it comes (see ClipLoop and SoundOutput). Sound plays only where the
// system has a sound output and the settings' volume is above 0 (a
// thumbnail's channel never decodes sound).
//
// The channel owns its thread: ending the channel asks the thread to end,
// which it does within a decoding step (every wait is woken, every read of a
// clip gives up), and joins it.
class VideoChannel final : public QObject {
    Q_OBJECT
public:
    explicit VideoChannel(const DecodeSettings& settings, QObject* parent = nullptr);
    ~VideoChannel() override;

    // Plays the file from its start; `ticket` tags what it reports.
    void play(quint64 ticket, const QString& path, bool loop);
    // Opens the file ahead, so that playing it next starts without a gap.
    void prepare(const QString& path);
    void stop();
    // The size frames are converted to fit.
    void setDrawnSize(DrawnSize drawn);

    struct Frame {
        quint64 ticket = 0;
        QImage image;
    };
    // The newest converted frame not yet taken; a null image when none.
    Frame takeFrame();
    // Frames dropped since the start because a newer one came first, or
    // came too late.
    quint64 droppedFrames() const;

    // How long a video may take to start before it counts as failed.
    static constexpr int kStartTimeoutMs = 5000;

signals:
    void frameReady();
    void ended(quint64 ticket);
    void failed(quint64 ticket, const QString& why);

private:
    void changed();

    std::shared_ptr<ChannelState> state_;
    std::shared_ptr<SoundFeed> feed_;
    SoundOutput* sound_ = nullptr; // null when clips play silent
    QTimer startWatch_;
    quint64 watchedTicket_ = 0;
    std::thread thread_;
};

} // namespace tv
