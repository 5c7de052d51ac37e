#include "player/stage_plan.h"

#include "layoutfile/scaling.h"

#include <cmath>

namespace tv {

namespace {

QRectF placeOf(const TwipsRect& rect)
{
    return {percentageByte(rect.Left, QStringLiteral("x")) * kStageWidth / 100,
            percentageByte(rect.Top, QStringLiteral("y")) * kStageHeight / 100,
            percentageByte(rect.Width, QStringLiteral("width")) * kStageWidth / 100,
            percentageByte(rect.Height, QStringLiteral("height")) * kStageHeight / 100};
}

} // namespace

QList<StageWindow> planStage(const LayoutDescription& layout)
{
    QList<StageWindow> windows;
    if (layout.video)
        windows.append({WindowRole::Video, 0, placeOf(layout.video->rect), layout.video->names,
                        kVideoWindowPictureMs});
    for (qsizetype k = 0; k < layout.pictures.size(); ++k) {
        const qint64 seconds = layout.switchTimes[static_cast<std::size_t>(k)];
        windows.append({WindowRole::Picture, int(k) + 1, placeOf(layout.pictures[k].rect),
                        layout.pictures[k].names, seconds * 1000});
    }
    return windows;
}

bool playsAsPicture(const QString& name)
{
    for (const char* ending : {".jpg", ".jpeg", ".bmp", ".png"})
        if (name.endsWith(QLatin1String(ending), Qt::CaseInsensitive))
            return true;
    return false;
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
