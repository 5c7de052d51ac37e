#include "stage/playlist_position.h"

#include <algorithm>

namespace tv {

PlayPosition positionAt(const QList<qint64>& durations, qint64 t)
{
    if (durations.isEmpty())
        return {};
    if (durations.size() == 1)
        return {0, 0, 0, kNever};
    qint64 cycle = 0;
    for (qint64 duration : durations)
        cycle += std::max<qint64>(duration, 1);
    const qint64 clamped = std::max<qint64>(t, 0);
    const qint64 round = clamped / cycle;
    qint64 start = round * cycle;
    for (int item = 0;; ++item) {
        const qint64 end = start + std::max<qint64>(durations[item], 1);
        if (clamped < end)
            return {item, round, start, end};
        start = end;
    }
}

} // namespace tv
