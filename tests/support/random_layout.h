#pragma once

#include "layout/layout_description.h"

#include <QRandomGenerator>

#include <algorithm>

namespace tv::test {

// A random layout that a layout file can hold: windows inside the canvas,
// playlists empty or full in any order (each stored running name count kept
// within a byte), names of 1 to 20 arbitrary code units, any 16-bit switch times.
inline LayoutDescription randomLayout(QRandomGenerator& random)
{
    auto randomName = [&random] {
        QString name;
        const int length = random.bounded(1, kNameSlotUnits + 1);
        for (int i = 0; i < length; ++i)
            name.append(QChar(static_cast<char16_t>(random.bounded(1, 0x10000))));
        return name;
    };
    auto randomWindow = [&](int index, int names) {
        LayoutWindow window;
        window.index = index;
        const float width = float(random.bounded(0, 7201));
        const float height = float(random.bounded(0, 4051));
        window.rect = {float(random.bounded(0, 7201 - int(width))),
                       float(random.bounded(0, 4051 - int(height))), width, height};
        for (int i = 0; i < names; ++i)
            window.names << randomName();
        return window;
    };
    // Lengths drawn so that no stored running count passes 255: often empty,
    // mostly short, now and then as long as the byte allows. Slot 10's list
    // is stored in no byte and may be longer still.
    int running = 0;
    auto randomLength = [&](bool lastSlot) {
        const int room = lastSlot ? 400 : 255 - running;
        const int length = random.bounded(3) == 0   ? 0
                           : random.bounded(8) == 0 ? random.bounded(0, room + 1)
                                                    : random.bounded(0, std::min(room, 25) + 1);
        running = length == 0 ? 0 : running + length;
        return length;
    };

    LayoutDescription layout;
    if (random.bounded(2) == 0)
        layout.video = randomWindow(1, randomLength(false));
    const int pictures = random.bounded(0, kPictureSlots + 1);
    for (int slot = 1; slot <= pictures; ++slot)
        layout.pictures << randomWindow(slot + 1, randomLength(slot == kPictureSlots));
    for (int slot = 0; slot < pictures; ++slot)
        layout.switchTimes[static_cast<std::size_t>(slot)] = random.bounded(0, 65536);
    return layout;
}

} // namespace tv::test
