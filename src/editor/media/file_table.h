#pragma once

#include <QString>

#include <array>

namespace tv {

// The files of the chosen media folder, kept by the editor for its whole life:
// FileNames(i, 0) is the name and FileNames(i, 1) the size text of file i, for
// i = 1..FileCount; entry 0 is never used.
struct FileTable {
    std::array<std::array<QString, 2>, 256> FileNames;
    int FileCount = 0;
    // The anchor row of Shift-press marking, kept across refills.
    int FileListAnchor = 0;
};

} // namespace tv
