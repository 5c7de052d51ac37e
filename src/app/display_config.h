#pragma once

#include <QStringList>

namespace tv {

// Where a display keeps the settings it plays with, so that its unit needs
// no command line: ~/.config/tessellview/display.conf (under
// $XDG_CONFIG_HOME when that is set).
QString displayConfigPath();
// Where a display keeps what it learnt of the show at `layoutPath` (the
// hashes of its files), so that a restart need not learn it again: a file of
// its own in $XDG_STATE_HOME/tessellview (~/.local/state/tessellview), one
// for each layout played.
QString hashCachePath(const QString& layoutPath);

// Where a display keeps its reports unless told otherwise:
// $XDG_STATE_HOME/tessellview/report (~/.local/state/tessellview/report).
QString defaultReportFolder();

// The arguments with a display's settings put in front of those given, when
// they ask to --play: each line of the file is `name = value` for one of
// rotate, screen, volume, hwdec, log, report and name (as the options of the same names), and
// lines starting with # are comments. An option given on the command line
// wins over the file. A file that is not there changes nothing; one that
// cannot be read or holds anything else is refused with its line in
// `problem` ("tessellview: ...").
QStringList withDisplayConfig(const QStringList& arguments, const QString& path, QString* problem);

} // namespace tv
