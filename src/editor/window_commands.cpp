#include "editor/window_commands.h"

#include "editor/form_controls.h"
#include "editor/modal_dialogs.h"
#include "editor/split.h"
#include "editor/window_adding.h"
#include "geometry/layout_canvas.h"
#include "geometry/position_fields.h"
#include "media/media_file_list.h"
#include "media/playlist_panel.h"
#include "media/switch_time_box.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace tv {

namespace {
const QColor kMarkRed(255, 0, 0);
const QColor kMarkBlack(0, 0, 0);
} // namespace

WindowCommands::WindowCommands(Split& form, QWidget* client) : QObject(client), form_(form)
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
    placeTwips(Combo1, {135, 6255, 1005, 300});

    connect(Command1, &QPushButton::clicked, this, &WindowCommands::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &WindowCommands::Command2_Click);
    // Only the user's own edits and picks arrive here; code that changes the
    // list runs the refresh itself, exactly once.
    connect(Combo1->lineEdit(), &QLineEdit::textEdited, this, &WindowCommands::Combo1_Change);
    connect(Combo1, &QComboBox::activated, this, &WindowCommands::Combo1_Click);
}

void WindowCommands::Command1_Click()
{
    WindowKind kind;
    if (Option1->isChecked())
        kind = WindowKind::Video;
    else if (Option2->isChecked())
        kind = WindowKind::Picture;
    else
        return;

    const AddStep step = planAddWindow(form_.table(), kind);
    switch (step.action) {
    case AddAction::VideoLimit:
        form_.dialogs().message(&form_, QStringLiteral("Can only add one video window"),
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
        form_.dialogs().message(&form_, QStringLiteral("Can only add ten picture window"),
                                QStringLiteral("+_+"));
        break;
    case AddAction::CreatePicture:
        createPicture();
        break;
    }
}

void WindowCommands::showVideoAgain()
{
    LayoutCanvas& canvas = form_.canvas();
    canvas.setWindowPartsVisible(kVideoWindow, true);
    form_.table().WindowInUse[kVideoWindow] = kInUse;
    FlexGrid* grid = form_.playlists().MSFlexGrid2(kVideoWindow);
    grid->show();
    grid->raise();
    const QString name = canvas.Label1(kVideoWindow)->Caption();
    Combo1->addItem(name);
    setListText(name);
    disableSwitchTime();
}

void WindowCommands::createVideo()
{
    WindowTable& table = form_.table();
    table.HasVideoWindow = 1;
    table.CurrentWindow = kVideoWindow;
    table.WindowInUse[kVideoWindow] = kInUse;
    form_.playlists().createGrid(kVideoWindow);
    form_.InitPlaylistGrid(kVideoWindow);
    LoadWindow(Option1->Caption(), kVideoWindow);
    disableSwitchTime();
}

void WindowCommands::showPictureAgain(int index)
{
    WindowTable& table = form_.table();
    table.CurrentWindow = static_cast<std::int16_t>(index);
    table.WindowInUse[static_cast<std::size_t>(index)] = kInUse;
    form_.canvas().setWindowPartsVisible(index, true);
    // The window comes back with its place and switch time but an empty
    // playlist.
    FlexGrid* grid = form_.playlists().MSFlexGrid2(index);
    grid->setRows(1);
    grid->setCurrentCell(0, 0);
    grid->show();
    grid->raise();
    const QString name = windowName(Option2->Caption(), index - 1);
    Combo1->addItem(name);
    setListText(name);
    MarkCurrentWindow();
}

void WindowCommands::createPicture()
{
    WindowTable& table = form_.table();
    table.PictureWindowCount += 1;
    const int count = table.PictureWindowCount;
    const int index = count + 1;
    table.CurrentWindow = static_cast<std::int16_t>(index);
    table.WindowInUse[static_cast<std::size_t>(index)] = kInUse;
    form_.playlists().createGrid(index);
    form_.InitPlaylistGrid(index);
    LoadWindow(Option2->Caption(), index);

    SwitchTimeBox& switchTime = form_.switchTime();
    switchTime.Text3->setText(QStringLiteral("10"));
    table.SwitchTime[static_cast<std::size_t>(count)] = 10;
    switchTime.setControlsEnabled(true);
}

void WindowCommands::disableSwitchTime()
{
    // A video window has no switch time.
    SwitchTimeBox& switchTime = form_.switchTime();
    switchTime.Text3->clear();
    switchTime.setControlsEnabled(false);
}

void WindowCommands::LoadWindow(const QString& kindCaption, int index)
{
    LayoutCanvas& canvas = form_.canvas();
    const WindowTable& table = form_.table();
    canvas.createWindowParts(index);

    WindowBody* body = canvas.Image1(index);
    bool known = true;
    int number = 0;
    if (kindCaption == Option1->Caption()) {
        body->setLeft(180);
        body->setWidth(3500);
        body->setTop(180);
        body->setHeight(3000);
        canvas.Shape1(index)->setFillStyle(WindowOutline::kUpwardDiagonal);
        number = table.HasVideoWindow;
    } else if (kindCaption == Option2->Caption()) {
        body->setLeft(180);
        body->setWidth(1900);
        body->setTop(180);
        body->setHeight(1250);
        canvas.Shape1(index)->setFillStyle(WindowOutline::kDownwardDiagonal);
        number = table.PictureWindowCount;
    } else {
        known = false;
    }

    if (known) {
        const QString name = windowName(kindCaption, number);
        canvas.Label1(index)->setCaption(name);
        Combo1->addItem(name);
        setListText(name);
    }

    canvas.setWindowPartsVisible(index, true);
    canvas.bringWindowToFront(index);
    canvas.PlaceWindowParts(index);
    MarkCurrentWindow();
}

void WindowCommands::Command2_Click()
{
    WindowTable& table = form_.table();
    const int current = table.CurrentWindow;
    if (current == 0)
        return;
    LayoutCanvas& canvas = form_.canvas();
    const NameTag* tag = canvas.Label1(current);
    if (!tag)
        return;
    table.WindowInUse[static_cast<std::size_t>(current)] = kFree;
    canvas.setWindowPartsVisible(current, false);
    form_.playlists().MSFlexGrid2(current)->hide();

    const QString name = tag->Caption();
    const int entries = Combo1->count();
    for (int position = 0; position < entries; ++position) {
        if (Combo1->itemText(position) != name)
            continue;
        Combo1->removeItem(position);
        if (Combo1->count() > 0)
            selectListEntry(0);
        else
            setListText(QString());
        break;
    }
}

void WindowCommands::ClearLayout()
{
    WindowTable& table = form_.table();
    LayoutCanvas& canvas = form_.canvas();
    PlaylistPanel& playlists = form_.playlists();
    auto destroy = [&](int index) {
        canvas.destroyWindowParts(index);
        playlists.MSFlexGrid2.unload(index);
        table.WindowInUse[static_cast<std::size_t>(index)] = kFree;
    };
    if (table.HasVideoWindow == 1)
        destroy(kVideoWindow);
    for (int index = kFirstPictureWindow; index <= table.PictureWindowCount + 1; ++index)
        destroy(index);
    table.HasVideoWindow = 0;
    table.PictureWindowCount = 0;

    const QSignalBlocker quiet(Combo1);
    Combo1->clear();
    Combo1->clearEditText();
    table.CurrentWindow = 0;
}

void WindowCommands::Combo1_Change()
{
    refreshSelection();
}

void WindowCommands::Combo1_Click()
{
    showNameFromStart();
    refreshSelection();
}

void WindowCommands::setListText(const QString& text)
{
    {
        const QSignalBlocker quiet(Combo1);
        Combo1->setEditText(text);
    }
    showNameFromStart();
    refreshSelection();
}

void WindowCommands::selectListEntry(int position)
{
    {
        const QSignalBlocker quiet(Combo1);
        Combo1->setCurrentIndex(position);
        Combo1->setEditText(Combo1->itemText(position));
    }
    showNameFromStart();
    refreshSelection();
}

void WindowCommands::showNameFromStart()
{
    // The box is narrower than most names; a name set as a whole is read
    // from its first character, not scrolled to its end.
    Combo1->lineEdit()->home(false);
}

void WindowCommands::refreshSelection()
{
    WindowTable& table = form_.table();
    const LayoutCanvas& canvas = form_.canvas();
    const int found = findWindowByName(
        table,
        [&canvas](int index) {
            const NameTag* tag = canvas.Label1(index);
            return tag ? tag->Caption() : QString();
        },
        Combo1->currentText());
    if (found != 0)
        table.CurrentWindow = static_cast<std::int16_t>(found);

    MarkCurrentWindow();
    form_.fileList().FilterFileList();
    form_.playlists().bringToFront(table.CurrentWindow);
    form_.positions().RefreshPositionFields();
}

void WindowCommands::MarkCurrentWindow()
{
    const WindowTable& table = form_.table();
    const IndexRange range = createdWindows(table);
    for (int index = range.first; index <= range.last; ++index)
        if (WindowOutline* outline = form_.canvas().Shape1(index))
            outline->setFillColor(index == table.CurrentWindow ? kMarkRed : kMarkBlack);
}

} // namespace tv
