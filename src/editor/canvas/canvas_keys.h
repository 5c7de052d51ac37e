#pragma once

#include <QObject>

namespace tv {

class DisplaySnapBox;
class LayoutHistory;

// The canvas from the keyboard, while it has the focus (a press on a window
// or on the canvas gives it): the arrow keys move the current window by one
// screen pixel, ten with Shift; with Ctrl they make it wider, narrower,
// taller or shorter by the same steps; Delete deletes it. Pressing the same
// key again on the same window continues the same undo step. Deleting is
// asked of the window commands by a signal.
class CanvasKeys final : public QObject {
    Q_OBJECT
public:
    // With `snap` on, a press moves or sizes by one step of the layout file
    // (ten with Shift) instead of one screen pixel.
    CanvasKeys(LayoutHistory& history, const DisplaySnapBox& snap, QWidget* canvas,
               QObject* parent);

    // Returns whether the key was one of the canvas's own.
    bool Picture1_KeyDown(int key, Qt::KeyboardModifiers modifiers);

signals:
    void deleteRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LayoutHistory& history_;
    const DisplaySnapBox& snap_;
};

} // namespace tv
