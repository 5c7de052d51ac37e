#pragma once

#include <QObject>

namespace tv {

class LayoutModel;
class Split;

// Shows the layout model in the editor's controls, and nothing else: each
// announced change is drawn at once, so the controls always show the model.
// The windows' parts and playlist grids are created and destroyed with the
// windows; a window's parts and grid are visible while it is in use; the
// current window is marked red and its playlist grid is in front.
class LayoutPresenter final : public QObject {
    Q_OBJECT
public:
    LayoutPresenter(Split& form, LayoutModel& model, QObject* parent);

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
    void showPlaylist(int index);

    Split& form_;
    LayoutModel& model_;
};

} // namespace tv
