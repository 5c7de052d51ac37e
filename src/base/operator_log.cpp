#include "base/operator_log.h"

#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tv {

namespace {

// The log file's name, for the signal handler: it may only use what a
// handler may, so the name is kept as bytes, set before the handler is.
char logPath[4096];

// Opens the log file to append to: never a FIFO that would block, a device
// or a folder. -1, with errno, when it cannot be.
int openLogFile(const char* path)
{
    const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0640);
    if (fd < 0)
        return -1;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

void onReopen(int)
{
    const int saved = errno;
    const int fd = openLogFile(logPath);
    // A file that cannot be opened now leaves the log where it was.
    if (fd >= 0) {
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    errno = saved;
}

} // namespace

bool logGoesToJournal()
{
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    const qsizetype colon = stream.indexOf(':');
    if (colon < 0)
        return false;
    struct stat status {};
    if (::fstat(STDERR_FILENO, &status) != 0)
        return false;
    bool deviceRead = false, inodeRead = false;
    const qulonglong device = stream.left(colon).toULongLong(&deviceRead);
    const qulonglong inode = stream.mid(colon + 1).toULongLong(&inodeRead);
    return deviceRead && inodeRead && device == status.st_dev && inode == status.st_ino;
}

QString logStamp(const QDateTime& moment)
{
    if (logGoesToJournal())
        return QString();
    return moment.toOffsetFromUtc(moment.offsetFromUtc()).toString(Qt::ISODate) + QLatin1Char(' ');
}

void writeLogLine(const QString& line)
{
    static std::mutex mutex;
    const QByteArray bytes =
        (logStamp(QDateTime::currentDateTime()) + line + QLatin1Char('\n')).toLocal8Bit();
    // Lines from several threads never run into each other.
    const std::lock_guard lock(mutex);
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void ignoreLogReopen()
{
    ::signal(SIGUSR1, SIG_IGN);
}

bool logToFile(const QString& path, QString* why)
{
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty() || std::size_t(name.size()) >= sizeof logPath) {
        *why = QStringLiteral("the name is too long");
        return false;
    }
    const int fd = openLogFile(name.constData());
    if (fd < 0) {
        *why = errno == EINVAL ? QStringLiteral("not a regular file")
                               : QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    std::fflush(stderr);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
    std::memcpy(logPath, name.constData(), std::size_t(name.size()) + 1);
    struct sigaction action {};
    action.sa_handler = onReopen;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGUSR1, &action, nullptr);
    return true;
}

} // namespace tv
