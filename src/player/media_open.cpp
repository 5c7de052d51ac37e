#include "player/media_open.h"

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

// The files shows hold, by the number in their held path. A number is never
// used twice, so a path outliving its file reaches nothing rather than
// another file.
struct HeldFiles {
    std::mutex mutex;
    quint64 last = 0;
    std::unordered_map<quint64, std::weak_ptr<const MediaHandle>> byNumber;
};

HeldFiles& heldFiles()
{
    static HeldFiles* files = new HeldFiles; // used by workers until the end
    return *files;
}

const QLatin1String kHeldPrefix("held:");

// The handle a held path names, while it is held.
std::shared_ptr<const MediaHandle> heldAt(const QString& path)
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

} // namespace

HeldMedia hold(MediaHandle&& handle)
{
    HeldFiles& files = heldFiles();
    quint64 number = 0;
    {
        const std::lock_guard lock(files.mutex);
        number = ++files.last;
    }
    std::shared_ptr<const MediaHandle> held(new MediaHandle(std::move(handle)),
                                            [number](const MediaHandle* released) {
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

MediaHandle::MediaHandle(MediaHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_), problem_(std::move(other.problem_))
{
}

MediaHandle& MediaHandle::operator=(MediaHandle&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
        problem_ = std::move(other.problem_);
    }
    return *this;
}

MediaHandle::~MediaHandle()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QString sizeText(qint64 bytes)
{
    if (bytes > 0 && bytes % (qint64(1) << 20) == 0)
        return QStringLiteral("%1 MB").arg(bytes >> 20);
    if (bytes > 0 && bytes % 1024 == 0)
        return QStringLiteral("%1 KB").arg(bytes >> 10);
    return QStringLiteral("%1 bytes").arg(bytes);
}

MediaHandle MediaHandle::open(const QString& path, Links links)
{
    MediaHandle handle;
    if (path.startsWith(kHeldPrefix)) {
        const auto held = heldAt(path);
        const int fd = held && held->isOpen() ? ::fcntl(held->fd(), F_DUPFD_CLOEXEC, 0) : -1;
        if (fd < 0) {
            handle.problem_ = held ? QString::fromLocal8Bit(std::strerror(errno))
                                   : QStringLiteral("no longer part of the show");
            return handle;
        }
        handle.fd_ = fd;
        handle.size_ = held->size();
        return handle;
    }
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
    return handle;
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

QString escapedForLog(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\')
            escaped += QStringLiteral("\\\\");
        else if (u < 0x20 || (u >= 0x7f && u < 0xa0) || u == 0x2028 || u == 0x2029)
            escaped += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        else
            escaped += c;
    }
    return escaped;
}

} // namespace tv
