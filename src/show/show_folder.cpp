#include "show/show_folder.h"

#include "show/schedule_reading.h"

#include "base/log_text.h"
#include "files/media_open.h"
#include "files/media_resolver.h"
#include "files/sha256.h"
#include "layout/layout_reader.h"
#include "show/show_manifest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tv {

namespace {

QString shown(const QString& path)
{
    return escapedForLog(QDir::toNativeSeparators(path));
}

QString osError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other) {
            if (fd_ >= 0)
                ::close(fd_);
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    // Closes now, as the end of a write may be told only here.
    int close() { return ::close(std::exchange(fd_, -1)); }

private:
    int fd_;
};

Fd openFolder(int parentFd, const QByteArray& name)
{
    return Fd(
        ::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// A file as the disk knows it, whatever its name: a file put in its place
// under the same name is another.
using FileId = std::pair<quint64, quint64>; // device, inode

FileId idOf(const struct stat& status)
{
    return {quint64(status.st_dev), quint64(status.st_ino)};
}

struct Entry {
    QByteArray name;
    bool regular = false;
    FileId id;
};

// The entries of an open folder, as they are: a link is an entry that is not
// a regular file, never what it leads to. nullopt with errno set on failure.
std::optional<QList<Entry>> entriesOf(int folderFd)
{
    const int listed = ::dup(folderFd);
    DIR* dir = listed < 0 ? nullptr : ::fdopendir(listed);
    if (!dir) {
        const int error = errno;
        if (listed >= 0)
            ::close(listed);
        errno = error;
        return std::nullopt;
    }
    ::rewinddir(dir);
    QList<Entry> entries;
    while (const dirent* found = ::readdir(dir)) {
        const QByteArray name(found->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat status {};
        const bool known = ::fstatat(folderFd, found->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0;
        entries.append({name, known && S_ISREG(status.st_mode), known ? idOf(status) : FileId()});
    }
    ::closedir(dir);
    return entries;
}

// A publish builds its show in a folder of its own beside the target,
// ".NAME.new-XXXXXX", holding the show being built ("show") and a record of
// every file the publish wrote ("written"). A file is recorded as soon as it
// is made, and the earlier show's files just before it is swapped into the
// scratch; only recorded files are ever removed, by this publish or, when it
// was killed, by the next. A file anyone else put there is left, and so is
// the folder holding it.
constexpr const char* kBuiltName = "show";
constexpr const char* kRecordName = "written";

// The record of the files a publish wrote, one "DEVICE INODE" line each.
class ScratchRecord {
public:
    // Opens the record made in `scratchFd`; false, with errno set, when it
    // cannot be made.
    bool make(int scratchFd)
    {
        fd_ = Fd(::openat(scratchFd, kRecordName,
                          O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600));
        return fd_.isOpen();
    }
    // Records a file before anything is written to it, so that a publish
    // killed at any moment leaves it recorded (a file the record lost in a
    // crash of the machine is only left, never removed); false, with errno
    // set, when that fails.
    bool add(FileId id)
    {
        written_.insert(id);
        const QByteArray line =
            QByteArray::number(id.first) + ' ' + QByteArray::number(id.second) + '\n';
        const ssize_t put = ::write(fd_.get(), line.constData(), std::size_t(line.size()));
        if (put >= 0 && put != line.size())
            errno = ENOSPC;
        return put == line.size();
    }
    // Puts the record on the disk; false, with errno set, when that fails.
    bool sync() { return ::fdatasync(fd_.get()) == 0; }
    const QSet<FileId>& written() const { return written_; }

    // The files the record in `scratchFd` names; nullopt when there is none,
    // or it is not one this program writes.
    static std::optional<QSet<FileId>> read(int scratchFd)
    {
        const Fd fd(
            ::openat(scratchFd, kRecordName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat status {};
        constexpr qint64 kLargest = 1 << 20;
        if (!fd.isOpen() || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
            status.st_size > kLargest)
            return std::nullopt;
        QByteArray bytes(qsizetype(status.st_size), Qt::Uninitialized);
        if (::pread(fd.get(), bytes.data(), std::size_t(bytes.size()), 0) != bytes.size())
            return std::nullopt;
        QSet<FileId> written;
        static const QRegularExpression line(QStringLiteral("^(\\d+) (\\d+)$"));
        for (const QByteArray& text : bytes.split('\n')) {
            if (text.isEmpty())
                continue;
            const auto match = line.match(QString::fromLatin1(text));
            bool device = false;
            bool inode = false;
            const FileId id{match.captured(1).toULongLong(&device),
                            match.captured(2).toULongLong(&inode)};
            if (!match.hasMatch() || !device || !inode)
                return std::nullopt;
            written.insert(id);
        }
        return written;
    }

private:
    Fd fd_;
    QSet<FileId> written_;
};

// Removes a publish's scratch folder `name` in `parentFd`: from the show
// in it, the regular files `written` names (none when it is null), then that
// folder, the record and the scratch folder once empty. What was left in it,
// as a line telling so, or an empty string when it is gone.
QString clearScratch(int parentFd, const QString& parentPath, const QByteArray& name,
                     const QSet<FileId>* written)
{
    const Fd scratch = openFolder(parentFd, name);
    if (!scratch.isOpen())
        return QString();
    const Fd built = openFolder(scratch.get(), kBuiltName);
    if (built.isOpen() && written) {
        if (const auto entries = entriesOf(built.get()))
            for (const Entry& entry : *entries)
                if (entry.regular && written->contains(entry.id))
                    ::unlinkat(built.get(), entry.name.constData(), 0);
    }
    if (built.isOpen())
        ::unlinkat(scratch.get(), kBuiltName, AT_REMOVEDIR);
    // Once what it names is gone the record goes too, lest a file made
    // later take the number of one it names.
    if (written)
        ::unlinkat(scratch.get(), kRecordName, 0);
    if (::unlinkat(parentFd, name.constData(), AT_REMOVEDIR) == 0 || errno == ENOENT)
        return QString();
    QStringList left;
    for (const Entry& entry : entriesOf(scratch.get()).value_or(QList<Entry>()))
        if (entry.name != kBuiltName || !built.isOpen())
            left << shown(QFile::decodeName(entry.name));
    if (built.isOpen())
        for (const Entry& entry : entriesOf(built.get()).value_or(QList<Entry>()))
            left << shown(QStringLiteral("%1/%2").arg(QLatin1String(kBuiltName),
                                                      QFile::decodeName(entry.name)));
    left.sort();
    const qsizetype more = left.size() - 3;
    if (more > 0)
        left = left.mid(0, 3) << QStringLiteral("%1 more").arg(more);
    return QStringLiteral("%1 is left as it is: it holds %2, which publishing did not write")
        .arg(shown(QDir(parentPath).filePath(QFile::decodeName(name))),
             left.join(QStringLiteral(", ")));
}

// Clears the scratch folders of earlier publishes to `name` that never
// finished (killed, or the machine went down): only folders of this user
// named as this program names them and not locked by a publish still under
// way, and in them only the files their record names. Each folder that stays
// is told to `note`.
void removeLeftovers(int parentFd, const QString& parentPath, const QString& name,
                     const std::function<void(const QString&)>& note)
{
    const QRegularExpression scratch(
        QStringLiteral("^\\.%1\\.new-[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(name)));
    const auto entries = entriesOf(parentFd);
    if (!entries)
        return;
    for (const Entry& entry : *entries) {
        if (!scratch.match(QFile::decodeName(entry.name)).hasMatch())
            continue;
        const Fd folder = openFolder(parentFd, entry.name);
        struct stat status {};
        if (!folder.isOpen() || ::fstat(folder.get(), &status) != 0 ||
            status.st_uid != ::geteuid() || ::flock(folder.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        const auto written = ScratchRecord::read(folder.get());
        const QString left =
            clearScratch(parentFd, parentPath, entry.name, written ? &*written : nullptr);
        if (!left.isEmpty() && note)
            note(left);
    }
}

// One file of the show being built, on the disk once finish() succeeds.
class ShowFileWriter {
public:
    ShowFileWriter(int folderFd, const QString& name, ScratchRecord& record)
        : fd_(::openat(folderFd, QFile::encodeName(name).constData(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644)),
          error_(fd_.isOpen() ? 0 : errno)
    {
        struct stat status {};
        if (error_ == 0 && ::fstat(fd_.get(), &status) != 0)
            error_ = errno;
        if (error_ == 0 && !record.add(idOf(status)))
            error_ = errno;
    }
    bool write(const char* bytes, qint64 size)
    {
        while (error_ == 0 && size > 0) {
            const ssize_t put = ::write(fd_.get(), bytes, std::size_t(size));
            if (put < 0 && errno != EINTR)
                error_ = errno;
            if (put > 0) {
                bytes += put;
                size -= put;
            }
        }
        return error_ == 0;
    }
    // A full disk may be told only when the bytes go to it, here.
    bool finish()
    {
        if (error_ == 0 && ::fsync(fd_.get()) != 0)
            error_ = errno;
        if (fd_.isOpen() && fd_.close() != 0 && error_ == 0)
            error_ = errno;
        return error_ == 0;
    }
    QString errorString() const { return osError(error_); }

private:
    Fd fd_;
    int error_;
};

// Writes `bytes` as the show's file `name`; the reason, or an empty string.
QString putShowFile(int folderFd, const QString& name, const QByteArray& bytes,
                    ScratchRecord& record)
{
    ShowFileWriter file(folderFd, name, record);
    if (!file.write(bytes.constData(), bytes.size()) || !file.finish())
        return QStringLiteral("%1 could not be written: %2").arg(shown(name), file.errorString());
    return QString();
}

// Copies the media file at `from` into the show as `made->name`, taking its
// size and SHA-256 from the bytes read, so the manifest tells what was
// written; the reason, or an empty string.
QString copyShowFile(int folderFd, const QString& from, ShowFile* made, ScratchRecord& record)
{
    const MediaHandle source = MediaHandle::open(from);
    if (!source.isOpen())
        return QStringLiteral("%1 could not be read: %2").arg(shown(from), source.problem());
    ShowFileWriter file(folderFd, made->name, record);
    Sha256 hash;
    QByteArray piece(1 << 20, Qt::Uninitialized);
    qint64 done = 0;
    // As many bytes as the file had when opened: a file still growing gives
    // the part that was there, and cannot keep the publish going.
    while (done < source.size()) {
        const ssize_t got =
            ::pread(source.fd(), piece.data(),
                    std::size_t(qMin<qint64>(piece.size(), source.size() - done)), done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return QStringLiteral("%1 could not be read: %2").arg(shown(from), osError(errno));
        if (got == 0)
            break;
        hash.add(QByteArrayView(piece.constData(), got));
        if (!file.write(piece.constData(), got))
            break;
        done += got;
    }
    if (!file.finish())
        return QStringLiteral("%1 could not be copied: %2").arg(shown(from), file.errorString());
    made->size = done;
    made->sha256 = hash.hex();
    return QString();
}

// Whether `path` is `folder` or lies inside it; both are canonical.
bool holds(const QString& folder, const QString& path)
{
    return !folder.isEmpty() && !path.isEmpty() &&
           (path == folder ||
            path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder
                                                              : folder + QLatin1Char('/')));
}

// The files a show published with a manifest owns: the manifest and every
// file it lists. nullopt, with the reason in `why`, when it cannot be read.
std::optional<QSet<QString>> manifestShowFiles(const QString& target, QString* why)
{
    const MediaHandle manifestFile =
        MediaHandle::open(QDir(target).filePath(QLatin1String(kShowManifestName)));
    QString problem = manifestFile.problem();
    const QByteArray bytes =
        problem.isEmpty() ? manifestFile.readAll(kMaxManifestBytes, &problem) : QByteArray();
    const auto manifest = problem.isEmpty() ? decodeManifest(bytes, &problem) : std::nullopt;
    if (!manifest) {
        *why = QStringLiteral("holds files that are not a show (its %1 cannot be read: %2)")
                   .arg(QLatin1String(kShowManifestName), problem);
        return std::nullopt;
    }
    QSet<QString> owned{QLatin1String(kShowManifestName)};
    for (const ShowFile& file : manifest->files)
        owned.insert(file.name);
    return owned;
}

// The files a show published before manifests existed owns: its show.TXT and
// the entries its names lead to, found as MediaResolver finds them (the exact
// name, else the one entry that matches without regard to case). nullopt,
// with the reason in `why`, when there is no show.TXT or it is no layout.
std::optional<QSet<QString>> earlierShowFiles(const QString& target, const QList<Entry>& entries,
                                              QString* why)
{
    const QString layoutName = QLatin1String(kShowLayoutName);
    const QString noManifest = QStringLiteral("holds files that are not a show (it has no %1")
                                   .arg(QLatin1String(kShowManifestName));
    if (std::none_of(entries.begin(), entries.end(),
                     [](const Entry& entry) { return entry.name == kShowLayoutName; })) {
        *why = noManifest + QLatin1Char(')');
        return std::nullopt;
    }
    const MediaHandle layoutFile = MediaHandle::open(QDir(target).filePath(layoutName));
    QString problem = layoutFile.problem();
    const QByteArray bytes =
        problem.isEmpty() ? layoutFile.readAll(kLargestLayoutFile, &problem) : QByteArray();
    if (!problem.isEmpty()) {
        *why = QStringLiteral("%1, and its %2 cannot be read: %3)")
                   .arg(noManifest, layoutName, problem);
        return std::nullopt;
    }
    const auto decoded = decodeLayout(bytes);
    if (const auto* refusal = std::get_if<ReadRefusal>(&decoded)) {
        // The reader's own sentence follows; the caller ends it.
        QString told = refusal->message;
        if (told.endsWith(QLatin1Char('.')))
            told.chop(1);
        *why =
            QStringLiteral("%1, and its %2 is not a layout). %3").arg(noManifest, layoutName, told);
        return std::nullopt;
    }
    const auto& layout = std::get<LayoutDescription>(decoded);
    QSet<QString> present;
    QHash<QString, QStringList> byFoldedName;
    for (const Entry& entry : entries) {
        const QString name = QFile::decodeName(entry.name);
        present.insert(name);
        byFoldedName[name.toCaseFolded()].append(name);
    }
    QSet<QString> owned{layoutName};
    for (const QString& name : namesPlayed(layout)) {
        const QStringList alike = byFoldedName.value(name.toCaseFolded());
        if (present.contains(name))
            owned.insert(name);
        else if (alike.size() == 1)
            owned.insert(alike.first());
    }
    return owned;
}

// The files of the show in the folder `target`, the manifest among them when
// it has one, as they are now; none for an empty folder. Anything else there
// is not the program's to replace: then nullopt, with the reason in `why`.
std::optional<QList<Entry>> showFilesIn(const QString& target, QString* why)
{
    const Fd folder = openFolder(AT_FDCWD, QFile::encodeName(target));
    const auto entries = folder.isOpen() ? entriesOf(folder.get()) : std::nullopt;
    if (!entries) {
        *why = QStringLiteral("cannot be read: %1").arg(osError(errno));
        return std::nullopt;
    }
    if (entries->isEmpty())
        return entries;
    const bool hasManifest = std::any_of(entries->begin(), entries->end(), [](const Entry& entry) {
        return entry.name == kShowManifestName;
    });
    // The previous release published shows without a manifest: such a folder
    // is still this program's, so that the first publish after an upgrade
    // is not refused.
    const auto owned =
        hasManifest ? manifestShowFiles(target, why) : earlierShowFiles(target, *entries, why);
    if (!owned)
        return std::nullopt;
    // A listed file may be gone; an unlisted one is someone else's.
    for (const Entry& entry : *entries) {
        const QString name = QFile::decodeName(entry.name);
        if (!entry.regular || !owned->contains(name)) {
            *why = QStringLiteral("holds %1, which is not part of its show").arg(shown(name));
            return std::nullopt;
        }
    }
    return entries;
}

// Where a show for `given` goes: "." and ".." and trailing slashes resolved.
struct Target {
    QString shown; // the target as the user wrote it, escaped for a message
    QString path;  // absolute and canonical when it exists
    bool exists = false;
};

// A target that is a link, dangling or not, is refused: the show would go
// wherever it leads, and the folders missing there would be made.
std::optional<Target> resolveTarget(QString given, QString* why)
{
    while (given.size() > 1 && given.endsWith(QLatin1Char('/')))
        given.chop(1);
    Target target;
    target.shown = shown(given);
    // "link/" and "link/." name the link as much as "link" does.
    while (given.size() > 2 && given.endsWith(QLatin1String("/."))) {
        given.chop(2);
        while (given.size() > 1 && given.endsWith(QLatin1Char('/')))
            given.chop(1);
    }
    const QString path = QFileInfo(given).absoluteFilePath();
    struct stat status {};
    // A link to a folder is followed (a link into a sync tool's folder keeps
    // working); one leading nowhere would have folders made wherever it
    // points.
    if (::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISLNK(status.st_mode) &&
        ::stat(QFile::encodeName(path).constData(), &status) != 0) {
        *why = QStringLiteral("%1 is a link to %2, which leads nowhere; no folder is made "
                              "through a link.")
                   .arg(target.shown, shown(QFileInfo(path).symLinkTarget()));
        return std::nullopt;
    }
    const QFileInfo info(path);
    target.exists = info.exists();
    target.path = target.exists ? info.canonicalFilePath() : QDir::cleanPath(path);
    return target;
}

// Opens the folder `path`, making the folders of it that are missing one at
// a time. A folder that is there is reached as the path says, through a link
// when it is one; a folder that had to be made never is, so that a link
// leading nowhere has no folders made where it points. Closed, with the
// reason in `why`, which names `target`, when that cannot be.
Fd openOrMakeFolder(const QString& path, const Target& target, QString* why)
{
    Fd at(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    QString reached;
    for (const QString& component : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (!at.isOpen())
            break;
        reached += QLatin1Char('/') + component;
        const QByteArray name = QFile::encodeName(component);
        Fd next(::openat(at.get(), name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!next.isOpen() && errno == ENOENT) {
            if (::mkdirat(at.get(), name.constData(), 0777) != 0 && errno != EEXIST) {
                *why = QStringLiteral("The folder %1 could not be made: %2. Nothing was published.")
                           .arg(shown(path), osError(errno));
                return Fd();
            }
            next = openFolder(at.get(), name);
            const int error = errno;
            struct stat status {};
            if (!next.isOpen() &&
                ::fstatat(at.get(), name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(status.st_mode)) {
                *why = QStringLiteral("%1 lies past %2, a link leading nowhere; no folder is "
                                      "made through a link. Nothing was published.")
                           .arg(target.shown, shown(reached));
                return Fd();
            }
            errno = error;
        }
        at = std::move(next);
    }
    if (!at.isOpen())
        *why = QStringLiteral("%1 cannot be read: %2").arg(shown(path), osError(errno));
    return at;
}

bool sameFile(const struct stat& one, const struct stat& other)
{
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// Held while one publish to a target runs, so that a second publish to it
// waits its turn instead of taking the first one's scratch for a leftover or
// racing it to the rename. It is the file ".NAME.lock" beside the target:
// the publish that made it removes it when done; one left by a publish that
// was killed, or made by anyone else, is used as it is and never removed.
class PublishLock {
public:
    PublishLock(int parentFd, const QString& targetName)
        : parent_(parentFd),
          name_(QFile::encodeName(QLatin1Char('.') + targetName + QStringLiteral(".lock")))
    {
    }
    PublishLock(const PublishLock&) = delete;
    PublishLock& operator=(const PublishLock&) = delete;
    ~PublishLock()
    {
        struct stat mine {};
        struct stat there {};
        if (made_ && fd_.isOpen() && ::fstat(fd_.get(), &mine) == 0 &&
            ::fstatat(parent_, name_.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
            sameFile(mine, there))
            ::unlinkat(parent_, name_.constData(), 0);
    }

    // Takes the lock, waiting for it as long as another publish holds it,
    // and telling `note` once that it waits; false, with the reason in
    // `why`, when there can be no lock.
    bool take(const Target& target, const std::function<void(const QString&)>& note, QString* why)
    {
        bool told = false;
        for (;;) {
            made_ = true;
            fd_ = Fd(::openat(parent_, name_.constData(),
                              O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
            if (!fd_.isOpen() && errno == EEXIST) {
                made_ = false;
                fd_ = Fd(::openat(parent_, name_.constData(),
                                  O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
                if (!fd_.isOpen() && errno == ENOENT)
                    continue; // the publish that held it has just ended
            }
            struct stat mine {};
            if (!fd_.isOpen() || ::fstat(fd_.get(), &mine) != 0)
                return refused(
                    target, errno == ELOOP ? QStringLiteral("a link, not a file") : osError(errno),
                    why);
            if (!S_ISREG(mine.st_mode))
                return refused(target, QStringLiteral("not a regular file"), why);
            if (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
                if (errno != EWOULDBLOCK)
                    return refused(target, osError(errno), why);
                if (!std::exchange(told, true) && note)
                    note(QStringLiteral("waiting for another publish to %1 to finish")
                             .arg(target.shown));
                while (::flock(fd_.get(), LOCK_EX) != 0)
                    if (errno != EINTR)
                        return refused(target, osError(errno), why);
            }
            // The publish waited for may have removed the file on ending:
            // the lock is then the one made anew under its name.
            struct stat there {};
            if (::fstatat(parent_, name_.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
                sameFile(mine, there))
                return true;
        }
    }

private:
    bool refused(const Target& target, const QString& reason, QString* why) const
    {
        *why = QStringLiteral("The lock file %1 beside %2 cannot be used: %3. Nothing was "
                              "published.")
                   .arg(shown(QFile::decodeName(name_)), target.shown, reason);
        return false;
    }

    int parent_;
    QByteArray name_;
    Fd fd_;
    bool made_ = false;
};

// Why the show may not replace what is at `target`, or an empty string.
// Only what this program wrote is ever replaced.
QString refusalOf(const Target& target, const QString& mediaFolder, const QString& layoutFile,
                  QList<Entry>* oldShow)
{
    const QString nothing = QStringLiteral(" Nothing was published.");
    if (QFileInfo(target.path).fileName().isEmpty())
        return QStringLiteral("%1 cannot hold a show.").arg(target.shown) + nothing;
    if (!target.exists)
        return QString();
    // A show inside the media folder is let be: the media are the files of
    // that folder itself, and a show folder there is none of them.
    const QString media = QFileInfo(mediaFolder).canonicalFilePath();
    if (!mediaFolder.isEmpty() && media == target.path)
        return QStringLiteral("%1 is the media folder; a show needs a folder of its own.")
                   .arg(target.shown) +
               nothing;
    if (!mediaFolder.isEmpty() && holds(target.path, media))
        return QStringLiteral("%1 holds the media folder %2.").arg(target.shown, shown(media)) +
               nothing;
    const QString layoutFolder =
        layoutFile.isEmpty() ? QString() : QFileInfo(layoutFile).absoluteDir().canonicalPath();
    if (holds(target.path, layoutFolder))
        return QStringLiteral("%1 holds the layout being published.").arg(target.shown) + nothing;
    if (!QFileInfo(target.path).isDir())
        return QStringLiteral("%1 is a file, not a folder.").arg(target.shown) + nothing;
    QString why;
    const auto owned = showFilesIn(target.path, &why);
    if (!owned)
        return QStringLiteral("%1 %2.").arg(target.shown, why) + nothing;
    *oldShow = *owned;
    return QString();
}

// What a show holds of its own, written as given: a layout as "show.TXT", or
// a schedule as "show.schedule" with each layout it names under its own name.
struct OwnFile {
    QString name;
    QByteArray bytes;
};

QString publishOwn(const QList<OwnFile>& own, const QList<LayoutDescription>& layouts,
                   const QString& mediaFolder, const QString& given, const QString& layoutFile,
                   const std::function<void(const QString&)>& note,
                   const QMap<QString, ScreenShape>& shapes);

} // namespace

QString publishShow(const QByteArray& layout, const QString& mediaFolder, const QString& given,
                    const QString& layoutFile, const std::function<void(const QString&)>& note,
                    ScreenShape shape)
{
    const auto decoded = decodeLayout(layout, shape);
    if (const auto* refusal = std::get_if<ReadRefusal>(&decoded))
        return refusal->message;
    return publishOwn({{QLatin1String(kShowLayoutName), layout}},
                      {std::get<LayoutDescription>(decoded)}, mediaFolder, given, layoutFile, note,
                      {{QLatin1String(kShowLayoutName), shape}});
}

QString publishSchedule(const ScheduleFile& schedule, const QString& mediaFolder,
                        const QString& target, const QString& scheduleFile,
                        const std::function<void(const QString& line)>& note,
                        const std::function<ScreenShape(const QString& layoutPath)>& shapeOf)
{
    QList<OwnFile> own{{QLatin1String(kShowScheduleName), schedule.bytes}};
    QList<LayoutDescription> layouts;
    QMap<QString, ScreenShape> shapes;
    // The schedule names its layouts by where they lie beside it.
    const QDir beside = QFileInfo(scheduleFile).absoluteDir();
    for (auto layout = schedule.layoutBytes.cbegin(); layout != schedule.layoutBytes.cend();
         ++layout) {
        own.append({layout.key(), layout.value()});
        layouts.append(schedule.layouts.value(layout.key()));
        shapes.insert(layout.key(), !shapeOf ? ScreenShape::Landscape
                                    : scheduleFile.isEmpty()
                                        ? shapeOf(layout.key())
                                        : shapeOf(beside.filePath(layout.key())));
    }
    return publishOwn(own, layouts, mediaFolder, target, scheduleFile, note, shapes);
}

namespace {

QString publishOwn(const QList<OwnFile>& own, const QList<LayoutDescription>& layouts,
                   const QString& mediaFolder, const QString& given, const QString& layoutFile,
                   const std::function<void(const QString&)>& note,
                   const QMap<QString, ScreenShape>& shapes)
{
    const auto isOwn = [&](const QString& name) {
        return name.compare(QLatin1String(kShowManifestName), Qt::CaseInsensitive) == 0 ||
               std::any_of(own.begin(), own.end(), [&](const OwnFile& file) {
                   return file.name.compare(name, Qt::CaseInsensitive) == 0;
               });
    };
    // The media the layouts name, each copied once under its name on disk,
    // however many names differing only in case, or layouts, lead to it.
    const MediaResolver media(mediaFolder);
    QStringList missing;
    QStringList reserved;
    QList<std::pair<QString, QString>> copies; // from, as
    QSet<QString> copied;
    QSet<QString> named;
    for (const LayoutDescription& layout : layouts) {
        for (const QString& name : namesPlayed(layout)) {
            if (named.contains(name))
                continue;
            named.insert(name);
            QString why;
            const QString path = media.resolve(name, &why);
            const QString as = QFileInfo(path).fileName();
            if (path.isEmpty())
                missing << escapedForLog(name);
            else if (isOwn(name) || isOwn(as))
                reserved << escapedForLog(name);
            else if (!copied.contains(as)) {
                copied.insert(as);
                copies.append({path, as});
            }
        }
    }
    if (!missing.isEmpty())
        return QStringLiteral("These media files are not in %1: %2. Nothing was published.")
            .arg(shown(mediaFolder), missing.join(QStringLiteral(", ")));
    if (!reserved.isEmpty()) {
        QStringList names;
        for (const OwnFile& file : own)
            names << escapedForLog(file.name);
        names << QLatin1String(kShowManifestName);
        return QStringLiteral("A show's own files are %1, so it cannot also play %2. "
                              "Nothing was published.")
            .arg(names.join(QStringLiteral(", ")), reserved.join(QStringLiteral(", ")));
    }

    QString why;
    auto target = resolveTarget(given, &why);
    if (!target)
        return why + QStringLiteral(" Nothing was published.");
    // Refused before anything is made; looked at again once it is this
    // publish's turn.
    QList<Entry> oldShow;
    if (const QString refusal = refusalOf(*target, mediaFolder, layoutFile, &oldShow);
        !refusal.isEmpty())
        return refusal;
    oldShow.clear();

    const QFileInfo where(target->path);
    const Fd parent = openOrMakeFolder(where.absolutePath(), *target, &why);
    if (!parent.isOpen())
        return why;
    PublishLock lock(parent.get(), where.fileName());
    if (!lock.take(*target, note, &why))
        return why;
    // Another publish may have come first: what is there now is what the
    // show replaces.
    target = resolveTarget(given, &why);
    if (!target)
        return why + QStringLiteral(" Nothing was published.");
    if (const QString refusal = refusalOf(*target, mediaFolder, layoutFile, &oldShow);
        !refusal.isEmpty())
        return refusal;
    const QString parentPath = where.absolutePath();
    removeLeftovers(parent.get(), parentPath, where.fileName(), note);

    // Built beside the target, on the same file system, so that one rename
    // puts it in place; locked while it is built, so that a publish of an
    // older release started meanwhile does not take it for a leftover.
    const QByteArray prefix = QFile::encodeName(QLatin1Char('.') + where.fileName()) + ".new-";
    QByteArray scratchName;
    int scratchMade = -1;
    for (int tries = 0; scratchMade != 0 && tries < 100; ++tries) {
        static constexpr char kLetters[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        scratchName = prefix;
        for (int i = 0; i < 6; ++i)
            scratchName += kLetters[QRandomGenerator::system()->bounded(int(sizeof kLetters) - 1)];
        scratchMade = ::mkdirat(parent.get(), scratchName.constData(), 0700);
        if (scratchMade != 0 && errno != EEXIST)
            break;
    }
    if (scratchMade != 0)
        return QStringLiteral("A folder beside %1 could not be made: %2")
            .arg(target->shown, osError(errno));
    const auto cleared = [&](const QSet<FileId>& written) {
        if (const QString left = clearScratch(parent.get(), parentPath, scratchName, &written);
            !left.isEmpty() && note)
            note(left);
    };
    const Fd scratch = openFolder(parent.get(), scratchName);
    ScratchRecord record;
    Fd built;
    if (scratch.isOpen() && ::flock(scratch.get(), LOCK_EX) == 0 && record.make(scratch.get()) &&
        ::mkdirat(scratch.get(), kBuiltName, 0755) == 0)
        built = openFolder(scratch.get(), kBuiltName);
    if (!built.isOpen() || ::fchmod(built.get(), 0755) != 0) {
        const int error = errno;
        cleared({});
        return QStringLiteral("A folder beside %1 could not be made: %2")
            .arg(target->shown, osError(error));
    }
    const auto failed = [&](const QString& reason) {
        cleared(record.written());
        return QStringLiteral("The show was not written to %1: %2").arg(target->shown, reason);
    };

    ShowManifest manifest;
    manifest.layoutName = QFileInfo(layoutFile).fileName();
    manifest.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    manifest.published = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
    manifest.shapes = shapes;
    for (const OwnFile& file : own) {
        manifest.files.append({file.name, file.bytes.size(), Sha256::hexOf(file.bytes)});
        if (const QString failure = putShowFile(built.get(), file.name, file.bytes, record);
            !failure.isEmpty())
            return failed(failure);
    }
    for (const auto& [from, as] : copies) {
        ShowFile made{as, 0, {}};
        if (const QString failure = copyShowFile(built.get(), from, &made, record);
            !failure.isEmpty())
            return failed(failure);
        manifest.files.append(made);
    }
    // The manifest last: a folder with one holds every file it lists.
    if (const QString failure = putShowFile(built.get(), QLatin1String(kShowManifestName),
                                            encodeManifest(manifest), record);
        !failure.isEmpty())
        return failed(failure);
    if (::fsync(built.get()) != 0)
        return failed(osError(errno));
    // The earlier show's files, as they were when it was looked at: a file
    // put in its place since is someone else's. On the disk before the swap,
    // so that they are recorded wherever the machine stops.
    if (!std::all_of(oldShow.begin(), oldShow.end(),
                     [&](const Entry& file) { return record.add(file.id); }) ||
        !record.sync())
        return failed(QStringLiteral("%1 could not be written: %2")
                          .arg(QLatin1String(kRecordName), osError(errno)));

    // Swapped with what is there in one step, or put where nothing is; never
    // over something that came meanwhile.
    const QByteArray to = QFile::encodeName(where.fileName());
    if (::renameat2(scratch.get(), kBuiltName, parent.get(), to.constData(),
                    target->exists ? RENAME_EXCHANGE : RENAME_NOREPLACE) != 0) {
        const int error = errno;
        cleared(record.written());
        return QStringLiteral("%1 could not be put in place: %2")
            .arg(target->shown, osError(error));
    }
    // The earlier show now lies where the new one was built: only its own
    // files are removed, and the folders once empty.
    cleared(record.written());
    ::fsync(parent.get());
    return QString();
}

} // namespace

QString showLayoutIn(const QString& folder)
{
    const QDir dir(folder);
    // A show of a schedule plays its schedule.
    const QFileInfo schedule(dir.filePath(QLatin1String(kShowScheduleName)));
    if (schedule.isFile() || schedule.isSymLink())
        return schedule.filePath();
    const QFileInfo named(dir.filePath(QLatin1String(kShowLayoutName)));
    if (named.isFile() || named.isSymLink())
        return named.filePath();
    const QStringList layouts = dir.entryList({QStringLiteral("*.txt")}, QDir::Files);
    return layouts.size() == 1 ? dir.filePath(layouts.first()) : QString();
}

} // namespace tv
