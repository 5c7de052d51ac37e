#include "show/show_snapshot.h"

#include "files/layout_file_reading.h"
#include "files/sha256.h"
#include "layout/layout_reader.h"
#include "show/schedule_reading.h"
#include "show/show_manifest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <algorithm>

#include <sys/resource.h>

namespace tv {

namespace {

// The hash cache holds one line for each file of a show at most.
constexpr qint64 kMaxHashCacheBytes = qint64(kMaxManifestFiles) * 160;

} // namespace

struct ShowReader::Held {
    FileStamp stamp;
    HeldMedia media;
    bool open = false; // held open, else only remembered
};

ShowReader::ShowReader(QString layoutPath, QString mediaFolder, MediaHandle::Links layoutLinks,
                       QString hashCache, QTimeZone local)
    : layoutPath_(std::move(layoutPath)), mediaFolder_(std::move(mediaFolder)),
      layoutLinks_(layoutLinks), hashCache_(std::move(hashCache)), local_(std::move(local))
{
}

int ShowReader::heldFileBudget()
{
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 256;
    // Two reads overlap while a new show replaces the old.
    return int(std::clamp<rlim_t>(limit.rlim_cur / 8, 0, 256));
}

std::shared_ptr<ShowReader::Held> ShowReader::holdFile(const QString& path, QString* why)
{
    if (const auto taken = holding_.value(path))
        return taken;
    const auto before = held_.value(path);
    const auto stamp = regularFileAt(path);
    std::shared_ptr<Held> held;
    if (before && stamp == before->stamp) {
        held = before;
    } else if (holdingOpen_ < heldFileBudget()) {
        MediaHandle handle = MediaHandle::open(path);
        if (!handle.isOpen()) {
            *why = handle.problem();
            return nullptr;
        }
        const FileStamp opened = handle.stamp();
        held = std::make_shared<Held>(Held{opened, hold(std::move(handle)), true});
    } else if (stamp) {
        held = std::make_shared<Held>(Held{*stamp, remember(path, *stamp), false});
    } else {
        // Why it is no regular file, as an open tells it.
        *why = MediaHandle::open(path).problem();
        return nullptr;
    }
    holdingOpen_ += held->open ? 1 : 0;
    holding_.insert(path, held);
    return held;
}

QByteArray ShowReader::sha256At(const QString& path, const FileStamp& stamp, Hashing hashing,
                                QString* why)
{
    if (const auto known = hashes_.constFind(stamp); known != hashes_.constEnd())
        return *known;
    if (hashing == Hashing::KnownOnly || stop_)
        return {};
    const MediaHandle file = MediaHandle::open(path);
    if (!file.isOpen()) {
        *why = file.problem();
        return {};
    }
    if (file.stamp() != stamp)
        return {}; // written since it was looked at: the next read takes it
    const QByteArray hex = sha256Of(file, why, &stop_);
    // A file written while it was hashed has no hash of its own yet.
    if (hex.isEmpty() || !file.unchanged())
        return {};
    hashes_.insert(stamp, hex);
    hashesChanged_ = true;
    return hex;
}

void ShowReader::loadHashes()
{
    if (std::exchange(hashesLoaded_, true) || hashCache_.isEmpty())
        return;
    QString why;
    const MediaHandle file = MediaHandle::open(hashCache_);
    const QByteArray bytes = file.isOpen() ? file.readAll(kMaxHashCacheBytes, &why) : QByteArray();
    // Each line: device, inode, size, modification and change time, hash.
    for (const QByteArray& line : bytes.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 6 || fields[5].size() != 64)
            continue;
        bool ok[5] = {};
        const FileStamp stamp{fields[0].toULongLong(&ok[0]), fields[1].toULongLong(&ok[1]),
                              fields[2].toLongLong(&ok[2]), fields[3].toLongLong(&ok[3]),
                              fields[4].toLongLong(&ok[4])};
        if (std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }))
            hashes_.insert(stamp, fields[5].toLower());
    }
}

