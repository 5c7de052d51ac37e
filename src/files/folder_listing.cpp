#include "files/folder_listing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tv {

namespace {

// A name of the folder with its sort key, computed once.
struct Entry {
    QString key;
    QString name;
    QByteArray native;
    bool operator<(const Entry& other) const
    {
        return key != other.key ? key < other.key : name < other.name;
    }
};

// Puts the first names in order, batch by batch as they are asked for, since
// only as many are shown as the list can hold; `size` gives the length of a
// normal file, or nothing for a name that turned out to be none.
template <typename SizeOf>
FolderListing firstInOrder(std::vector<Entry>& entries, int limit, SizeOf size)
{
    FolderListing listing;
    auto sortedEnd = entries.begin();
    for (auto next = entries.begin(); next != entries.end(); ++next) {
        if (next == sortedEnd) {
            const auto batchEnd = next + std::min<std::ptrdiff_t>(entries.end() - next, limit + 1);
            std::partial_sort(next, batchEnd, entries.end());
            sortedEnd = batchEnd;
        }
        const std::optional<qint64> length = size(*next);
        if (!length)
            continue;
        if (listing.files.size() >= limit) {
            listing.truncated = true;
            break;
        }
        listing.files.append({next->name, QString::number(*length)});
    }
    return listing;
}

} // namespace

bool listedBefore(const QString& a, const QString& b)
{
    const QString upperA = a.toUpper();
    const QString upperB = b.toUpper();
    if (upperA != upperB)
        return upperA < upperB;
    return a < b;
}

#ifdef Q_OS_UNIX

FolderListing listFolder(const QString& folder, int limit)
{
    // The folder is read once, by its raw names: a name that is not valid
    // text cannot be shown or stored, so it is counted instead of listed.
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        FolderListing failed;
        failed.error = qt_error_string(errno);
        return failed;
    }
    const int dirFd = ::dirfd(dir);
    std::vector<Entry> entries;
    int undecodable = 0;
    while (const dirent* found = ::readdir(dir)) {
        const QByteArray native(found->d_name);
        // Hidden files (and the folder's own entries) are not media.
        if (native.startsWith('.'))
            continue;
        // Only regular files and links to them; the type is looked up only
        // where the folder does not tell it.
        if (found->d_type != DT_REG && found->d_type != DT_LNK && found->d_type != DT_UNKNOWN)
            continue;
        const QString name = QFile::decodeName(native);
        if (QFile::encodeName(name) != native) {
            ++undecodable;
            continue;
        }
        entries.push_back({name.toUpper(), name, native});
    }
    FolderListing listing = firstInOrder(entries, limit, [dirFd](const Entry& entry) {
        struct stat info {};
        if (::fstatat(dirFd, entry.native.constData(), &info, 0) != 0 || !S_ISREG(info.st_mode))
            return std::optional<qint64>();
        return std::optional<qint64>(info.st_size);
    });
    ::closedir(dir);
    listing.undecodable = undecodable;
    return listing;
}

#else

FolderListing listFolder(const QString& folder, int limit)
{
    const QDir dir(folder);
    if (!dir.exists()) {
        FolderListing failed;
        failed.error = QStringLiteral("The folder does not exist.");
        return failed;
    }
    // Without QDir::Hidden and QDir::System, hidden files and broken links stay out.
    std::vector<Entry> entries;
    for (const QString& name : dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted))
        entries.push_back({name.toUpper(), name, {}});
    return firstInOrder(entries, limit, [&dir](const Entry& entry) {
        const QFileInfo info(dir.filePath(entry.name));
        return info.isFile() ? std::optional<qint64>(info.size()) : std::optional<qint64>();
    });
}

#endif

} // namespace tv
