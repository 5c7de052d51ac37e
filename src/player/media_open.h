#pragma once

#include <QByteArray>
#include <QString>

namespace tv {

// A media file held open for reading. It was opened without waiting (a FIFO
// or a device swapped in under a media name cannot stall the caller), without
// following a link, and checked to be a regular file on the opened handle, so
// what is read is what was checked, whatever the name points at later.
class MediaHandle {
public:
    MediaHandle() = default;
    MediaHandle(MediaHandle&& other) noexcept;
    MediaHandle& operator=(MediaHandle&& other) noexcept;
    MediaHandle(const MediaHandle&) = delete;
    MediaHandle& operator=(const MediaHandle&) = delete;
    ~MediaHandle();

    static MediaHandle open(const QString& path);

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

// Control characters in names and messages, as the log shows them: escaped,
// so that a name can neither split a log line nor send the terminal a
// command.
QString escapedForLog(const QString& text);

} // namespace tv
