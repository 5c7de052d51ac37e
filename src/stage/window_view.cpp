#include "stage/window_view.h"

#include "stage/stage_turn.h"

#include "files/media_open.h"
#include "files/media_resolver.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace tv {

namespace {

const QColor kPlaceholderGrey(48, 48, 48);

QSize devicePixels(QSize size, qreal ratio)
{
    return {qRound(size.width() * ratio), qRound(size.height() * ratio)};
}

} // namespace

WindowView::WindowView(StageWindow plan, const MediaResolver& media, ProblemLog log,
                       DecodeQueue& decodes, QWidget* parent)
    : QWidget(parent), plan_(std::move(plan)), log_(std::move(log)), decodes_(decodes)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (const QString& name : plan_.names) {
        Item item{name, QString(), QString(), Kind::Picture, QString()};
        item.path = media.resolve(name, &item.problem);
        item.content = media.contentOf(name);
        items_.append(item);
    }
    slowRead_.setSingleShot(true);
    slowRead_.setInterval(kSlowReadMs);
    connect(&slowRead_, &QTimer::timeout, this, [this] {
        // The picture stays due: if it comes after all, it replaces this.
        if (pending_.forNow && pending_.item == shownItem_)
            showPlaceholder(shownItem_,
                            QStringLiteral("not read within %1 s").arg(kSlowReadMs / 1000));
    });
    lane_ = decodes_.openLane(
        this, [this](quint64 ticket, const DecodedItem& decoded) { delivered(ticket, decoded); });

    if (drawsNothing(plan_))
        setSeeThrough(true);
}

WindowView::~WindowView()
{
    // Decoding under way finishes unseen; nothing waits for it.
    decodes_.close(lane_);
}

void WindowView::place(const QRect& window, const QRect& screen, int turns)
{
    const QRect visible = window.intersected(screen);
    setGeometry(visible);
    setVisible(!visible.isEmpty());
    window_ = window.translated(-visible.topLeft());
    turns_ = turns % 4;
    const qreal ratio = devicePixelRatioF();
    const DrawnSize drawn{devicePixels(viewerSize(window.size(), turns_), ratio),
                          devicePixels(viewerSize(visible.size(), turns_), ratio), turns_};
    if (drawn == drawn_)
        return;
    drawn_ = drawn;
    drawnSizeChanged();
    // Pictures are decoded for the size they are drawn at: the one shown and
    // the next are decoded again; the shown one stays meanwhile.
    ready_ = {};
    pending_ = {};
    if (shownItem_ >= 0 && placeholder_.isEmpty() && items_[shownItem_].kind == Kind::Picture)
        request(shownItem_, true, 0);
}

void WindowView::showPicture(int item, qint64 t)
{
    if (ready_.item == item) {
        const Ready ready = std::exchange(ready_, {});
        apply(item, ready.decoded);
        prepareNext();
    } else if (pending_.item == item) {
        pending_.forNow = true; // the last frame stays until it is there
        slowRead_.start();
    } else if (items_[item].path.isEmpty()) {
        apply(item, {QImage(), items_[item].problem});
        prepareNext();
    } else {
        request(item, true, t);
    }
}

void WindowView::prepareNext()
{
    if (items_.size() < 2 || pending_.item >= 0)
        return;
    const int next = (shownItem_ + 1) % int(items_.size());
    const Item& item = items_[next];
    if (item.kind == Kind::Video) {
        if (!item.path.isEmpty())
            prepareClip(item.path);
        return;
    }
    if (ready_.item == next)
        return;
    if (item.path.isEmpty())
        ready_ = {next, {QImage(), item.problem}};
    else
        request(next, false, nextChange_);
}

void WindowView::request(int item, bool forNow, qint64 dueMs)
{
    // A window off the screen decodes nothing.
    if (drawn_.visible.isEmpty()) {
        pending_ = {};
        return;
    }
    pending_ = {item, ++tickets_, forNow};
    if (forNow)
        slowRead_.start();
    decodes_.request(lane_, pending_.ticket, items_[item].path, drawn_, dueMs);
}

