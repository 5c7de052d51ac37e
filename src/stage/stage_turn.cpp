#include "stage/stage_turn.h"

namespace tv {

QSize viewerSize(QSize area, int turns)
{
    return turns % 2 ? area.transposed() : area;
}

QTransform viewerToArea(QSize area, int turns)
{
    // Read from the last step to the first: turned about the origin, then
    // moved back into the area.
    switch (turns % 4) {
    case 1:
        return QTransform().translate(area.width(), 0).rotate(90);
    case 2:
        return QTransform().translate(area.width(), area.height()).rotate(180);
    case 3:
        return QTransform().translate(0, area.height()).rotate(270);
    default:
        return {};
    }
}

int quarterTurnsOf(int degrees)
{
    switch (degrees) {
    case 0:
    case 90:
    case 180:
    case 270:
        return degrees / 90;
    default:
        return -1;
    }
}

} // namespace tv
