#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace tv {

// A media file held open for reading. It was opened without waiting (a FIFO
// or a device swapped in under a media name cannot stall the caller), without
// following a link, and checked to be a regular file on the opened handle, so
// what is read is what was checked, whatever the name points at later.
// A size limit as a person reads it: "4 MB", "64 KB" or "9 bytes".
QString sizeText(qint64 bytes);

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
    int fd() const { return fd_; }
    qint64 size() const { return size_; }
    // Why the file could not be opened; empty when it is open.
    const QString& problem() const { return problem_; }
    // A name the media backend can open that reaches this very file, not
    // whatever the media name points at now.
    QString stablePath() const;

    // The whole file, when it is no larger than maxBytes; else empty, with
    // the reason in `why`.
    QByteArray readAll(qint64 maxBytes, QString* why) const;

private:
    int fd_ = -1;
    qint64 size_ = 0;
    QString problem_;
};

// A media file a show holds open, so that it goes on playing what it
// checked whatever happens to the name meanwhile (a sync tool removing it
// or writing a new file in its place). `path` is a name only
// MediaHandle::open understands, valid while `handle` lives anywhere.
struct HeldMedia {
    QString path;
    std::shared_ptr<const MediaHandle> handle;
};
HeldMedia hold(MediaHandle&& handle);

// Control characters in names and messages, as the log shows them: escaped,
// so that a name can neither split a log line nor send the terminal a
// command.
QString escapedForLog(const QString& text);

} // namespace tv
