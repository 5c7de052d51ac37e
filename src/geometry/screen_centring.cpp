#include "geometry/screen_centring.h"

#include "geometry/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace tv {

void centreOnPrimaryScreen(QWidget* window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect whole = screen->geometry();
    // The outer size needs the frame, which the platform knows once the native
    // window exists; before a window manager has framed a window for the first
    // time, the frame may still read as empty.
    window->winId();
    QSize outer = window->frameGeometry().size();
    if (const QWindow* handle = window->windowHandle(); handle && !window->isVisible()) {
        const QMargins frame = handle->frameMargins();
        outer = window->size().grownBy(frame);
    }

    const double left = centredOrigin(pixelsToTwips(whole.width()), pixelsToTwips(outer.width()));
    window->move(whole.x() + twipsToPixels(left), window->y());
    const double top = centredOrigin(pixelsToTwips(whole.height()), pixelsToTwips(outer.height()));
    window->move(window->x(), whole.y() + twipsToPixels(top));
}

} // namespace tv
