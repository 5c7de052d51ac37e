#include "report/play_log.h"

#include "report/report_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tv {

namespace {

constexpr const char* kPlaysFolder = "plays";

} // namespace

QString playDayFileName(QDate day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1String(".tsv");
}

QDate dayOfText(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    return form.match(text).hasMatch() ? QDate::fromString(text, QStringLiteral("yyyy-MM-dd"))
                                       : QDate();
}

PlayLog::PlayLog(const QString& reportFolder, const QTimeZone& zone)
    : folder_(reportFolder), zone_(zone)
{
}

PlayLog::~PlayLog()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QString PlayLog::openDay(QDate day)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    dropped_ = 0;
    fullTold_ = false;
    const QString name = playDayFileName(day);
    const QString path = QDir::toNativeSeparators(QDir(folder_).filePath(kPlaysFolder));
    // The report folder is the one the display was given, a link or not;
    // the display makes it when it is missing, and plays/ in it, but never
    // goes through a link someone put in place of plays/.
    QString why;
    if (::mkdir(QFile::encodeName(folder_).constData(), 0755) != 0 && errno != EEXIST)
        return QStringLiteral("the report folder %1 cannot be made: %2")
            .arg(QDir::toNativeSeparators(folder_), systemError(errno));
    const Descriptor report = openFolderAt(AT_FDCWD, folder_, true, &why);
    if (!report.isOpen())
        return QStringLiteral("the report folder %1: %2")
            .arg(QDir::toNativeSeparators(folder_), why);
    if (::mkdirat(report.get(), kPlaysFolder, 0755) != 0 && errno != EEXIST)
        return QStringLiteral("%1 cannot be made: %2").arg(path, systemError(errno));
    const Descriptor plays = openFolderAt(report.get(), kPlaysFolder, false, &why);
    if (!plays.isOpen())
        return QStringLiteral("%1: %2").arg(path, why);
    const QByteArray native = QFile::encodeName(name);
    // A FIFO in the file's place must not hold the display: it is opened
    // without waiting, and refused.
    const int fd = ::openat(
        plays.get(), native.constData(),
        O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
    const QString file = path + QDir::separator() + name;
    if (fd < 0)
        return QStringLiteral("%1: %2").arg(
            file, errno == ELOOP ? QStringLiteral("a link, not a file") : systemError(errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return QStringLiteral("%1: not a regular file").arg(file);
    }
    // A line cut by a full disk or a crash is ended before the next one, so
    // it spoils only itself.
    cutLine_ = false;
    if (status.st_size > 0) {
        const Descriptor reading(::openat(plays.get(), native.constData(),
                                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        char last = '\n';
        cutLine_ = !reading.isOpen() || ::pread(reading.get(), &last, 1, status.st_size - 1) != 1 ||
                   last != '\n';
    }
    fd_ = fd;
    day_ = day;
    bytes_ = status.st_size;
    return QString();
}

QString PlayLog::append(const PlayRecord& given)
{
    if (const QString problem = playRecordProblem(given); !problem.isEmpty())
        return QStringLiteral("a play of %1 is not recorded: %2").arg(given.item, problem);
    // The day is the display's: its zone, not the offset the caller had.
    PlayRecord record = given;
    if (zone_.isValid()) {
        record.start = given.start.toTimeZone(zone_);
        record.end = given.end.toTimeZone(zone_);
    }
    const QDate day = record.start.date();
    if (fd_ < 0 || day != day_)
        if (const QString why = openDay(day); !why.isEmpty())
            return why;
    QByteArray line = encodePlayLine(record);
    if (bytes_ == 0)
        line.prepend(playHeaderLine());
    else if (cutLine_)
        line.prepend('\n');
    const QString file =
        QStringLiteral("%1/%2").arg(QLatin1String(kPlaysFolder), playDayFileName(day));
    if (bytes_ + line.size() > kMaxDayBytes) {
        ++dropped_;
        if (std::exchange(fullTold_, true))
            return QString();
        return QStringLiteral("%1 holds all a day may (%2 MB): the day's further plays are "
                              "counted, not written")
            .arg(file)
            .arg(kMaxDayBytes >> 20);
    }
    ssize_t written = 0;
    do
        written = ::write(fd_, line.constData(), std::size_t(line.size()));
    while (written < 0 && errno == EINTR);
    if (written < 0)
        return QStringLiteral("%1: %2").arg(file, systemError(errno));
    bytes_ += written;
    cutLine_ = written < line.size();
    if (cutLine_)
        return QStringLiteral("%1: only %2 of a line's %3 bytes were written")
            .arg(file)
            .arg(written)
            .arg(line.size());
    return QString();
}

QStringList PlayLog::prune(QDate today, QString* why)
{
    QString problem;
    QStringList removed;
    const Descriptor report = openFolderAt(AT_FDCWD, folder_, true, &problem);
    struct stat status {};
    if (report.isOpen() &&
        ::fstatat(report.get(), kPlaysFolder, &status, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
        return removed; // nothing played yet
    const Descriptor plays =
        report.isOpen() ? openFolderAt(report.get(), kPlaysFolder, false, &problem) : Descriptor();
    struct Day {
        QDate date;
        FolderEntry file;
    };
    QList<Day> days;
    if (plays.isOpen())
        for (const FolderEntry& entry : folderEntries(plays.get())) {
            const bool tsv = entry.name.endsWith(QLatin1String(".tsv"));
            const QDate date = tsv ? dayOfText(entry.name.chopped(4)) : QDate();
            if (entry.kind == FolderEntry::Kind::Regular && date.isValid())
                days.append({date, entry});
        }
    std::sort(days.begin(), days.end(), [](const Day& a, const Day& b) { return a.date < b.date; });
    qint64 total = 0;
    for (const Day& day : days)
        total += day.file.size;
    const auto remove = [&](const Day& day) {
        if (day.date == today || (fd_ >= 0 && day.date == day_))
            return;
        if (::unlinkat(plays.get(), QFile::encodeName(day.file.name).constData(), 0) != 0) {
            problem = QStringLiteral("%1/%2: %3")
                          .arg(QLatin1String(kPlaysFolder), day.file.name, systemError(errno));
            return;
        }
        removed << day.file.name;
        total -= day.file.size;
    };
    for (const Day& day : days)
        if (day.date.daysTo(today) > kKeepDays)
            remove(day);
    for (const Day& day : days)
        if (total > kMaxTotalBytes && !removed.contains(day.file.name))
            remove(day);
    if (why)
        *why = problem;
    return removed;
}

QList<PlayRecord> readPlaysAt(int folderFd, const QString& name, QString* why)
{
    QString problem;
    const auto bytes = readRegularAt(folderFd, name, PlayLog::kMaxDayBytes, &problem);
    if (why)
        *why = problem;
    QList<PlayRecord> records;
    if (!bytes)
        return records;
    // What follows the last newline is a line still being written, or cut.
    for (qsizetype at = 0, end = 0; (end = bytes->indexOf('\n', at)) >= 0; at = end + 1)
        if (auto record = decodePlayLine(QByteArrayView(*bytes).sliced(at, end - at)))
            records.append(std::move(*record));
    return records;
}

QList<PlayRecord> readPlays(const QString& path, QString* why)
{
    const QFileInfo info(path);
    QString problem;
    const Descriptor folder = openFolderAt(AT_FDCWD, info.path(), true, &problem);
    if (!folder.isOpen()) {
        if (why)
            *why = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(info.path()), problem);
        return {};
    }
    return readPlaysAt(folder.get(), info.fileName(), why);
}

} // namespace tv
