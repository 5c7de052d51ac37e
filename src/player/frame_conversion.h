#pragma once

#include <QImage>

class QVideoFrame;

namespace tv {

// A decoded video frame as an image of `target` pixels (the size it is drawn
// at), converted once on the CPU: the common planar and packed formats by
// sampling straight into the target, others through Qt's own conversion.
// A null image when the frame cannot be read.
QImage frameToImage(const QVideoFrame& frame, QSize target);

} // namespace tv
