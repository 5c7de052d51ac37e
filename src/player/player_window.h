#pragma once

#include "player/stage_clock.h"
#include "player/stage_plan.h"

#include <QWidget>

namespace tv {

class Stage;

// A window that plays a layout: the preview from the editor, or the display
// player itself. Esc closes it (so does Q when it is the display player), F11
// switches between full screen and a window.
class PlayerWindow final : public QWidget {
    Q_OBJECT
public:
    PlayerWindow(const QList<StageWindow>& plan, const QString& mediaFolder, bool displayPlayer,
                 QWidget* parent = nullptr);

    Stage& stage() const { return *stage_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    SteadyClock clock_;
    Stage* stage_ = nullptr;
    bool displayPlayer_;
};

// The size a player window opens at, when it is not full screen.
inline constexpr QSize kPlayerWindowSize(960, 540);

} // namespace tv
