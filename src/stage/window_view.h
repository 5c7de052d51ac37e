#pragma once

#include "decode/decode_queue.h"
#include "decode/picture_decoding.h"
#include "stage/playlist_position.h"
#include "stage/stage_plan.h"
#include "stage/stage_play.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace tv {

class MediaResolver;

// One layout window on the stage. It plays its playlist in order and loops;
// when each item shows is the job of its kind, a PictureWindowView or the
// VideoWindowView. Whatever it shows fills the window as far as the aspect
// ratio allows, centred on black, and is decoded and drawn in the screen's
// device pixels, so a picture is as sharp on a screen scaled to 200 % as on
// any other. The widget itself covers only the part of the window that lies
// on the screen. Between two items the last frame stays until the next one
// is ready, so the window never flashes black: the next picture is decoded
// ahead at the size it is drawn. An item that cannot be shown gets a dark
// grey placeholder with its name and the reason, for the time it would have
// shown.
class WindowView : public QWidget {
    Q_OBJECT
public:
    using ProblemLog = std::function<void(const QString& name, const QString& why)>;

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
    virtual void advance(qint64 t) = 0;
    // When the window next changes by the clock; kNever while nothing is due
    // (a video plays to its end, or the list has one item or none).
    qint64 nextChange() const { return nextChange_; }
    // Waits for the pictures being decoded for this window and shows the one
    // due. For tests and benchmarks: a show never waits.
    void settle();

    const StageWindow& plan() const { return plan_; }
    void setSlot(int slot) { plan_.slot = slot; }
    // The moment, on the stage's clock, this window's list begins: a window
    // that comes with a reloaded layout starts its list afresh. (The video
    // window begins its list when it is first advanced, which for a window of
    // a reloaded layout is that moment.)
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
    virtual quint64 droppedFrames() const { return 0; }
    // Ends the item's turn at t, as the window goes: played() tells it, cut
    // short when its time was not over.
    void endTurn(qint64 t);

signals:
    // A video ended or failed: the stage should advance its windows now.
    void dueNow();
    // A new picture or video frame was taken for showing.
    void shown();
    // An item's turn ended: the next one's began, or the window went.
    void played(const StagePlay& play);
    // An item showed as it should, after its placeholder or at its first
    // turn.
    void worked(const QString& name);

protected:
    // Pictures are decoded through `decodes`, which outlives the window.
    WindowView(StageWindow plan, const MediaResolver& media, ProblemLog log, DecodeQueue& decodes,
               QWidget* parent);

    enum class Kind { Picture, Video };
    struct Item {
        QString name;
        QString path;    // empty when the name resolves to no file
        QString problem; // why it resolves to none
        Kind kind;
        QString content; // what the file holds, as the resolver tells it
    };

    // Shows `item`'s picture from t on: at once when it was decoded ahead,
    // else once it is, the last frame staying meanwhile.
    void showPicture(int item, qint64 t);
    // Reads the item after the one shown ahead: a picture is decoded, a clip
    // handed to prepareClip.
    void prepareNext();
    // Shows `image` in place of what was shown.
    void showImage(QImage image);
    // Shows a frame of the clip playing.
    void showFrame(QImage frame);
    void showPlaceholder(int item, const QString& why);
    // What is shown stays, standing in for `item` written since it was read.
    void keepShown(int item);
    // `item`'s turn begins at t (when it was due); the turn before ends.
    void beginTurn(int item, qint64 t);

    // Where the kinds of window differ; the defaults are a picture
    // window's, which plays no clips.
    // The size things are drawn at changed (see place).
    virtual void drawnSizeChanged() {}
    // The clip at `path` plays next: it may be opened ahead.
    virtual void prepareClip(const QString& /*path*/) {}
    // The file of the clip shown changed; `standIn` when what shows stands
    // in for it (a placeholder, or a stale frame), so it is taken at once.
    virtual void takeClipAfresh(bool /*standIn*/) {}
    // refreshMedia found other files for some items.
    virtual void filesChanged() {}
    // An animated picture was decoded for `item`: whether the window plays
    // it as a clip, having shown `firstFrame` meanwhile.
    virtual bool playAsClip(int /*item*/, const QImage& /*firstFrame*/) { return false; }
    // Whether the transparent parts of a picture show the windows beneath.
    virtual bool showsBeneath() const = 0;

    void paintEvent(QPaintEvent* event) override;

    // Every field, here and below, is touched only on the GUI thread: a
    // lane of the DecodeQueue hands its pictures to this widget there, and
    // a VideoChannel's frames are taken there from its mailbox.
    StageWindow plan_;
    QList<Item> items_;
    qint64 startMs_ = 0;
    DrawnSize drawn_;
    int shownItem_ = -1;
    bool takenAfresh_ = false; // the item shown was found anew since it started
    qint64 nextChange_ = kNever;
    quint64 tickets_ = 0; // the last ticket given, to a decode or a clip

private:
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

    void showAfresh();
    void request(int item, bool forNow, qint64 dueMs);
    void delivered(quint64 ticket, const DecodedItem& decoded);
    void apply(int item, const DecodedItem& decoded);
    void setSeeThrough(bool seeThrough);
    QRectF fittedRect(qreal ratio) const;

    // The item whose turn it is; its failure, if it showed its placeholder.
    struct Turn {
        int item = -1;
        qint64 startMs = 0;
        QString failure;
        bool worked = false;
    };
    void finishTurn(qint64 t, bool cutShort);

    ProblemLog log_;
    Turn turn_;
    QRect window_; // the whole window, in this widget's own pixels
    int turns_ = 0;

    QImage image_;
    QString placeholder_;     // the name and reason shown instead of the item
    bool seeThrough_ = false; // the windows beneath show through image_
    bool stale_ = false;      // what is shown stands in for a file written since
    Pending pending_;
    Ready ready_;
    DecodeQueue& decodes_;
    std::shared_ptr<DecodeQueue::Lane> lane_;
    QTimer slowRead_;
};

} // namespace tv
