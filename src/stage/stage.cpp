#include "stage/stage.h"

#include "base/log_text.h"
#include "stage/picture_window_view.h"
#include "stage/stage_clock.h"
#include "stage/stage_outlines.h"
#include "stage/stage_turn.h"
#include "stage/video_window_view.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

#include <cstdio>

namespace tv {

Stage::Stage(const QList<StageWindow>& plan, const QString& mediaFolder, StageClock& clock,
             StageSettings settings, QWidget* parent)
    : QWidget(parent), decodes_(std::make_unique<DecodeQueue>()), media_(mediaFolder),
      clock_(clock), settings_(std::move(settings))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (!plan.isEmpty())
        shape_ = plan.first().shape;
    shapeKnown_ = !plan.isEmpty();
    for (const StageWindow& window : plan)
        windows_.append(makeView(window)); // each one above those before it
    revealLimit_.setSingleShot(true);
    revealLimit_.setInterval(kRevealLimitMs);
    connect(&revealLimit_, &QTimer::timeout, this, &Stage::retire);
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Stage::refresh);
    placeWindows();
}

Stage::~Stage()
{
    // Each window closes its lane of the queue as it goes.
    qDeleteAll(findChildren<WindowView*>(Qt::FindDirectChildrenOnly));
}

WindowView* Stage::makeView(const StageWindow& window)
{
    const auto log = [this](const QString& name, const QString& why) { tell(name, why); };
    WindowView* view = nullptr;
    if (window.role == WindowRole::Video)
        view = new VideoWindowView(window, media_, log, *decodes_, settings_.decoding, this);
    else
        view = new PictureWindowView(window, media_, log, *decodes_, this);
    connect(view, &WindowView::dueNow, this, &Stage::refresh);
    connect(view, &WindowView::played, this, &Stage::played);
    connect(view, &WindowView::worked, this, &Stage::worked);
    connect(view, &WindowView::shown, this, [this, view] {
        ++framesShown_;
        // One decoded ahead of its change waits for its instant, hidden.
        if (arriving_.contains(view) && revealAtMs_) {
            if (!readyEarly_.contains(view))
                readyEarly_.append(view);
            return;
        }
        if (!std::exchange(shown_, true))
            emit firstShown();
        if (!arriving_.contains(view))
            return;
        arriving_.removeOne(view);
        view->show();
        if (arriving_.isEmpty())
            retire();
    });
    return view;
}

namespace {

// Whether a window of a new layout plays just what one of the old plays.
bool samePlay(const StageWindow& a, const StageWindow& b)
{
    return a.role == b.role && a.place == b.place && a.shape == b.shape && a.names == b.names &&
           a.pictureMs == b.pictureMs;
}

} // namespace

int Stage::reload(const QList<StageWindow>& plan, const MediaResolver& media, Changed changed,
                  Arrival arrival)
{
    media_ = media;
    return reload(plan, changed, arrival);
}

int Stage::reload(const QList<StageWindow>& plan)
{
    return reload(plan, Changed::AtNextSwitch);
}

int Stage::reload(const QList<StageWindow>& plan, Changed changed, Arrival arrival)
{
    retire(); // an earlier reload still arriving is finished first
    QList<WindowView*> old = windows_;
    QList<WindowView*> next;
    int kept = 0;
    for (const StageWindow& window : plan) {
        const auto same = std::find_if(old.begin(), old.end(), [&](const WindowView* view) {
            return samePlay(view->plan(), window) &&
                   (changed == Changed::AtNextSwitch || !view->playsOtherFiles(media_));
        });
        if (same != old.end()) {
            (*same)->setSlot(window.slot);
            (*same)->refreshMedia(media_);
            next.append(*same);
            old.erase(same);
            ++kept;
            continue;
        }
        // A new window stays hidden until its first item is there; the old
        // layout's window beneath it shows meanwhile, so nothing goes black.
        WindowView* view = makeView(window);
        view->setStartMs(arrival.listStartMs ? *arrival.listStartMs
                                             : (started_ ? clock_.nowMs() : 0));
        next.append(view);
        // One with nothing to show has nothing to wait for.
        if (drawsNothing(window))
            continue;
        view->hide();
        arriving_.append(view);
    }
    windows_ = next;
    leaving_ = old;
    placeWindows();
    // A layout with no window has no shape of its own: the stage keeps its.
    const ScreenShape shape = plan.isEmpty() ? shape_ : plan.first().shape;
    const bool known = !plan.isEmpty();
    if (arrival.revealAtMs && *arrival.revealAtMs > clock_.nowMs()) {
        // Nothing changes on the screen before the instant: the windows
        // that go stay until then, and the others are shown together, with
        // the stage's new shape.
        revealAtMs_ = arrival.revealAtMs;
        darkAtReveal_ = arrival.dark;
        shapeAtReveal_ = shape;
        shapeKnownAtReveal_ = known;
    } else {
        takeShape(shape, known);
        // Woken at once, so that the panel is up when the windows come.
        becomeDark(arrival.dark);
        if (arriving_.isEmpty())
            retire();
        else
            revealLimit_.start();
    }
    refresh();
    return kept;
}

