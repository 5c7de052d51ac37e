#pragma once

#include <QRect>
#include <QWidget>

namespace tv {

class LayoutModel;

// Over the canvas, a thin dashed outline where the display will draw each
// window whose place the layout file cannot hold exactly (the file keeps
// whole percentages of the screen). Presses go through to what lies beneath.
class DisplayOutlines final : public QWidget {
    Q_OBJECT
public:
    // `canvas` is the canvas this lies over, in the same parent.
    DisplayOutlines(const LayoutModel& model, QWidget* canvas);

    // Where the display draws window `index`, in screen pixels, when it gets
    // an outline; an empty rectangle when it does not.
    QRect outlined(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const LayoutModel& model_;
    QWidget* canvas_;
};

} // namespace tv
