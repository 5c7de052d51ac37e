#pragma once

#include "decode/decode_settings.h"
#include "files/media_open.h"

#include <QString>

namespace tv {

// What a display plays and how, as its command line and settings file give
// it.
struct DisplaySettings {
    QString layoutPath; // the layout file played
    MediaHandle::Links layoutLinks = MediaHandle::Links::Followed;
    QString mediaFolder;
    QString log;    // the file the log goes to; empty: standard error as it is
    int rotate = 0; // degrees clockwise the show is turned by
    QString screen; // the screen to play on; empty: the primary one
    bool window = false;
    QString hashCache;    // where the hashes of the show's files are kept
    QString reportFolder; // where the display's reports go; empty: nowhere
    QString name;         // the display's name in them
    QString metricsFile;  // where its figures for monitoring go; empty: nowhere
    // How loud clips play, whether on the video hardware, and the tally
    // what goes wrong is told through (which must be set).
    DecodeSettings decoding;
};

// Plays the show full screen (or in a window) until Esc, Q, SIGTERM or
// SIGINT, following its folder as it changes; the program's exit status.
int runDisplay(const DisplaySettings& settings);

} // namespace tv
