#include "media/folder_listing.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <vector>

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
    const QStringList names = dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);

    // Each name is upper-cased once, not in every comparison, and only as many
    // names are put in order as the list can show.
    struct Entry {
        QString key;
        const QString* name;
        bool operator<(const Entry& other) const
        {
            return key != other.key ? key < other.key : *name < *other.name;
        }
    };
    std::vector<Entry> entries;
    entries.reserve(std::size_t(names.size()));
    for (const QString& name : names)
        entries.push_back({name.toUpper(), &name});

    FolderListing listing;
    auto sortedEnd = entries.begin();
    for (auto next = entries.begin(); next != entries.end(); ++next) {
        if (next == sortedEnd) {
            // Files that vanish are skipped, so the next batch is ordered on demand.
            const auto batchEnd = next + std::min<std::ptrdiff_t>(entries.end() - next, limit + 1);
            std::partial_sort(next, batchEnd, entries.end());
            sortedEnd = batchEnd;
        }
        const QFileInfo info(dir.filePath(*next->name));
        if (!info.exists() || !info.isFile())
            continue;
        if (listing.files.size() >= limit) {
            listing.truncated = true;
            break;
        }
        listing.files.append({*next->name, QString::number(info.size())});
    }
    return listing;
}

} // namespace tv
