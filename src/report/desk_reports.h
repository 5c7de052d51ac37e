#pragma once

#include "report/display_status.h"

#include <QList>
#include <QString>

#include <optional>

namespace tv {

// One display's report folder as the desk finds it.
struct DisplayReport {
    QString name; // the folder's name: the display as the desk knows it
    std::optional<DisplayStatus> status;
    // Why the status cannot be read; empty when it was, or when the folder
    // holds none.
    QString unreadable;
    QByteArray screen; // screen.jpg, when asked for and there
};

struct DeskReports {
    QList<DisplayReport> displays; // ordered by name, as folder listings are
    QString error;                 // why the folder cannot be read at all
};

// The reports a sync tool carried to the desk: one for each folder in
// `reportDir`, or `reportDir` alone when it holds a status itself. Only
// folders are looked into, and only a regular status.json no larger than
// DisplayStatus::kMaxBytes is read: a link, in place of a folder or of the
// file, is never followed. Hidden names (a sync tool's own) are passed over.
// `reportDir` itself is followed when it is a link, as the user named it.
// With `withScreens`, each display's screen.jpg is read too, up to
// kMaxScreenBytes.
DeskReports readReports(const QString& reportDir, bool withScreens = false);
inline constexpr qint64 kMaxScreenBytes = 2 << 20;

} // namespace tv
