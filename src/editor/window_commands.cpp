#include "editor/window_commands.h"

#include "editor/canvas/layout_canvas.h"
#include "editor/controls/form_controls.h"
#include "editor/controls/modal_dialogs.h"
#include "editor/model/layout_history.h"
#include "editor/model/layout_model.h"
#include "editor/model/layout_steps.h"
#include "editor/model/window_adding.h"
#include "editor/model/window_geometry.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace tv {

WindowCommands::WindowCommands(LayoutHistory& history, ModalDialogs& dialogs, QWidget* client)
    : QObject(client), history_(history), model_(history.model()), dialogs_(dialogs)
{
    Frame1 = makePlainFrame(client, "Frame1", {225, 180, 2445, 420});
    // The video caption ends in a line feed; window names are built from it
    // and compared exactly, so the caption keeps it.
    Option1 = makeOption(Frame1, "Option1", QStringLiteral("Video\n"), {180, 90, 915, 285});
    Option2 = makeOption(Frame1, "Option2", QStringLiteral("Picture"), {1305, 90, 960, 285});
    Option1->setChecked(true);

    Command1 = makeButton(client, "Command1", QStringLiteral("Add Window"), {270, 1035, 1050, 420});
    Command2 =
        makeButton(client, "Command2", QStringLiteral("Del Window"), {1575, 1035, 1095, 420});

    Combo1 = new QComboBox(client);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    // Completing a typed prefix would select a window before its whole name
    // is typed.
    Combo1->setCompleter(nullptr);
    // Wide enough for the longest name, "Picture10", read from its start.
    placeTwips(Combo1, {135, 6255, 1140, 300});

    connect(Command1, &QPushButton::clicked, this, &WindowCommands::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &WindowCommands::Command2_Click);
    // Only the user's own edits and picks arrive here; code that changes the
    // list runs the refresh itself, exactly once.
    connect(Combo1->lineEdit(), &QLineEdit::textEdited, this, &WindowCommands::Combo1_Change);
    connect(Combo1, &QComboBox::activated, this, &WindowCommands::Combo1_Click);
}

void WindowCommands::Command1_Click()
{
    const StepRecorder undoable(history_, QStringLiteral("Add Window"));
    WindowKind kind;
    if (Option1->isChecked())
        kind = WindowKind::Video;
    else if (Option2->isChecked())
        kind = WindowKind::Picture;
    else
        return;

    const AddStep step = planAddWindow(model_.table(), kind);
    switch (step.action) {
    case AddAction::VideoLimit:
        dialogs_.message(Command1->window(), QStringLiteral("Can only add one video window"),
                         QStringLiteral("+__+"));
        break;
    case AddAction::ShowVideoAgain:
        showVideoAgain();
        break;
    case AddAction::CreateVideo:
        createVideo();
        break;
    case AddAction::ShowPictureAgain:
        showPictureAgain(step.index);
        break;
    case AddAction::PictureLimit:
        dialogs_.message(Command1->window(), QStringLiteral("Can only add ten picture window"),
                         QStringLiteral("+_+"));
        break;
    case AddAction::CreatePicture:
        createPicture();
        break;
    }
}

void WindowCommands::showVideoAgain()
{
    LayoutModel& model = model_;
    model.setInUse(kVideoWindow, true);
    const QString name = model.window(kVideoWindow).name;
    model.appendListEntry(name);
    setListText(name);
}

void WindowCommands::createVideo()
{
    LayoutModel& model = model_;
    model.table().HasVideoWindow = 1;
    model.setCurrentWindow(kVideoWindow);
    model.setInUse(kVideoWindow, true);
    LoadWindow(Option1->Caption(), kVideoWindow);
}

void WindowCommands::showPictureAgain(int index)
{
    LayoutModel& model = model_;
    model.setCurrentWindow(index);
    // The window comes back with its place and switch time but an empty
    // playlist.
    model.setPlaylist(index, {}, 0, 0);
    model.setInUse(index, true);
    const QString name = windowName(Option2->Caption(), index - 1);
    model.appendListEntry(name);
    setListText(name);
}

