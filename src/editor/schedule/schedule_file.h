#pragma once

#include <QString>

namespace tv {

class SaveFiles;

// The text of a schedule file, or why it was not read.
struct ScheduleFileText {
    QString text;
    QString refusal; // empty when read
};

// Reads a schedule as a display would take it: a regular file, no larger
// than a schedule may be, in UTF-8.
ScheduleFileText readScheduleFile(const QString& path);

// Writes the text whole, as a layout is saved: the old file stays until the
// new one is complete. Returns an empty string, or why it was not written.
QString writeScheduleFile(const QString& path, const QString& text, SaveFiles& files);

} // namespace tv
