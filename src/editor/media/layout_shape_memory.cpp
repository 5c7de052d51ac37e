#include "editor/media/layout_shape_memory.h"

#include "editor/media/media_folder_memory.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace tv {

namespace {

// Only portrait layouts are listed, most recent last: a layout not listed is
// landscape, as every layout was before there was a choice.
const QString kPortraitLayouts = QStringLiteral("editor/portraitLayouts");

} // namespace

ScreenShape rememberedShape(const QString& layoutPath)
{
    if (layoutPath.isEmpty())
        return ScreenShape::Landscape;
    const QStringList portrait = QSettings().value(kPortraitLayouts).toStringList();
    return portrait.contains(QFileInfo(layoutPath).absoluteFilePath()) ? ScreenShape::Portrait
                                                                       : ScreenShape::Landscape;
}

void rememberShape(const QString& layoutPath, ScreenShape shape)
{
    if (layoutPath.isEmpty())
        return;
    QSettings settings;
    QStringList portrait = settings.value(kPortraitLayouts).toStringList();
    const QString key = QFileInfo(layoutPath).absoluteFilePath();
    portrait.removeAll(key);
    if (shape == ScreenShape::Portrait)
        portrait << key;
    while (portrait.size() > kRememberedLayouts)
        portrait.removeFirst();
    settings.setValue(kPortraitLayouts, portrait);
}

} // namespace tv
