#pragma once

#include <QObject>

#include <functional>

class QComboBox;

namespace tv {

class LayoutCanvas;
class LayoutModel;

// Shows the layout model on the canvas and in the window list, and nothing
// else: each announced change is drawn at once, so they always show the
// model. A window's parts are created and destroyed with the window and
// visible while it is in use; the current window is marked red.
class LayoutPresenter final : public QObject {
    Q_OBJECT
public:
    // `applyTabOrder` chains the form's controls again once a new window's
    // controls exist.
    LayoutPresenter(LayoutModel& model, LayoutCanvas& canvas, QComboBox* list,
                    std::function<void()> applyTabOrder, QObject* parent);

    // Draws what an undo or redo changed: the windows, playlists, order and
    // list that differ from the state before it.
    void showRestored();
    // Marks the current window red and every other one black, and brings its
    // playlist grid in front (the empty template's when it has none shown).
    void showCurrent();

private:
    void showWindow(int index);
    void moveWindow(int index);
    void raiseWindow(int index);
    void showList();

    LayoutModel& model_;
    LayoutCanvas& canvas_;
    QComboBox* list_;
    std::function<void()> applyTabOrder_;
};

} // namespace tv