void WindowView::delivered(quint64 ticket, const DecodedItem& decoded)
{
    if (ticket != pending_.ticket || pending_.item < 0)
        return; // its moment has passed
    const Pending done = std::exchange(pending_, {});
    if (!done.forNow) {
        ready_ = {done.item, decoded};
        return;
    }
    if (done.item == shownItem_)
        apply(done.item, decoded);
    prepareNext();
}

QStringList WindowView::refreshMedia(const MediaResolver& media)
{
    QStringList found;
    QList<bool> changed;
    for (Item& item : items_) {
        const QString before = item.path;
        item.problem.clear();
        item.path = media.resolve(item.name, &item.problem);
        item.content = media.contentOf(item.name);
        changed.append(item.path != before);
        if (before.isEmpty() && !item.path.isEmpty())
            found << item.name;
    }
    if (!changed.contains(true))
        return found;
    // Nothing read ahead outlives a change of its file.
    if (ready_.item >= 0 && changed[ready_.item])
        ready_ = {};
    if (pending_.item >= 0 && changed[pending_.item] && !pending_.forNow)
        pending_ = {};
    filesChanged();
    if (shownItem_ >= 0 && changed[shownItem_]) {
        takenAfresh_ = true;
        showAfresh();
    } else if (shownItem_ >= 0)
        prepareNext();
    return found;
}

bool WindowView::playsOtherFiles(const MediaResolver& media) const
{
    // The same content written anew (a publish writes every file) is no
    // change.
    return std::any_of(items_.begin(), items_.end(), [&media](const Item& item) {
        return media.contentOf(item.name) != item.content;
    });
}

void WindowView::showAfresh()
{
    const Item& item = items_[shownItem_];
    // A placeholder whose file is back, what stood in for a file written
    // meanwhile, and a window's only picture, have no switch to wait for:
    // they are taken now. A clip is taken when it starts
    // again (a looping clip at its loop), other items when they come round;
    // a file that went away leaves what is shown as it is until then.
    const bool standIn = !placeholder_.isEmpty() || stale_;
    if (item.path.isEmpty() || (items_.size() > 1 && !standIn))
        return prepareNext();
    if (item.kind == Kind::Video)
        return takeClipAfresh(standIn);
    request(shownItem_, true, 0);
}

void WindowView::apply(int item, const DecodedItem& decoded)
{
    if (decoded.problem == QLatin1String(kChangedSinceRead)) {
        keepShown(item);
        return;
    }
    stale_ = false;
    if (!decoded.problem.isEmpty()) {
        showPlaceholder(item, decoded.problem);
        return;
    }
    if (item == turn_.item && !std::exchange(turn_.worked, true)) {
        turn_.failure.clear();
        emit worked(items_[item].name);
    }
    if (decoded.animated && playAsClip(item, decoded.image))
        return;
    setSeeThrough(showsBeneath() && decoded.image.hasAlphaChannel());
    showImage(decoded.image);
    emit shown();
}

void WindowView::showImage(QImage image)
{
    image_ = std::move(image);
    placeholder_.clear();
    update();
}

void WindowView::showFrame(QImage frame)
{
    stale_ = false;
    if (turn_.item >= 0 && !std::exchange(turn_.worked, true)) {
        turn_.failure.clear();
        emit worked(items_[turn_.item].name);
    }
    showImage(std::move(frame));
    emit shown();
}

void WindowView::keepShown(int item)
{
    // Half-written, or another show's: what is on the screen stays until
    // the show is read again, and the file is taken then.
    stale_ = true;
    if (log_)
        log_(items_[item].name, QLatin1String(kChangedSinceRead));
}

