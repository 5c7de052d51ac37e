#pragma once

#include <QString>

class QWidget;

namespace tv {

class ModalDialogs;

// Asks the user for the media folder. Returns its path with one separator at
// the end (a root such as "/" keeps its single one), or an empty string when
// the user cancelled.
// The picker opens at startFolder.
QString GetFolderPath(QWidget* owner, ModalDialogs& dialogs, const QString& startFolder = {});

} // namespace tv
