#pragma once

#include "schedule/zone_clock.h"

#include <QStringList>
#include <QTimeZone>

#include <optional>

class QCommandLineParser;

namespace tv {

class MessageTally;

// The instant a command runs at and the zone a schedule's `zone = local`
// means: read once from the system where the program starts, and handed to
// every command that works out times.
struct CommandTime {
    Instant now = 0;
    QTimeZone local;
};

// What the command line asks for, read by Qt's parser: the launcher (with a
// layout to open in the editor), a layout to play on the display, or one to
// describe as JSON.
struct CommandLine {
    QString file;  // opened in the editor at start
    QString play;  // the layout to play
    QString media; // the media folder; empty: the layout's own folder
    bool window = false;
    QString inspect;  // the layout to describe
    QString publish;  // the layout to publish as a show folder
    QString to;       // the show folder to publish to
    int volume = 100; // of clips' sound, 0 to 100
    bool hardwareDecoding = false;
    int rotate = 0; // degrees clockwise the show is turned by
    QString screen; // the screen to play on; empty: the primary one
    bool listScreens = false;
    QString log;     // the file the display's log goes to; empty: stderr as it is
    QString explain; // the schedule, or show folder, to explain
    QString at;      // the instant to explain, or to judge reports at; empty: now
    QString report;  // the display's report folder; empty: the default
    QString name;    // the display's name in its reports; empty: the host's
    QString metrics; // where the display writes its figures for monitoring
    QString status;  // the folder of the displays' reports to judge
    bool json = false;
    qint64 syncLagS = 300; // how long the sync tool may take to carry a status
    QString plays;         // the report folder, or folder of them, whose plays are summed
    QString from;          // the first day summed, YYYY-MM-DD; the last is `to`
};

// What is wrong with how the arguments are put together, as "tessellview: ..."
// (an option without its value, an option for its value, --media or --window
// without --play, more than one file); empty when they can be followed. The
// program then ends with status 2, before anything needs a display.
QString usageProblem(const QStringList& arguments);

// Whether the arguments ask to --play, read as the program reads them.
bool asksToPlay(const QStringList& arguments);

// Whether the arguments ask only for text (--inspect, --plays, --help, --version), so
// that no display is needed.
bool needsNoDisplay(const QStringList& arguments);

// Reads the arguments; --help and --version are answered and end the program.
CommandLine readCommandLine(const QStringList& arguments);

// Why the layout given to --play will not be played, found before anything
// needs a display; empty when there is nothing to refuse.
QString playRefusal(const QStringList& arguments, const CommandTime& time);

// Prints a layout as JSON on the standard output; the exit status. A file
// the reader refuses gets the editor's reason on the standard error stream
// and status 1.
int inspectLayoutFile(const QString& path, const CommandTime& time);

// Tells what a schedule (or the show folder of one) plays at --at, or now,
// and why; the exit status.
int explainScheduleCommand(const CommandLine& options, const CommandTime& time);

// "YYYY-MM-DD HH:MM[:SS]" on the clocks of `clock`'s zone, or an ISO 8601
// time with its offset, as --at takes it; nullopt when it is neither.
std::optional<Instant> instantOf(const QString& text, const ZoneClock& clock);

// Writes a show folder: the layout and exactly its media; the exit status.
// Missing media are refused before anything is written (status 1).
int publishLayout(const CommandLine& options, const CommandTime& time);

// Prints the plays of the days from --from to --to in a report folder, or a
// folder of them, as CSV; the exit status.
int sumPlaysCommand(const CommandLine& options);

// Prints each screen's name, size and place, the primary one marked; the
// exit status.
int listScreens();

// Plays a layout, or the show folder holding one, until the user ends it;
// the exit status. The layout file and the media folder are watched: changes
// reach the screen without a restart, and SIGHUP reads the layout at once. A file the reader
// refuses gets its reason on the standard error stream and status 1, with no
// window.
int playLayout(const CommandLine& options, MessageTally& messages);

} // namespace tv
