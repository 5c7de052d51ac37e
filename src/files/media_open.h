#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace tv {

// What the disk says of a file without reading it: enough to tell that it
// is another file, or the same one written again (a write in place changes
// its change time, whatever it does to its size and modification time).
struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
size_t qHash(const FileStamp& stamp, size_t seed = 0);

// What a show plays a file as, when it read the show: the problem told
// instead of a file that changed since (a sync tool writing it, in place or
// anew). The window keeps what it shows until the show is read again.
inline constexpr char kChangedSinceRead[] = "changed since the show was read";

// A media file held open for reading. It was opened without waiting (a FIFO
// or a device swapped in under a media name cannot stall the caller), without
// following a link, and checked to be a regular file on the opened handle, so
// what is read is what was checked, whatever the name points at later.

struct HeldMedia;

class MediaHandle {
public:
    MediaHandle() = default;
    MediaHandle(MediaHandle&& other) noexcept;
    MediaHandle& operator=(MediaHandle&& other) noexcept;
    MediaHandle(const MediaHandle&) = delete;
    MediaHandle& operator=(const MediaHandle&) = delete;
    ~MediaHandle();

    // Whether a link at `path` is refused (anything in a show folder), or
    // followed to the regular file it names (the display's own settings,
    // which dotfile managers install as links).
    enum class Links { Refused, Followed };
    // Opens the file at `path`; a path made by hold() reaches the held file
    // itself, while something still holds it.
    static MediaHandle open(const QString& path, Links links = Links::Refused);

    bool isOpen() const { return fd_ >= 0; }
    // Whether the file is still as it was when opened (for a path made by
    // remember(), as it was when the show read it): a caller that read it
    // asks after reading, so that a file written meanwhile is never taken.
    bool unchanged() const;
    int fd() const { return fd_; }
    qint64 size() const { return size_; }
    // What the file was when opened, or what a held path expects of it.
    const FileStamp& stamp() const { return stamp_; }
    // Why the file could not be opened; empty when it is open.
    const QString& problem() const { return problem_; }
    // A name the media backend can open that reaches this very file, not
    // whatever the media name points at now.
    QString stablePath() const;

    // The whole file, when it is no larger than maxBytes; else empty, with
    // the reason in `why`.
    QByteArray readAll(qint64 maxBytes, QString* why) const;

private:
    static MediaHandle openAt(const QString& path, Links links);
    friend HeldMedia hold(MediaHandle&& handle);

    int fd_ = -1;
    qint64 size_ = 0;
    FileStamp stamp_; // as opened, or as expected
    QString problem_;
};

// A media file a show plays, as the show read it. `path` is a name only
// MediaHandle::open understands, valid while `keep` lives anywhere.
struct HeldMedia {
    QString path;
    std::shared_ptr<const void> keep;
};
// Held open, so that the show goes on playing what it checked whatever
// happens to the name meanwhile (a sync tool removing it or renaming a new
// file in its place).
HeldMedia hold(MediaHandle&& handle);
// Only remembered by its name and stamp, holding no file handle (a show may
// list more files than a process may keep open): opened when played, and
// refused as kChangedSinceRead when the name reaches another file by then.
HeldMedia remember(const QString& path, const FileStamp& stamp);
// The stamp of an open file; a default stamp when it cannot be had.
FileStamp stampOf(int fd);
// The stamp of the regular file at `path`, not following a link; nullopt
// when there is none.
std::optional<FileStamp> regularFileAt(const QString& path);

} // namespace tv
