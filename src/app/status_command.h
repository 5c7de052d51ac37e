#pragma once

#include "app/command_line.h"

namespace tv {

// Tells how each display whose report folder lies in `options.status` is
// doing at --at, or at `time.now`: a line each, or a JSON array with --json.
// The exit status, for a cron job or a service's OnFailure=: 0 when every
// display is well, 1 when one is not (or none reports at all), 2 when the
// folder cannot be read or --at is no time.
int statusCommand(const CommandLine& options, const CommandTime& time);

} // namespace tv
