#include "media/folder_listing.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace tv {

bool listedBefore(const QString& a, const QString& b)
{
    const QString upperA = a.toUpper();
    const QString upperB = b.toUpper();
    if (upperA != upperB)
        return upperA < upperB;
    return a < b;
}

FolderListing listFolder(const QString& folder, int limit)
{
    // Without QDir::Hidden and QDir::System, hidden files and broken links stay out.
    const QDir dir(folder);
    QStringList names = dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::sort(names.begin(), names.end(), listedBefore);

    FolderListing listing;
    for (const QString& name : names) {
        const QFileInfo info(dir.filePath(name));
        if (!info.exists() || !info.isFile())
            continue;
        if (listing.files.size() >= limit) {
            listing.truncated = true;
            break;
        }
        listing.files.append({name, QString::number(info.size())});
    }
    return listing;
}

} // namespace tv
