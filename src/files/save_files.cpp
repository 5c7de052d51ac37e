#include "files/save_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tv {

namespace {

// Hands every byte written so far to the disk. Qt's own flush only empties
// its buffer into the system; a full disk may still refuse the data later.
bool syncToDisk(QFileDevice& file, QString* error)
{
#ifdef Q_OS_WIN
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    if (handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle))
        return true;
    *error = qt_error_string(int(GetLastError()));
#else
    int result = 0;
    do
        result = ::fsync(file.handle());
    while (result != 0 && errno == EINTR);
    if (result == 0)
        return true;
    *error = qt_error_string(errno);
#endif
    return false;
}

// Writes every byte or fails with the system's reason. The file is unbuffered:
// a write the system cuts short is tried again for the rest, which then fails
// with the system's own reason.
bool writeAll(QFileDevice& file, const QByteArray& bytes, QString* error)
{
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            *error = file.errorString();
            return false;
        }
        done += written;
    }
    return true;
}

// As writeAll, then pushes the bytes through to the disk, so that no error of
// the final write can be lost.
bool writeThrough(QFileDevice& file, const QByteArray& bytes, QString* error)
{
    return writeAll(file, bytes, error) && syncToDisk(file, error);
}

// Renames a file over another, replacing it (or a link of that name) as a
// whole in one step.
bool renameOver(const QString& from, const QString& to, QString* error)
{
#ifdef Q_OS_WIN
    if (MoveFileExW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(from).utf16()),
                    reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(to).utf16()),
                    MOVEFILE_REPLACE_EXISTING))
        return true;
    *error = qt_error_string(int(GetLastError()));
#else
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *error = qt_error_string(errno);
#endif
    return false;
}

} // namespace

bool SaveFiles::exists(const QString& path)
{
    return QFileInfo::exists(path);
}

bool SaveFiles::writeScratch(const QString& path, const QByteArray& bytes, QString* error,
                             Readers readers)
{
    // A new file of a name no one else has (created exclusively, so no link
    // is followed), renamed over the old copy once it is complete.
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open()) {
        *error = file.errorString();
        return false;
    }
#ifndef Q_OS_WIN
    // Made for its owner alone; opened up by its handle, never its name.
    if (readers == Readers::Everyone && ::fchmod(file.handle(), 0644) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
#else
    Q_UNUSED(readers);
#endif
    QFile unbuffered;
    if (!unbuffered.open(file.handle(), QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !writeAll(unbuffered, bytes, error)) {
        if (error->isEmpty())
            *error = unbuffered.errorString();
        return false;
    }
    unbuffered.close();
    file.close();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    // The old copy goes first: renaming over a file would make some file
    // systems push the new one to the disk at once, which the copy does not
    // need. The rename itself never follows a link.
    QFile::remove(path);
    if (!renameOver(file.fileName(), path, error))
        return false; // the unfinished copy is removed with `file`
    file.setAutoRemove(false);
    return true;
}

bool SaveFiles::replaceWhole(const QString& path, const QByteArray& bytes, QString* error)
{
    // No direct-write fallback: where the file cannot be replaced as a whole,
    // the save fails rather than overwrite the old file in place.
    // Every byte is flushed and synced before the commit: Qt counts no error
    // of a flush that only happens inside commit(), and would then put an
    // empty file in place of the old one.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    if (!writeThrough(file, bytes, error)) {
        file.cancelWriting();
        return false; // the unfinished new file is removed with `file`
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

namespace {

// Whether a save may put its copy at this path: nothing is there yet, or the
// user's own regular file or link. In a shared folder another user's file is
// left alone, and so is anything that is not a file.
bool ownsOrFree(const QString& path)
{
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    return !info.exists() || info.isFile();
#else
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT;
    return (S_ISREG(status.st_mode) || S_ISLNK(status.st_mode)) && status.st_uid == ::geteuid();
#endif
}

} // namespace

QString tempLayoutPath()
{
    const QString named = qEnvironmentVariable("TEMP");
    if (!named.isEmpty()) {
        const QString path = QDir(named).filePath(QStringLiteral("TEMP2.mzy"));
        if (ownsOrFree(path))
            return QDir::toNativeSeparators(path);
    }
    return ownTempLayoutPath();
}

QString ownTempLayoutPath()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                 QStringLiteral("/tessellview");
        if (QDir().mkpath(folder))
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
    }
    return QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("TEMP2.mzy")));
}

QString saveLayoutFile(const QByteArray& bytes, const QString& destination, const QString& tempPath,
                       SaveFiles& files)
{
    QString why;
    if (!files.writeScratch(tempPath, bytes, &why)) {
        // The copy is a courtesy; the destination never depends on it.
        const QString own = ownTempLayoutPath();
        QString ownWhy;
        if (own == tempPath || !files.writeScratch(own, bytes, &ownWhy))
            return QStringLiteral("The temporary file %1 could not be written: %2")
                .arg(tempPath, why);
    }
    if (!files.replaceWhole(destination, bytes, &why))
        return QStringLiteral("%1 could not be written: %2")
            .arg(QDir::toNativeSeparators(destination), why);
    return QString();
}

} // namespace tv
