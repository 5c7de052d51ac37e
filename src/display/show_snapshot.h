#pragma once

#include "layoutfile/layout_description.h"
#include "player/media_open.h"
#include "player/media_resolver.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace tv {

// What the disk says of a file without reading it: enough to tell that it
// is another file, or the same one written again.
struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
size_t qHash(const FileStamp& stamp, size_t seed = 0);

// A show as it lay on the disk at one look: its layout's bytes, and every
// medium the layout names held open, so that it plays what was checked
// whatever a sync tool does to the folder meanwhile.
struct ShowSnapshot {
    QByteArray layoutBytes;
    std::optional<LayoutDescription> layout; // as read; none when refused
    QString layoutRefusal;                   // why the layout could not be read; empty when read
    QString showId;                          // the manifest's show id; empty for a show without one
    int listed = 0;                          // the files the manifest lists
    QStringList notWhole;                    // of those, the ones not there as listed (yet)
    MediaResolver media{QString()};

    // Whether this is the whole of a show: its layout read and, for a show
    // with a manifest, every file it lists there with its size and content.
    bool whole() const { return layoutRefusal.isEmpty() && notWhole.isEmpty(); }
};

// Reads the show a display plays, on the thread that calls it (never the
// screen's). A file that did not change since the last read is neither
// opened nor hashed again: the same held file is handed on, so a window
// playing it sees no change.
class ShowReader {
public:
    // With `layoutLinks` Refused, a layout that has become a link is refused
    // at every read, not only the first: a show folder's layout is its own
    // file.
    ShowReader(QString layoutPath, QString mediaFolder,
               MediaHandle::Links layoutLinks = MediaHandle::Links::Followed);

    ShowSnapshot read();

private:
    struct Held;
    // The file `name` of `folder`, held: the one held before when its stamp
    // is the same, else opened anew. Null with `why` set when it cannot be.
    std::shared_ptr<Held> holdFile(const QString& path, QString* why);
    QByteArray sha256Of(const Held& file, QString* why);

    QString layoutPath_;
    QString mediaFolder_;
    MediaHandle::Links layoutLinks_;
    QHash<QString, std::shared_ptr<Held>> held_;    // by path, from the last read
    QHash<QString, std::shared_ptr<Held>> holding_; // by path, of the read under way
    QHash<FileStamp, QByteArray> hashes_;
};

} // namespace tv
