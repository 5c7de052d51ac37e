#pragma once

#include <QObject>

#include <functional>

class QComboBox;

namespace tv {

class LayoutCanvas;
class LayoutModel;
class PlaylistPanel;

// Shows the layout model in the editor's controls, and nothing else: each
// announced change is drawn at once, so the controls always show the model.
// The windows' parts and playlist grids are created and destroyed with the
// windows; a window's parts and grid are visible while it is in use; the
// current window is marked red and its playlist grid is in front.
class LayoutPresenter final : public QObject {
    Q_OBJECT
public:
    // What the form does for a new window's grid and for Tab, once the
    // window's controls exist.
    struct FormSteps {
        std::function<void(int index)> initPlaylistGrid;
        std::function<void()> applyTabOrder;
    };
    LayoutPresenter(LayoutModel& model, LayoutCanvas& canvas, PlaylistPanel& playlists,
                    QComboBox* list, FormSteps form, QObject* parent);

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

    LayoutModel& model_;
    LayoutCanvas& canvas_;
    PlaylistPanel& playlists_;
    QComboBox* list_;
    FormSteps form_;
};

} // namespace tv
