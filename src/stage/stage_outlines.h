#pragma once

#include <QWidget>

namespace tv {

class Stage;

// Over a playing stage, when asked for: every window's edge and its name,
// with "(empty)" beside a window whose list is empty, so an empty window can
// be told from a missing one. Presses go through.
class StageOutlines final : public QWidget {
    Q_OBJECT
public:
    explicit StageOutlines(Stage& stage);

    // The words drawn for a window: "Video window" or "Picture slot K", and
    // " (empty)" for an empty list.
    static QString caption(int slot, bool empty);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Stage& stage_;
};

} // namespace tv
