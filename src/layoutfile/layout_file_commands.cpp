#include "layoutfile/layout_file_commands.h"

#include "editor/form_controls.h"

#include <QPushButton>

namespace tv {

LayoutFileCommands::LayoutFileCommands(QWidget* form) : QObject(form)
{
    Command11 = makeButton(form, "Command11", QStringLiteral("Open File"), {3330, 270, 1230, 465});
    Command10 = makeButton(form, "Command10", QStringLiteral("Save File"), {4905, 270, 1230, 465});
}

} // namespace tv
