#pragma once

#include "files/media_open.h"
#include "layout/layout_description.h"
#include "schedule/schedule.h"
#include "schedule/zone_clock.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <variant>

namespace tv {

// A schedule file with every layout it names, read from the schedule's
// folder.
struct ScheduleFile {
    QByteArray bytes;
    Schedule schedule;
    QMap<QString, QByteArray> layoutBytes;    // by the name the schedule gives
    QMap<QString, LayoutDescription> layouts; // the same, decoded
};

// Reads the schedule at `path` (a regular file of at most kMaxScheduleBytes),
// and each layout it names beside it, as a layout file is read. Refused, with
// the line when there is one: a schedule that does not parse, a layout that
// does not read, and two rules of one priority that hold at once from `from`
// on. A layout that is missing is refused too, unless `missingAllowed` (a show
// folder whose layouts have not all arrived): it is then left out of the
// maps. `local` is the zone of `zone = local`.
std::variant<ScheduleFile, QString>
readScheduleFile(const QString& path, const QTimeZone& local, Instant from,
                 MediaHandle::Links links = MediaHandle::Links::Followed,
                 bool missingAllowed = false);

// A published schedule show: the schedule, its manifest, and which layouts
// are whole (the layout and every medium it plays there as the manifest
// lists them, by size).
struct ScheduleShow {
    ScheduleFile file;
    QString folder;
    Instant publishedAt = 0; // 0 when there is no manifest
    QString showId;
    QStringList whole;
};
// Reads the schedule show in `folder` (its "show.schedule", links refused).
std::variant<ScheduleShow, QString> readScheduleShow(const QString& folder, const QTimeZone& local,
                                                     Instant from);

// The bytes of a schedule file, read safely; empty with `why` set when they
// cannot be.
QByteArray readScheduleBytes(const QString& path, MediaHandle::Links links, QString* why);

} // namespace tv
