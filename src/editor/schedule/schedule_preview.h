#pragma once

#include <QString>

class QWidget;

namespace tv {

// Opens a window playing what a schedule plays: a layout file in the
// schedule's folder, played as the editor's F5 plays the layout being edited
// (with the media beside it), or black for `off`. It is shown beside its
// owner and closes with it. Null, with the reason, when it cannot be played.
QWidget* previewTarget(const QString& target, const QString& scheduleFile, QWidget* owner,
                       QString* refusal);

} // namespace tv
