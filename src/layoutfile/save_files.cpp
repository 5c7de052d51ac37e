#include "layoutfile/save_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tv {

bool SaveFiles::exists(const QString& path)
{
    return QFileInfo::exists(path);
}

bool SaveFiles::remove(const QString& path, QString* error)
{
    QFile file(path);
    if (file.remove())
        return true;
    *error = file.errorString();
    return false;
}

bool SaveFiles::writeWhole(const QString& path, const QByteArray& bytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        *error = file.errorString();
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool SaveFiles::readWhole(const QString& path, QByteArray* bytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool SaveFiles::replaceWhole(const QString& path, const QByteArray& bytes, QString* error)
{
    // No direct-write fallback: where the file cannot be replaced as a whole,
    // the save fails rather than overwrite the old file in place.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

QString tempLayoutPath()
{
    const QString folder = qEnvironmentVariable("TEMP");
    const QDir dir = folder.isEmpty() ? QDir::temp() : QDir(folder);
    return QDir::toNativeSeparators(dir.filePath(QStringLiteral("TEMP2.mzy")));
}

bool CopyBinaryFile(const QString& source, const QString& destination, SaveFiles& files,
                    QString* error)
{
    QByteArray bytes;
    return files.readWhole(source, &bytes, error) && files.replaceWhole(destination, bytes, error);
}

QString saveLayoutFile(const QByteArray& bytes, const QString& destination, const QString& tempPath,
                       SaveFiles& files)
{
    QString why;
    if (files.exists(tempPath) && !files.remove(tempPath, &why))
        return QStringLiteral("The temporary file %1 could not be replaced: %2").arg(tempPath, why);
    if (!files.writeWhole(tempPath, bytes, &why))
        return QStringLiteral("The temporary file %1 could not be written: %2").arg(tempPath, why);
    if (!CopyBinaryFile(tempPath, destination, files, &why))
        return QStringLiteral("%1 could not be written: %2")
            .arg(QDir::toNativeSeparators(destination), why);
    return QString();
}

} // namespace tv
