#include "editor/canvas/screen_centring.h"

#include "base/twips.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace tv {

namespace {

// The frame the window manager last put round one of our windows. Every
// top-level window gets the same decoration, so a window shown for the first
// time is centred with it before its own frame is known.
QMargins lastFrame;

void centreOuterSize(QWidget* window, QSize outer)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect whole = screen->geometry();
    const double left = centredOrigin(pixelsToTwips(whole.width()), pixelsToTwips(outer.width()));
    window->move(whole.x() + twipsToPixels(left), window->y());
    const double top = centredOrigin(pixelsToTwips(whole.height()), pixelsToTwips(outer.height()));
    window->move(window->x(), whole.y() + twipsToPixels(top));
}

// Under a window manager the frame is known only once the window is framed,
// which is after it is shown. On its first exposure the window is centred
// again by its real outer size, before anything of it has been painted, if
// the frame turned out different from the one it was centred with.
class FirstExposure final : public QObject {
public:
    FirstExposure(QWidget* window, QMargins assumed)
        : QObject(window->windowHandle()), window_(window), assumed_(assumed)
    {
        window->windowHandle()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Expose || !window_ || !window_->windowHandle()->isExposed())
            return QObject::eventFilter(watched, event);
        const QMargins frame = window_->windowHandle()->frameMargins();
        if (!frame.isNull())
            lastFrame = frame;
        if (frame != assumed_)
            centreOuterSize(window_, window_->size().grownBy(frame));
        deleteLater();
        watched->removeEventFilter(this);
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> window_;
    QMargins assumed_;
};

} // namespace

void centreOnPrimaryScreen(QWidget* window)
{
    window->winId();
    QMargins frame = window->windowHandle()->frameMargins();
    if (!window->isVisible()) {
        if (frame.isNull())
            frame = lastFrame;
        new FirstExposure(window, frame);
    }
    centreOuterSize(window, window->size().grownBy(frame));
}

} // namespace tv
