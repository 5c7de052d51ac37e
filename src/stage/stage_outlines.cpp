#include "stage/stage_outlines.h"

#include "stage/stage.h"
#include "stage/stage_turn.h"
#include "stage/window_view.h"

#include <QPainter>

namespace tv {

StageOutlines::StageOutlines(Stage& stage) : QWidget(&stage), stage_(stage)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

QString StageOutlines::caption(int slot, bool empty)
{
    const QString name =
        slot == 0 ? QStringLiteral("Video window") : QStringLiteral("Picture slot %1").arg(slot);
    return empty ? name + QStringLiteral(" (empty)") : name;
}

void StageOutlines::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Edges are drawn on the panel's own pixels; captions as the viewer sees
    // the show, so that they read upright on a panel mounted turned.
    const QTransform onPanel = viewerToArea(size(), stage_.turns());
    const QTransform fromPanel = onPanel.inverted();
    QFont font = painter.font();
    font.setPixelSize(std::max(11, viewerSize(size(), stage_.turns()).height() / 40));
    painter.setFont(font);
    for (const WindowView* window : stage_.windows()) {
        const QRect edge = window->geometry();
        if (edge.isEmpty())
            continue;
        // A light edge with a dark one inside reads over any picture.
        painter.resetTransform();
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(edge.adjusted(1, 1, -2, -2));
        painter.setPen(QPen(Qt::yellow, 1));
        painter.drawRect(edge.adjusted(0, 0, -1, -1));
        const QString text = caption(window->plan().slot, window->plan().names.isEmpty());
        const QRect seen = fromPanel.mapRect(QRectF(edge)).toRect();
        const QRect tag = painter.fontMetrics()
                              .boundingRect(text)
                              .translated(seen.topLeft() + QPoint(6, 4) -
                                          painter.fontMetrics().boundingRect(text).topLeft())
                              .adjusted(-3, -1, 3, 1);
        painter.setTransform(onPanel);
        painter.fillRect(tag, QColor(0, 0, 0, 170));
        painter.setPen(Qt::yellow);
        painter.drawText(tag, Qt::AlignCenter, text);
    }
}

} // namespace tv
