#include "files/media_resolver.h"

#include <QDir>
#include <QFileInfo>

namespace tv {

MediaResolver::MediaResolver(QString folder) : folder_(std::move(folder))
{
    if (folder_.isEmpty())
        return;
    const QDir dir(folder_);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        byFoldedName_.insert(name.toCaseFolded(), name);
}

MediaResolver MediaResolver::fixed(QHash<QString, Found> table, std::shared_ptr<const void> keep)
{
    MediaResolver resolver{QString()};
    resolver.fixed_ = std::move(table);
    resolver.keep_ = std::move(keep);
    return resolver;
}

QString MediaResolver::resolve(const QString& name, QString* why) const
{
    if (fixed_) {
        const auto found = fixed_->constFind(name);
        if (found == fixed_->constEnd()) {
            *why = QStringLiteral("not part of the show");
            return QString();
        }
        *why = found->problem;
        return found->path;
    }
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))) {
        *why = QStringLiteral("not a file name");
        return QString();
    }
    if (folder_.isEmpty()) {
        *why = QStringLiteral("no media folder: choose one with Select");
        return QString();
    }
    const QDir dir(folder_);
    QString found = name;
    const QFileInfo exact(dir.filePath(name));
    if (!exact.isFile())
        found = byFoldedName_.value(name.toCaseFolded(), exact.exists() ? name : QString());
    if (found.isEmpty()) {
        *why = QStringLiteral("not in %1").arg(QDir::toNativeSeparators(folder_));
        return QString();
    }
    const QFileInfo file(dir.filePath(found));
    if (!file.isFile()) {
        *why = QStringLiteral("not a regular file");
        return QString();
    }
    if (!file.isReadable()) {
        *why = QStringLiteral("cannot be read");
        return QString();
    }
    return file.filePath();
}

QString MediaResolver::contentOf(const QString& name) const
{
    if (const QByteArray hash = listedHash(name); !hash.isEmpty())
        return QString::fromLatin1(hash);
    QString why;
    return resolve(name, &why);
}

QByteArray MediaResolver::listedHash(const QString& name) const
{
    if (!fixed_)
        return {};
    const auto found = fixed_->constFind(name);
    return found != fixed_->constEnd() ? found->sha256 : QByteArray();
}

QString mediaFolderFor(const QString& chosenFolder, const QString& layoutFile)
{
    if (!chosenFolder.isEmpty())
        return chosenFolder;
    if (layoutFile.isEmpty())
        return QString();
    return QFileInfo(layoutFile).absolutePath();
}

} // namespace tv
