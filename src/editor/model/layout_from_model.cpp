#include "editor/model/layout_from_model.h"

#include <algorithm>

namespace tv {

LayoutDescription describeLayout(const LayoutState& state)
{
    const WindowTable& table = state.table;
    auto window = [&](int index) {
        const WindowState& window = state.windows[static_cast<std::size_t>(index)];
        QStringList names;
        for (const PlaylistEntry& entry : window.playlist)
            names << entry.name;
        return LayoutWindow{window.rect, names, window.name, index};
    };

    LayoutDescription layout;
    layout.shape = state.shape;
    if (table.inUse(kVideoWindow))
        layout.video = window(kVideoWindow);
    const int last = std::min(table.PictureWindowCount + 1, kLayoutIndices - 1);
    for (int index = kFirstPictureWindow; index <= last; ++index) {
        if (!table.inUse(index))
            continue;
        layout.switchTimes[static_cast<std::size_t>(layout.pictures.size())] =
            table.SwitchTime[static_cast<std::size_t>(index - 1)];
        layout.pictures << window(index);
        if (layout.pictures.size() == kPictureSlots)
            break;
    }
    return layout;
}

} // namespace tv