void WindowView::setSeeThrough(bool seeThrough)
{
    // A widget that is not opaque has the widgets beneath it drawn first
    // wherever it is drawn, by Qt's backing store: its paint then leaves
    // the picture's transparent parts to them.
    seeThrough_ = seeThrough;
    setAttribute(Qt::WA_OpaquePaintEvent, !seeThrough);
}

void WindowView::showPlaceholder(int item, const QString& why)
{
    const QString& name = items_[item].name;
    if (item == turn_.item && !turn_.worked)
        turn_.failure = why;
    placeholder_ = name + QLatin1Char('\n') + why;
    image_ = QImage();
    setSeeThrough(false);
    if (log_)
        log_(name, why);
    update();
    emit shown();
}

void WindowView::beginTurn(int item, qint64 t)
{
    finishTurn(t, false);
    turn_ = {item, t, {}, false};
}

void WindowView::endTurn(qint64 t)
{
    // An item that shows for as long as its window does had its whole turn.
    finishTurn(t, nextChange_ != kNever && t < nextChange_);
    turn_ = {};
}

void WindowView::finishTurn(qint64 t, bool cutShort)
{
    if (turn_.item < 0)
        return;
    const Item& item = items_[turn_.item];
    // What a listed file holds is its hash; anything else, its path.
    StagePlay play;
    play.slot = plan_.slot;
    play.name = item.name;
    play.path = item.path;
    if (item.content.size() == 64 && item.content != item.path)
        play.sha256 = item.content;
    play.startMs = turn_.startMs;
    play.endMs = std::max(t, turn_.startMs);
    play.failure = turn_.failure;
    play.cutShort = cutShort;
    emit played(play);
}

void WindowView::settle()
{
    // The decode comes as an event: the loop sleeps until one comes, and
    // gives up after a minute.
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(60000);
    while (pending_.item >= 0 && limit.isActive())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

QRectF WindowView::fittedRect(qreal ratio) const
{
    // Fitted and centred in device pixels, so that a picture decoded for the
    // window lands on them one to one, neither scaled nor shifted by half a
    // pixel.
    const QSize window = devicePixels(window_.size(), ratio);
    const QSize fitted = image_.size().scaled(window, Qt::KeepAspectRatio);
    const QPoint margin((window.width() - fitted.width()) / 2,
                        (window.height() - fitted.height()) / 2);
    return {QPointF(window_.topLeft()) + QPointF(margin) / ratio, QSizeF(fitted) / ratio};
}

void WindowView::paintEvent(QPaintEvent*)
{
    if (drawsNothing(plan_))
        return;
    QPainter painter(this);
    if (image_.isNull() || !placeholder_.isEmpty()) {
        painter.fillRect(rect(), Qt::black);
        if (placeholder_.isEmpty())
            return;
        painter.fillRect(window_, kPlaceholderGrey);
        painter.setPen(Qt::white);
        // Written upright for the viewer of a panel mounted turned.
        const QSize upright = viewerSize(window_.size(), turns_);
        painter.translate(window_.topLeft());
        painter.setTransform(viewerToArea(window_.size(), turns_), true);
        painter.drawText(QRect(QPoint(0, 0), upright).adjusted(4, 4, -4, -4),
                         Qt::AlignCenter | Qt::TextWordWrap, placeholder_);
        return;
    }
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QRectF target = fittedRect(ratio);
    // Only the letterbox bands are painted black, never the area the
    // picture covers: a frame of video is drawn over nothing, and a picture
    // with transparent pixels lets the windows beneath show, so a window
    // never changes its outline with the transparency of what it shows.
    // The picture lies on whole device pixels (see fittedRect), so the
    // bands and the picture meet without a seam.
    if (!target.contains(QRectF(rect()))) {
        QPainterPath bands;
        bands.addRect(QRectF(rect()));
        bands.addRect(target);
        painter.fillPath(bands, Qt::black);
    }
    if ((target.size() * ratio).toSize() != image_.size())
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image_);
}

} // namespace tv
