#pragma once

#include "base/twips.h"
#include "editor/model/window_table.h"
#include "layout/screen_shape.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

namespace tv {

// One entry of a window's playlist, as the file list showed it.
struct PlaylistEntry {
    QString name;
    QString size;
    friend bool operator==(const PlaylistEntry&, const PlaylistEntry&) = default;
};

// Everything the editor knows of one window index.
struct WindowState {
    bool created = false; // its controls exist, in use or deleted
    QString name;
    TwipsRect rect;    // the body, in canvas twips
    int kindStyle = 1; // how the outline hatches the window
    QList<PlaylistEntry> playlist;
    int playlistRow = 0; // the current entry (0: none) and column of its grid
    int playlistCol = 0;
    friend bool operator==(const WindowState&, const WindowState&) = default;
};

// Indices a layout can reach: the templates, the video window, ten pictures.
inline constexpr int kLayoutIndices = kFirstPictureWindow + kMaxPictureWindows;

// The whole layout being edited: the window table, every window, the window
// list and the order in which the windows lie on the canvas.
struct LayoutState {
    WindowTable table;
    std::array<WindowState, kLayoutIndices> windows{};
    QStringList listEntries; // the window list's entries, in order
    QString listText;        // the window list's text
    QList<int> stacking;     // created windows, bottom to top
    // The screen the layout is for; the windows' twips are of its canvas.
    ScreenShape shape = ScreenShape::Landscape;
    friend bool operator==(const LayoutState&, const LayoutState&) = default;
};

// Whether two states hold different layouts. What is only selected (the
// current window, the list's text, the current playlist entries, the order on
// the canvas) does not count: choosing is not editing.
bool differentLayouts(const LayoutState& a, const LayoutState& b);

// How one window differs between two states, for views that draw an undo
// or an opened layout by difference.
struct WindowDifference {
    bool any = false;      // anything of the window, or its use
    bool created = false;  // made or dropped, or taken into or out of use
    bool playlist = false; // its entries or its current entry
};
WindowDifference windowDifference(const LayoutState& before, const LayoutState& now, int index);

// Where the controls do not show the model: a window drawn elsewhere or under
// another name, a playlist grid showing other names, another window marked,
// or a window list with other entries or text. One line per difference.
QStringList layoutViewViolations(const LayoutState& state, const LayoutView& view);

// The layout of the editor, with no widget: every change goes through it and
// is announced, and the controls show what it holds.
class LayoutModel final : public QObject {
    Q_OBJECT
public:
    const LayoutState& state() const { return heldState_ ? *heldState_ : state_; }
    // For what no control shows: the counts and the switch times.
    WindowTable& table() { return live().table; }
    const WindowTable& table() const { return state().table; }
    // A window's state; an empty one for an index the layout cannot hold.
    const WindowState& window(int index) const;

    // Makes the layout one for a screen of `shape`: every window keeps its
    // place in hundredths of the screen, so what the file holds is the same,
    // and the views redraw as after a restore.
    void setShape(ScreenShape shape);

    // Creates window `index` on top of the others, with an empty playlist.
    void createWindow(int index, const QString& name, const TwipsRect& rect, int kindStyle);
    void destroyWindow(int index);
    void setInUse(int index, bool inUse);
    void setRect(int index, const TwipsRect& rect);
    void raise(int index);
    void setCurrentWindow(int index);
    // A picture window's switch time; `position` counts as the table does
    // (window index - 1).
    void setSwitchTime(int position, std::int32_t seconds);

    void appendListEntry(const QString& name);
    void removeListEntry(int position);
    void clearList();
    void setListText(const QString& text);
    // The window list picks its window: the in-use window of exactly the
    // list's name becomes current; without one, the current window stays.
    void selectListedWindow();
    // The window list's text set by code, and the selection refresh it runs.
    void selectByName(const QString& text);
    // An action that selects many windows in turn (Open File) holds what
    // follows a selection at some cost (the file list's fill) until it
    // releases it, and then announces the selection once.
    void holdSelection() { ++selectionHeld_; }
    void releaseSelection();
    bool selectionHeld() const { return selectionHeld_ > 0; }

    // A window's whole playlist, and which entry (row 1..n, 0: none) and
    // column of its grid are current.
    void setPlaylist(int index, const QList<PlaylistEntry>& playlist, int row, int col);
    // Follows the user's clicks in a playlist grid; no change of the layout.
    void setPlaylistCurrent(int index, int row, int col);

    // Puts a whole earlier state back.
    void restore(const LayoutState& state);
    // Puts a state back without announcing it yet: many steps undone at once
    // are drawn once, when the last is back and `releaseRestore` announces
    // them together.
    void holdRestore(const LayoutState& state);
    void releaseRestore();
    // A run of changes announced as one restore at its end (Open File builds
    // a whole layout so): the views draw only what differs, reusing the
    // controls of windows that are there before and after.
    void beginBatch();
    void endBatch();
    // The state before the last announced restore (or held run of them).
    const LayoutState& beforeRestore() const { return beforeRestore_; }

signals:
    void windowChanged(int index); // created, destroyed, shown, hidden, renamed
    void windowMoved(int index);
    void windowRaised(int index);
    void currentChanged();
    // The window list picked its window (the selection refresh), as opposed
    // to code setting the current window on its way elsewhere.
    void selected();
    void selectionReleased();
    void switchTimeChanged();
    void listChanged();
    void playlistChanged(int index);
    void restored();

private:
    WindowState* edit(int index);
    // The state to change: one held back is taken first.
    LayoutState& live();
    LayoutState state_;
    LayoutState beforeRestore_;
    // While steps are undone together, the state each puts back is only
    // pointed at (the step keeps it), and copied once, when they are done;
    // null when nothing is held.
    int selectionHeld_ = 0;
    int batch_ = 0;
    bool signalsWereBlocked_ = false;
    const LayoutState* heldState_ = nullptr;
};

} // namespace tv
