#include "base/operator_lines.h"

#include "base/log_text.h"
#include "base/operator_log.h"

namespace tv {

void say(const QString& line)
{
    writeLogLine(escapedForLog(line));
}

int refuse(const QString& why)
{
    say(why);
    return 1;
}

} // namespace tv
