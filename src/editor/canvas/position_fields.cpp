#include "editor/canvas/position_fields.h"

#include "editor/canvas/display_snap_box.h"

#include "base/leading_number.h"
#include "editor/controls/form_controls.h"
#include "editor/controls/modal_dialogs.h"
#include "editor/model/layout_history.h"
#include "editor/model/layout_steps.h"
#include "editor/model/window_geometry.h"

#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tv {

namespace {
constexpr std::array<int, 4> kFieldLefts{765, 1800, 2835, 3870};
constexpr std::array<const char*, 4> kFieldCaptions{"x", "y", "w", "h"};
} // namespace

PositionFields::PositionFields(LayoutHistory& history, ModalDialogs& dialogs,
                               const DisplaySnapBox& snap, TemplateBody templateBody,
                               QWidget* client)
    : QObject(client), history_(history), dialogs_(dialogs), snap_(snap),
      template_(std::move(templateBody))
{
    Frame4 = makeBorderFrame(client, "Frame4", {1305, 6165, 6000, 465});
    Label6 = makeLabel(Frame4, "Label6", QStringLiteral(" Size:"), {135, 180, 555, 195});

    QFont captionFont(QStringLiteral("SimSun"));
    captionFont.setPointSizeF(10.5);
    for (std::size_t i = 0; i < 4; ++i) {
        const int index = static_cast<int>(i);
        Frame2[i] = makePlainFrame(Frame4, elementName(QStringLiteral("Frame2"), index),
                                   {kFieldLefts[i], 135, 1005, 285});
        Label5[i] = makeLabel(Frame2[i], elementName(QStringLiteral("Label5"), index),
                              QString::fromLatin1(kFieldCaptions[i]), {45, 15, 195, 240});
        Label5[i]->setFont(captionFont);
        Text1[i] = makeTextBox(Frame2[i], elementName(QStringLiteral("Text1"), index),
                               QStringLiteral("0"), {270, 0, 645, 270});
    }
    Command3 = makeButton(Frame4, "Command3", QStringLiteral("OK"), {4995, 135, 915, 285});

    Frame5 = makeBorderFrame(client, "Frame5", {1305, 6660, 4335, 465});
    Label7 = makeLabel(Frame5, "Label7", QStringLiteral("Ratio:"), {180, 180, 555, 195});
    Frame3 = makePlainFrame(Frame5, "Frame3", {720, 135, 2445, 285});
    Option4 = makeOption(Frame3, "Option4", QStringLiteral("4:3"), {180, 0, 915, 285});
    Option3 = makeOption(Frame3, "Option3", QStringLiteral("16:9"), {1305, 0, 960, 285});
    Option4->setChecked(true);
    Command4 = makeButton(Frame5, "Command4", QStringLiteral("OK"), {3285, 135, 915, 285});

    connect(Command3, &QPushButton::clicked, this, &PositionFields::Command3_Click);
    // Enter in a field applies the four, as their OK does.
    for (QLineEdit* field : Text1) {
        connect(field, &QLineEdit::returnPressed, this, &PositionFields::Command3_Click);
        field->installEventFilter(this);
    }
    connect(Command4, &QPushButton::clicked, this, &PositionFields::Command4_Click);

    const LayoutModel& model = history_.model();
    connect(&model, &LayoutModel::selected, this, &PositionFields::RefreshPositionFields);
    connect(&model, &LayoutModel::windowMoved, this, &PositionFields::windowMoved);
    connect(&model, &LayoutModel::restored, this, &PositionFields::RefreshPositionFields);
}

void PositionFields::windowMoved(int index)
{
    if (!applying_ && index == history_.model().table().CurrentWindow)
        RefreshPositionFields();
}

void PositionFields::RefreshPositionFields()
{
    // With no window selected the fields show the template body's place.
    const std::array<QString, 4> texts = screenPixelTexts(
        rectOf(history_.model().table().CurrentWindow), history_.model().state().shape);
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (Text1[i]->text() != texts[i])
            Text1[i]->setText(texts[i]);
}

void PositionFields::Command3_Click()
{
    const int current = history_.model().table().CurrentWindow;
    if (current != 0 && !history_.model().window(current).created)
        return;
    const StepRecorder undoable(history_, QStringLiteral("Set Position and Size"));
    std::array<double, 4> values{};
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = leadingNumber(Text1[i]->text());
    const TypedRect typed = twipsOfScreenPixels(values, history_.model().state().shape);
    if (!typed.refusal.isEmpty()) {
        dialogs_.message(Command3->window(), typed.refusal, QStringLiteral("+_+"));
        return;
    }
    // What was typed stays in the fields, as typed.
    // Once applied, the typing is part of the layout's step: Ctrl+Z in a
    // field now undoes that step, not the field's text.
    for (QLineEdit* field : Text1)
        field->setText(field->text());
    applying_ = true;
    setRect(current,
            current == 0 ? typed.twips : snap_.place(current, typed.twips, SnapEdit::Place));
    applying_ = false;
}

bool PositionFields::eventFilter(QObject* watched, QEvent* event)
{
    // A field keeps Ctrl+Z and Ctrl+Y for its own text only while it has
    // typing to undo or redo; otherwise they reach the layout's history.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* field = qobject_cast<QLineEdit*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (field && ((key->matches(QKeySequence::Undo) && !field->isUndoAvailable()) ||
                      (key->matches(QKeySequence::Redo) && !field->isRedoAvailable()))) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

TwipsRect PositionFields::rectOf(int index) const
{
    return index == 0 ? template_.place() : history_.model().window(index).rect;
}

void PositionFields::setRect(int index, const TwipsRect& rect)
{
    // Before any window is selected the fields act on the hidden template,
    // which is no part of the layout.
    if (index == 0) {
        template_.setPlace(rect);
    } else {
        history_.model().setRect(index, rect);
    }
}

void PositionFields::Command4_Click()
{
    const int current = history_.model().table().CurrentWindow;
    if (current != 0 && !history_.model().window(current).created)
        return;
    const StepRecorder undoable(history_, QStringLiteral("Apply Ratio"));
    TwipsRect rect = rectOf(current);
    if (Option4->isChecked())
        rect.Height = ratioHeight(rect.Width, ScreenRatio::FourThree);
    else if (Option3->isChecked())
        rect.Height = ratioHeight(rect.Width, ScreenRatio::SixteenNine);
    setRect(current, rect);
    RefreshPositionFields();
}

} // namespace tv
