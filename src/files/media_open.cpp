#include "files/media_open.h"

#include "base/log_text.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tv {

namespace {

// A file a show plays: held open, or only its name and stamp.
struct Remembered {
    MediaHandle handle; // open when held
    QString path;       // the name it was found at, when only remembered
    FileStamp stamp;    // as the show read it
};

// The files shows play, by the number in their held path. A number is never
// used twice, so a path outliving its file reaches nothing rather than
// another file. A held path is a name any decoder may be handed (FFmpeg and
// Qt's readers take names), so the paths are known process-wide; the files
// themselves belong to the shows that hold them.
struct HeldFiles {
    // Guarded by `mutex`: shows hold files on their readers' threads,
    // decoders open them on theirs.
    std::mutex mutex;
    quint64 last = 0;
    std::unordered_map<quint64, std::weak_ptr<const Remembered>> byNumber;
};

HeldFiles& heldFiles()
{
    static HeldFiles* files = new HeldFiles; // used by workers until the end
    return *files;
}

const QLatin1String kHeldPrefix("held:");

// The file a held path names, while it is held.
std::shared_ptr<const Remembered> heldAt(const QString& path)
{
    bool ok = false;
    const quint64 number = QStringView(path).mid(kHeldPrefix.size()).toULongLong(&ok);
    if (!ok)
        return nullptr;
    HeldFiles& files = heldFiles();
    const std::lock_guard lock(files.mutex);
    const auto found = files.byNumber.find(number);
    return found == files.byNumber.end() ? nullptr : found->second.lock();
}

HeldMedia keep(Remembered&& file)
{
    HeldFiles& files = heldFiles();
    quint64 number = 0;
    {
        const std::lock_guard lock(files.mutex);
        number = ++files.last;
    }
    std::shared_ptr<const Remembered> held(new Remembered(std::move(file)),
                                           [number](const Remembered* released) {
                                               {
                                                   HeldFiles& all = heldFiles();
                                                   const std::lock_guard lock(all.mutex);
                                                   all.byNumber.erase(number);
                                               }
                                               delete released;
                                           });
    {
        const std::lock_guard lock(files.mutex);
        files.byNumber.emplace(number, held);
    }
    return {kHeldPrefix + QString::number(number), held};
}

FileStamp stampOf(const struct stat& status)
{
    return {quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
            qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec,
            qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec};
}

// Whether an open file whose status is `now` still holds what it held at
// `then`. A file renamed over or removed has its change time set as it loses
// its last name, while what it holds stays as it was: no writer reaches it
// by a name any more.
bool holdsTheSame(const struct stat& now, const FileStamp& then)
{
    const FileStamp stamp = stampOf(now);
    if (stamp == then)
        return true;
    return now.st_nlink == 0 && stamp.device == then.device && stamp.inode == then.inode &&
           stamp.size == then.size && stamp.modifiedNs == then.modifiedNs;
}

} // namespace

size_t qHash(const FileStamp& stamp, size_t seed)
{
    return qHashMulti(seed, stamp.device, stamp.inode, stamp.size, stamp.modifiedNs,
                      stamp.changedNs);
}

FileStamp stampOf(int fd)
{
    struct stat status {};
    return ::fstat(fd, &status) == 0 ? stampOf(status) : FileStamp{};
}

std::optional<FileStamp> regularFileAt(const QString& path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return stampOf(status);
}

HeldMedia hold(MediaHandle&& handle)
{
    const FileStamp stamp = handle.stamp_;
    return keep({std::move(handle), QString(), stamp});
}

HeldMedia remember(const QString& path, const FileStamp& stamp)
{
    return keep({MediaHandle(), path, stamp});
}

MediaHandle::MediaHandle(MediaHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_), stamp_(other.stamp_),
      problem_(std::move(other.problem_))
{
}

MediaHandle& MediaHandle::operator=(MediaHandle&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
        stamp_ = other.stamp_;
        problem_ = std::move(other.problem_);
    }
    return *this;
}

MediaHandle::~MediaHandle()
{
    if (fd_ >= 0)
        ::close(fd_);
}

MediaHandle MediaHandle::open(const QString& path, Links links)
{
    if (!path.startsWith(kHeldPrefix))
        return openAt(path, links);
    MediaHandle handle;
    const auto held = heldAt(path);
    if (!held) {
        handle.problem_ = QStringLiteral("no longer part of the show");
        return handle;
    }
    if (!held->handle.isOpen()) {
        handle = openAt(held->path, Links::Refused);
    } else if (const int fd = ::fcntl(held->handle.fd(), F_DUPFD_CLOEXEC, 0); fd >= 0) {
        handle.fd_ = fd;
        handle.size_ = held->handle.size();
    } else {
        handle.problem_ = QString::fromLocal8Bit(std::strerror(errno));
    }
    // Whatever is read from it now is checked against the show's reading.
    handle.stamp_ = held->stamp;
    if (handle.isOpen() && !handle.unchanged()) {
        handle = MediaHandle();
        handle.problem_ = QLatin1String(kChangedSinceRead);
    }
    return handle;
}

MediaHandle MediaHandle::openAt(const QString& path, Links links)
{
    MediaHandle handle;
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC |
                                                  (links == Links::Refused ? O_NOFOLLOW : 0));
    if (fd < 0) {
        handle.problem_ = errno == ELOOP ? QStringLiteral("a link, not a file")
                                         : QString::fromLocal8Bit(std::strerror(errno));
        return handle;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        handle.problem_ = QStringLiteral("not a regular file");
        return handle;
    }
    // Reads of a regular file never wait for a writer; the flag is dropped so
    // that a short read means the end of the file.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    handle.fd_ = fd;
    handle.size_ = qint64(status.st_size);
    handle.stamp_ = stampOf(status);
    return handle;
}

bool MediaHandle::unchanged() const
{
    struct stat status {};
    return fd_ >= 0 && ::fstat(fd_, &status) == 0 && holdsTheSame(status, stamp_);
}

QString MediaHandle::stablePath() const
{
    return fd_ < 0 ? QString() : QStringLiteral("/proc/self/fd/%1").arg(fd_);
}

QByteArray MediaHandle::readAll(qint64 maxBytes, QString* why) const
{
    if (fd_ < 0) {
        *why = problem_;
        return {};
    }
    if (size_ > maxBytes) {
        *why = QStringLiteral("larger than %1").arg(sizeText(maxBytes));
        return {};
    }
    QByteArray bytes;
    bytes.resize(qsizetype(size_));
    qint64 done = 0;
    while (done < size_) {
        const ssize_t got = ::pread(fd_, bytes.data() + done, std::size_t(size_ - done), done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *why = QString::fromLocal8Bit(std::strerror(errno));
            return {};
        }
        if (got == 0)
            break; // the file shrank since it was opened
        done += got;
    }
    bytes.truncate(qsizetype(done));
    return bytes;
}

} // namespace tv
