#include "stage/stage_plan.h"

#include <cmath>

namespace tv {

QList<StageWindow> planStage(const LayoutDescription& layout)
{
    QList<StageWindow> windows;
    if (layout.video)
        windows.append({WindowRole::Video, 0, screenPixels(layout.video->rect, layout.shape),
                        layout.video->names, kVideoWindowPictureMs, layout.shape});
    for (qsizetype k = 0; k < layout.pictures.size(); ++k) {
        const qint64 seconds = layout.switchTimes[static_cast<std::size_t>(k)];
        windows.append({WindowRole::Picture, int(k) + 1,
                        screenPixels(layout.pictures[k].rect, layout.shape),
                        layout.pictures[k].names, seconds * 1000, layout.shape});
    }
    return windows;
}

QRectF letterboxed(QSizeF area, QSizeF content)
{
    if (content.isEmpty() || area.isEmpty())
        return {};
    const QSizeF fitted = content.scaled(area, Qt::KeepAspectRatio);
    return {(area.width() - fitted.width()) / 2, (area.height() - fitted.height()) / 2,
            fitted.width(), fitted.height()};
}

QString shapeAdvice(ScreenShape shape, QSize viewer, int rotation)
{
    if (viewer.isEmpty() || viewer.width() == viewer.height())
        return QString();
    const ScreenShape screen =
        viewer.width() > viewer.height() ? ScreenShape::Landscape : ScreenShape::Portrait;
    if (screen == shape)
        return QString();
    // Turned a quarter, the panel fits the show, which must then be turned a
    // quarter more or less than now: a show not turned (or upside down) a
    // quarter, one turned a quarter not at all.
    const int advised = rotation % 180 == 0 ? 90 : 0;
    return QStringLiteral("a %1 show on a %2 screen: turn the panel and set rotate = %3")
        .arg(shapeName(shape), shapeName(screen))
        .arg(advised);
}

} // namespace tv
