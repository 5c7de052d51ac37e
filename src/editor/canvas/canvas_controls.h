#pragma once

#include "base/twips.h"
#include "layout/screen_shape.h"

#include <QColor>
#include <QCursor>
#include <QFrame>
#include <QImage>
#include <QWidget>

namespace tv {

// The canvas: stands for the whole target screen, 7200 x 4050 twips with the
// origin at its top-left corner (a portrait screen's, 2278.125 x 4050).
// Windows are drawn on it by child controls, which it clips.
class CanvasPicture final : public QFrame {
    Q_OBJECT
public:
    explicit CanvasPicture(QWidget* parent);

    // The canvas's outer extent in twips, read wherever code needs it.
    float ScaleWidthTwips() const { return frameOf(shape_).widthTwips; }
    float ScaleHeightTwips() const { return frameOf(shape_).heightTwips; }

    // Stands for a screen of `shape`: as large as the canvas area allows,
    // in the middle of it.
    void setShape(ScreenShape shape);
    ScreenShape shape() const { return shape_; }

protected:
    // With the keyboard's focus, a dotted line inside the border says that
    // the arrow keys move the current window.
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    ScreenShape shape_ = ScreenShape::Landscape;
};

// A control on the canvas whose place is held in single-precision twips; the
// pixels on screen follow from it, but the twips are the only copy of the
// geometry, so nothing is lost to pixel rounding.
class CanvasControl : public QWidget {
    Q_OBJECT
public:
    explicit CanvasControl(QWidget* canvas);

    float Left() const { return rect_.Left; }
    float Top() const { return rect_.Top; }
    float Width() const { return rect_.Width; }
    float Height() const { return rect_.Height; }
    const TwipsRect& twips() const { return rect_; }

    void setLeft(float value);
    void setTop(float value);
    void setWidth(float value);
    void setHeight(float value);
    void setTwips(const TwipsRect& rect);

    // The element's index in its control array: the window it belongs to.
    int arrayIndex() const { return arrayIndex_; }
    void setArrayIndex(int index) { arrayIndex_ = index; }

protected:
    // Gives a new array element the template's place and cursor.
    void copyPlaceFrom(const CanvasControl& templ);
    // Puts the control on the canvas at the pixels of its twips; a control
    // may show itself larger than its place.
    void followTwips();
    virtual QRect shownPixels(const QRect& place) const { return place; }

private:
    TwipsRect rect_;
    int arrayIndex_ = 0;
};

// The body of a layout window: an image without a picture, so it shows
// nothing itself but takes the presses that select and move the window.
class WindowBody final : public CanvasControl {
    Q_OBJECT
public:
    using CanvasControl::CanvasControl;
    static WindowBody* cloneOf(const WindowBody& templ);

    // What the window holds, drawn dimmed under its outline and name; a null
    // image shows nothing.
    const QImage& thumbnail() const { return thumbnail_; }
    void setThumbnail(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage thumbnail_;
};

// The outline of a layout window: a rectangle drawn over the body. FillStyle 4
// hatches it with upward diagonals, 5 with downward diagonals, 1 leaves it
// transparent; the hatching is drawn in FillColor, the border in black. It takes no part in mouse
// handling: a press lands on what lies beneath.
class WindowOutline final : public CanvasControl {
    Q_OBJECT
public:
    static constexpr int kTransparent = 1;
    static constexpr int kUpwardDiagonal = 4;
    static constexpr int kDownwardDiagonal = 5;

    explicit WindowOutline(QWidget* canvas);
    static WindowOutline* cloneOf(const WindowOutline& templ);

    int FillStyle() const { return fillStyle_; }
    void setFillStyle(int style);
    QColor FillColor() const { return fillColor_; }
    void setFillColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int fillStyle_ = kTransparent;
    QColor fillColor_ = Qt::black;
};

// The name tag of a layout window. Its caption is the window name, kept
// exactly; what does not fit the tag is clipped.
class NameTag final : public CanvasControl {
    Q_OBJECT
public:
    explicit NameTag(QWidget* canvas);
    static NameTag* cloneOf(const NameTag& templ);

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    QColor BackColor() const { return backColor_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // As wide as the whole name, read from its first character; never
    // narrower than its place.
    QRect shownPixels(const QRect& place) const override;

private:
    QString shownCaption() const;

    QString caption_;
    int captionWidth_ = 0;
    QColor backColor_;
};

// The corner handle of a layout window: a small square that is pressed and
// dragged to resize the window.
// The cursor while a corner handle is dragged: a 32 x 32 diagonal double
// arrow with its hot spot in the middle.
QCursor diagonalDragCursor();

class CornerHandle final : public CanvasControl {
    Q_OBJECT
public:
    explicit CornerHandle(QWidget* canvas);
    static CornerHandle* cloneOf(const CornerHandle& templ);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tv
