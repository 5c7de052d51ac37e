#include "player/window_view.h"

#include "player/media_resolver.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QPainter>
#include <QVideoFrame>
#include <QVideoSink>

namespace tv {

namespace {

const QColor kPlaceholderGrey(48, 48, 48);

} // namespace

WindowView::WindowView(StageWindow plan, const MediaResolver& media, ProblemLog log,
                       QWidget* parent)
    : QWidget(parent), plan_(std::move(plan)), log_(std::move(log))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    const bool videoWindow = plan_.role == WindowRole::Video;
    for (const QString& name : plan_.names) {
        Item item{name, QString(), QString(),
                  videoWindow && !playsAsPicture(name) ? Kind::Video : Kind::Picture};
        item.path = media.resolve(name, &item.problem);
        items_.append(item);
        durations_.append(plan_.pictureMs);
    }
    // A picture window whose switch time is 0 stays on its first picture.
    if (!videoWindow && plan_.pictureMs <= 0 && !durations_.isEmpty())
        durations_ = {1};
    connect(&watcher_, &QFutureWatcher<DecodedItem>::finished, this, [this] {
        if (pendingItem_ >= 0)
            showDecoded(pendingItem_);
    });

    if (videoWindow) {
        audio_ = new QAudioOutput(this);
        for (std::size_t i = 0; i < players_.size(); ++i) {
            players_[i] = new QMediaPlayer(this);
            sinks_[i] = new QVideoSink(this);
            players_[i]->setVideoSink(sinks_[i]);
            QVideoSink* sink = sinks_[i];
            QMediaPlayer* player = players_[i];
            connect(sink, &QVideoSink::videoFrameChanged, this,
                    [this, sink](const QVideoFrame& frame) { videoFrame(sink, frame); });
            connect(player, &QMediaPlayer::mediaStatusChanged, this,
                    [this, player](QMediaPlayer::MediaStatus status) {
                        // A player reports late, after the window moved on.
                        if (!playsVideo(player))
                            return;
                        if (status == QMediaPlayer::EndOfMedia) {
                            videoEnded_ = true;
                            emit dueNow();
                        } else if (status == QMediaPlayer::InvalidMedia) {
                            videoFailed(player, player->errorString());
                        }
                    });
            connect(player, &QMediaPlayer::errorOccurred, this,
                    [this, player](QMediaPlayer::Error, const QString& why) {
                        videoFailed(player, why);
                    });
        }
    }
}

WindowView::~WindowView()
{
    // Decoding that is still under way finishes on its own; nothing waits
    // for its result.
    watcher_.disconnect();
}

void WindowView::advance(qint64 t)
{
    if (plan_.role == WindowRole::Video)
        advanceVideoWindow(t);
    else
        advancePictures(t);
}

void WindowView::advancePictures(qint64 t)
{
    const PlayPosition position = positionAt(durations_, t);
    nextChange_ = position.nextChange;
    if (position.item < 0 || (position.item == shownItem_ && position.round == shownRound_))
        return;
    shownRound_ = position.round;
    startItem(position.item, t);
}

void WindowView::advanceVideoWindow(qint64 t)
{
    if (items_.isEmpty())
        return;
    const int next = (shownItem_ + 1) % int(items_.size());
    if (!started_) {
        started_ = true;
        startItem(0, t);
    } else if (!videoProblem_.isEmpty()) {
        // A video that fails shows its placeholder for the time of a picture.
        const QString why = videoProblem_;
        videoProblem_.clear();
        showPlaceholder(shownItem_, why);
        nextChange_ = items_.size() > 1 ? t + kVideoWindowPictureMs : kNever;
    } else if (videoEnded_) {
        videoEnded_ = false;
        startItem(next, t);
    } else if (t >= nextChange_) {
        startItem(next, nextChange_);
    }
}

void WindowView::startItem(int item, qint64 t)
{
    shownItem_ = item;
    const Item& shown = items_[item];
    const bool single = items_.size() == 1;
    if (plan_.role == WindowRole::Video) {
        if (shown.kind == Kind::Video && !shown.path.isEmpty()) {
            nextChange_ = kNever;
            playVideo(item);
        } else {
            nextChange_ = single ? kNever : t + kVideoWindowPictureMs;
            showDecoded(item);
            players_[std::size_t(activePlayer_)]->stop();
        }
    } else {
        showDecoded(item);
    }
    const int next = (item + 1) % int(items_.size());
    dropDecodingExcept(item, next);
    prepare(next);
}

void WindowView::prepare(int item)
{
    const Item& next = items_[item];
    if (next.kind == Kind::Video && !next.path.isEmpty()) {
        // The next video opens in the other player while this item shows.
        if (items_.size() > 1) {
            QMediaPlayer* spare = players_[std::size_t(1 - activePlayer_)];
            const QUrl url = QUrl::fromLocalFile(next.path);
            if (spare->source() != url)
                spare->setSource(url);
        }
        return;
    }
    decodingOf(item);
}

