#pragma once

#include "player/picture_decoding.h"
#include "player/schedule.h"
#include "player/stage_plan.h"

#include <QFutureWatcher>
#include <QHash>
#include <QImage>
#include <QWidget>

#include <array>
#include <functional>

class QAudioOutput;
class QMediaPlayer;
class QVideoFrame;
class QVideoSink;

namespace tv {

class MediaResolver;

// One layout window on the stage. It plays its playlist in order and loops:
// a picture window shows each picture for its switch time, timed from the
// start of the show; the video window plays each video to its end and shows
// each picture for ten seconds. Whatever it shows fills it as far as the
// aspect ratio allows, centred on black. Between two items the last frame
// stays until the next one is ready, so the window never flashes black: the
// next picture is decoded and scaled ahead on a worker thread, the next video
// is opened in a second player. An item that cannot be shown gets a dark grey
// placeholder with its name and the reason, for the time it would have shown.
class WindowView final : public QWidget {
    Q_OBJECT
public:
    using ProblemLog = std::function<void(const QString& name, const QString& why)>;

    WindowView(StageWindow plan, const MediaResolver& media, ProblemLog log, QWidget* parent);
    ~WindowView() override;

    // Shows what is due at t (ms from the start of the show, on the stage's
    // clock).
    void advance(qint64 t);
    // When the window next changes by the clock; kNever while nothing is due
    // (a video plays to its end, or the list has one item or none).
    qint64 nextChange() const { return nextChange_; }
    // Waits for the decoding under way and shows what it gave.
    void settle();

    const StageWindow& plan() const { return plan_; }

signals:
    // A video ended or failed: the stage should advance its windows now.
    void dueNow();

protected:
    void paintEvent(QPaintEvent* event) override;
    // Pictures are decoded for the window's size: a new size decodes the
    // picture shown and the next one again.
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Kind { Picture, Video };
    struct Item {
        QString name;
        QString path;    // empty when the name resolves to no file
        QString problem; // why it resolves to none
        Kind kind;
    };

    void advancePictures(qint64 t);
    void advanceVideoWindow(qint64 t);
    void startItem(int item, qint64 t);
    void showDecoded(int item);
    void apply(int item, const DecodedItem& decoded);
    void prepare(int item);
    QFuture<DecodedItem> decodingOf(int item);
    void dropDecodingExcept(int keepA, int keepB);
    void playVideo(int item);
    void videoFrame(QVideoSink* sink, const QVideoFrame& frame);
    void videoFailed(QMediaPlayer* player, const QString& why);
    // Whether this player plays the video the window shows now.
    bool playsVideo(const QMediaPlayer* player) const;
    void showPlaceholder(int item, const QString& why);

    StageWindow plan_;
    ProblemLog log_;
    QList<Item> items_;
    QList<qint64> durations_;

    QImage image_;
    QString placeholder_; // the name and reason shown instead of the item
    int shownItem_ = -1;
    qint64 shownRound_ = -1;
    qint64 nextChange_ = kNever;
    int pendingItem_ = -1;
    QHash<int, QFuture<DecodedItem>> decoding_;
    QFutureWatcher<DecodedItem> watcher_;

    // The video window only.
    bool started_ = false;
    bool videoEnded_ = false;
    QString videoProblem_;
    std::array<QMediaPlayer*, 2> players_{};
    std::array<QVideoSink*, 2> sinks_{};
    QAudioOutput* audio_ = nullptr;
    int activePlayer_ = 0;
};

} // namespace tv
