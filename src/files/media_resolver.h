#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <optional>

namespace tv {

// Finds the files a layout names in one media folder: the exact name first,
// else the one file whose name matches without regard to case (layouts are
// often written where case does not count). A name is only ever a name in
// that folder: one with a path separator, or "." or "..", finds nothing.
// Without a folder nothing is found: names are never looked up in the
// working directory.
class MediaResolver {
public:
    explicit MediaResolver(QString folder);

    // What one name was found as: a path, or why there is none.
    struct Found {
        QString path;
        QString problem;
        QByteArray sha256; // the content's hash, when the show lists it
    };
    // Finds only the names of `table`, as they were found when a show was
    // read: nothing is looked up on the disk again. `keep` is held for as
    // long as the resolver (the files the paths reach).
    static MediaResolver fixed(QHash<QString, Found> table, std::shared_ptr<const void> keep);

    // The file's path, or an empty string with the reason in `why`, which
    // names the folder searched.
    QString resolve(const QString& name, QString* why) const;
    // What the file found for `name` holds, to tell whether another file
    // holds the same: its hash when the show lists one, else its path.
    QString contentOf(const QString& name) const;
    // The hash of `name`'s content that the show lists; empty when none.
    QByteArray listedHash(const QString& name) const;

private:
    QString folder_;
    QHash<QString, QString> byFoldedName_; // case-folded name -> name on disk
    std::optional<QHash<QString, Found>> fixed_;
    std::shared_ptr<const void> keep_;
};

// Where a layout's media are found, the same for the editor's preview and
// every display: the folder chosen for them when there is one, else the folder
// of the layout file, else none.
QString mediaFolderFor(const QString& chosenFolder, const QString& layoutFile);

} // namespace tv
