#pragma once

#include <QObject>
#include <QTimer>

struct xcb_connection_t;

namespace tv {

// Keeps the screen saver and display power saving from blanking a playing
// show: on X11 the server's idle time is reset every half minute while this
// object lives, as a key press would. Elsewhere it does nothing; the README
// tells how to switch the screen saver off for a kiosk session.
class ScreenAwake final : public QObject {
public:
    explicit ScreenAwake(QObject* parent = nullptr);

    static constexpr int kResetMs = 30'000;

private:
    void reset();
    QTimer timer_;
    xcb_connection_t* connection_ = nullptr;
};

} // namespace tv
