#pragma once

#include "base/operator_log.h"
#include "stage/stage.h"
#include "stage/stage_clock.h"
#include "stage/stage_plan.h"

#include <QTimer>
#include <QWidget>

#include <functional>

namespace tv {

// A window that plays a layout: the preview from the editor, or the display
// player itself. Esc closes it (so does Q when it is the display player), F11
// switches between full screen and a window, and O shows or hides every
// window's edge and name. Over a full-screen show the pointer is hidden; it appears while the mouse
// moves and hides again when it rests.
class PlayerWindow final : public QWidget {
    Q_OBJECT
public:
    // What keeps the screen awake tells `log` when it cannot.
    PlayerWindow(const QList<StageWindow>& plan, const QString& mediaFolder, bool displayPlayer,
                 StageSettings settings = {}, QWidget* parent = nullptr,
                 std::function<void(const QString& line)> log = writeLogLine);

    Stage& stage() const { return *stage_; }

    // Closes the window, saying why ("Esc", "Q", "SIGTERM", ...).
    void stopFor(const QString& why);
    // Why the window closed: what stopFor() was told, or that the window
    // system closed it.
    const QString& stoppedFor() const { return stoppedFor_; }

    // How long the pointer stays after the mouse last moved.
    static constexpr int kPointerRestMs = 2000;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void hidePointer();
    void pointerMoved();

    QTimer pointerRest_;
    SteadyClock clock_;
    Stage* stage_ = nullptr;
    bool displayPlayer_;
    QString stoppedFor_;
};

// The size a player window opens at, when it is not full screen (standing,
// for a portrait layout).
inline constexpr QSize kPlayerWindowSize(960, 540);

} // namespace tv
