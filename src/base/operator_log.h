#pragma once

#include <QDateTime>
#include <QString>

namespace tv {

// The operator's log: the standard error stream, one line at a time. Each
// line starts with the local time (ISO 8601, to the second, with its offset
// from UTC) unless the stream is the systemd journal, which stamps lines
// itself. `line` is plain text, escaped already (see escapedForLog).
void writeLogLine(const QString& line);

// The stamp a line written at `moment` gets, "" when the stream is the
// journal; for tests.
QString logStamp(const QDateTime& moment);

// Whether the standard error stream is the journal (JOURNAL_STREAM names it).
bool logGoesToJournal();

// Sends the log to the end of `path` from now on, and again to a file of
// that name whenever SIGUSR1 comes, so that logrotate can move the file
// away. Only a regular file (or none yet) is written to; false, with the
// reason in `why`, when it cannot be.
bool logToFile(const QString& path, QString* why);
// Until a log file is taken, SIGUSR1 asks nothing of this process:
// logrotate's `pkill -USR1` reaches every player, and must not end one that
// logs to the journal. Called first thing, before anything can be signalled.
void ignoreLogReopen();

} // namespace tv
