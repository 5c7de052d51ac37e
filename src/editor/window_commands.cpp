#include "editor/window_commands.h"

#include "editor/form_controls.h"

#include <QComboBox>
#include <QFrame>
#include <QPushButton>

namespace tv {

WindowCommands::WindowCommands(QWidget* form) : QObject(form)
{
    Frame1 = makePlainFrame(form, "Frame1", {225, 180, 2445, 420});
    // The video caption ends in a line feed; window names are built from it
    // and compared exactly, so the caption keeps it.
    Option1 = makeOption(Frame1, "Option1", QStringLiteral("Video\n"), {180, 90, 915, 285});
    Option2 = makeOption(Frame1, "Option2", QStringLiteral("Picture"), {1305, 90, 960, 285});
    Option1->setChecked(true);

    Command1 = makeButton(form, "Command1", QStringLiteral("Add Window"), {270, 1035, 1050, 420});
    Command2 = makeButton(form, "Command2", QStringLiteral("Del Window"), {1575, 1035, 1095, 420});

    Combo1 = new QComboBox(form);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    placeTwips(Combo1, {135, 6255, 1005, 300});
}

} // namespace tv
