#include "display/show_snapshot.h"

#include "layoutfile/layout_file_reading.h"
#include "layoutfile/layout_reader.h"
#include "layoutfile/show_manifest.h"
#include "player/media_open.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace tv {

namespace {

FileStamp stampOf(const struct stat& status)
{
    return {quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
            qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec,
            qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec};
}

} // namespace

size_t qHash(const FileStamp& stamp, size_t seed)
{
    return qHashMulti(seed, stamp.device, stamp.inode, stamp.size, stamp.modifiedNs,
                      stamp.changedNs);
}

struct ShowReader::Held {
    FileStamp stamp;
    HeldMedia media;
};

ShowReader::ShowReader(QString layoutPath, QString mediaFolder, MediaHandle::Links layoutLinks)
    : layoutPath_(std::move(layoutPath)), mediaFolder_(std::move(mediaFolder)),
      layoutLinks_(layoutLinks)
{
}

std::shared_ptr<ShowReader::Held> ShowReader::holdFile(const QString& path, QString* why)
{
    if (const auto taken = holding_.value(path))
        return taken;
    struct stat status {};
    const QByteArray native = QFile::encodeName(path);
    const auto before = held_.value(path);
    if (before && ::lstat(native.constData(), &status) == 0 && stampOf(status) == before->stamp) {
        holding_.insert(path, before);
        return before;
    }
    MediaHandle handle = MediaHandle::open(path);
    if (!handle.isOpen()) {
        *why = handle.problem();
        return nullptr;
    }
    if (::fstat(handle.fd(), &status) != 0) {
        *why = QStringLiteral("cannot be read");
        return nullptr;
    }
    auto held = std::make_shared<Held>(Held{stampOf(status), hold(std::move(handle))});
    holding_.insert(path, held);
    return held;
}

QByteArray ShowReader::sha256Of(const Held& file, QString* why)
{
    if (const auto known = hashes_.constFind(file.stamp); known != hashes_.constEnd())
        return *known;
    const QByteArray hex = tv::sha256Of(*file.media.handle, why);
    if (!hex.isEmpty())
        hashes_.insert(file.stamp, hex);
    return hex;
}

ShowSnapshot ShowReader::read()
{
    ShowSnapshot snapshot;
    holding_.clear();
    const LayoutFileBytes layout = readLayoutFileBytes(layoutPath_, layoutLinks_);
    snapshot.layoutBytes = layout.bytes;
    snapshot.layoutRefusal = layout.refusal;

    // A show folder written by a publish lists its files: it is whole only
    // when every one is there with its size and content.
    const QDir showFolder = QFileInfo(layoutPath_).absoluteDir();
    const QString manifestPath = showFolder.filePath(QLatin1String(kShowManifestName));
    QString why;
    const MediaHandle manifestFile = MediaHandle::open(manifestPath);
    if (manifestFile.isOpen()) {
        const QByteArray bytes = manifestFile.readAll(kMaxManifestBytes, &why);
        const auto manifest = why.isEmpty() ? decodeManifest(bytes, &why) : std::nullopt;
        if (!manifest) {
            snapshot.showId = QStringLiteral("(unreadable)");
            snapshot.notWhole << QLatin1String(kShowManifestName);
        } else {
            snapshot.showId = manifest->id;
            snapshot.listed = int(manifest->files.size());
            const QString layoutName = QFileInfo(layoutPath_).fileName();
            for (const ShowFile& listed : manifest->files) {
                QString problem;
                bool whole = false;
                if (listed.name == layoutName) {
                    whole = layout.refusal.isEmpty() && layout.bytes.size() == listed.size &&
                            QCryptographicHash::hash(layout.bytes, QCryptographicHash::Sha256)
                                    .toHex() == listed.sha256;
                } else if (const auto file = holdFile(showFolder.filePath(listed.name), &problem)) {
                    whole = file->stamp.size == listed.size &&
                            sha256Of(*file, &problem) == listed.sha256;
                }
                if (!whole)
                    snapshot.notWhole << listed.name;
            }
        }
    }

    QHash<QString, MediaResolver::Found> found;
    auto keep = std::make_shared<std::vector<std::shared_ptr<Held>>>();
    if (snapshot.layoutRefusal.isEmpty()) {
        auto decoded = decodeLayout(snapshot.layoutBytes);
        if (const auto* refused = std::get_if<ReadRefusal>(&decoded)) {
            snapshot.layoutRefusal = refused->message;
        } else {
            snapshot.layout = std::get<LayoutDescription>(std::move(decoded));
            const MediaResolver folder(mediaFolder_);
            for (const QString& name : namesPlayed(*snapshot.layout)) {
                MediaResolver::Found item;
                const QString path = folder.resolve(name, &item.problem);
                if (!path.isEmpty()) {
                    if (const auto file = holdFile(path, &item.problem)) {
                        item.path = file->media.path;
                        keep->push_back(file);
                    }
                }
                found.insert(name, item);
            }
        }
    }
    snapshot.media = MediaResolver::fixed(std::move(found), keep);
    held_ = std::exchange(holding_, {});
    // Hashes of files no longer there are of no more use.
    hashes_.removeIf([this](const auto& entry) {
        return std::none_of(held_.cbegin(), held_.cend(),
                            [&](const auto& file) { return file->stamp == entry.key(); });
    });
    return snapshot;
}

} // namespace tv
