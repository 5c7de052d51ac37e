#pragma once

#include "editor/control_array.h"
#include "media/flex_grid.h"

#include <QObject>

class QLabel;
class QPushButton;

namespace tv {

// The playlist area: one grid per window, all at the same place with the
// current window's in front, and the buttons that edit the playlist in front.
class PlaylistPanel final : public QObject {
    Q_OBJECT
public:
    explicit PlaylistPanel(QWidget* form);

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
    // Brings window i's grid in front of the other playlist grids.
    void bringToFront(int index);
};

} // namespace tv
