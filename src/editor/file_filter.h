#pragma once

#include <QString>

namespace tv {

// The file dialogs are described by filters of the form
// "Description|pattern[|Description|pattern...]", patterns separated by ';'.
// Returns the same filter in the notation of Qt's file dialogs:
// "Description (pattern pattern);;...". A trailing description without a
// pattern is kept as a filter that shows every file.
QString qtFileFilter(const QString& filter);

} // namespace tv
