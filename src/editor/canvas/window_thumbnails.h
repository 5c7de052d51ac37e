#pragma once

#include "decode/decode_queue.h"
#include "files/media_resolver.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace tv {

class LayoutCanvas;
class LayoutModel;
class VideoChannel;

// What each window holds, on the canvas: the first picture of its list,
// scaled into its body and dimmed; for the video window a clip's first frame
// when Qt Multimedia gives one within a second. Pictures are decoded off the
// GUI thread at the size drawn and kept by name, file time and size, so
// moving a window or undoing a step decodes nothing again.
class WindowThumbnails final : public QObject {
    Q_OBJECT
public:
    // `mediaFolder` tells where the media are found, as the preview finds
    // them.
    WindowThumbnails(const LayoutModel& model, LayoutCanvas& canvas,
                     std::function<QString()> mediaFolder, QObject* parent);
    ~WindowThumbnails() override;

    // The media folder may have changed: every window is looked at again.
    void refreshAll();

    static constexpr int kVideoFrameMs = 1000;

private:
    struct Wanted {
        QString key; // path, file time and size; empty: nothing to show
        QString path;
        bool clip = false;
        QSize size;
    };
    void refresh(int index);
    std::optional<Wanted> wanted(int index) const;
    void show(int index, const QImage& image);
    void grabFrame(int index, const Wanted& wanted);

    const LayoutModel& model_;
    LayoutCanvas& canvas_;
    std::function<QString()> mediaFolder_;
    std::unique_ptr<MediaResolver> media_;
    QString mediaFolderSeen_;
    // A lane a window: each window's latest request wins over its earlier
    // one, never over another window's.
    std::shared_ptr<DecodeQueue::Lane> laneOf(int index);
    void delivered(quint64 ticket, const DecodedItem& item);
    DecodeQueue decodes_; // its lanes are closed as the thumbnails go
    QHash<int, std::shared_ptr<DecodeQueue::Lane>> lanes_;
    quint64 tickets_ = 0;
    // What each window shows or waits for, by index.
    QHash<int, QString> shownKey_;
    QHash<quint64, std::pair<int, QString>> pending_; // ticket -> window, key
    QHash<QString, QImage> cache_;
    QPointer<VideoChannel> video_;
    QTimer videoLimit_;
    int videoWindow_ = 0;
    QString videoKey_;
    QTimer settle_;
    QList<int> dirty_;
};

} // namespace tv
