#include "show/schedule_reading.h"

#include "base/log_text.h"
#include "files/layout_file_reading.h"
#include "files/media_resolver.h"
#include "layout/layout_reader.h"
#include "schedule/schedule_decision.h"
#include "show/show_manifest.h"

#include <QDir>
#include <QFileInfo>

namespace tv {

QByteArray readScheduleBytes(const QString& path, MediaHandle::Links links, QString* why)
{
    const MediaHandle file = MediaHandle::open(path, links);
    if (!file.isOpen()) {
        *why = file.problem();
        return {};
    }
    return file.readAll(kMaxScheduleBytes, why);
}

std::variant<ScheduleFile, QString> readScheduleFile(const QString& path, const QTimeZone& local,
                                                     Instant from, MediaHandle::Links links,
                                                     bool missingAllowed)
{
    const QString shown = escapedForLog(QDir::toNativeSeparators(path));
    QString why;
    ScheduleFile read;
    read.bytes = readScheduleBytes(path, links, &why);
    if (!why.isEmpty())
        return QStringLiteral("The schedule %1 cannot be read: %2").arg(shown, why);
    auto parsed = parseSchedule(read.bytes, local);
    if (const auto* refused = std::get_if<ScheduleRefusal>(&parsed))
        return QStringLiteral("The schedule %1 is refused: %2")
            .arg(shown, escapedForLog(refused->text()));
    read.schedule = std::get<Schedule>(std::move(parsed));
    const QDir folder = QFileInfo(path).absoluteDir();
    // A published show tells each layout's shape; beside its layouts, as
    // made, a schedule's are all landscape until the editor says otherwise.
    const QMap<QString, ScreenShape> shapes = layoutShapesIn(folder.path());
    for (const QString& name : read.schedule.layouts()) {
        int line = 0;
        for (const ScheduleRule& rule : read.schedule.rules)
            if (!line && !rule.off && rule.layout == name)
                line = rule.line;
        const QString where =
            line ? QStringLiteral("line %1: ").arg(line) : QStringLiteral("the default: ");
        if (missingAllowed && !QFileInfo::exists(folder.filePath(name)) &&
            !QFileInfo(folder.filePath(name)).isSymLink())
            continue;
        const LayoutFileBytes bytes = readLayoutFileBytes(folder.filePath(name), links);
        if (!bytes.refusal.isEmpty())
            return QStringLiteral("The schedule %1 is refused: %2the layout %3 cannot be read: %4")
                .arg(shown, where, escapedForLog(name), bytes.refusal);
        const auto decoded = decodeLayout(bytes.bytes, shapes.value(name, ScreenShape::Landscape));
        if (const auto* refusal = std::get_if<ReadRefusal>(&decoded))
            return QStringLiteral("The schedule %1 is refused: %2the layout %3 is not one: %4")
                .arg(shown, where, escapedForLog(name), refusal->message);
        read.layoutBytes.insert(name, bytes.bytes);
        read.layouts.insert(name, std::get<LayoutDescription>(decoded));
    }
    if (const auto overlap = overlapRefusal(read.schedule, ZoneClock(read.schedule.zone), from))
        return QStringLiteral("The schedule %1 is refused: %2")
            .arg(shown, escapedForLog(overlap->text()));
    return read;
}

std::variant<ScheduleShow, QString> readScheduleShow(const QString& folder, const QTimeZone& local,
                                                     Instant from)
{
    ScheduleShow show;
    show.folder = folder;
    auto read = readScheduleFile(QDir(folder).filePath(QLatin1String(kShowScheduleName)), local,
                                 from, MediaHandle::Links::Refused, true);
    if (const auto* why = std::get_if<QString>(&read))
        return *why;
    show.file = std::get<ScheduleFile>(std::move(read));
    const auto manifest = manifestIn(folder);
    if (!manifest) {
        // A schedule beside its layouts, not published: whole as it is.
        show.whole = show.file.layouts.keys();
        return show;
    }
    show.publishedAt = manifest->published.toMSecsSinceEpoch();
    show.showId = manifest->id;
    QHash<QString, qint64> listed;
    for (const ShowFile& file : manifest->files)
        listed.insert(file.name, file.size);
    const MediaResolver media(folder);
    const auto there = [&](const QString& name) {
        const QFileInfo file(QDir(folder).filePath(name));
        return listed.contains(name) && file.isFile() && !file.isSymLink() &&
               file.size() == listed.value(name);
    };
    for (auto layout = show.file.layouts.cbegin(); layout != show.file.layouts.cend(); ++layout) {
        bool whole = there(layout.key());
        for (const QString& name : namesPlayed(layout.value())) {
            QString missing;
            const QString path = media.resolve(name, &missing);
            whole = whole && !path.isEmpty() && there(QFileInfo(path).fileName());
        }
        if (whole)
            show.whole << layout.key();
    }
    return show;
}

} // namespace tv
