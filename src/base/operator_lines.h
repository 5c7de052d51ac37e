#pragma once

#include <QString>

namespace tv {

// A line for the operator's log whose names are the user's data: written as
// text, its control characters escaped, never as terminal commands.
void say(const QString& line);
// A refusal said that way; the exit status of a command that failed (1).
int refuse(const QString& why);

} // namespace tv
