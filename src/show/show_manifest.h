#pragma once

#include "layout/screen_shape.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include <atomic>
#include <optional>

namespace tv {

class MediaHandle;

// The file in a show folder that tells what the show is and which files are
// its own: a display checks a show against it, and publishing replaces only
// a folder that holds one.
inline constexpr const char* kShowManifestName = "show.json";
inline constexpr int kShowManifestFormat = 1;

struct ShowFile {
    QString name;
    qint64 size = 0;
    QByteArray sha256; // 64 lowercase hex characters
    friend bool operator==(const ShowFile&, const ShowFile&) = default;
};

struct ShowManifest {
    int format = kShowManifestFormat;
    QString layoutName;    // the name of the layout file published, e.g. "shop.TXT"
    QString id;            // unique per publish
    QDateTime published;   // UTC
    QList<ShowFile> files; // "show.TXT" first, then every media file, each once
    // The shape of the screen each layout file is made for, by name, as
    // "shapes": {"show.TXT": "portrait"}. A manifest of an earlier release
    // has none: every layout is then landscape, and so is one not named.
    QMap<QString, ScreenShape> shapes;
    friend bool operator==(const ShowManifest&, const ShowManifest&) = default;

    ScreenShape shapeOf(const QString& layout) const
    {
        return shapes.value(layout, ScreenShape::Landscape);
    }
};

// The manifest as indented UTF-8 JSON.
QByteArray encodeManifest(const ShowManifest& manifest);

inline constexpr qint64 kMaxManifestBytes = 4 << 20;
inline constexpr int kMaxManifestFiles = 4096;

// The manifest, or nullopt with the reason in `why` when anything in it is
// malformed: not JSON, another format number, a file name that is empty, "."
// or "..", holds '/', '\\' or NUL, or is the manifest's own; a name twice; a
// size that is not a whole number from 0; a sha256 that is not 64 hex digits;
// more than kMaxManifestFiles files; more than kMaxManifestBytes bytes; a
// shape given for a file it does not list, or one that is not "landscape" or
// "portrait".
// Hex digits are taken in either case and kept in lower case.
std::optional<ShowManifest> decodeManifest(const QByteArray& bytes, QString* why);

// The manifest in a show folder, read as a display reads it (a regular file,
// not a link, bounded); nullopt when none opens, or, with the reason in
// `why`, when the one there does not read.
std::optional<ShowManifest> manifestIn(const QString& folder, QString* why = nullptr);
// The shape of each layout the manifest in `folder` names; none when there
// is no manifest that reads (a layout beside its media, unpublished, or a
// show of an earlier release): landscape, all of them.
QMap<QString, ScreenShape> layoutShapesIn(const QString& folder);

// The SHA-256 of a regular file, as lowercase hex, read in bounded pieces
// without following a link; empty, with the reason in `why`, on any error.
QByteArray sha256OfFile(const QString& path, QString* why);
// The same, of a file already open: what is hashed is what was checked.
// Set, `stop` ends the hashing within a megabyte, with no digest.
QByteArray sha256Of(const MediaHandle& file, QString* why, const std::atomic<bool>* stop = nullptr);

} // namespace tv
