#pragma once

#include <QSize>
#include <QTransform>

namespace tv {

// A panel mounted turned shows the show turned back by the same quarter
// turns clockwise (0 to 3), so that its viewer sees it upright. The stage is
// laid out once, in the frame its viewer sees (an area of `viewerSize`), and
// `viewerToArea` carries that frame onto the area as the panel shows it:
// with one quarter turn, the viewer's top edge runs down the area's right.
QSize viewerSize(QSize area, int turns);
QTransform viewerToArea(QSize area, int turns);

// The quarter turns for a rotation in degrees clockwise: 0, 90, 180 or 270;
// -1 for any other.
int quarterTurnsOf(int degrees);

} // namespace tv
