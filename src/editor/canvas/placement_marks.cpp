#include "editor/canvas/placement_marks.h"

#include "editor/controls/form_controls.h"
#include "editor/model/layout_model.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace tv {

namespace {

// Diagonal stripes on a pale ground, so they stay readable over a
// window's picture as well as over the bare canvas.
void paintStripes(QPainter& painter, const QRect& area)
{
    painter.save();
    painter.setClipRect(area);
    painter.fillRect(area, QColor(255, 255, 255, 190));
    painter.setPen(QPen(PlacementMarks::kStripeColour, 2));
    constexpr int kPitch = 6;
    // Lines x + y = k rising to the right, k a multiple of the pitch in the
    // painter's coordinates, so neighbouring bands join into one pattern.
    const int first = (area.left() + area.top()) / kPitch * kPitch - kPitch;
    for (int k = first; k <= area.right() + area.bottom() + kPitch; k += kPitch)
        painter.drawLine(k - area.bottom() - 1, area.bottom() + 1, k - area.top() + 1,
                         area.top() - 1);
    painter.restore();
}

// A window's place in canvas pixels, held to the canvas, the way the window
// bodies are placed on it.
struct Clamped {
    int left, top, right, bottom; // right and bottom exclusive
};

Clamped clampedPixels(const TwipsRect& rect, const QSize& canvas)
{
    const QRect pixels = twipsToPixels(rect);
    auto hold = [](int value, int most) { return std::clamp(value, 0, most); };
    return {hold(pixels.left(), canvas.width()), hold(pixels.top(), canvas.height()),
            hold(pixels.left() + std::max(0, pixels.width()), canvas.width()),
            hold(pixels.top() + std::max(0, pixels.height()), canvas.height())};
}

// A stretch [from, to) along an edge, never shorter than the band is deep, so a
// window cut off in a corner, or wholly off the screen, still shows.
std::pair<int, int> atLeastBand(int from, int to, int most)
{
    const int depth = PlacementMarks::kBandDepth;
    from = std::min(from, most - depth);
    return {from, std::max(to, from + depth)};
}

} // namespace

PlacementNoteLabel::PlacementNoteLabel(QWidget* parent) : QLabel(parent)
{
    // Window names are data, never markup.
    setTextFormat(Qt::PlainText);
}

void PlacementNoteLabel::paintEvent(QPaintEvent*)
{
    if (text().isEmpty())
        return;
    QPainter painter(this);
    // A swatch of the canvas's stripes ties the note to the band it explains.
    const int side = std::min(height() - 4, 11);
    const QRect swatch(0, (height() - side) / 2, side, side);
    paintStripes(painter, swatch);
    painter.setPen(QPen(PlacementMarks::kStripeColour.darker(130), 1));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    const QRect room = rect().adjusted(side + 5, 0, 0, 0);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, room.width()));
}

PlacementMarks::PlacementMarks(const LayoutModel& model, QWidget* canvas)
    : QWidget(canvas->parentWidget()), model_(model), canvas_(canvas),
      note_(new PlacementNoteLabel(canvas->parentWidget()))
{
    setObjectName(QStringLiteral("PlacementMarks"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(canvas->geometry());
    // It lies over the canvas, beside it in the form: the windows, the
    // canvas's own children, never cover it.
    raise();

    note_->setObjectName(QStringLiteral("LayoutNote"));
    // The stretch under the canvas is the form's background to a drag, which
    // stops a window flush at the canvas's edges: the note leaves it so. Its
    // tooltip is shown from the form, which now gets the pointer there.
    note_->setAttribute(Qt::WA_TransparentForMouseEvents);
    canvas->parentWidget()->installEventFilter(this);
    // In the free stretch under the canvas, left of the snap box.
    placeTwips(note_, {90, 5880, 5175, 270});

    auto follow = [this] { refresh(); };
    connect(&model_, &LayoutModel::windowChanged, this, follow);
    connect(&model_, &LayoutModel::windowMoved, this, follow);
    connect(&model_, &LayoutModel::currentChanged, this, follow);
    connect(&model_, &LayoutModel::restored, this, follow);
    refresh();
}

void PlacementMarks::refresh()
{
    findings_ = placementFindings(placedWindows(model_.state()), model_.table().CurrentWindow,
                                  model_.state().shape);
    note_->setText(placementNote(findings_));
    // Every finding on a line of its own: the note shows the first, and only
    // what of it fits.
    QStringList lines;
    for (const PlacementFinding& finding : std::as_const(findings_))
        lines << finding.text.toHtmlEscaped();
    note_->setToolTip(!lines.isEmpty() ? QStringLiteral("<p style='white-space:nowrap'>%1</p>")
                                             .arg(lines.join(QStringLiteral("<br>")))
                                       : QString());
    update();
}

bool PlacementMarks::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip && !note_->toolTip().isEmpty()) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (note_->geometry().contains(help->pos())) {
            QToolTip::showText(help->globalPos(), note_->toolTip(), note_);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PlacementMarks::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The canvas's pixels, which every canvas control is placed in.
    painter.translate(canvas_->geometry().topLeft() - geometry().topLeft());
    const int width = canvas_->width();
    const int height = canvas_->height();
    const int depth = kBandDepth;
    // A band closed by a firm line on the window's side, so it reads as a
    // strip along the screen's edge rather than as part of the window.
    auto band = [&painter](const QRect& area, QPoint from, QPoint to) {
        paintStripes(painter, area);
        painter.setPen(kStripeColour.darker(120));
        painter.drawLine(from, to);
    };
    for (const PlacementFinding& finding : std::as_const(findings_)) {
        if (!finding.edges.any())
            continue;
        const Clamped at = clampedPixels(model_.window(finding.window).rect, {width, height});
        const auto [top, bottom] = atLeastBand(at.top, at.bottom, height);
        const auto [left, right] = atLeastBand(at.left, at.right, width);
        const QRect down(0, top, depth, bottom - top); // along the left or right edge
        const QRect across(left, 0, right - left, depth);
        if (finding.edges.left)
            band(down, down.topRight(), down.bottomRight());
        if (finding.edges.right) {
            const QRect area = down.translated(width - depth, 0);
            band(area, area.topLeft(), area.bottomLeft());
        }
        if (finding.edges.top)
            band(across, across.bottomLeft(), across.bottomRight());
        if (finding.edges.bottom) {
            const QRect area = across.translated(0, height - depth);
            band(area, area.topLeft(), area.topRight());
        }
    }
}

} // namespace tv
