#pragma once

#include "editor/controls/control_array.h"
#include "editor/controls/flex_grid.h"
#include "editor/model/layout_model.h"

#include <QObject>

#include <functional>

class QLabel;
class QPushButton;

namespace tv {

class LayoutHistory;
class LayoutModel;
class ModalDialogs;
struct PlaylistEntry;

// The playlist area: one grid per window, all at the same place with the
// current window's in front, and the buttons that edit the playlist of the
// current window. The grids follow the layout by themselves: one is made and
// dropped with its window, shown while the window is in use, and shows the
// window's entries and current entry. A playlist's rows 1..n are its entries in play order,
// numbered 1..n; its current row is the current entry (0: none).
class PlaylistPanel final : public QObject {
    Q_OBJECT
public:
    // `markedFiles` tells the files marked in the file list, which Add adds.
    PlaylistPanel(LayoutHistory& history, ModalDialogs& dialogs,
                  std::function<QList<PlaylistEntry>()> markedFiles, QWidget* client);

    QLabel* Label3 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Command9 = nullptr;
    ControlArray<FlexGrid> MSFlexGrid2{QStringLiteral("MSFlexGrid2")};

    // The playlist grid of a window: its columns, widths, alignments and the
    // header texts. Rows and entries are left as they are.
    void InitPlaylistGrid(int index);

    // Creates window i's playlist grid from the template with the header row
    // only, shows it and brings it in front.
    void createGrid(int index);
    // Lets the layout follow which entry of window i's grid the user makes
    // current.
    void followClicks(int index);

    // Add: appends the marked files of the file list, stopping at the first
    // name longer than a layout file can hold, or that would make the
    // playlists more than a layout file holds.
    void Command8_Click();
    // Del: removes the current entry.
    void Command9_Click();
    // Up and Down: move the current entry by one place.
    void Command6_Click();
    void Command7_Click();
    // Exchanges the names and sizes of two entries; the numbers stay in order
    // and entry b becomes current.
    void SwapPlaylistRows(int a, int b);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showWindow(int index);
    void showPlaylist(int index);
    // The current window's grid in front, or the empty template's.
    void showFront();
    void showRestored();
    FlexGrid* currentPlaylist() const;

    LayoutHistory& history_;
    LayoutModel& model_;
    ModalDialogs& dialogs_;
    std::function<QList<PlaylistEntry>()> markedFiles_;
};

// The longest file name a playlist takes: a layout file keeps each name in 20
// two-byte code units.
inline constexpr int kMaxNameLength = 20;

} // namespace tv
