#include "media/switch_time_box.h"

#include "editor/form_controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tv {

SwitchTimeBox::SwitchTimeBox(QWidget* form) : QObject(form)
{
    Label9 = makeLabel(form, "Label9", QStringLiteral("Picture Switch Time(s):"),
                       {3195, 1380, 2085, 195});
    Text3 = makeTextBox(form, "Text3", QString(), {5400, 1305, 780, 330});
    Command12 = makeButton(form, "Command12", QStringLiteral("OK"), {6345, 1305, 735, 330});
}

} // namespace tv

namespace tv {

void SwitchTimeBox::setControlsEnabled(bool enabled)
{
    Text3->setEnabled(enabled);
    Command12->setEnabled(enabled);
    Label9->setEnabled(enabled);
}

} // namespace tv
