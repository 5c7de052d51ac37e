#include "editor/media/browse_folder.h"

#include "editor/controls/modal_dialogs.h"

#include <QDir>

namespace tv {

QString GetFolderPath(QWidget* owner, ModalDialogs& dialogs, const QString& startFolder)
{
    // The path is used as the user chose it: a folder name may begin or end
    // with a blank, so nothing is trimmed.
    QString path = QDir::toNativeSeparators(
        dialogs.pickFolder(owner, QStringLiteral("\u8BF7\u9009\u62E9\u8DEF\u5F84:"), startFolder));
    if (path.isEmpty())
        return path;
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path;
}

} // namespace tv
