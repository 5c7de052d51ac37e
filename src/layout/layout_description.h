#pragma once

#include "base/twips.h"
#include "layout/screen_shape.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace tv {

// One window as a layout file keeps it.
struct LayoutWindow {
    TwipsRect rect;    // in twips of the canvas of the layout's shape
    QStringList names; // the playlist, in play order
    QString title;     // the window's name in the editor, for messages; not stored
    int index = 0;     // the window's index in the editor; not stored
};

// A layout as the layout file describes it: the video window when present and
// the picture windows in slot order (slot k is pictures[k - 1]; at most ten are
// stored), with the switch time of every slot in seconds. The file does not
// hold the shape of the screen it is for: that is known beside it (the
// editor's memory, a show's manifest), and is landscape when it is not.
struct LayoutDescription {
    std::optional<LayoutWindow> video;
    QList<LayoutWindow> pictures;
    std::array<std::int32_t, 10> switchTimes{};
    ScreenShape shape = ScreenShape::Landscape;
};

// The file's fixed head and its name slots.
inline constexpr int kHeadBytes = 81;
inline constexpr int kNameSlotBytes = 40;
inline constexpr int kNameSlotUnits = kNameSlotBytes / 2;
inline constexpr int kPictureSlots = 10;
inline constexpr int kSwitchTimeOffset = 50;
inline constexpr int kListStartOffset = 70;

// Every name the layout plays, once each, in play order: the video
// window's list, then each picture slot's.
inline QStringList namesPlayed(const LayoutDescription& layout)
{
    QStringList names;
    if (layout.video)
        names << layout.video->names;
    for (const LayoutWindow& window : layout.pictures)
        names << window.names;
    names.removeDuplicates();
    return names;
}

} // namespace tv