void Stage::becomeDark(bool dark)
{
    if (std::exchange(dark_, dark) != dark)
        emit darkChanged(dark);
}

void Stage::reveal()
{
    revealAtMs_.reset();
    takePreparedShape();
    becomeDark(darkAtReveal_);
    for (WindowView* view : std::exchange(readyEarly_, {}))
        if (arriving_.removeOne(view)) {
            view->show();
            if (!std::exchange(shown_, true))
                emit firstShown();
        }
    if (arriving_.isEmpty())
        retire();
    else
        revealLimit_.start(); // one not ready shows when it is, or at the limit
}

void Stage::retire()
{
    revealLimit_.stop();
    revealAtMs_.reset();
    // A prepared change cut short by another shows its windows now, and its
    // shape with them.
    takePreparedShape();
    readyEarly_.clear();
    for (WindowView* view : std::exchange(arriving_, {}))
        view->show();
    // Hidden now: a layout with fewer windows leaves no picture behind
    // until the next turn of the event loop deletes them.
    for (WindowView* view : std::exchange(leaving_, {})) {
        view->endTurn(clock_.nowMs());
        framesDroppedBefore_ += view->droppedFrames();
        view->hide();
        view->deleteLater();
    }
    for (WindowView* view : windows_)
        view->raise();
    if (outlines_)
        outlines_->raise();
}

QStringList Stage::refreshMedia(const MediaResolver& media)
{
    media_ = media;
    QStringList found;
    for (WindowView* view : windows_)
        found << view->refreshMedia(media_);
    found.removeDuplicates();
    for (const QString& name : found)
        told_.removeIf([&name](const QString& line) {
            return line.startsWith(escapedForLog(name) + QLatin1Char(':'));
        });
    return found;
}

void Stage::start()
{
    if (started_)
        return;
    started_ = true;
    clock_.begin();
    judgeShape();
    refresh();
}

void Stage::refresh()
{
    if (!started_)
        return;
    const qint64 now = clock_.nowMs();
    if (revealAtMs_ && now >= *revealAtMs_)
        reveal();
    qint64 next = revealAtMs_.value_or(kNever);
    for (WindowView* window : windows_) {
        window->advance(now);
        next = std::min(next, window->nextChange());
    }
    // The layout that goes plays on until a prepared change's instant.
    if (revealAtMs_) {
        for (WindowView* window : leaving_) {
            window->advance(now);
            next = std::min(next, window->nextChange());
        }
    }
    emit refreshed(due_, now);
    due_ = next == kNever ? 0 : next;
    if (next == kNever)
        timer_.stop();
    else
        timer_.start(int(std::clamp<qint64>(next - clock_.nowMs(), 0, 24 * 3600 * 1000)));
}

void Stage::settle()
{
    start();
    for (WindowView* window : windows_)
        window->settle();
}

QRectF Stage::stageRect() const
{
    const QSize viewer = viewerSize(size(), turns_);
    return viewerToArea(size(), turns_).mapRect(letterboxed(viewer, frameOf(shape_).pixels()));
}

void Stage::setTurns(int turns)
{
    turns_ = turns % 4;
    placeWindows();
    if (outlines_)
        outlines_->update();
    judgeShape();
}

void Stage::takeShape(ScreenShape shape, bool known)
{
    const bool changed = shape != shape_ || (known && !shapeKnown_);
    shape_ = shape;
    shapeKnown_ = shapeKnown_ || known;
    if (!changed)
        return;
    if (outlines_)
        outlines_->update();
    judgeShape(true);
}

void Stage::takePreparedShape()
{
    if (const auto shape = std::exchange(shapeAtReveal_, std::nullopt))
        takeShape(*shape, shapeKnownAtReveal_);
}

void Stage::judgeShape(bool shapeTaken)
{
    // Before the start the widget may not have its size on the screen yet,
    // and before its first layout the stage has no shape to tell.
    const QString advice = !shapeKnown_ ? QString()
                           : started_
                               ? tv::shapeAdvice(shape_, viewerSize(size(), turns_), turns_ * 90)
                               : advice_;
    if (std::exchange(advice_, advice) != advice || shapeTaken)
        emit shapeChanged();
}

