#pragma once

#include <QObject>
#include <QPointer>

class QWidget;
class QWindow;
struct wl_display;
struct wl_event_queue;
struct wl_surface;
struct zwp_idle_inhibit_manager_v1;
struct zwp_idle_inhibitor_v1;

namespace tv {

// Under a Wayland compositor, keeps it from blanking the screen or locking the
// session while `window` is shown: the idle-inhibit protocol, which KWin,
// mutter and wlroots compositors (sway, cage) honour; weston 10 has no such
// thing. Qt creates the window's surface anew when it is hidden and shown
// again, so the inhibitor follows the surface. Elsewhere, or where the
// compositor does not offer the protocol, it does nothing.
class WaylandIdleInhibit final : public QObject {
public:
    explicit WaylandIdleInhibit(QWidget* window, QObject* parent = nullptr);
    ~WaylandIdleInhibit() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow(QWindow* window);
    void inhibit();
    void release();

    QWidget* widget_;
    QPointer<QWindow> window_;
    wl_display* display_ = nullptr;
    // The manager is bound on a queue of our own, so that Qt's queue never
    // sees (nor has to dispatch) what this object asks.
    wl_event_queue* queue_ = nullptr;
    zwp_idle_inhibit_manager_v1* manager_ = nullptr;
    zwp_idle_inhibitor_v1* inhibitor_ = nullptr;
    wl_surface* surface_ = nullptr;
};

} // namespace tv
