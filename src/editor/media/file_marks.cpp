#include "editor/media/file_marks.h"

#include <algorithm>

namespace tv {

void pressRow(FileMarks& marks, int row, int shift)
{
    const int rows = int(marks.marked.size());
    if (row < 1 || row >= rows)
        return;
    if (shift == kCtrlKey) {
        marks.marked[row] = true;
        marks.anchor = row;
    } else if (shift == kShiftKey) {
        const int low = std::min(marks.anchor, row);
        const int high = std::max(marks.anchor, row);
        for (int i = 1; i < rows; ++i)
            marks.marked[i] = low <= i && i <= high;
    } else {
        for (int i = 1; i < rows; ++i)
            marks.marked[i] = i == row;
        marks.anchor = row;
    }
}

} // namespace tv
