#include "report/report_files.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tv {

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

Descriptor::~Descriptor()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

Descriptor openFolderAt(int parentFd, const QString& name, bool followLink, QString* why)
{
    Descriptor folder(::openat(parentFd, QFile::encodeName(name).constData(),
                               O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW)));
    if (!folder.isOpen()) {
        // O_NOFOLLOW on a link says ELOOP; with O_DIRECTORY, on any link
        // (even to a folder) and on a file, ENOTDIR.
        struct stat status {};
        const int error = errno;
        const bool link = ::fstatat(parentFd, QFile::encodeName(name).constData(), &status,
                                    AT_SYMLINK_NOFOLLOW) == 0 &&
                          S_ISLNK(status.st_mode);
        *why = link && !followLink ? QStringLiteral("a link, not a folder")
               : error == ENOTDIR  ? QStringLiteral("not a folder")
                                   : systemError(error);
    }
    return folder;
}

std::optional<QByteArray> readRegularAt(int folderFd, const QString& name, qint64 maxBytes,
                                        QString* why)
{
    // Never waits: a FIFO put in a file's place opens at once and is refused.
    const Descriptor file(::openat(folderFd, QFile::encodeName(name).constData(),
                                   O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (!file.isOpen()) {
        *why = errno == ELOOP ? QStringLiteral("a link, not a file") : systemError(errno);
        return std::nullopt;
    }
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        *why = QStringLiteral("not a regular file");
        return std::nullopt;
    }
    if (status.st_size > maxBytes) {
        *why = QStringLiteral("longer than %1 bytes").arg(maxBytes);
        return std::nullopt;
    }
    // One byte past the most, to see a file that grew since fstat.
    QByteArray bytes(status.st_size + 1, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.get(), bytes.data() + got, std::size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *why = systemError(errno);
            return std::nullopt;
        }
        if (n == 0)
            break;
        got += n;
    }
    if (got > maxBytes) {
        *why = QStringLiteral("longer than %1 bytes").arg(maxBytes);
        return std::nullopt;
    }
    bytes.truncate(got);
    return bytes;
}

QList<FolderEntry> folderEntries(int folderFd)
{
    QList<FolderEntry> entries;
    // The stream gets a descriptor of its own, which closedir() closes.
    DIR* dir = ::fdopendir(::fcntl(folderFd, F_DUPFD_CLOEXEC, 0));
    if (!dir)
        return entries;
    ::rewinddir(dir);
    while (const dirent* found = ::readdir(dir)) {
        if (std::strcmp(found->d_name, ".") == 0 || std::strcmp(found->d_name, "..") == 0)
            continue;
        FolderEntry entry{QFile::decodeName(found->d_name)};
        struct stat status {};
        if (::fstatat(folderFd, found->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
            entry.kind = S_ISREG(status.st_mode)   ? FolderEntry::Kind::Regular
                         : S_ISDIR(status.st_mode) ? FolderEntry::Kind::Folder
                                                   : FolderEntry::Kind::Other;
            entry.size = status.st_size;
        }
        entries.append(entry);
    }
    ::closedir(dir);
    return entries;
}

} // namespace tv
