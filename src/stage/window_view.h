#pragma once

#include "decode/decode_queue.h"
#include "decode/decode_settings.h"
#include "decode/picture_decoding.h"
#include "stage/playlist_position.h"
#include "stage/stage_plan.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace tv {

class MediaResolver;
class VideoChannel;

// One layout window on the stage. It plays its playlist in order and loops:
// a picture window shows each picture for its switch time, timed from the
// start of the show; the video window plays each video to its end and shows
// each picture for ten seconds. Whatever it shows fills the window as far as
// the aspect ratio allows, centred on black, and is decoded and drawn in the
// screen's device pixels, so a picture is as sharp on a screen scaled to
// 200 % as on any other. The transparent parts of a picture in a picture
// window show the windows beneath it; in the video window they show black,
// as the stage beneath it is. The widget itself covers only the part of the
// window that lies on the screen. Between two items the last
// frame stays until the next one is ready, so the window never flashes
// black: the next picture is decoded ahead at the size it is drawn, the next
// video is opened in a second player. An item that cannot be shown gets a
// dark grey placeholder with its name and the reason, for the time it would
// have shown.
class WindowView final : public QWidget {
    Q_OBJECT
public:
    using ProblemLog = std::function<void(const QString& name, const QString& why)>;

    // Pictures are decoded through `decodes`, which outlives the window;
    // clips as `decoding` says.
    WindowView(StageWindow plan, const MediaResolver& media, ProblemLog log, DecodeQueue& decodes,
               const DecodeSettings& decoding, QWidget* parent);
    ~WindowView() override;

    // Where the whole window lies, in the parent's pixels, and the part of
    // the parent it may draw on (the screen): the widget covers the overlap.
    // Its drawn size follows the widget's device pixel ratio as it is now:
    // placed again on a screen of another ratio, it is decoded afresh. On a
    // panel mounted turned, the show is turned by `turns` quarter turns
    // clockwise: what the window shows comes turned by as much.
    void place(const QRect& window, const QRect& screen, int turns = 0);
    const DrawnSize& drawnSize() const { return drawn_; }

    // Shows what is due at t (ms from the start of the show, on the stage's
    // clock).
    void advance(qint64 t);
    // When the window next changes by the clock; kNever while nothing is due
    // (a video plays to its end, or the list has one item or none).
    qint64 nextChange() const { return nextChange_; }
    // Waits for the pictures being decoded for this window and shows the one
    // due. For tests and benchmarks: a show never waits.
    void settle();

    const StageWindow& plan() const { return plan_; }
    void setSlot(int slot) { plan_.slot = slot; }
    // The moment, on the stage's clock, this window's list begins: a window
    // that comes with a reloaded layout starts its list afresh.
    void setStartMs(qint64 startMs) { startMs_ = startMs; }
    // The media changed: every name is looked up again with `media`. A file
    // that changed is taken at its next showing (a looping clip at its
    // loop); the window's only picture, or an item shown as a placeholder, is
    // taken at once. Returns the names that were missing and are found now.
    QStringList refreshMedia(const MediaResolver& media);
    // Whether `media` finds another file for any of its names than the one
    // it plays.
    bool playsOtherFiles(const MediaResolver& media) const;
    // A picture due but not read by then shows its placeholder meanwhile.
    static constexpr int kSlowReadMs = 3000;
    // Video frames dropped because a newer one came first.
    quint64 droppedFrames() const;

signals:
    // A video ended or failed: the stage should advance its windows now.
    void dueNow();
    // A new picture or video frame was taken for showing.
    void shown();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    enum class Kind { Picture, Video };
    struct Item {
        QString name;
        QString path;    // empty when the name resolves to no file
        QString problem; // why it resolves to none
        Kind kind;
        QString content; // what the file holds, as the resolver tells it
    };
    // The one decode this window waits for: the item due now, or the next.
    struct Pending {
        int item = -1;
        quint64 ticket = 0;
        bool forNow = false;
    };
    struct Ready {
        int item = -1;
        DecodedItem decoded;
    };

    void advancePictures(qint64 t);
    void advanceVideoWindow(qint64 t);
    void startItem(int item, qint64 t);
    void showPicture(int item, qint64 t);
    void showAfresh();
    void prepareNext();
    void request(int item, bool forNow, qint64 dueMs);
    void delivered(quint64 ticket, const DecodedItem& decoded);
    void makeVideoChannel();
    void apply(int item, const DecodedItem& decoded);
    void takeVideoFrame();
    void videoStopped(quint64 ticket, const QString& why);
    void showPlaceholder(int item, const QString& why);
    void keepShown(int item);
    void setSeeThrough(bool seeThrough);
    QRectF fittedRect(qreal ratio) const;

    StageWindow plan_;
    ProblemLog log_;
    QList<Item> items_;
    QList<qint64> durations_;
    qint64 startMs_ = 0;
    DrawnSize drawn_;
    QRect window_; // the whole window, in this widget's own pixels
    int turns_ = 0;

    QImage image_;
    QString placeholder_;      // the name and reason shown instead of the item
    bool seeThrough_ = false;  // the windows beneath show through image_
    bool stale_ = false;       // what is shown stands in for a file written since
    bool takenAfresh_ = false; // the item shown was found anew since it started
    int shownItem_ = -1;
    qint64 shownRound_ = -1;
    qint64 nextChange_ = kNever;
    quint64 tickets_ = 0;
    Pending pending_;
    Ready ready_;
    DecodeQueue& decodes_;
    std::shared_ptr<DecodeQueue::Lane> lane_;
    QTimer slowRead_;

    // The video window only.
    DecodeSettings decoding_;
    VideoChannel* video_ = nullptr;
    bool started_ = false;
    quint64 playing_ = 0; // the ticket of the video shown
    bool videoEnded_ = false;
    QString videoProblem_;
};

} // namespace tv
