#pragma once

#include <QByteArray>
#include <QString>

namespace tv {

// The bytes of a file chosen as a layout file, or why they were not read.
struct LayoutFileBytes {
    QByteArray bytes;
    QString refusal; // empty when the bytes were read
};

// Reads a layout file safely: only a regular file, after following links (a
// folder, device, pipe or socket is refused before it is opened, and the file
// is opened without waiting on a pipe's writer), and never more than one byte
// beyond the largest layout, whatever the file claims its size to be.
LayoutFileBytes readLayoutFileBytes(const QString& path);

} // namespace tv
