#pragma once

#include <QString>

namespace tv {

// One turn of an item in a window, from when it was due to when the next
// one was (by the stage's clock): what proof of play records.
struct StagePlay {
    int slot = 0;   // 0 the video window, 1..10 the picture windows
    QString name;   // as the playlist gives it
    QString path;   // the file it was found as; empty when none
    QString sha256; // its content's hash, when the show lists one
    qint64 startMs = 0;
    qint64 endMs = 0;
    QString failure;       // why it showed its placeholder instead; empty: shown
    bool cutShort = false; // its window went before its time was over
};

} // namespace tv
