#include "editor/canvas/display_outlines.h"

#include "editor/model/layout_model.h"
#include "layout/screen_place.h"

#include <QPainter>

namespace tv {

namespace {
const QColor kOutlineColour(0, 90, 255);
}

DisplayOutlines::DisplayOutlines(const LayoutModel& model, QWidget* canvas)
    : QWidget(canvas->parentWidget()), model_(model), canvas_(canvas)
{
    setObjectName(QStringLiteral("DisplayOutlines"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(canvas->geometry());
    // It lies over the canvas, beside it in the form: the canvas's own
    // children never cover it.
    raise();
    auto redraw = [this] { update(); };
    connect(&model_, &LayoutModel::windowChanged, this, redraw);
    connect(&model_, &LayoutModel::windowMoved, this, redraw);
    connect(&model_, &LayoutModel::restored, this, redraw);
}

QRect DisplayOutlines::outlined(int index) const
{
    if (!model_.table().inUse(index))
        return {};
    const TwipsRect& rect = model_.window(index).rect;
    const ScreenShape shape = model_.state().shape;
    const auto stored = storablePlace(rect, shape);
    if (!stored || twipsOfPercentPlace(*stored, shape) == rect)
        return {};
    return screenPixels(*stored, shape);
}

void DisplayOutlines::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(kOutlineColour, 1, Qt::DashLine));
    // Screen pixels to canvas twips (3.75 each, 2.109375 on a portrait
    // screen's canvas), then to this widget's pixels as every canvas control
    // is placed; the canvas's border is its first pixel, as for the window
    // bodies. A portrait canvas lies inside the area this covers.
    const QPoint origin = canvas_->geometry().topLeft() - geometry().topLeft();
    const double twips = frameOf(model_.state().shape).twipsPerPixel();
    for (int index = 1; index < kLayoutIndices; ++index) {
        const QRect screen = outlined(index);
        if (screen.isNull())
            continue;
        const QRect canvas =
            twipsToPixels(TwipsRect{float(screen.x() * twips), float(screen.y() * twips),
                                    float(screen.width() * twips), float(screen.height() * twips)});
        painter.drawRect(canvas.translated(origin).adjusted(0, 0, -1, -1));
    }
}

} // namespace tv
