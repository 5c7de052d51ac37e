#include "editor/media/switch_time_box.h"

#include "editor/controls/form_controls.h"
#include "editor/controls/modal_dialogs.h"
#include "editor/media/switch_time.h"
#include "editor/model/layout_history.h"
#include "editor/model/layout_model.h"
#include "editor/model/layout_steps.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tv {

SwitchTimeBox::SwitchTimeBox(LayoutHistory& history, ModalDialogs& dialogs, QWidget* client)
    : QObject(client), history_(history), dialogs_(dialogs)
{
    Label9 = makeLabel(client, "Label9", QStringLiteral("Picture Switch Time(s):"),
                       {3195, 1380, 2085, 195});
    Text3 = makeTextBox(client, "Text3", QString(), {5400, 1305, 780, 330});
    Text3->setPlaceholderText(QStringLiteral("5-65535"));
    Text3->setToolTip(
        QStringLiteral("How long each picture of this window shows, in seconds: 5 to 65535. "
                       "A smaller value or one that is not a number becomes 5, a larger one "
                       "65535. The video window has none: its pictures show for 10 seconds."));
    Command12 = makeButton(client, "Command12", QStringLiteral("OK"), {6345, 1305, 735, 330});

    connect(Text3, &QLineEdit::textChanged, this, &SwitchTimeBox::Text3_Change);
    Text3->installEventFilter(this);
    connect(Command12, &QPushButton::clicked, this, &SwitchTimeBox::Command12_Click);
    // Enter applies the time as OK does, after the check leaving the box makes.
    connect(Text3, &QLineEdit::returnPressed, this, [this] {
        Text3_LostFocus();
        Command12_Click();
    });
    const LayoutModel& model = history_.model();
    connect(&model, &LayoutModel::currentChanged, this, &SwitchTimeBox::showCurrentWindow);
    connect(&model, &LayoutModel::windowChanged, this, &SwitchTimeBox::showCurrentWindow);
    connect(&model, &LayoutModel::switchTimeChanged, this, &SwitchTimeBox::showCurrentWindow);
    connect(&model, &LayoutModel::restored, this, &SwitchTimeBox::showCurrentWindow);
}

void SwitchTimeBox::setControlsEnabled(bool enabled)
{
    Text3->setEnabled(enabled);
    Command12->setEnabled(enabled);
    Label9->setEnabled(enabled);
}

void SwitchTimeBox::showCurrentWindow()
{
    const WindowTable& table = history_.model().table();
    const int current = table.CurrentWindow;
    const bool picture = current >= kFirstPictureWindow && table.inUse(current) &&
                         current - 1 < int(table.SwitchTime.size());
    if (!picture) {
        Text3->clear();
        setControlsEnabled(false);
        return;
    }
    Text3->setText(QString::number(table.SwitchTime[static_cast<std::size_t>(current - 1)]));
    setControlsEnabled(true);
}

void SwitchTimeBox::Text3_Change()
{
    if (const auto corrected = switchTimeWhileTyping(Text3->text()))
        Text3->setText(*corrected);
}

void SwitchTimeBox::Text3_LostFocus()
{
    if (const auto corrected = switchTimeOnLeaving(Text3->text()))
        Text3->setText(*corrected);
}

void SwitchTimeBox::Command12_Click()
{
    LayoutModel& model = history_.model();
    const WindowTable& table = model.table();
    const int current = table.CurrentWindow;
    if (current < 1 || current > static_cast<int>(table.SwitchTime.size()))
        return;
    const auto seconds = switchTimeOfText(Text3->text());
    if (!seconds) {
        dialogs_.message(
            Text3->window(),
            QStringLiteral("The switch time must be a whole number of seconds; it was not "
                           "changed."),
            QStringLiteral("+_+"));
        return;
    }
    const StepRecorder undoable(history_, QStringLiteral("Set Switch Time"));
    model.setSwitchTime(current - 1, *seconds);
}

bool SwitchTimeBox::eventFilter(QObject* watched, QEvent* event)
{
    // The box is left only when the focus goes to another control of the
    // form: not when the whole window loses activation, nor for a context menu.
    if (watched == Text3 && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            Text3_LostFocus();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tv
