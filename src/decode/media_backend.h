#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace tv {

// Plays media through FFmpeg, which decodes every video kind a layout may
// name by itself, unless the user chose another backend.
inline void preferFfmpegBackend()
{
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", QByteArrayLiteral("ffmpeg"));
}

} // namespace tv