void Stage::placeWindows()
{
    // Laid out as the viewer sees the show, then carried onto the widget as
    // the panel is turned: quarter turns keep whole pixels whole.
    const QSize viewer = viewerSize(size(), turns_);
    const QTransform onPanel = viewerToArea(size(), turns_);
    // Edges are rounded on their own, so neighbouring windows meet exactly.
    auto rounded = [&onPanel](const QRectF& r) {
        const QRectF turned = onPanel.mapRect(r);
        return QRect(QPoint(qRound(turned.left()), qRound(turned.top())),
                     QPoint(qRound(turned.right()), qRound(turned.bottom())) - QPoint(1, 1));
    };
    // Each window on the stage of its own layout's shape: until a prepared
    // change's instant the layout that goes keeps its stage, and the one
    // that comes is laid out on its own.
    for (WindowView* window : windows_ + leaving_) {
        const QSize pixels = frameOf(window->plan().shape).pixels();
        const QRectF stage = letterboxed(viewer, pixels);
        const double scale = stage.width() / pixels.width();
        const QRectF place = window->plan().place;
        const QRectF scaled(stage.x() + place.x() * scale, stage.y() + place.y() * scale,
                            place.width() * scale, place.height() * scale);
        window->place(rounded(scaled), rounded(stage), turns_);
    }
    // Windows of a reloaded layout stay out of sight until they have
    // something to show.
    for (WindowView* window : arriving_)
        window->hide();
}

void Stage::setOutlined(bool outlined)
{
    if (outlined && !outlines_)
        outlines_ = new StageOutlines(*this);
    if (!outlines_)
        return;
    outlines_->setGeometry(rect());
    outlines_->raise();
    outlines_->setVisible(outlined);
}

bool Stage::outlined() const
{
    return outlines_ && outlines_->isVisible();
}

void Stage::tell(const QString& name, const QString& why)
{
    const QString line = escapedForLog(QStringLiteral("%1: %2").arg(name, why));
    if (told_.contains(line))
        return;
    told_.insert(line);
    if (settings_.problemLog)
        settings_.problemLog(line);
    const auto open = std::find_if(problems_.begin(), problems_.end(), [&](const Problem& problem) {
        return problem.name == name && problem.clearedMs < 0;
    });
    if (open != problems_.end() && open->why == why)
        return;
    if (open != problems_.end())
        open->clearedMs = clock_.nowMs(); // another reason now
    problems_.append({name, why, clock_.nowMs()});
    // The oldest cleared go first, then the oldest.
    while (problems_.size() > kProblemsKept) {
        const auto cleared =
            std::find_if(problems_.begin(), problems_.end(),
                         [](const Problem& problem) { return problem.clearedMs >= 0; });
        problems_.erase(cleared != problems_.end() ? cleared : problems_.begin());
    }
    emit problemsChanged();
}

void Stage::worked(const QString& name)
{
    bool cleared = false;
    for (Problem& problem : problems_)
        if (problem.name == name && problem.clearedMs < 0) {
            problem.clearedMs = clock_.nowMs();
            cleared = true;
        }
    if (!cleared)
        return;
    // Told again should it fail again.
    const QString prefix = escapedForLog(name) + QLatin1Char(':');
    told_.removeIf([&prefix](const QString& line) { return line.startsWith(prefix); });
    if (settings_.problemLog)
        settings_.problemLog(escapedForLog(name) + QStringLiteral(": works again"));
    emit problemsChanged();
}

quint64 Stage::framesDropped() const
{
    quint64 dropped = framesDroppedBefore_;
    for (const WindowView* view : windows_ + leaving_)
        dropped += view->droppedFrames();
    return dropped;
}

void Stage::endTurns()
{
    const qint64 now = clock_.nowMs();
    for (WindowView* view : windows_ + leaving_)
        view->endTurn(now);
}

void Stage::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Qt::black);
}

bool Stage::event(QEvent* event)
{
    // On a screen of another scale every window has other device pixels:
    // its pictures and frames are decoded again for them.
    if (event->type() == QEvent::ScreenChangeInternal)
        placeWindows();
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    if (event->type() == QEvent::DevicePixelRatioChange)
        placeWindows();
#endif
    return QWidget::event(event);
}

void Stage::showEvent(QShowEvent*)
{
    // The show's time begins once it is on the screen, after the events that
    // draw it, not when it was built: its first picture gets its whole time.
    if (!started_)
        QMetaObject::invokeMethod(this, &Stage::start, Qt::QueuedConnection);
}

void Stage::resizeEvent(QResizeEvent*)
{
    placeWindows();
    judgeShape();
    if (outlines_)
        outlines_->setGeometry(rect());
}

} // namespace tv
