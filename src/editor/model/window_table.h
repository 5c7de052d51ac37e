#pragma once

#include "base/twips.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace tv {

// Window index: 0 the templates, 1 the video window, 2..11 picture windows
// (picture window k has index k + 1). The in-use table has room for every
// index a 16-bit count can reach through a layout file, 0..255.
inline constexpr int kVideoWindow = 1;
inline constexpr int kFirstPictureWindow = 2;
inline constexpr int kMaxPictureWindows = 10;
inline constexpr int kWindowSlots = 256;

// Flags are 16-bit with -1 for true, as the layout's other tables keep them.
inline constexpr std::int16_t kInUse = -1;
inline constexpr std::int16_t kFree = 0;

// The form-level window table of the editor. The names are the ones every
// part of the editor refers to.
struct WindowTable {
    std::int16_t HasVideoWindow = 0;
    std::int16_t PictureWindowCount = 0;
    std::array<std::int16_t, kWindowSlots> WindowInUse{};
    std::int16_t CurrentWindow = 0;
    // Element i - 1 belongs to window index i.
    std::array<std::int32_t, kMaxPictureWindows + 1> SwitchTime{};

    // The editor start empties the table; switch times are left as they are.
    void empty();

    bool inUse(int index) const;
    friend bool operator==(const WindowTable&, const WindowTable&) = default;
    // Whether the controls of this index have been created (in use or deleted).
    bool isCreated(int index) const;
};

// What the editor's controls show for one window index: how many of its five
// parts (body, outline, name tag, corner handle, playlist grid) exist and are
// visible, and the name its tag carries.
struct WindowPartsView {
    int existing = 0;
    int visible = 0;
    QString name;
    TwipsRect body;       // where the body is drawn, in twips
    QStringList playlist; // the names its playlist grid shows, in order
    bool marked = false;  // its outline is red
};

inline constexpr int kWindowParts = 5;

// A snapshot of the controls, taken by the editor so the table can be checked
// against what the user sees.
struct LayoutView {
    std::array<WindowPartsView, kWindowSlots> windows{};
    QStringList listedNames; // the entries of the window list, in order
    QString listText;        // the window list's text
};

// Checks the four rules that tie the window table to the controls:
//  1. the controls of index 1 exist iff HasVideoWindow is 1; those of indices
//     2..PictureWindowCount+1 exist, and no others beyond the templates;
//  2. an in-use window's controls exist and all five are visible, and its name
//     is listed (every listed name belongs to exactly one in-use window);
//  3. a created window that is not in use is hidden, all five parts;
//  4. CurrentWindow is 0 or a created index.
// Returns one line per broken rule; empty when all hold.
QStringList windowTableViolations(const WindowTable& table, const LayoutView& view);

} // namespace tv
