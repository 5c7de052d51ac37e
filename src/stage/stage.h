#pragma once

#include "decode/decode_queue.h"
#include "decode/decode_settings.h"
#include "files/media_resolver.h"
#include "stage/stage_plan.h"
#include "stage/stage_play.h"

#include <QSet>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace tv {

class StageClock;
class StageOutlines;
class WindowView;

// How a stage plays, handed down from where it starts (the display's settings,
// the editor's preview).
struct StageSettings {
    DecodeSettings decoding;
    // Where each problem with an item is told, once per item and reason,
    // with control characters escaped; empty: nowhere.
    std::function<void(const QString& line)> problemLog;
};

// When the windows that come with a reload start their lists, and when
// they are shown: at once by default. A change by the clock is prepared
// ahead: its windows decode their first items hidden, the layout before
// showing, and all are shown together at `revealAtMs` (on the stage's
// clock), each list counted from `listStartMs` (its rule's start, which
// may lie before a restart). A dark arrival (a schedule's `off`) asks
// for the panel to sleep once it is shown.
struct StageArrival {
    std::optional<qint64> revealAtMs;
    std::optional<qint64> listStartMs;
    bool dark = false;
};

// The screen of a layout, 1920 x 1080 or, for a portrait layout, 1080 x 1920
// (the shape its windows carry), scaled into this widget and letterboxed in
// black, with every window at its place and cut at the screen's edges
// (nothing is drawn into the black bands): the video window at the bottom,
// then picture slots 1 to 10, each above the one before, the transparent
// parts of a picture showing what lies beneath. Windows are drawn in the
// device pixels of the screen the stage is on, and drawn afresh when it
// moves to a screen of another scale. One clock times the whole show: at
// each moment a window is due to change, every window is brought to what
// that moment shows, so windows with the same switch time switch in the same
// frame and no switch drifts.
class Stage final : public QWidget {
    Q_OBJECT
public:
    Stage(const QList<StageWindow>& plan, const QString& mediaFolder, StageClock& clock,
          StageSettings settings = {}, QWidget* parent = nullptr);
    // The windows go before the queue they decode through.
    ~Stage() override;

    // Starts the show and its clock; showing the stage starts it too, once
    // it is drawn.
    void start();
    // Brings every window to the clock's present moment and waits for the
    // next change. The timer calls it; so do tests with a clock of their own.
    void refresh();
    // Starts the show if it has not started, waits for pictures still being
    // decoded and shows them. For tests and benchmarks: a show never waits.
    void settle();

    // Where the stage lies in the widget.
    QRectF stageRect() const;
    // The shape of the screen the layout on the stage is made for: that of
    // its windows, taken with each layout (a layout with no window keeps the
    // shape before it; a change prepared ahead takes it at its instant).
    ScreenShape shape() const { return shape_; }
    // What the operator is told while the show's shape does not fit the
    // widget as its viewer sees it (see shapeAdvice); empty while it fits.
    // Known once the stage has started and has had a layout with a window,
    // so that a window not yet full screen, or a show not read yet, tells
    // nothing.
    const QString& shapeAdvice() const { return advice_; }
    // Turns the whole show by quarter turns clockwise (0 to 3), for a panel
    // mounted turned: the stage is fitted to the turned widget, and every
    // window, picture, frame and outline is turned with it.
    void setTurns(int turns);
    int turns() const { return turns_; }
    const QList<WindowView*>& windows() const { return windows_; }
    // Plays another layout without a restart: a window whose place, kind,
    // list and switch time are the same goes on as it is (same item, same
    // moment of its clip, same schedule); the others start their lists
    // afresh, each shown once its first item is there, with the earlier
    // layout showing until then (at most kRevealLimitMs). Returns how many
    // windows went on.
    int reload(const QList<StageWindow>& plan);
    // When a window that goes on finds files changed: at its next switch
    // (files of a plain folder, changing one by one), or at once, starting
    // its list afresh like a new window (a show taken whole).
    enum class Changed { AtNextSwitch, StartAfresh };
    using Arrival = StageArrival;
    // The same, with the media found by `media` from now on.
    int reload(const QList<StageWindow>& plan, const MediaResolver& media,
               Changed changed = Changed::AtNextSwitch, Arrival arrival = {});
    static constexpr int kRevealLimitMs = 3000;
    // Finds every name again with `media`: a file that changed is shown
    // afresh at its window's next switch. The names that were missing and
    // are there now.
    QStringList refreshMedia(const MediaResolver& media);

