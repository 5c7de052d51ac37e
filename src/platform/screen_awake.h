#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;
struct xcb_connection_t;

namespace tv {

class ScreenSaverInhibit;

// Keeps the screen saver and display power saving from blanking a playing
// show while this object lives, by every means the session may heed: the
// desktop is asked over the session bus (GNOME, KDE and the like ignore the
// rest); on X11 the server's idle time is also reset every half minute, as a
// key press would; under Wayland the compositor is asked through the
// idle-inhibit protocol for as long as `window` is shown. That the desktop
// has no service to ask is told to `log`, a line of plain text.
//
// While the show is dark (a schedule's `off`), the panel is asked to sleep
// where the X server offers display power management, and woken when the
// show comes back; elsewhere the stage just shows black.
class ScreenAwake final : public QObject {
public:
    ScreenAwake(QWidget* window, std::function<void(const QString& line)> log);

    static constexpr int kResetMs = 30'000;

    ~ScreenAwake() override;

    // Asks the panel to sleep, or wakes it. Tells `log` what it did once
    // per change.
    void setPanelAsleep(bool asleep);
    bool panelAsleep() const { return asleep_; }

    // What the desktop answered, for whoever waits on it.
    ScreenSaverInhibit& sessionInhibit() const { return *sessionInhibit_; }

private:
    void reset();
    bool offersPowerManagement();
    QTimer timer_;
    std::function<void(const QString& line)> log_;
    xcb_connection_t* connection_ = nullptr;
    bool asleep_ = false;
    // Display power management was off, and is switched on only while the
    // panel sleeps, so that the server's own timeouts are left as they were.
    bool enabledForSleep_ = false;
    ScreenSaverInhibit* sessionInhibit_ = nullptr;
};

} // namespace tv
