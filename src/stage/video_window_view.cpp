#include "stage/video_window_view.h"

#include "decode/video_channel.h"
#include "files/media_open.h"
#include "layout/media_kind.h"

#include <algorithm>

namespace tv {

VideoWindowView::VideoWindowView(StageWindow plan, const MediaResolver& media, ProblemLog log,
                                 DecodeQueue& decodes, const DecodeSettings& decoding,
                                 QWidget* parent)
    : WindowView(std::move(plan), media, std::move(log), decodes, parent), decoding_(decoding)
{
    for (Item& item : items_)
        if (!playsAsPicture(item.name))
            item.kind = Kind::Video;
    if (playsClips())
        makeVideoChannel();
}

bool VideoWindowView::playsClips() const
{
    return std::any_of(items_.begin(), items_.end(), [](const Item& item) {
        return item.kind == Kind::Video && !item.path.isEmpty();
    });
}

void VideoWindowView::makeVideoChannel()
{
    video_ = new VideoChannel(decoding_, this);
    video_->setDrawnSize(drawn_);
    connect(video_, &VideoChannel::frameReady, this, &VideoWindowView::takeVideoFrame);
    connect(video_, &VideoChannel::ended, this,
            [this](quint64 ticket) { videoStopped(ticket, QString()); });
    connect(video_, &VideoChannel::failed, this, &VideoWindowView::videoStopped);
}

void VideoWindowView::advance(qint64 t)
{
    if (items_.isEmpty())
        return;
    const int next = (shownItem_ + 1) % int(items_.size());
    if (!started_) {
        started_ = true;
        startItem(0, t);
    } else if (!videoProblem_.isEmpty()) {
        // A video that fails shows its placeholder for the time of a picture.
        const QString why = std::exchange(videoProblem_, QString());
        playing_ = 0;
        if (why == QLatin1String(kChangedSinceRead) && takenAfresh_)
            return startItem(shownItem_, t); // the file as it is now came meanwhile
        if (why == QLatin1String(kChangedSinceRead))
            keepShown(shownItem_);
        else
            showPlaceholder(shownItem_, why);
        nextChange_ = items_.size() > 1 ? t + kVideoWindowPictureMs : kNever;
    } else if (videoEnded_) {
        videoEnded_ = false;
        startItem(next, t);
    } else if (t >= nextChange_) {
        startItem(next, nextChange_);
    }
}

void VideoWindowView::startItem(int item, qint64 t)
{
    beginTurn(item, t);
    shownItem_ = item;
    takenAfresh_ = false;
    const Item& shown = items_[item];
    if (shown.kind == Kind::Video && !shown.path.isEmpty()) {
        nextChange_ = kNever;
        videoEnded_ = false;
        playing_ = ++tickets_;
        video_->play(playing_, shown.path, items_.size() == 1);
        prepareNext();
        return;
    }
    nextChange_ = items_.size() == 1 ? kNever : t + kVideoWindowPictureMs;
    playing_ = 0;
    if (video_)
        video_->stop();
    showPicture(item, t);
}

void VideoWindowView::drawnSizeChanged()
{
    if (video_)
        video_->setDrawnSize(drawn_);
}

void VideoWindowView::prepareClip(const QString& path)
{
    video_->prepare(path);
}

void VideoWindowView::takeClipAfresh(bool standIn)
{
    if (standIn)
        startItem(shownItem_, 0);
    else
        video_->prepare(items_[shownItem_].path); // the loop goes on to it
}

void VideoWindowView::filesChanged()
{
    if (!video_ && playsClips())
        makeVideoChannel();
}

bool VideoWindowView::playAsClip(int item, const QImage& firstFrame)
{
    if (items_[item].kind != Kind::Picture)
        return false;
    // An animated PNG plays as the clip it is, from now on; its first frame
    // shows meanwhile.
    items_[item].kind = Kind::Video;
    if (!video_)
        makeVideoChannel();
    showImage(firstFrame);
    startItem(item, 0);
    return true;
}

void VideoWindowView::takeVideoFrame()
{
    VideoChannel::Frame frame = video_->takeFrame();
    // Only the video being played shows: not one opened ahead, nor the tail
    // of one the window has moved on from.
    if (frame.image.isNull() || playing_ == 0 || frame.ticket != playing_)
        return;
    showFrame(std::move(frame.image));
}

void VideoWindowView::videoStopped(quint64 ticket, const QString& why)
{
    if (ticket != playing_ || videoEnded_ || !videoProblem_.isEmpty())
        return;
    if (why.isEmpty())
        videoEnded_ = true;
    else
        videoProblem_ = why;
    emit dueNow();
}

quint64 VideoWindowView::droppedFrames() const
{
    return video_ ? video_->droppedFrames() : 0;
}

} // namespace tv
