#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace tv {

// One file of the media folder as the file list shows it: the bare name and
// its length in bytes as plain decimal text.
struct MediaFile {
    QString name;
    QString sizeText;
    friend bool operator==(const MediaFile&, const MediaFile&) = default;
};

struct FolderListing {
    QList<MediaFile> files;
    bool truncated = false; // the folder held more normal files than the limit
    int undecodable = 0;    // names left out because they are not valid text
    QString error;          // why the folder could not be read; empty when it was
};

inline constexpr int kMaxListedFiles = 255;

// The normal files of a folder: regular files, not folders and not hidden
// ones. Names are ordered without regard to case (upper-cased, then code unit
// by code unit), so the list reads the same on every file system; only the
// first `limit` are kept. Only names and lengths are read, never contents; a
// file whose length cannot be read is left out, and so is a name that is not
// valid text in the file system's encoding (it is counted).
FolderListing listFolder(const QString& folder, int limit = kMaxListedFiles);

// The order of that listing: true when a comes before b.
bool listedBefore(const QString& a, const QString& b);

} // namespace tv
