#include "platform/screen_awake.h"

#include "platform/screen_saver_inhibit.h"
#include "platform/wayland_idle_inhibit.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

namespace tv {

ScreenAwake::ScreenAwake(QWidget* window, std::function<void(const QString& line)> log)
    : QObject(window), sessionInhibit_(new ScreenSaverInhibit(QStringLiteral("Playing a show"),
                                                              std::move(log), this))
{
    new WaylandIdleInhibit(window, this);
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
