#pragma once

#include <QByteArray>
#include <QString>

namespace tv {

// The file operations a save is made of. Every step reports failure with a
// reason, so no failure passes silently; tests replace single steps to make
// them fail.
class SaveFiles {
public:
    virtual ~SaveFiles() = default;

    virtual bool exists(const QString& path);
    // Puts the scratch copy in place: written in full as a new file beside the
    // path, then renamed over it, so a link planted at the path is replaced,
    // never followed, and no reader sees half a file. Each write is checked;
    // it is not synced, since nothing depends on the copy. Only the owner
    // reads it, unless it is for `Readers::Everyone` (a report another user's
    // sync tool or monitoring carries).
    enum class Readers { Owner, Everyone };
    virtual bool writeScratch(const QString& path, const QByteArray& bytes, QString* error,
                              Readers readers = Readers::Owner);
    // Writes the file beside its old version and puts it in place only once
    // every byte is written and synced to the disk: a failure leaves the old
    // file as it was, and nothing beside it.
    virtual bool replaceWhole(const QString& path, const QByteArray& bytes, QString* error);
};

// Where each save leaves a copy of the layout file it wrote: TEMP2.mzy in the
// folder named by TEMP. Without TEMP, or where the TEMP2.mzy there is not the
// user's own regular file (TEMP may be shared), in a folder of the user's
// own: the runtime folder, else "tessellview" in the user's cache folder,
// which is made with owner-only access.
QString tempLayoutPath();
// TEMP2.mzy in the user's own folder, whatever TEMP says.
QString ownTempLayoutPath();

// Writes a layout file: the scratch copy first (in the user's own folder when
// it cannot be written at `tempPath`), then the destination, both from the
// bytes in memory. Returns an empty string, or why the layout was
// not saved; the destination is untouched unless its new bytes were written
// and synced in full.
QString saveLayoutFile(const QByteArray& bytes, const QString& destination, const QString& tempPath,
                       SaveFiles& files);

} // namespace tv
