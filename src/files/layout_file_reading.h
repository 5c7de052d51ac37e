#pragma once

#include "files/media_open.h"
#include "layout/layout_description.h"

#include <QByteArray>
#include <QString>

#include <variant>

namespace tv {

// The bytes of a file chosen as a layout file, or why they were not read.
struct LayoutFileBytes {
    QByteArray bytes;
    QString refusal; // empty when the bytes were read
};

// Reads a layout file safely: only a regular file, after following links (a
// folder, device, pipe or socket is refused before it is opened, and the file
// is opened without waiting on a pipe's writer), and never more than one byte
// beyond the largest layout, whatever the file claims its size to be. With
// `links` Refused, a link is refused as a show folder's media are: the layout
// a display finds in a show folder is that folder's own file, never one a
// link leads to elsewhere.
LayoutFileBytes readLayoutFileBytes(const QString& path,
                                    MediaHandle::Links links = MediaHandle::Links::Followed);

// The layout in a file, read for a screen of `shape`, or the reason the
// editor would give for refusing it.
std::variant<LayoutDescription, QString>
readLayout(const QString& path, MediaHandle::Links links = MediaHandle::Links::Followed,
           ScreenShape shape = ScreenShape::Landscape);

} // namespace tv
