#include "player/screen_awake.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

namespace tv {

ScreenAwake::ScreenAwake(QObject* parent) : QObject(parent)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    connect(&timer_, &QTimer::timeout, this, &ScreenAwake::reset);
    timer_.start(kResetMs);
    reset();
}

void ScreenAwake::reset()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (xcb_connection_t* connection = x11 ? x11->connection() : nullptr) {
        xcb_force_screen_saver(connection, XCB_SCREEN_SAVER_RESET);
        xcb_flush(connection);
    }
}

} // namespace tv