    // An item that could not be shown, from when, and when it showed again.
    struct Problem {
        QString name;
        QString why;
        qint64 sinceMs = 0;    // on the stage's clock
        qint64 clearedMs = -1; // -1 while it lasts
    };
    // The problems of the show, the newest last, at most kProblemsKept.
    const QList<Problem>& problems() const { return problems_; }
    static constexpr int kProblemsKept = 50;
    // Pictures and video frames shown, and video frames dropped because a
    // newer one came first, since the stage was made.
    quint64 framesShown() const { return framesShown_; }
    quint64 framesDropped() const;
    // Ends every window's turn, cut short: the show ends.
    void endTurns();

    // Every window's edge and name drawn over the show, or not.
    void setOutlined(bool outlined);
    bool outlined() const;
    // Tells each problem with an item here from now on (see StageSettings).
    void setProblemLog(std::function<void(const QString&)> log)
    {
        settings_.problemLog = std::move(log);
    }

signals:
    // After each refresh: the moment the next change was due (0 when none
    // was) and the moment the windows were brought to.
    void refreshed(qint64 dueMs, qint64 nowMs);
    // Once, when the first picture, frame or placeholder of the show is shown.
    void firstShown();
    // When the show on the screen goes dark, or comes back from dark.
    void darkChanged(bool dark);
    // An item's turn in a window ended.
    void played(const StagePlay& play);
    // A problem began or cleared.
    void problemsChanged();
    // The stage took another shape, or the advice for it changed.
    void shapeChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // A picture window or the video window, as `window`'s role says.
    WindowView* makeView(const StageWindow& window);
    int reload(const QList<StageWindow>& plan, Changed changed, Arrival arrival = {});
    void reveal();
    void retire();
    void becomeDark(bool dark);
    void placeWindows();
    // Takes the shape of a layout; `known` when the layout had a window.
    void takeShape(ScreenShape shape, bool known);
    // Takes the shape of a change prepared ahead, if one waits.
    void takePreparedShape();
    void judgeShape(bool shapeTaken = false);
    void tell(const QString& name, const QString& why);
    void worked(const QString& name);

    // Every field is touched only on the GUI thread; the queue's workers
    // share nothing of the stage but what the queue itself guards.
    // Declared first, so that it goes last.
    std::unique_ptr<DecodeQueue> decodes_;
    MediaResolver media_;
    QList<WindowView*> arriving_; // of a reloaded layout, not shown yet
    QList<WindowView*> leaving_;  // of the layout before, shown meanwhile
    QTimer revealLimit_;
    std::optional<qint64> revealAtMs_; // a prepared change's instant, on the clock
    bool dark_ = false;                // the show on the screen is dark
    bool darkAtReveal_ = false;        // and whether it is at that instant
    QList<WindowView*> readyEarly_;    // arrived, waiting for that instant
    StageClock& clock_;
    QList<WindowView*> windows_;
    QTimer timer_;
    qint64 due_ = 0;
    bool started_ = false;
    bool shown_ = false;
    QSet<QString> told_;
    QList<Problem> problems_;
    quint64 framesShown_ = 0;
    quint64 framesDroppedBefore_ = 0; // by windows gone
    StageSettings settings_;
    StageOutlines* outlines_ = nullptr;
    int turns_ = 0;
    ScreenShape shape_ = ScreenShape::Landscape;
    bool shapeKnown_ = false;                  // a layout with a window came
    std::optional<ScreenShape> shapeAtReveal_; // of the change prepared ahead
    bool shapeKnownAtReveal_ = false;
    QString advice_;
};

} // namespace tv
