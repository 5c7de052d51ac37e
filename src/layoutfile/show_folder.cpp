#include "layoutfile/show_folder.h"

#include "layoutfile/layout_reader.h"
#include "player/media_resolver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tv {

namespace {

// Every name the layout plays, once each, in play order.
QStringList namesOf(const LayoutDescription& layout)
{
    QStringList names;
    if (layout.video)
        names << layout.video->names;
    for (const LayoutWindow& window : layout.pictures)
        names << window.names;
    names.removeDuplicates();
    return names;
}

// Hands a file's or folder's bytes to the disk, so that the show put in place
// is whole even after a power cut.
bool syncPath(const QString& path, bool folder)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_CLOEXEC | O_NOFOLLOW | (folder ? O_DIRECTORY : 0));
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// Puts `built` where `target` is, in one step: the two folders are swapped,
// and what was there before is removed afterwards.
QString swapInto(const QString& built, const QString& target)
{
    const QByteArray from = QFile::encodeName(built);
    const QByteArray to = QFile::encodeName(target);
    if (!QFileInfo::exists(target) && !QFileInfo(target).isSymLink()) {
        if (::rename(from.constData(), to.constData()) != 0)
            return qt_error_string(errno);
        return QString();
    }
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) != 0)
        return qt_error_string(errno);
    // The earlier show now lies where the new one was built.
    const QFileInfo old(built);
    if (old.isSymLink() || !old.isDir())
        QFile::remove(built);
    else
        QDir(built).removeRecursively();
    return QString();
}

} // namespace

QString publishShow(const QByteArray& layout, const QString& mediaFolder, const QString& target)
{
    const auto decoded = decodeLayout(layout);
    if (const auto* refusal = std::get_if<ReadRefusal>(&decoded))
        return refusal->message;
    const QStringList names = namesOf(std::get<LayoutDescription>(decoded));

    const MediaResolver media(mediaFolder);
    QStringList missing;
    QList<std::pair<QString, QString>> copies; // from, as
    for (const QString& name : names) {
        QString why;
        const QString path = media.resolve(name, &why);
        if (path.isEmpty() ||
            name.compare(QLatin1String(kShowLayoutName), Qt::CaseInsensitive) == 0)
            missing << name;
        else
            copies.append({path, QFileInfo(path).fileName()});
    }
    if (!missing.isEmpty())
        return QStringLiteral("These media files are not in %1: %2. Nothing was published.")
            .arg(QDir::toNativeSeparators(mediaFolder), missing.join(QStringLiteral(", ")));

    const QFileInfo where(target);
    if (!QDir().mkpath(where.absolutePath()))
        return QStringLiteral("The folder %1 could not be made.")
            .arg(QDir::toNativeSeparators(where.absolutePath()));
    // Built beside the target, on the same file system, so that one rename
    // puts it in place.
    QTemporaryDir built(where.absolutePath() + QStringLiteral("/.") + where.fileName() +
                        QStringLiteral(".new-XXXXXX"));
    if (!built.isValid())
        return QStringLiteral("A folder beside %1 could not be made: %2")
            .arg(QDir::toNativeSeparators(target), built.errorString());
    QFile::setPermissions(built.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::ExeOther);
    QSaveFile file(built.filePath(QLatin1String(kShowLayoutName)));
    if (!file.open(QIODevice::WriteOnly) || file.write(layout) != layout.size() || !file.commit() ||
        !syncPath(file.fileName(), false))
        return QStringLiteral("The layout could not be written: %1").arg(file.errorString());
    for (const auto& [from, as] : copies)
        if (!QFile::copy(from, built.filePath(as)) || !syncPath(built.filePath(as), false))
            return QStringLiteral("%1 could not be copied.").arg(QDir::toNativeSeparators(from));
    if (!syncPath(built.path(), true))
        return QStringLiteral("The show could not be written to the disk.");

    const QString failure = swapInto(built.path(), where.absoluteFilePath());
    if (!failure.isEmpty())
        return QStringLiteral("%1 could not be put in place: %2")
            .arg(QDir::toNativeSeparators(target), failure);
    built.setAutoRemove(false); // it is the show now, or the old one already removed
    syncPath(where.absolutePath(), true);
    return QString();
}

QString showLayoutIn(const QString& folder)
{
    const QDir dir(folder);
    if (QFileInfo(dir.filePath(QLatin1String(kShowLayoutName))).isFile())
        return dir.filePath(QLatin1String(kShowLayoutName));
    const QStringList layouts = dir.entryList({QStringLiteral("*.txt")}, QDir::Files);
    return layouts.size() == 1 ? dir.filePath(layouts.first()) : QString();
}

} // namespace tv
