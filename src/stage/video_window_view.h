#pragma once

#include "decode/decode_settings.h"
#include "stage/window_view.h"

namespace tv {

class VideoChannel;

// The video window: it plays each video of its list to its end and shows
// each picture, and the placeholder of an item that cannot be shown, for ten
// seconds (kVideoWindowPictureMs), and loops; an animated PNG plays as the
// clip it is. The next video is opened ahead in a second player, so that it
// starts without a gap, and a list of one clip loops it without one. The
// transparent parts of a picture show black, as the stage beneath it is.
class VideoWindowView final : public WindowView {
    Q_OBJECT
public:
    // Pictures are decoded through `decodes`, which outlives the window;
    // clips as `decoding` says.
    VideoWindowView(StageWindow plan, const MediaResolver& media, ProblemLog log,
                    DecodeQueue& decodes, const DecodeSettings& decoding, QWidget* parent);

    void advance(qint64 t) override;
    quint64 droppedFrames() const override;

protected:
    void drawnSizeChanged() override;
    void prepareClip(const QString& path) override;
    void takeClipAfresh(bool standIn) override;
    void filesChanged() override;
    bool playAsClip(int item, const QImage& firstFrame) override;
    bool showsBeneath() const override { return false; }

private:
    bool playsClips() const;
    void makeVideoChannel();
    void startItem(int item, qint64 t);
    void takeVideoFrame();
    void videoStopped(quint64 ticket, const QString& why);

    // Touched only on the GUI thread, as the base's fields are: the
    // channel's thread reaches them only through its signals, taken here.
    DecodeSettings decoding_;
    // Made once the list has a clip to play: a list of pictures plays none.
    VideoChannel* video_ = nullptr;
    bool started_ = false;
    quint64 playing_ = 0; // the ticket of the video shown
    bool videoEnded_ = false;
    QString videoProblem_;
};

} // namespace tv
