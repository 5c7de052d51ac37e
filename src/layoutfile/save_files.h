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
    virtual bool remove(const QString& path, QString* error);
    // Creates or truncates a plain file and writes the bytes into it, each
    // write checked. It is not synced: only the scratch copy is written so,
    // and the layout file never depends on it.
    virtual bool writeWhole(const QString& path, const QByteArray& bytes, QString* error);
    virtual bool readWhole(const QString& path, QByteArray* bytes, QString* error);
    // Writes the file beside its old version and puts it in place only once
    // every byte is written and synced to the disk: a failure leaves the old
    // file as it was, and nothing beside it.
    virtual bool replaceWhole(const QString& path, const QByteArray& bytes, QString* error);
};

// Where each save leaves a copy of the layout file it wrote: TEMP2.mzy in the
// folder named by TEMP, or in the system's temporary folder when TEMP is unset
// or empty.
QString tempLayoutPath();

// Copies a file; the destination is replaced only when the copy is complete.
bool CopyBinaryFile(const QString& source, const QString& destination, SaveFiles& files,
                    QString* error);

// Writes a layout file: first to the temporary layout file, then copied to the
// destination. Returns an empty string, or why the layout was not saved.
QString saveLayoutFile(const QByteArray& bytes, const QString& destination, const QString& tempPath,
                       SaveFiles& files);

} // namespace tv