void ShowReader::saveHashes()
{
    if (!std::exchange(hashesChanged_, false) || hashCache_.isEmpty())
        return;
    QByteArray bytes;
    for (auto entry = hashes_.cbegin(); entry != hashes_.cend(); ++entry) {
        const FileStamp& stamp = entry.key();
        bytes += QByteArray::number(stamp.device) + ' ' + QByteArray::number(stamp.inode) + ' ' +
                 QByteArray::number(stamp.size) + ' ' + QByteArray::number(stamp.modifiedNs) + ' ' +
                 QByteArray::number(stamp.changedNs) + ' ' + entry.value() + '\n';
    }
    // Written whole under another name and renamed: a display stopped while
    // writing it finds the cache it had, or none.
    QDir().mkpath(QFileInfo(hashCache_).absolutePath());
    QSaveFile file(hashCache_);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
        file.commit();
}

ShowSnapshot ShowReader::read(Hashing hashing)
{
    ShowSnapshot snapshot;
    holding_.clear();
    holdingOpen_ = 0;
    loadHashes();
    const QDir showFolder = QFileInfo(layoutPath_).absoluteDir();
    // A show folder written by a publish lists its files, and tells the
    // shape of the screen each layout is made for; read first, so that each
    // layout is read in its shape, and checked against the files below.
    QString manifestProblem;
    const auto manifest = manifestIn(showFolder.path(), &manifestProblem);
    const auto shapeOf = [&manifest](const QString& name) {
        return manifest ? manifest->shapeOf(name) : ScreenShape::Landscape;
    };
    // The show's own files, by name, as read: its layout, or its schedule and
    // the layouts it names.
    QHash<QString, QByteArray> own;
    QList<LayoutDescription> layouts;
    if (isScheduleName(layoutPath_)) {
        snapshot.layoutBytes =
            readScheduleBytes(layoutPath_, layoutLinks_, &snapshot.layoutRefusal);
        if (snapshot.layoutRefusal.isEmpty()) {
            auto parsed = parseSchedule(snapshot.layoutBytes, local_);
            if (const auto* refused = std::get_if<ScheduleRefusal>(&parsed))
                snapshot.layoutRefusal = refused->text();
            else
                snapshot.schedule = std::get<Schedule>(std::move(parsed));
        }
        if (snapshot.schedule) {
            own.insert(QFileInfo(layoutPath_).fileName(), snapshot.layoutBytes);
            // A layout that cannot be read is not whole: its rules yield.
            for (const QString& name : snapshot.schedule->layouts()) {
                const LayoutFileBytes bytes =
                    readLayoutFileBytes(showFolder.filePath(name), layoutLinks_);
                auto decoded = decodeLayout(bytes.bytes, shapeOf(name));
                if (!bytes.refusal.isEmpty() || std::holds_alternative<ReadRefusal>(decoded))
                    continue;
                own.insert(name, bytes.bytes);
                snapshot.layouts.insert(name, std::get<LayoutDescription>(decoded));
                layouts << std::get<LayoutDescription>(std::move(decoded));
            }
        }
    } else {
        const LayoutFileBytes layout = readLayoutFileBytes(layoutPath_, layoutLinks_);
        snapshot.layoutBytes = layout.bytes;
        snapshot.layoutRefusal = layout.refusal;
        if (snapshot.layoutRefusal.isEmpty()) {
            auto decoded =
                decodeLayout(snapshot.layoutBytes, shapeOf(QFileInfo(layoutPath_).fileName()));
            if (const auto* refused = std::get_if<ReadRefusal>(&decoded)) {
                snapshot.layoutRefusal = refused->message;
            } else {
                snapshot.layout = std::get<LayoutDescription>(std::move(decoded));
                own.insert(QFileInfo(layoutPath_).fileName(), snapshot.layoutBytes);
                layouts << *snapshot.layout;
            }
        }
    }

    // The files played are held first: they are the ones that must stay as
    // they were read.
    QHash<QString, MediaResolver::Found> found;
    QHash<QString, QString> played; // the path of each name played
    auto keep = std::make_shared<std::vector<std::shared_ptr<Held>>>();
    {
        {
            const MediaResolver folder(mediaFolder_);
            QStringList names;
            for (const LayoutDescription& layout : layouts)
                for (const QString& name : namesPlayed(layout))
                    if (!names.contains(name))
                        names << name;
            for (const QString& name : names) {
                MediaResolver::Found item;
                const QString path = folder.resolve(name, &item.problem);
                if (!path.isEmpty()) {
                    played.insert(name, path);
                    if (const auto file = holdFile(path, &item.problem)) {
                        item.path = file->media.path;
                        keep->push_back(file);
                    }
                }
                found.insert(name, item);
            }
        }
    }

    // A show with a manifest is whole only when every file it lists is there
    // with its size and content.
    QSet<FileStamp> listed;
    QHash<QString, QByteArray> hashOf; // by path, of the files found as listed
    if (manifest || !manifestProblem.isEmpty()) {
        if (!manifest) {
            snapshot.showId = QStringLiteral("(unreadable)");
            snapshot.notWhole << QLatin1String(kShowManifestName);
        } else {
            snapshot.showId = manifest->id;
            snapshot.publishedAt = manifest->published.toMSecsSinceEpoch();
            snapshot.listed = int(manifest->files.size());
            const QStringList ownNames = snapshot.schedule
                                             ? snapshot.schedule->layouts()
                                             : QStringList{QFileInfo(layoutPath_).fileName()};
            for (const ShowFile& file : manifest->files) {
                if (own.contains(file.name) || ownNames.contains(file.name)) {
                    const QByteArray bytes = own.value(file.name);
                    if (own.contains(file.name) && bytes.size() == file.size &&
                        Sha256::hexOf(bytes) == file.sha256)
                        continue;
                    snapshot.notWhole << file.name;
                    continue;
                }
                const QString path = showFolder.filePath(file.name);
                const auto taken = holding_.value(path);
                const auto stamp = taken ? std::optional(taken->stamp) : regularFileAt(path);
                if (!stamp || stamp->size != file.size) {
                    snapshot.notWhole << file.name;
                    continue;
                }
                listed.insert(*stamp);
                QString problem;
                const QByteArray hex = sha256At(path, *stamp, hashing, &problem);
                if (hex.isEmpty() && hashing == Hashing::KnownOnly && problem.isEmpty())
                    ++snapshot.unchecked;
                else if (hex != file.sha256)
                    snapshot.notWhole << file.name;
                else
                    hashOf.insert(path, hex);
            }
        }
    }

    for (auto item = found.begin(); item != found.end(); ++item)
        item->sha256 = hashOf.value(played.value(item.key()));
    for (auto layout = snapshot.layouts.cbegin(); layout != snapshot.layouts.cend(); ++layout) {
        const QStringList names = namesPlayed(layout.value());
        if (!snapshot.notWhole.contains(layout.key()) &&
            std::all_of(names.begin(), names.end(), [&](const QString& name) {
                return played.contains(name) &&
                       !snapshot.notWhole.contains(QFileInfo(played.value(name)).fileName());
            }))
            snapshot.wholeLayouts << layout.key();
    }
    snapshot.media = MediaResolver::fixed(std::move(found), keep);
    held_ = std::exchange(holding_, {});
    // Hashes of files no longer listed are of no more use. A first look
    // that hashed nothing leaves them for the read that does.
    if (hashing == Hashing::All && !stop_) {
        const auto before = hashes_.size();
        hashes_.removeIf([&listed](const auto& entry) { return !listed.contains(entry.key()); });
        hashesChanged_ = hashesChanged_ || hashes_.size() != before;
        saveHashes();
    }
    return snapshot;
}

QHash<QString, QString> playedContent(const ShowSnapshot& show)
{
    QStringList names;
    if (show.layout)
        names = namesPlayed(*show.layout);
    for (const LayoutDescription& layout : show.layouts)
        names << namesPlayed(layout);
    QHash<QString, QString> content;
    for (const QString& name : std::as_const(names))
        if (const QByteArray hash = show.media.listedHash(name); !hash.isEmpty())
            content.insert(name, QString::fromLatin1(hash));
    return content;
}

QStringList republished(const QHash<QString, QString>& before, const QHash<QString, QString>& after)
{
    QStringList names;
    for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
        const auto was = before.constFind(it.key());
        if (was != before.constEnd() && *was != *it)
            names.append(it.key());
    }
    names.sort();
    return names;
}

} // namespace tv
