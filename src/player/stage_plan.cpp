#include "player/stage_plan.h"

#include "layoutfile/scaling.h"

#include <cmath>

namespace tv {

namespace {

// The percentage byte a decoded coordinate came from: the writer's own
// rounding gives it back exactly.
double percentage(float twips, const char* kind)
{
    const auto whole = wholeTwips(twips);
    const auto byte = whole ? ScalerChange(*whole, QLatin1String(kind)) : std::nullopt;
    return byte ? double(*byte) : 0;
}

QRectF placeOf(const TwipsRect& rect)
{
    return {percentage(rect.Left, "x") * kStageWidth / 100,
            percentage(rect.Top, "y") * kStageHeight / 100,
            percentage(rect.Width, "width") * kStageWidth / 100,
            percentage(rect.Height, "height") * kStageHeight / 100};
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
