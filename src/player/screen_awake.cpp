#include "player/screen_awake.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

namespace tv {

ScreenAwake::ScreenAwake(QObject* parent) : QObject(parent)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    connection_ = x11 ? x11->connection() : nullptr;
    if (!connection_)
        return;
    connect(&timer_, &QTimer::timeout, this, &ScreenAwake::reset);
    timer_.start(kResetMs);
    reset();
}

void ScreenAwake::reset()
{
    xcb_force_screen_saver(connection_, XCB_SCREEN_SAVER_RESET);
    xcb_flush(connection_);
}

} // namespace tv
