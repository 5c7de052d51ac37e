#pragma once

#include <QString>

namespace tv {

// Control characters in names and messages, as the log shows them: escaped,
// so that a name can neither split a log line nor send the terminal a
// command.
QString escapedForLog(const QString& text);

// A size limit as a person reads it: "4 MB", "64 KB" or "9 bytes".
QString sizeText(qint64 bytes);

} // namespace tv
