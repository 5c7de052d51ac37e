#include "editor/media/media_folder_memory.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace tv {

namespace {

// Layout paths, most recent last, and each one's folder, side by side: a
// path holds slashes, which the settings would read as groups in a key.
const QString kLayouts = QStringLiteral("editor/mediaFolders/layouts");
const QString kFolders = QStringLiteral("editor/mediaFolders/folders");

QString keyOf(const QString& layoutPath)
{
    return QFileInfo(layoutPath).absoluteFilePath();
}

} // namespace

QString rememberedMediaFolder(const QString& layoutPath)
{
    if (layoutPath.isEmpty())
        return QString();
    const QSettings settings;
    const QStringList layouts = settings.value(kLayouts).toStringList();
    const QStringList folders = settings.value(kFolders).toStringList();
    const qsizetype at = layouts.lastIndexOf(keyOf(layoutPath));
    if (at < 0 || at >= folders.size() || !QFileInfo(folders[at]).isDir())
        return QString();
    return folders[at];
}

void rememberMediaFolder(const QString& layoutPath, const QString& folder)
{
    if (layoutPath.isEmpty() || folder.isEmpty())
        return;
    QSettings settings;
    QStringList layouts = settings.value(kLayouts).toStringList();
    QStringList folders = settings.value(kFolders).toStringList();
    folders.resize(layouts.size());
    const QString key = keyOf(layoutPath);
    if (const qsizetype at = layouts.indexOf(key); at >= 0) {
        layouts.removeAt(at);
        folders.removeAt(at);
    }
    layouts << key;
    folders << folder;
    while (layouts.size() > kRememberedLayouts) {
        layouts.removeFirst();
        folders.removeFirst();
    }
    settings.setValue(kLayouts, layouts);
    settings.setValue(kFolders, folders);
}

} // namespace tv
