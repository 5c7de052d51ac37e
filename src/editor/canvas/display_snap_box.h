#pragma once

#include "layout/display_snap.h"

#include <QObject>

class QCheckBox;

namespace tv {

class LayoutModel;

// "Snap to the display": a check box beside the position fields, off unless
// the user turned it on in an earlier run. While it is on, drags, typed
// values and the arrow keys put windows where the layout file can hold them
// exactly; while it is off they are left to the pixel.
class DisplaySnapBox final : public QObject {
    Q_OBJECT
public:
    DisplaySnapBox(const LayoutModel& model, QWidget* client);

    QCheckBox* SnapCheck = nullptr;

    bool on() const;
    // Where window `index` lands at `rect` after `edit`: snapped against the
    // other windows in use while the box is checked, else `rect` itself.
    TwipsRect place(int index, const TwipsRect& rect, SnapEdit edit) const;

private:
    const LayoutModel& model_;
};

} // namespace tv
