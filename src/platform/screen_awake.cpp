#include "platform/screen_awake.h"

#include "platform/screen_saver_inhibit.h"
#include "platform/wayland_idle_inhibit.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/dpms.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace tv {

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

} // namespace

ScreenAwake::ScreenAwake(QWidget* window, std::function<void(const QString& line)> log)
    : QObject(window), log_(log),
      sessionInhibit_(new ScreenSaverInhibit(QStringLiteral("Playing a show"), log, this))
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

ScreenAwake::~ScreenAwake()
{
    // A player that ends while dark leaves the panel on for whoever comes.
    setPanelAsleep(false);
}

void ScreenAwake::reset()
{
    xcb_force_screen_saver(connection_, XCB_SCREEN_SAVER_RESET);
    xcb_flush(connection_);
}

bool ScreenAwake::offersPowerManagement()
{
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection_, &xcb_dpms_id);
    if (!extension || !extension->present)
        return false;
    const Reply<xcb_dpms_capable_reply_t> capable(
        xcb_dpms_capable_reply(connection_, xcb_dpms_capable(connection_), nullptr));
    return capable && capable->capable;
}

void ScreenAwake::setPanelAsleep(bool asleep)
{
    if (asleep == asleep_)
        return;
    asleep_ = asleep;
    if (!connection_) {
        if (asleep)
            log_(QStringLiteral("the screen shows black: this window system offers no way to put "
                                "the panel to sleep"));
        return;
    }
    if (asleep) {
        // Resetting the screen saver would wake the panel at once.
        timer_.stop();
        if (!offersPowerManagement()) {
            log_(QStringLiteral(
                "the screen shows black: the X server offers no display power management"));
            return;
        }
        const Reply<xcb_dpms_info_reply_t> info(
            xcb_dpms_info_reply(connection_, xcb_dpms_info(connection_), nullptr));
        enabledForSleep_ = info && !info->state;
        if (enabledForSleep_)
            xcb_dpms_enable(connection_);
        xcb_dpms_force_level(connection_, XCB_DPMS_DPMS_MODE_OFF);
        xcb_flush(connection_);
        log_(QStringLiteral("the panel was asked to sleep (display power management)"));
        return;
    }
    if (offersPowerManagement()) {
        xcb_dpms_force_level(connection_, XCB_DPMS_DPMS_MODE_ON);
        if (std::exchange(enabledForSleep_, false))
            xcb_dpms_disable(connection_);
        log_(QStringLiteral("the panel was woken"));
    }
    timer_.start(kResetMs);
    reset();
}

} // namespace tv
