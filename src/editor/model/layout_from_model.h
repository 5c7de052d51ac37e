#pragma once

#include "editor/model/layout_model.h"
#include "layout/layout_description.h"

namespace tv {

// What a layout file would hold of the layout being edited: the video window
// when in use and the picture windows in use, in index order, in the file's
// slots (at most ten), each with its switch time.
LayoutDescription describeLayout(const LayoutState& state);

} // namespace tv
