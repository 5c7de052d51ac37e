#pragma once

#include "files/media_open.h"
#include "files/media_resolver.h"
#include "layout/layout_description.h"
#include "schedule/schedule.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

namespace tv {

// A show as it lay on the disk at one look: its layout's bytes, and every
// medium the layout names as it was then (held open, up to a bound), so that
// it plays what was checked whatever a sync tool does to the folder
// meanwhile, and never a file written since.
struct ShowSnapshot {
    QByteArray layoutBytes;
    std::optional<LayoutDescription> layout; // as read; none when refused
    QString layoutRefusal;                   // why the layout could not be read; empty when read
    QString showId;                          // the manifest's show id; empty for a show without one
    int listed = 0;                          // the files the manifest lists
    QStringList notWhole;                    // of those, the ones not there as listed (yet)
    int unchecked = 0;                       // of those, the ones whose content was not hashed yet
    MediaResolver media{QString()};
    // A show of a schedule (its file named *.schedule): the schedule, every
    // layout it names that could be read, by name, the ones whose files are
    // all there as listed, and when the show was published (0: unknown).
    std::optional<Schedule> schedule;
    QMap<QString, LayoutDescription> layouts;
    QStringList wholeLayouts;
    qint64 publishedAt = 0;

    // Whether this is the whole of a show: its layout read and, for a show
    // with a manifest, every file it lists there with its size and content.
    bool whole() const { return layoutRefusal.isEmpty() && notWhole.isEmpty() && unchecked == 0; }
};

// What each medium a published show plays holds, by name: the hash its
// manifest lists. Names without one (a folder without a manifest) are left
// out, their paths telling nothing of what they hold.
QHash<QString, QString> playedContent(const ShowSnapshot& show);
// The media both shows play whose content differs (republished under the
// same name), in order of name.
QStringList republished(const QHash<QString, QString>& before,
                        const QHash<QString, QString>& after);

// Reads the show a display plays, on the thread that calls it (never the
// screen's). A file that did not change since the last read is neither
// opened nor hashed again: the same held file is handed on, so a window
// playing it sees no change. Hashes are kept by the files' stamps, in
// `hashCache` too when one is given (a file of the display's own), so that a
// restart hashes nothing that did not change.
class ShowReader {
public:
    // With `layoutLinks` Refused, a layout that has become a link is refused
    // at every read, not only the first: a show folder's layout is its own
    // file.
    // A layout path named *.schedule reads a schedule and every layout it
    // names beside it; `local` is the zone its `zone = local` means.
    ShowReader(QString layoutPath, QString mediaFolder,
               MediaHandle::Links layoutLinks = MediaHandle::Links::Followed,
               QString hashCache = QString(), QTimeZone local = QTimeZone::systemTimeZone());

    // Whether files whose hash is not known are hashed, or only counted as
    // unchecked (for a first look that shows what is there at once).
    enum class Hashing { All, KnownOnly };
    ShowSnapshot read(Hashing hashing = Hashing::All);
    // Ends a read under way within a megabyte of hashing, from any thread:
    // the display is stopping. Reads after it hash nothing.
    void stop() { stop_ = true; }

    // How many files a read holds open at most: a share of what the process
    // may open, so that a show of any size leaves handles for the clips,
    // fonts and sockets of the display. Files past it are remembered by
    // name and stamp, and opened when played.
    static int heldFileBudget();

private:
    struct Held;
    // The file at `path`, held: the one held before when its stamp is the
    // same, else anew. Null with `why` set when it cannot be.
    std::shared_ptr<Held> holdFile(const QString& path, QString* why);
    // The hash of the file at `path` whose stamp is `stamp`; empty with `why`
    // set when it cannot be had, or was not known and `hashing` says so.
    QByteArray sha256At(const QString& path, const FileStamp& stamp, Hashing hashing, QString* why);
    void loadHashes();
    void saveHashes();

    QString layoutPath_;
    QString mediaFolder_;
    MediaHandle::Links layoutLinks_;
    QString hashCache_;
    QHash<QString, std::shared_ptr<Held>> held_;    // by path, from the last read
    QHash<QString, std::shared_ptr<Held>> holding_; // by path, of the read under way
    int holdingOpen_ = 0;                           // of those, the ones held open
    QHash<FileStamp, QByteArray> hashes_;
    bool hashesLoaded_ = false;
    bool hashesChanged_ = false;
    // Atomic: set from the thread that ends the reader, read as it hashes.
    QTimeZone local_;
    std::atomic<bool> stop_{false};
};

} // namespace tv
