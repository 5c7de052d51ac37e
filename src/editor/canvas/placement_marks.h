#pragma once

#include "editor/model/placement_notes.h"

#include <QColor>
#include <QLabel>
#include <QWidget>

namespace tv {

class LayoutModel;

// The line under the canvas that says what the display will cut off or
// cover. It keeps the whole note as its text and shows what fits, ending in
// an ellipsis; the tooltip lists every finding.
class PlacementNoteLabel final : public QLabel {
    Q_OBJECT
public:
    explicit PlacementNoteLabel(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Over the canvas, a striped band inside each screen edge where a window is
// cut off, along the stretch of the edge the window crosses: the canvas is the
// screen, so what lies past it has nowhere to be drawn, and the band marks
// where it is lost. Under the canvas, the note. Both follow the model; presses
// go through to what lies beneath.
class PlacementMarks final : public QWidget {
    Q_OBJECT
public:
    // `canvas` is the canvas this lies over, in the same parent.
    PlacementMarks(const LayoutModel& model, QWidget* canvas);

    // The stripes' colour, bright against the outlines' black and red.
    static inline const QColor kStripeColour{235, 110, 0};
    // How deep the band reaches into the canvas, in pixels.
    static constexpr int kBandDepth = 8;

    QLabel* note() const { return note_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    const LayoutModel& model_;
    QWidget* canvas_;
    PlacementNoteLabel* note_;
    QList<PlacementFinding> findings_;
};

} // namespace tv
