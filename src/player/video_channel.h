#pragma once

#include "player/picture_decoding.h"

#include <QImage>
#include <QObject>
#include <QTimer>

#include <memory>
#include <thread>

class QThread;

namespace tv {

class VideoEngine;

// The videos of the video window. The media players live on a thread of
// their own, so that opening a file or ending a player that hangs in its
// backend never holds the show; files are opened there, without waiting, and
// only regular files are played. Each decoded frame goes into a one-frame
// mailbox (a newer frame replaces an older one that was not yet taken, and
// the older one is counted as dropped), is converted once on a converter
// thread at the size it is drawn, and reaches this thread as one image
// waiting at most. Ending the channel joins its converter, which ends after
// the frame it is converting; a player hanging in its backend is abandoned.
class VideoChannel final : public QObject {
    Q_OBJECT
public:
    explicit VideoChannel(QObject* parent = nullptr);
    ~VideoChannel() override;

    // Plays the file from its start; `ticket` tags what it reports.
    void play(quint64 ticket, const QString& path, bool loop);
    // Opens the file in a second player, so that playing it next starts
    // without a gap.
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
    // Frames dropped since the start because a newer one came first.
    quint64 droppedFrames() const;

    // How long a video may take to start before it counts as failed.
    static constexpr int kStartTimeoutMs = 5000;
    // Channels whose players are still shutting down somewhere.
    static int abandoned();

    struct Shared;
    friend class VideoEngine;

signals:
    void frameReady();
    void ended(quint64 ticket);
    void failed(quint64 ticket, const QString& why);

private:
    void startEngine();
    void abandonEngine();
    void sync();
    void started(quint64 ticket);

    std::shared_ptr<Shared> shared_;
    std::thread converter_;
    VideoEngine* engine_ = nullptr;
    QTimer startWatch_;
    quint64 watchedTicket_ = 0;
};

} // namespace tv
