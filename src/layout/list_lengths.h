#pragma once

#include "layout/layout_description.h"

#include <array>

namespace tv {

// The most names one layout file holds: a display reads no file longer than
// eleven lists of 255 names.
inline constexpr qsizetype kMostNames = 255 * 11;

// The largest file a reader takes: the head and kMostNames name slots.
inline constexpr qint64 kLargestLayoutFile = kHeadBytes + qint64(kNameSlotBytes) * kMostNames;

// How long each list of a file is, in the file's order: [0] the video
// window's (0 without one), [k] picture slot k's (0 for a slot not used).
using ListLengths = std::array<qsizetype, kPictureSlots + 1>;

// The lengths of the lists a file of this layout stores.
ListLengths listLengths(const LayoutDescription& layout);

// What keeps lists of some lengths out of a layout file.
enum class ListExcess {
    None,
    // A list start, the running count of names since the video window's list
    // or the last empty picture list, would pass the 255 its byte holds.
    StartPastByte,
    // The names come to more than kMostNames.
    PastMostNames,
};

// Whether a layout file can hold lists of these lengths. The writer refuses,
// and the reader takes for no layout, exactly what this refuses, so every
// file written is read again and the editor can tell before a save.
ListExcess listExcess(const ListLengths& lengths);

// The names the lists hold in all.
qsizetype nameCount(const ListLengths& lengths);

} // namespace tv
