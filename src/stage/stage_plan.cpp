#include "stage/stage_plan.h"

#include <cmath>

namespace tv {

QList<StageWindow> planStage(const LayoutDescription& layout)
{
    QList<StageWindow> windows;
    if (layout.video)
        windows.append({WindowRole::Video, 0, screenPixels(layout.video->rect, layout.shape),
                        layout.video->names, kVideoWindowPictureMs});
    for (qsizetype k = 0; k < layout.pictures.size(); ++k) {
        const qint64 seconds = layout.switchTimes[static_cast<std::size_t>(k)];
        windows.append({WindowRole::Picture, int(k) + 1,
                        screenPixels(layout.pictures[k].rect, layout.shape),
                        layout.pictures[k].names, seconds * 1000});
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

} // namespace tv
