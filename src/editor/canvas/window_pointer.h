#pragma once

#include "editor/model/drag_rules.h"
#include "editor/model/layout_model.h"

#include <QObject>
#include <QPoint>

#include <optional>

namespace tv {

class DisplaySnapBox;
class LayoutCanvas;
class LayoutHistory;

// Moving and resizing windows with the mouse. A press on a window's body
// selects it and starts a move; a press on its corner handle selects it and
// starts a resize. While the button is held, every pointer movement is handed
// to the topmost control under the pointer that takes part (a body, the
// canvas, or the form's own background; name tags, handles and other controls
// take none), which moves or resizes the dragged window. Releasing over a body
// or a handle selects that window.
class WindowPointer final : public QObject {
    Q_OBJECT
public:
    // `form` is the editor's window, whose background takes part in drags;
    // `client` is its client area, where no control is.
    // `snap` tells where a dragged window lands.
    WindowPointer(LayoutHistory& history, LayoutCanvas& canvas, const DisplaySnapBox& snap,
                  QWidget& form, QWidget* client, QObject* parent);

    // The dragged window and whether it is moved (by its body) or resized
    // (by its handle).
    struct DragSource {
        bool resize;
        int index;
    };

    // Positions are in twips, in the receiving control's own coordinates.
    void Image1_MouseDown(int index, float x, float y);
    void Image2_MouseDown(int index);
    void Image1_DragOver(int index, const DragSource& source, float x, float y);
    void Picture1_DragOver(const DragSource& source, float x, float y);
    void Form_DragOver(const DragSource& source, float x, float y);
    void Image1_DragDrop(int index);
    void Image2_DragDrop(int index);

    // Ends a drag under way, as a release would, recording its step.
    void endDrag() { forgetDrag(); }

    // The grab offset of the last press on a body.
    float DragStartX = 0;
    float DragStartY = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void forgetDrag();
    void selectWindowParts(int index);
    void deliverDragOver(QPoint formPixels);
    void deliverDrop(QPoint formPixels);
    void dragOver(DragReceiver receiver, const DragSource& source, float x, float y,
                  QPointF origin);
    QPointF canvasTwips(QPoint formPixels) const;

    LayoutHistory& history_;
    LayoutModel& model_;
    LayoutCanvas& canvas_;
    const DisplaySnapBox& snap_;
    QWidget& form_;
    QWidget* client_;
    std::optional<DragSource> drag_;
    LayoutState beforeDrag_;
    Qt::MouseButton dragButton_ = Qt::NoButton;
};

} // namespace tv
