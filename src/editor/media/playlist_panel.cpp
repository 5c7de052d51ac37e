#include "editor/media/playlist_panel.h"

#include "editor/controls/modal_dialogs.h"
#include "editor/model/layout_from_model.h"
#include "editor/model/layout_history.h"
#include "editor/model/layout_model.h"
#include "editor/model/layout_steps.h"
#include "layout/layout_writer.h"
#include "layout/list_lengths.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <functional>
#include <optional>

namespace tv {

PlaylistPanel::PlaylistPanel(LayoutHistory& history, ModalDialogs& dialogs,
                             std::function<QList<PlaylistEntry>()> markedFiles, QWidget* client)
    : QObject(client), history_(history), model_(history.model()), dialogs_(dialogs),
      markedFiles_(std::move(markedFiles))
{
    Label3 = makeLabel(client, "Label3", QStringLiteral("  List:"), {7470, 3465, 825, 195});
    Command6 = makeButton(client, "Command6", QStringLiteral("Up"), {8505, 3375, 825, 375});
    Command7 = makeButton(client, "Command7", QStringLiteral("Down"), {9495, 3375, 825, 375});
    Command8 = makeButton(client, "Command8", QStringLiteral("\u2193Add"), {10485, 3375, 825, 375});
    Command9 = makeButton(client, "Command9", QStringLiteral("\u2191Del"), {11475, 3375, 825, 375});

    auto* templ = new FlexGrid(client);
    placeTwips(templ, {7425, 3870, 5010, 3255});
    MSFlexGrid2.setTemplate(templ);
    followClicks(0);

    connect(Command6, &QPushButton::clicked, this, &PlaylistPanel::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &PlaylistPanel::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &PlaylistPanel::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &PlaylistPanel::Command9_Click);

    connect(&model_, &LayoutModel::windowChanged, this, &PlaylistPanel::showWindow);
    connect(&model_, &LayoutModel::playlistChanged, this, &PlaylistPanel::showPlaylist);
    connect(&model_, &LayoutModel::currentChanged, this, &PlaylistPanel::showFront);
    connect(&model_, &LayoutModel::restored, this, &PlaylistPanel::showRestored);
}

void PlaylistPanel::showWindow(int index)
{
    if (!model_.window(index).created) {
        if (index > 0)
            MSFlexGrid2.unload(index);
        return;
    }
    if (!MSFlexGrid2.exists(index)) {
        createGrid(index);
        InitPlaylistGrid(index);
        showPlaylist(index);
    }
    MSFlexGrid2(index)->setVisible(model_.table().inUse(index));
    showFront();
}

void PlaylistPanel::showPlaylist(int index)
{
    FlexGrid* grid = MSFlexGrid2(index);
    if (!grid)
        return;
    const WindowState& window = model_.window(index);
    const QList<PlaylistEntry>& entries = window.playlist;
    // The grid's own notices of its current cell are the user's; these
    // changes are the model's.
    const QSignalBlocker quiet(grid);
    grid->setRows(int(entries.size()) + 1);
    QList<QStringList> rows;
    rows.reserve(entries.size());
    for (qsizetype row = 0; row < entries.size(); ++row)
        rows.append({QString::number(row + 1), entries[row].name, entries[row].size});
    grid->setRowTexts(1, 1, rows);
    if (grid->Row() != window.playlistRow || grid->Col() != window.playlistCol)
        grid->setCurrentCell(window.playlistRow, window.playlistCol);
}

void PlaylistPanel::showFront()
{
    FlexGrid* front = MSFlexGrid2(model_.table().CurrentWindow);
    if (!front || front->isHidden())
        front = MSFlexGrid2(0);
    front->raise();
}

void PlaylistPanel::showRestored()
{
    for (int index = 1; index < kLayoutIndices; ++index) {
        const WindowDifference changed =
            windowDifference(model_.beforeRestore(), model_.state(), index);
        if (changed.created)
            showWindow(index);
        if (changed.playlist)
            showPlaylist(index);
    }
    showFront();
}

void PlaylistPanel::InitPlaylistGrid(int index)
{
    if (FlexGrid* grid = MSFlexGrid2(index))
        prepareFileColumns(*grid);
}

void PlaylistPanel::createGrid(int index)
{
    FlexGrid* grid = MSFlexGrid2.load(index);
    grid->setRows(1);
    grid->show();
    grid->raise();
    followClicks(index);
}

void PlaylistPanel::followClicks(int index)
{
    FlexGrid* grid = MSFlexGrid2(index);
    // Entries are marked with Shift and Ctrl as in any list; the Delete key
    // deletes as the Del button does.
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->installEventFilter(this);
    connect(grid, &FlexGrid::currentCellChanged, this,
            [this, index, grid] { model_.setPlaylistCurrent(index, grid->Row(), grid->Col()); });
}

bool PlaylistPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        watched == MSFlexGrid2(model_.table().CurrentWindow)) {
        Command9_Click();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

FlexGrid* PlaylistPanel::currentPlaylist() const
{
    return MSFlexGrid2(model_.table().CurrentWindow);
}

namespace {

// Where window i's list lies among the lists a layout file of this layout
// stores; nothing for a window the file leaves out.
std::optional<std::size_t> listOf(const LayoutDescription& layout, int index)
{
    if (layout.video && layout.video->index == index)
        return 0;
    for (qsizetype slot = 0; slot < layout.pictures.size(); ++slot)
        if (layout.pictures[slot].index == index)
            return std::size_t(slot + 1);
    return std::nullopt;
}

} // namespace

void PlaylistPanel::Command8_Click()
{
    const int current = model_.table().CurrentWindow;
    const FlexGrid* playlist = currentPlaylist();
    if (!playlist)
        return;
    const StepRecorder undoable(history_, QStringLiteral("Add to Playlist"));
    QList<PlaylistEntry> entries = model_.window(current).playlist;
    const qsizetype before = entries.size();
    // The file's own rule on list lengths, the one the writer and every
    // reader keep, stops the add at the first name a layout file could no
    // longer hold: nothing added is then refused on Save or by a display.
    const LayoutDescription layout = describeLayout(model_.state());
    ListLengths lengths = listLengths(layout);
    const std::optional<std::size_t> list = listOf(layout, current);
    bool tooLong = false;
    std::optional<SaveRefusal> full;
    QString firstLeftOut;
    for (const PlaylistEntry& file : markedFiles_()) {
        if (file.name.size() > kMaxNameLength) {
            tooLong = true;
            break;
        }
        if (list) {
            ++lengths[*list];
            if ((full = listsRefusal(lengths))) {
                firstLeftOut = file.name;
                break;
            }
        }
        entries.append(file);
    }
    model_.setPlaylist(current, entries, playlist->Row(), playlist->Col());
    if (full) {
        const QString stopped =
            entries.size() == before
                ? QStringLiteral("The files were not added. ")
                : QStringLiteral("The files from %1 on were not added. ").arg(firstLeftOut);
        dialogs_.message(Command8->window(), stopped + full->message, QStringLiteral("+_+"));
    }
    if (tooLong)
        dialogs_.message(Command8->window(), QStringLiteral("The max character number is 20"),
                         QStringLiteral("+_+"));
}

void PlaylistPanel::Command9_Click()
{
    const int index = model_.table().CurrentWindow;
    const FlexGrid* playlist = currentPlaylist();
    if (!playlist)
        return;
    const StepRecorder undoable(history_, QStringLiteral("Delete from Playlist"));
    QList<PlaylistEntry> entries = model_.window(index).playlist;
    const int current = playlist->Row();
    // Several entries marked together go together.
    QList<int> marked;
    for (const QModelIndex& cell : playlist->selectionModel()->selectedIndexes())
        if (!marked.contains(cell.row() + 1))
            marked << cell.row() + 1;
    if (marked.size() > 1) {
        std::sort(marked.begin(), marked.end(), std::greater<>());
        for (int row : marked)
            if (row >= 1 && row <= entries.size())
                entries.removeAt(row - 1);
        model_.setPlaylist(index, entries, std::min(marked.last(), int(entries.size())),
                           std::max(playlist->Col(), 1));
        return;
    }
    if (entries.size() >= 2) {
        // Of several entries, only the current one goes; without one, none.
        if (current == 0 || current > entries.size())
            return;
        entries.removeAt(current - 1);
        model_.setPlaylist(index, entries, std::min(current, int(entries.size())),
                           std::max(playlist->Col(), 1));
    } else {
        model_.setPlaylist(index, {}, 0, 0);
    }
}

void PlaylistPanel::Command6_Click()
{
    const FlexGrid* playlist = currentPlaylist();
    if (!playlist)
        return;
    const int current = playlist->Row();
    if (current <= 1)
        return;
    const StepRecorder undoable(history_, QStringLiteral("Move Up"));
    SwapPlaylistRows(current, current - 1);
}

void PlaylistPanel::Command7_Click()
{
    const FlexGrid* playlist = currentPlaylist();
    if (!playlist)
        return;
    const int current = playlist->Row();
    const int last = playlist->Rows() - 1;
    if (current == 0 || current >= last)
        return;
    const StepRecorder undoable(history_, QStringLiteral("Move Down"));
    SwapPlaylistRows(current, current + 1);
}

void PlaylistPanel::SwapPlaylistRows(int a, int b)
{
    // Names and sizes change places; the numbers stay in order, and the
    // moved entry (from row a) stays current at row b.
    const int index = model_.table().CurrentWindow;
    const FlexGrid* playlist = currentPlaylist();
    QList<PlaylistEntry> entries = model_.window(index).playlist;
    if (a < 1 || b < 1 || a > entries.size() || b > entries.size())
        return;
    entries.swapItemsAt(a - 1, b - 1);
    model_.setPlaylist(index, entries, b, std::max(playlist->Col(), 1));
}

} // namespace tv
