#pragma once

#include "editor/model/window_table.h"

#include <QString>

#include <functional>

namespace tv {

enum class WindowKind { Video, Picture };

// What Add Window does for the chosen kind, decided from the window table
// alone: report a limit, show a deleted window again, or create a new one.
enum class AddAction {
    VideoLimit,       // the video window is in use
    ShowVideoAgain,   // the video window was deleted
    CreateVideo,      // no video window has been created
    ShowPictureAgain, // the lowest deleted picture index is used again
    PictureLimit,     // ten picture windows are in use
    CreatePicture,    // the next picture index is created
};

struct AddStep {
    AddAction action;
    int index; // the window the step shows or creates; 0 for a limit
};

AddStep planAddWindow(const WindowTable& table, WindowKind kind);

// A window's name: its kind's option caption followed by a number.
QString windowName(const QString& kindCaption, int number);

// The in-use window whose name is exactly `name` (every character, case
// counted), searched from index 1 up; 0 when there is none.
int findWindowByName(const WindowTable& table, const std::function<QString(int)>& nameOf,
                     const QString& name);

// The indices whose outlines carry a mark colour: every created window, in use
// or deleted. Empty (first > last) when none is created.
struct IndexRange {
    int first;
    int last;
};
IndexRange createdWindows(const WindowTable& table);

} // namespace tv