void WindowCommands::createPicture()
{
    LayoutModel& model = model_;
    WindowTable& table = model.table();
    table.PictureWindowCount += 1;
    const int count = table.PictureWindowCount;
    const int index = count + 1;
    model.setCurrentWindow(index);
    model.setInUse(index, true);
    LoadWindow(Option2->Caption(), index);

    model.setSwitchTime(count, 10);
}

TwipsRect WindowCommands::newWindowPlace(const TwipsRect& onLandscape) const
{
    // A new window takes the same share of a portrait screen as of a
    // landscape one, so that it starts inside the canvas.
    return reshaped(onLandscape, ScreenShape::Landscape, model_.state().shape);
}

void WindowCommands::LoadWindow(const QString& kindCaption, int index)
{
    LayoutModel& model = model_;
    const WindowTable& table = model.table();
    if (kindCaption == Option1->Caption()) {
        const QString name = windowName(kindCaption, table.HasVideoWindow);
        model.createWindow(index, name, newWindowPlace({180, 180, 3500, 3000}),
                           WindowOutline::kUpwardDiagonal);
        model.appendListEntry(name);
        setListText(name);
    } else if (kindCaption == Option2->Caption()) {
        const QString name = windowName(kindCaption, table.PictureWindowCount);
        model.createWindow(index, name, newWindowPlace({180, 180, 1900, 1250}),
                           WindowOutline::kDownwardDiagonal);
        model.appendListEntry(name);
        setListText(name);
    } else {
        model.createWindow(index, QString(), model.window(index).rect, WindowOutline::kTransparent);
    }
    model.raise(index);
}

void WindowCommands::Command2_Click()
{
    const StepRecorder undoable(history_, QStringLiteral("Delete Window"));
    LayoutModel& model = model_;
    const int current = model.table().CurrentWindow;
    if (current == 0 || !model.window(current).created)
        return;
    model.setInUse(current, false);

    const QString name = model.window(current).name;
    const QStringList entries = model.state().listEntries;
    for (int position = 0; position < entries.size(); ++position) {
        if (entries[position] != name)
            continue;
        model.removeListEntry(position);
        if (!model.state().listEntries.isEmpty())
            selectListEntry(0);
        else
            setListText(QString());
        break;
    }
}

void WindowCommands::ClearLayout()
{
    LayoutModel& model = model_;
    WindowTable& table = model.table();
    if (table.HasVideoWindow == 1)
        model.destroyWindow(kVideoWindow);
    for (int index = kFirstPictureWindow; index <= table.PictureWindowCount + 1; ++index)
        model.destroyWindow(index);
    table.HasVideoWindow = 0;
    table.PictureWindowCount = 0;
    model.clearList();
    model.setCurrentWindow(0);
}

void WindowCommands::Combo1_Change()
{
    model_.setListText(Combo1->currentText());
    refreshSelection();
}

void WindowCommands::Combo1_Click()
{
    showNameFromStart();
    model_.setListText(Combo1->currentText());
    refreshSelection();
}

void WindowCommands::setListText(const QString& text)
{
    model_.selectByName(text);
}

void WindowCommands::selectListEntry(int position)
{
    {
        const QSignalBlocker quiet(Combo1);
        Combo1->setCurrentIndex(position);
    }
    showNameFromStart();
    model_.setListText(model_.state().listEntries.value(position));
    refreshSelection();
}

void WindowCommands::showNameFromStart()
{
    // The box is narrower than most names; a name set as a whole is read
    // from its first character, not scrolled to its end.
    Combo1->lineEdit()->home(false);
}

// The selection refresh: the views follow the model's selection by
// themselves (outlines, playlist in front, file list, fields, switch time).
void WindowCommands::refreshSelection()
{
    model_.selectListedWindow();
}

} // namespace tv
