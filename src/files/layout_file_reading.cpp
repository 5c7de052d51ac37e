#include "files/layout_file_reading.h"

#include "layout/layout_reader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tv {

namespace {

constexpr qint64 kReadLimit = kLargestLayoutFile + 1;

LayoutFileBytes cannotOpen(const QString& path, const QString& why)
{
    return {{},
            QStringLiteral("The layout file %1 could not be opened: %2")
                .arg(QDir::toNativeSeparators(path), why)};
}

LayoutFileBytes notALayout(const QString& path, const char* why)
{
    return {{},
            QStringLiteral("%1 is not a layout file: %2")
                .arg(QDir::toNativeSeparators(path), QLatin1String(why))};
}

LayoutFileBytes checkedLength(const QString& path, QByteArray bytes)
{
    if (bytes.size() > kLargestLayoutFile)
        return notALayout(path, "it is longer than any layout.");
    return {std::move(bytes), QString()};
}

} // namespace

#ifdef Q_OS_UNIX

LayoutFileBytes readLayoutFileBytes(const QString& path, MediaHandle::Links links)
{
    const QByteArray native = QFile::encodeName(path);
    const bool refuseLinks = links == MediaHandle::Links::Refused;
    const QString aLink = QStringLiteral("a link, not a file");
    struct stat kind {};
    if ((refuseLinks ? ::lstat(native.constData(), &kind) : ::stat(native.constData(), &kind)) != 0)
        return cannotOpen(path, qt_error_string(errno));
    if (S_ISLNK(kind.st_mode))
        return cannotOpen(path, aLink);
    if (!S_ISREG(kind.st_mode))
        return notALayout(path, "it is not a regular file.");

    // The kind may change between the look and the open: the open never waits
    // and the opened file is looked at again.
    int fd = -1;
    do
        fd = ::open(native.constData(),
                    O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (refuseLinks ? O_NOFOLLOW : 0));
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return cannotOpen(path, refuseLinks && errno == ELOOP ? aLink : qt_error_string(errno));
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return notALayout(path, "it is not a regular file.");
    }

    QByteArray bytes(kReadLimit, Qt::Uninitialized);
    qint64 got = 0;
    while (got < kReadLimit) {
        const ssize_t n = ::read(fd, bytes.data() + got, std::size_t(kReadLimit - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const QString why = qt_error_string(errno);
            ::close(fd);
            return cannotOpen(path, why);
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    bytes.truncate(got);
    return checkedLength(path, std::move(bytes));
}

#else

LayoutFileBytes readLayoutFileBytes(const QString& path, MediaHandle::Links links)
{
    if (links == MediaHandle::Links::Refused && QFileInfo(path).isSymLink())
        return cannotOpen(path, QStringLiteral("a link, not a file"));
    if (!QFileInfo(path).isFile())
        return QFileInfo::exists(path) ? notALayout(path, "it is not a regular file.")
                                       : cannotOpen(path, QStringLiteral("No such file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return cannotOpen(path, file.errorString());
    QByteArray bytes = file.read(kReadLimit);
    if (file.error() != QFileDevice::NoError)
        return cannotOpen(path, file.errorString());
    return checkedLength(path, std::move(bytes));
}

#endif

// The layout in a file, or the reason the editor would give for refusing it.
std::variant<LayoutDescription, QString> readLayout(const QString& path, MediaHandle::Links links,
                                                    ScreenShape shape)
{
    const LayoutFileBytes read = readLayoutFileBytes(path, links);
    if (!read.refusal.isEmpty())
        return read.refusal;
    auto decoded = decodeLayout(read.bytes, shape);
    if (const auto* refusal = std::get_if<ReadRefusal>(&decoded))
        return QStringLiteral("%1 was not opened. %2")
            .arg(QDir::toNativeSeparators(path), refusal->message);
    return std::get<LayoutDescription>(std::move(decoded));
}

} // namespace tv
