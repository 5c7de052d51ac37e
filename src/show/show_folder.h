#pragma once

#include "layout/screen_shape.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace tv {

// The name of the layout file in a show folder.
inline constexpr const char* kShowLayoutName = "show.TXT";

// Writes `target` as a self-contained show: the layout, as "show.TXT", exactly
// the media files it names, taken from `mediaFolder`, and the manifest
// "show.json" listing them. Nothing is written when a named file is missing:
// the reason lists every missing name.
//
// Only a folder this program owns is replaced: `target` may be missing, an
// empty folder, or a show published before: its show.json lists every file in
// it, or, as the previous release wrote shows, it has no show.json and holds
// only a show.TXT that is a layout and regular files that layout names (found
// as MediaResolver finds them). Once the new show is in place only those files
// are removed, as they were when looked at: a file someone put there while
// the publish ran, under any name, is left, and the scratch folder holding it
// is told to `note`. The media folder, a folder holding it or the layout file
// (`layoutFile`, when known), a file, a link (dangling or not), and a folder
// holding anything else are refused before anything is written. Folders
// missing on the way to `target` are made, never through a link.
//
// The show is built beside `target` and put in its place in one step, so a
// player watching `target`, or a sync tool carrying it, never sees half a
// show; on any failure the earlier show is left as it was. Publishes to one
// target take turns: one started while another runs waits for it to end,
// and tells `note` so. Returns an empty string, or why the show was not
// published, as a sentence with every name in it escaped; `note` is told
// each line worth telling on the way, names in it escaped as well. The
// manifest tells the layout's `shape`, so that a display lays its stage out
// for that screen.
QString publishShow(const QByteArray& layout, const QString& mediaFolder, const QString& target,
                    const QString& layoutFile = QString(),
                    const std::function<void(const QString& line)>& note = {},
                    ScreenShape shape = ScreenShape::Landscape);

struct ScheduleFile;

// Writes `target` as a self-contained show of a schedule, as publishShow does
// a layout: the schedule as "show.schedule", every layout it names under its
// own name, every medium any of them plays, each once (a picture three
// layouts show is one file, one copy, one sync), and the manifest listing
// them all, with each layout's shape as `shapeOf` tells it for the layout's
// path beside `scheduleFile` (its bare name when that is not known; no
// `shapeOf`: every one landscape).
QString publishSchedule(const ScheduleFile& schedule, const QString& mediaFolder,
                        const QString& target, const QString& scheduleFile = QString(),
                        const std::function<void(const QString& line)>& note = {},
                        const std::function<ScreenShape(const QString& layoutPath)>& shapeOf = {});

// The file a display plays in a show folder: its "show.schedule", else its
// "show.TXT", else its only layout
// file; empty when there is none, or more than one. The name is found as it
// is, a link among them: a display reads it with links refused, as it reads
// the show's media.
QString showLayoutIn(const QString& folder);

} // namespace tv
