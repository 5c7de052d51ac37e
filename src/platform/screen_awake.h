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
class ScreenAwake final : public QObject {
public:
    ScreenAwake(QWidget* window, std::function<void(const QString& line)> log);

    static constexpr int kResetMs = 30'000;

    // What the desktop answered, for whoever waits on it.
    ScreenSaverInhibit& sessionInhibit() const { return *sessionInhibit_; }

private:
    void reset();
    QTimer timer_;
    xcb_connection_t* connection_ = nullptr;
    ScreenSaverInhibit* sessionInhibit_ = nullptr;
};

} // namespace tv
