#pragma once

#include "editor/canvas/canvas_controls.h"
#include "editor/controls/control_array.h"

#include <QObject>

namespace tv {

// The canvas and the four control arrays that draw the layout windows on it:
// body Image1(i), outline Shape1(i), name tag Label1(i), corner handle Image2(i).
class LayoutCanvas final : public QObject {
    Q_OBJECT
public:
    explicit LayoutCanvas(QWidget* form);

    CanvasPicture* Picture1 = nullptr;
    ControlArray<NameTag> Label1{QStringLiteral("Label1")};
    ControlArray<WindowOutline> Shape1{QStringLiteral("Shape1")};
    ControlArray<WindowBody> Image1{QStringLiteral("Image1")};
    ControlArray<CornerHandle> Image2{QStringLiteral("Image2")};

    // The editor start hides the four templates; they are never shown again.
    void hideTemplates();

    // The object that handles presses on the bodies and corner handles.
    void setPointerFilter(QObject* filter) { pointerFilter_ = filter; }

    // Creates window i's four canvas parts from the templates, hidden.
    void createWindowParts(int index);
    void destroyWindowParts(int index);
    void setWindowPartsVisible(int index, bool visible);
    // Lays window i's parts above every other window: body, then outline, then
    // name tag, then handle, so the handle ends on top.
    void bringWindowToFront(int index);

    // Places window i's outline, name tag and corner handle from its body.
    void PlaceWindowParts(int index);

    // How many of window i's four canvas parts exist, and how many are visible.
    int existingParts(int index) const;
    int visibleParts(int index) const;

private:
    QObject* pointerFilter_ = nullptr;
};

} // namespace tv
