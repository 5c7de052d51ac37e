#pragma once

#include "layout/layout_description.h"
#include "layout/list_lengths.h"

#include <QByteArray>

#include <variant>

namespace tv {

// Why some bytes are not a layout file: a message for the user.
struct ReadRefusal {
    QString message;
};

// Reads a whole layout file. Everything is checked before anything is
// returned: the length (the head and whole name slots), the first byte (0 or
// 1), the picture count (at most 10), that the list lengths are ones the
// writer writes (listExcess) and that the playlists of the windows the file
// describes take exactly the names it holds. A list-start difference
// below zero is an empty playlist; the last list of a file with ten picture
// windows takes the names that are left. Rectangles come back in twips,
// rounded down, of the canvas of `shape`, the screen the file is for; names
// without the zero code units that pad their slots.
std::variant<LayoutDescription, ReadRefusal>
decodeLayout(const QByteArray& bytes, ScreenShape shape = ScreenShape::Landscape);

} // namespace tv
