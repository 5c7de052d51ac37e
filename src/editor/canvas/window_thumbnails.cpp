#include "editor/canvas/window_thumbnails.h"

#include "decode/video_channel.h"
#include "editor/canvas/layout_canvas.h"
#include "editor/model/layout_model.h"
#include "layout/media_kind.h"

#include <QFileInfo>

namespace tv {

namespace {
// Pictures kept at once; the oldest go first.
constexpr int kCachedPictures = 64;
} // namespace

WindowThumbnails::WindowThumbnails(const LayoutModel& model, LayoutCanvas& canvas,
                                   std::function<QString()> mediaFolder, QObject* parent)
    : QObject(parent), model_(model), canvas_(canvas), mediaFolder_(std::move(mediaFolder))
{
    // A drag or a run of key presses changes a window many times a second:
    // it is looked at once the changes rest.
    settle_.setSingleShot(true);
    settle_.setInterval(120);
    connect(&settle_, &QTimer::timeout, this, [this] {
        const QList<int> windows = std::exchange(dirty_, {});
        for (int index : windows)
            refresh(index);
    });
    auto later = [this](int index) {
        if (!dirty_.contains(index))
            dirty_.append(index);
        settle_.start();
    };
    connect(&model_, &LayoutModel::windowChanged, this, later);
    connect(&model_, &LayoutModel::windowMoved, this, later);
    connect(&model_, &LayoutModel::playlistChanged, this, later);
    connect(&model_, &LayoutModel::restored, this, [this] {
        dirty_.clear();
        for (int index = 1; index < kLayoutIndices; ++index)
            dirty_.append(index);
        settle_.start();
    });
    videoLimit_.setSingleShot(true);
    videoLimit_.setInterval(kVideoFrameMs);
    connect(&videoLimit_, &QTimer::timeout, this, [this] {
        // No frame in time: the window shows its name alone.
        if (video_)
            video_->stop();
        videoKey_.clear();
    });
}

WindowThumbnails::~WindowThumbnails()
{
    for (const auto& lane : std::as_const(lanes_))
        decodes_.close(lane);
}

std::shared_ptr<DecodeQueue::Lane> WindowThumbnails::laneOf(int index)
{
    auto& lane = lanes_[index];
    if (!lane)
        lane = decodes_.openLane(
            this, [this](quint64 ticket, const DecodedItem& item) { delivered(ticket, item); });
    return lane;
}

void WindowThumbnails::delivered(quint64 ticket, const DecodedItem& item)
{
    const auto found = pending_.find(ticket);
    if (found == pending_.end())
        return;
    const auto [index, key] = *found;
    pending_.erase(found);
    if (item.image.isNull())
        return;
    if (cache_.size() >= kCachedPictures)
        cache_.clear();
    cache_.insert(key, item.image);
    if (shownKey_.value(index) == key)
        show(index, item.image);
}

void WindowThumbnails::refreshAll()
{
    for (int index = 1; index < kLayoutIndices; ++index)
        refresh(index);
}

std::optional<WindowThumbnails::Wanted> WindowThumbnails::wanted(int index) const
{
    if (!model_.table().inUse(index) || !canvas_.Image1(index))
        return std::nullopt;
    const WindowState& window = model_.window(index);
    if (window.playlist.isEmpty() || !media_)
        return std::nullopt;
    const QString& name = window.playlist.first().name;
    const bool videoWindow = index == kVideoWindow;
    QString why;
    const QString path = media_->resolve(name, &why);
    if (path.isEmpty())
        return std::nullopt;
    const QFileInfo file(path);
    const QSize size = canvas_.Image1(index)->size();
    if (size.isEmpty())
        return std::nullopt;
    Wanted wanted;
    wanted.path = path;
    wanted.clip = videoWindow && !playsAsPicture(name);
    wanted.size = size;
    wanted.key = QStringLiteral("%1|%2|%3|%4x%5")
                     .arg(path)
                     .arg(file.lastModified().toMSecsSinceEpoch())
                     .arg(file.size())
                     .arg(size.width())
                     .arg(size.height());
    return wanted;
}

void WindowThumbnails::refresh(int index)
{
    const QString folder = mediaFolder_();
    if (folder != mediaFolderSeen_ || (!media_ && !folder.isEmpty())) {
        mediaFolderSeen_ = folder;
        media_ = folder.isEmpty() ? nullptr : std::make_unique<MediaResolver>(folder);
        cache_.clear();
    }
    const std::optional<Wanted> want = wanted(index);
    if (!want) {
        shownKey_.remove(index);
        show(index, QImage());
        return;
    }
    if (shownKey_.value(index) == want->key)
        return;
    shownKey_.insert(index, want->key);
    if (const auto cached = cache_.find(want->key); cached != cache_.end()) {
        show(index, *cached);
        return;
    }
    if (want->clip) {
        grabFrame(index, *want);
        return;
    }
    const quint64 ticket = ++tickets_;
    pending_.insert(ticket, {index, want->key});
    decodes_.request(laneOf(index), ticket, want->path, {want->size, want->size}, 0);
}

void WindowThumbnails::grabFrame(int index, const Wanted& wanted)
{
    if (!video_) {
        // A thumbnail is a still: its clip's sound is never decoded.
        DecodeSettings silent;
        silent.volume = 0;
        video_ = new VideoChannel(silent, this);
        connect(video_, &VideoChannel::frameReady, this, [this] {
            const VideoChannel::Frame frame = video_->takeFrame();
            if (frame.image.isNull() || videoKey_.isEmpty())
                return;
            videoLimit_.stop();
            video_->stop();
            cache_.insert(videoKey_, frame.image);
            if (shownKey_.value(videoWindow_) == videoKey_)
                show(videoWindow_, frame.image);
            videoKey_.clear();
        });
    }
    videoWindow_ = index;
    videoKey_ = wanted.key;
    video_->setDrawnSize({wanted.size, wanted.size});
    video_->play(++tickets_, wanted.path, false);
    videoLimit_.start();
}

void WindowThumbnails::show(int index, const QImage& image)
{
    if (WindowBody* body = canvas_.Image1(index))
        body->setThumbnail(image);
}

} // namespace tv
