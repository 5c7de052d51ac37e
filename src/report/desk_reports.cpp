#include "report/desk_reports.h"

#include "report/report_files.h"

#include "base/log_text.h"
#include "files/folder_listing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tv {

namespace {

// A file handle closed when it goes.
class HeldFd {
public:
    explicit HeldFd(int fd) : fd_(fd) {}
    HeldFd(const HeldFd&) = delete;
    HeldFd& operator=(const HeldFd&) = delete;
    ~HeldFd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

QString tooLarge()
{
    return QStringLiteral("larger than %1").arg(sizeText(DisplayStatus::kMaxBytes));
}

// The status in the folder open as `folderFd`, or why it cannot be read.
// Opened without waiting and without following a link, and checked to be a
// regular file on the handle read: whatever the name is swapped for meanwhile
// is never read.
QByteArray screenAt(int folderFd)
{
    QString why;
    return readRegularAt(folderFd, QStringLiteral("screen.jpg"), kMaxScreenBytes, &why)
        .value_or(QByteArray());
}

void readStatus(int folderFd, DisplayReport& report)
{
    const HeldFd file(
        ::openat(folderFd, kStatusFileName, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno != ENOENT)
            report.unreadable =
                errno == ELOOP ? QStringLiteral("a link, not a file") : qt_error_string(errno);
        return;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        report.unreadable = QStringLiteral("not a regular file");
        return;
    }
    if (info.st_size > DisplayStatus::kMaxBytes) {
        report.unreadable = tooLarge();
        return;
    }
    // One byte more than a status may hold tells one that grew meanwhile.
    QByteArray bytes(DisplayStatus::kMaxBytes + 1, Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got =
            ::read(file.get(), bytes.data() + done, std::size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            report.unreadable = qt_error_string(errno);
            return;
        }
        if (got == 0)
            break;
        done += got;
    }
    if (done > DisplayStatus::kMaxBytes) {
        report.unreadable = tooLarge();
        return;
    }
    bytes.truncate(done);
    QString why;
    report.status = decodeStatus(bytes, &why);
    if (!report.status)
        report.unreadable = why;
}

QString folderName(const QString& path)
{
    const QString name = QFileInfo(QDir::cleanPath(QFileInfo(path).absoluteFilePath())).fileName();
    return name.isEmpty() ? path : name;
}

} // namespace

DeskReports readReports(const QString& reportDir, bool withScreens)
{
    DeskReports desk;
    const int deskFd =
        ::open(QFile::encodeName(reportDir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (deskFd < 0) {
        desk.error = qt_error_string(errno);
        return desk;
    }
    // A display's own report folder, given alone.
    struct stat info {};
    if (::fstatat(deskFd, kStatusFileName, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        const HeldFd held(deskFd);
        DisplayReport report{folderName(reportDir), std::nullopt, {}, {}};
        readStatus(deskFd, report);
        if (withScreens)
            report.screen = screenAt(deskFd);
        desk.displays.append(report);
        return desk;
    }
    DIR* dir = ::fdopendir(deskFd);
    if (!dir) {
        desk.error = qt_error_string(errno);
        ::close(deskFd);
        return desk;
    }
    for (errno = 0; const dirent* found = ::readdir(dir); errno = 0) {
        const QByteArray native(found->d_name);
        if (native.startsWith('.') || (found->d_type != DT_DIR && found->d_type != DT_UNKNOWN))
            continue;
        // The type is checked again on the handle: a folder swapped for a
        // link since it was listed is refused, not followed.
        const HeldFd folder(::openat(::dirfd(dir), native.constData(),
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (folder.get() < 0 && (errno == ENOTDIR || errno == ELOOP))
            continue;
        DisplayReport report{QFile::decodeName(native), std::nullopt, {}, {}};
        if (folder.get() < 0) {
            report.unreadable = qt_error_string(errno);
        } else {
            readStatus(folder.get(), report);
            if (withScreens)
                report.screen = screenAt(folder.get());
        }
        desk.displays.append(report);
    }
    if (errno != 0)
        desk.error = qt_error_string(errno);
    ::closedir(dir);
    std::sort(desk.displays.begin(), desk.displays.end(),
              [](const DisplayReport& a, const DisplayReport& b) {
                  return listedBefore(a.name, b.name);
              });
    return desk;
}

} // namespace tv
