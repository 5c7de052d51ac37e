#pragma once

#include "layout/layout_description.h"
#include "layout/list_lengths.h"
#include "layout/write_file.h"

#include <array>
#include <variant>

namespace tv {

// The save-time tables: VideoInfo holds present, list length, Left, Top,
// Width, Height of the video window; PictureInfo(0, 0) the number of picture
// slots filled and PictureInfo(k, ...) slot k's window index, list length and
// rectangle. Rectangles are in whole twips.
struct SaveInfo {
    std::array<std::int16_t, 6> VideoInfo{};
    std::array<std::array<std::int16_t, 6>, kPictureSlots + 1> PictureInfo{};
    std::array<QStringList, kPictureSlots + 1> names; // 0 the video, k slot k
    std::array<QString, kPictureSlots + 1> titles;    // for messages, in the same order
    std::array<std::int32_t, kPictureSlots> switchTimes{};
    ScreenShape shape = ScreenShape::Landscape; // what the twips are of
};

// Why a layout cannot be written: a message for the user.
struct SaveRefusal {
    QString message;
};

// Why no layout file holds lists of these lengths (listExcess), or nothing
// when one does.
std::optional<SaveRefusal> listsRefusal(const ListLengths& lengths);

// Fills the tables from a layout: the video window when present, then the
// picture windows densely into slots 1..10.
std::variant<SaveInfo, SaveRefusal> PrepareSaveInfo(const LayoutDescription& layout);

// The four parts of the file, written in this order. Each refuses what its
// bytes cannot hold.
std::optional<SaveRefusal> WriteWindowGeometry(const SaveInfo& info, WriteFile& out);
void WriteSwitchTimes(const SaveInfo& info, WriteFile& out);
std::optional<SaveRefusal> WriteListStarts(const SaveInfo& info, WriteFile& out);
std::optional<SaveRefusal> WriteFileNames(const SaveInfo& info, WriteFile& out);

// The whole file for a layout, or why it cannot be written.
std::variant<QByteArray, SaveRefusal> encodeLayout(const LayoutDescription& layout);

} // namespace tv
