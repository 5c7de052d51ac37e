#pragma once

#include <QList>

namespace tv {

// The keys held during a press, added together: 1 Shift, 2 Ctrl, 4 Alt.
inline constexpr int kShiftKey = 1;
inline constexpr int kCtrlKey = 2;
inline constexpr int kAltKey = 4;

// The marks of the file list's rows (element r for row r; element 0, the
// header, is never marked) and the anchor of Shift-press ranges.
struct FileMarks {
    QList<bool> marked;
    int anchor = 0;
};

// A press on data row `row` with the keys `shift`:
//  Ctrl alone marks the row (never unmarks) and makes it the anchor;
//  Shift alone marks exactly the rows from the anchor to the row, either way,
//  and keeps the anchor;
//  anything else marks the row alone and makes it the anchor.
void pressRow(FileMarks& marks, int row, int shift);

} // namespace tv
