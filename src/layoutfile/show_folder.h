#pragma once

#include <QByteArray>
#include <QString>

namespace tv {

// The name of the layout file in a show folder.
inline constexpr const char* kShowLayoutName = "show.TXT";

// Writes `target` as a self-contained show: the layout, as "show.TXT", and
// exactly the media files it names, taken from `mediaFolder`. Nothing is
// written when a named file is missing: the reason lists every missing name.
// The show is built beside `target` and put in its place in one step, so a
// player watching `target`, or a sync tool carrying it, never sees half a
// show. Returns an empty string, or why the show was not published.
QString publishShow(const QByteArray& layout, const QString& mediaFolder, const QString& target);

// The layout file of a show folder: its "show.TXT", else its only layout
// file; empty when there is none, or more than one.
QString showLayoutIn(const QString& folder);

} // namespace tv
