#include "platform/wayland_idle_inhibit.h"

#include "idle-inhibit-unstable-v1-client-protocol.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPlatformSurfaceEvent>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

#include <cstring>

namespace tv {

namespace {

void announced(void* data, wl_registry* registry, uint32_t name, const char* interface,
               uint32_t /*version*/)
{
    auto* manager = static_cast<zwp_idle_inhibit_manager_v1**>(data);
    if (!*manager && std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0)
        *manager = static_cast<zwp_idle_inhibit_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
}

void withdrawn(void* /*data*/, wl_registry* /*registry*/, uint32_t /*name*/) {}

const wl_registry_listener kRegistryListener = {announced, withdrawn};

} // namespace

WaylandIdleInhibit::WaylandIdleInhibit(QWidget* window, QObject* parent)
    : QObject(parent), widget_(window)
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    display_ = native ? static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display"))
                      : nullptr;
    if (!display_)
        return;
    queue_ = wl_display_create_queue(display_);
    auto* onQueue = static_cast<wl_display*>(wl_proxy_create_wrapper(display_));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(onQueue), queue_);
    wl_registry* registry = wl_display_get_registry(onQueue);
    wl_proxy_wrapper_destroy(onQueue);
    wl_registry_add_listener(registry, &kRegistryListener, &manager_);
    // The compositor lists its globals in answer to the registry request, so
    // one round trip on our own queue finds the manager if there is one.
    wl_display_roundtrip_queue(display_, queue_);
    wl_registry_destroy(registry);
    if (!manager_)
        return;
    window->installEventFilter(this);
    follow(window->windowHandle());
}

WaylandIdleInhibit::~WaylandIdleInhibit()
{
    // Without the application the connection is gone, and the compositor has
    // dropped everything this client asked for.
    if (!display_ || !qGuiApp)
        return;
    release();
    if (manager_)
        zwp_idle_inhibit_manager_v1_destroy(manager_);
    wl_display_flush(display_);
    wl_event_queue_destroy(queue_);
}

bool WaylandIdleInhibit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == widget_) {
        // The widget's window exists once it is shown, or made native.
        if (event->type() == QEvent::Show || event->type() == QEvent::WinIdChange)
            follow(static_cast<QWidget*>(watched)->windowHandle());
    } else if (watched == window_) {
        switch (event->type()) {
        case QEvent::Expose:
            // The surface is there and mapped: it may be a new one.
            if (window_->isExposed())
                inhibit();
            break;
        case QEvent::Hide:
            release();
            break;
        case QEvent::PlatformSurface:
            if (static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed)
                release();
            break;
        default:
            break;
        }
    }
    return false;
}

void WaylandIdleInhibit::follow(QWindow* window)
{
    if (!window || window == window_)
        return;
    release();
    if (window_)
        window_->removeEventFilter(this);
    window_ = window;
    window->installEventFilter(this);
    if (window->isExposed())
        inhibit();
}

void WaylandIdleInhibit::inhibit()
{
    auto* surface = static_cast<wl_surface*>(
        QGuiApplication::platformNativeInterface()->nativeResourceForWindow("surface", window_));
    if (!surface || (inhibitor_ && surface == surface_))
        return;
    release();
    surface_ = surface;
    inhibitor_ = zwp_idle_inhibit_manager_v1_create_inhibitor(manager_, surface);
    wl_display_flush(display_);
}

void WaylandIdleInhibit::release()
{
    if (!inhibitor_)
        return;
    zwp_idle_inhibitor_v1_destroy(inhibitor_);
    inhibitor_ = nullptr;
    surface_ = nullptr;
    wl_display_flush(display_);
}

} // namespace tv
