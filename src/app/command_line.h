#pragma once

#include <QStringList>

class QCommandLineParser;

namespace tv {

// What the command line asks for, read by Qt's parser: nothing (the
// launcher), or a layout to play on the display.
struct CommandLine {
    QString play;  // the layout to play; empty: the launcher
    QString media; // the media folder; empty: the layout's own folder
    bool window = false;
};

// Reads the arguments; --help and --version are answered and end the program.
CommandLine readCommandLine(const QStringList& arguments);

// Plays a layout until the user ends it; the exit status. A file the reader
// refuses gets its reason on the standard error stream and status 1, with no
// window.
int playLayout(const CommandLine& options);

} // namespace tv