QFuture<DecodedItem> WindowView::decodingOf(int item)
{
    auto found = decoding_.find(item);
    if (found != decoding_.end())
        return *found;
    const Item& wanted = items_[item];
    QFuture<DecodedItem> future =
        wanted.path.isEmpty() ? QtFuture::makeReadyFuture(DecodedItem{QImage(), wanted.problem})
                              : decodeAhead(wanted.path, size());
    decoding_.insert(item, future);
    return future;
}

void WindowView::dropDecodingExcept(int keepA, int keepB)
{
    for (auto it = decoding_.begin(); it != decoding_.end();)
        it = (it.key() == keepA || it.key() == keepB) ? std::next(it) : decoding_.erase(it);
}

void WindowView::showDecoded(int item)
{
    QFuture<DecodedItem> future = decodingOf(item);
    if (!future.isFinished()) {
        // The last frame stays until the next item is ready.
        pendingItem_ = item;
        watcher_.setFuture(future);
        return;
    }
    pendingItem_ = -1;
    apply(item, future.result());
}

void WindowView::apply(int item, const DecodedItem& decoded)
{
    if (!decoded.problem.isEmpty()) {
        showPlaceholder(item, decoded.problem);
        return;
    }
    image_ = decoded.image;
    placeholder_.clear();
    update();
}

void WindowView::showPlaceholder(int item, const QString& why)
{
    const QString& name = items_[item].name;
    placeholder_ = name + QLatin1Char('\n') + why;
    image_ = QImage();
    if (log_)
        log_(name, why);
    update();
}

void WindowView::settle()
{
    if (pendingItem_ >= 0) {
        decodingOf(pendingItem_).waitForFinished();
        showDecoded(pendingItem_);
    }
    for (auto& future : decoding_)
        future.waitForFinished();
}

void WindowView::playVideo(int item)
{
    const QUrl url = QUrl::fromLocalFile(items_[item].path);
    QMediaPlayer* spare = players_[std::size_t(1 - activePlayer_)];
    if (spare->source() == url)
        activePlayer_ = 1 - activePlayer_;
    QMediaPlayer* player = players_[std::size_t(activePlayer_)];
    players_[std::size_t(1 - activePlayer_)]->stop();
    if (player->source() != url)
        player->setSource(url);
    player->setAudioOutput(audio_);
    players_[std::size_t(1 - activePlayer_)]->setAudioOutput(nullptr);
    player->setLoops(items_.size() == 1 ? QMediaPlayer::Infinite : QMediaPlayer::Once);
    if (player->mediaStatus() == QMediaPlayer::InvalidMedia) {
        videoFailed(player, player->errorString());
        return;
    }
    player->setPosition(0);
    player->play();
}

void WindowView::videoFrame(QVideoSink* sink, const QVideoFrame& frame)
{
    // Only the video being played shows: not one that is opened ahead, nor
    // one that went back to its start when it ended.
    const std::size_t active = std::size_t(activePlayer_);
    if (sink != sinks_[active] || !frame.isValid() || shownItem_ < 0 ||
        items_[shownItem_].kind != Kind::Video ||
        players_[active]->playbackState() != QMediaPlayer::PlayingState)
        return;
    const QImage picture = frame.toImage();
    if (picture.isNull())
        return;
    image_ = picture;
    placeholder_.clear();
    update();
}

bool WindowView::playsVideo(const QMediaPlayer* player) const
{
    return player == players_[std::size_t(activePlayer_)] && shownItem_ >= 0 &&
           items_[shownItem_].kind == Kind::Video && videoProblem_.isEmpty() && !videoEnded_;
}

void WindowView::videoFailed(QMediaPlayer* player, const QString& why)
{
    if (!playsVideo(player))
        return;
    videoProblem_ = why.isEmpty() ? QStringLiteral("cannot be played") : why;
    player->stop();
    emit dueNow();
}

void WindowView::resizeEvent(QResizeEvent*)
{
    decoding_.clear();
    if (shownItem_ < 0 || items_[shownItem_].kind == Kind::Video || !placeholder_.isEmpty())
        return;
    showDecoded(shownItem_);
    prepare((shownItem_ + 1) % int(items_.size()));
}

void WindowView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!placeholder_.isEmpty()) {
        painter.fillRect(rect(), kPlaceholderGrey);
        painter.setPen(Qt::white);
        painter.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
                         placeholder_);
        return;
    }
    if (image_.isNull())
        return;
    const QSize fitted = image_.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                       fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image_);
}

} // namespace tv
