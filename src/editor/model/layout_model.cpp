#include "editor/model/layout_model.h"

#include "editor/model/window_adding.h"
#include "editor/model/window_geometry.h"

#include <utility>

namespace tv {

namespace {

// The state with what is only chosen set aside.
LayoutState layoutOnly(LayoutState state)
{
    state.table.CurrentWindow = 0;
    state.listText.clear();
    state.stacking.clear();
    for (WindowState& window : state.windows)
        window.playlistRow = window.playlistCol = 0;
    return state;
}

} // namespace

bool differentLayouts(const LayoutState& a, const LayoutState& b)
{
    return !(layoutOnly(a) == layoutOnly(b));
}

QStringList layoutViewViolations(const LayoutState& state, const LayoutView& view)
{
    QStringList problems;
    for (int index = 1; index < kLayoutIndices; ++index) {
        const WindowState& window = state.windows[static_cast<std::size_t>(index)];
        const WindowPartsView& shown = view.windows[static_cast<std::size_t>(index)];
        if (!window.created)
            continue;
        auto report = [&](const char* what) {
            problems << QStringLiteral("window %1: %2").arg(index).arg(QLatin1String(what));
        };
        if (!(shown.body == window.rect))
            report("drawn elsewhere than the model holds");
        if (shown.name != window.name)
            report("drawn under another name");
        QStringList names;
        for (const PlaylistEntry& entry : window.playlist)
            names << entry.name;
        if (shown.playlist != names)
            report("its playlist grid shows other names");
        if (shown.marked != (index == state.table.CurrentWindow))
            report("marked against the selection");
    }
    if (view.listedNames != state.listEntries)
        problems << QStringLiteral("the window list shows other entries");
    if (view.listText != state.listText)
        problems << QStringLiteral("the window list shows another text");
    return problems;
}

WindowDifference windowDifference(const LayoutState& before, const LayoutState& now, int index)
{
    const auto i = static_cast<std::size_t>(index);
    const WindowState& was = before.windows[i];
    const WindowState& is = now.windows[i];
    const bool use = before.table.WindowInUse[i] != now.table.WindowInUse[i];
    return {was != is || use, was.created != is.created || use,
            was.playlist != is.playlist || was.playlistRow != is.playlistRow ||
                was.playlistCol != is.playlistCol};
}

const WindowState& LayoutModel::window(int index) const
{
    static const WindowState none;
    if (index < 0 || index >= kLayoutIndices)
        return none;
    return state().windows[static_cast<std::size_t>(index)];
}

WindowState* LayoutModel::edit(int index)
{
    // Index 0 holds only the template grid's entries, which belong to no window.
    if (index < 0 || index >= kLayoutIndices)
        return nullptr;
    return &live().windows[static_cast<std::size_t>(index)];
}

void LayoutModel::createWindow(int index, const QString& name, const TwipsRect& rect, int kindStyle)
{
    WindowState* window = edit(index);
    if (!window || index == 0)
        return;
    *window = WindowState{true, name, rect, kindStyle, {}, 0, 0};
    live().stacking.removeAll(index);
    live().stacking.append(index);
    emit windowChanged(index);
}

void LayoutModel::destroyWindow(int index)
{
    WindowState* window = edit(index);
    if (!window || index == 0)
        return;
    *window = WindowState{};
    live().stacking.removeAll(index);
    live().table.WindowInUse[static_cast<std::size_t>(index)] = kFree;
    emit windowChanged(index);
}

void LayoutModel::setInUse(int index, bool inUse)
{
    if (index < 0 || index >= kWindowSlots)
        return;
    live().table.WindowInUse[static_cast<std::size_t>(index)] = inUse ? kInUse : kFree;
    emit windowChanged(index);
}

void LayoutModel::setShape(ScreenShape shape)
{
    if (state().shape == shape)
        return;
    // One change for the views, which redraw what differs.
    beginBatch();
    LayoutState& next = live();
    for (WindowState& window : next.windows)
        window.rect = reshaped(window.rect, next.shape, shape);
    next.shape = shape;
    endBatch();
}

void LayoutModel::setRect(int index, const TwipsRect& rect)
{
    WindowState* window = edit(index);
    if (!window)
        return;
    window->rect = rect;
    emit windowMoved(index);
}

void LayoutModel::raise(int index)
{
    if (!live().stacking.contains(index))
        return;
    live().stacking.removeAll(index);
    live().stacking.append(index);
    emit windowRaised(index);
}

void LayoutModel::setCurrentWindow(int index)
{
    live().table.CurrentWindow = static_cast<std::int16_t>(index);
    emit currentChanged();
}

void LayoutModel::setSwitchTime(int position, std::int32_t seconds)
{
    if (position < 0 || position >= int(live().table.SwitchTime.size()))
        return;
    live().table.SwitchTime[static_cast<std::size_t>(position)] = seconds;
    emit switchTimeChanged();
}

void LayoutModel::appendListEntry(const QString& name)
{
    live().listEntries.append(name);
    emit listChanged();
}

void LayoutModel::removeListEntry(int position)
{
    if (position < 0 || position >= live().listEntries.size())
        return;
    live().listEntries.removeAt(position);
    emit listChanged();
}

void LayoutModel::clearList()
{
    live().listEntries.clear();
    live().listText.clear();
    emit listChanged();
}

void LayoutModel::setListText(const QString& text)
{
    live().listText = text;
    emit listChanged();
}

void LayoutModel::selectListedWindow()
{
    const int found = findWindowByName(
        live().table, [this](int index) { return window(index).name; }, live().listText);
    if (found != 0)
        setCurrentWindow(found);
    else
        emit currentChanged();
    emit selected();
}

void LayoutModel::selectByName(const QString& text)
{
    setListText(text);
    selectListedWindow();
}

void LayoutModel::beginBatch()
{
    if (batch_++ > 0)
        return;
    beforeRestore_ = state();
    signalsWereBlocked_ = blockSignals(true);
}

void LayoutModel::endBatch()
{
    if (batch_ == 0 || --batch_ > 0)
        return;
    blockSignals(signalsWereBlocked_);
    emit restored();
}

void LayoutModel::releaseSelection()
{
    if (selectionHeld_ > 0 && --selectionHeld_ == 0)
        emit selectionReleased();
}

void LayoutModel::setPlaylist(int index, const QList<PlaylistEntry>& playlist, int row, int col)
{
    WindowState* window = edit(index);
    if (!window)
        return;
    window->playlist = playlist;
    window->playlistRow = row;
    window->playlistCol = col;
    emit playlistChanged(index);
}

void LayoutModel::setPlaylistCurrent(int index, int row, int col)
{
    WindowState* window = edit(index);
    if (!window)
        return;
    window->playlistRow = row;
    window->playlistCol = col;
}

void LayoutModel::restore(const LayoutState& state)
{
    holdRestore(state);
    releaseRestore();
}

void LayoutModel::holdRestore(const LayoutState& state)
{
    if (!heldState_)
        beforeRestore_ = state_;
    heldState_ = &state;
}

void LayoutModel::releaseRestore()
{
    if (!heldState_)
        return;
    live();
    emit restored();
}

LayoutState& LayoutModel::live()
{
    if (heldState_)
        state_ = *std::exchange(heldState_, nullptr);
    return state_;
}

} // namespace tv
