#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace tv {

// A file descriptor, closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor();
    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }

private:
    int fd_;
};

// Report folders travel between machines, so whatever is in them may have
// been put there by anyone: below the folder a person names, a link is never
// followed and only regular files are read.

// The folder `name` in the folder `parentFd` (AT_FDCWD: `name` is a path,
// which may be a link the user chose); not open, with `why` set, when it is
// missing, a link or no folder.
Descriptor openFolderAt(int parentFd, const QString& name, bool followLink, QString* why);

// The regular file `name` of a folder, read whole; nullopt with `why` set
// when it is missing, a link, no regular file, or longer than `maxBytes`.
std::optional<QByteArray> readRegularAt(int folderFd, const QString& name, qint64 maxBytes,
                                        QString* why);

struct FolderEntry {
    QString name;
    enum class Kind { Regular, Folder, Other } kind = Kind::Other; // links are Other
    qint64 size = 0;
};

// What a folder holds, as lstat sees it, without "." and "..".
QList<FolderEntry> folderEntries(int folderFd);

// The system's words for an errno value.
QString systemError(int error);

} // namespace tv
