#pragma once

#include <QtGlobal>

namespace tv {

class MessageTally;

// While it lives, Qt's own messages go to `tally` rather than straight to the
// standard error stream: Qt chatters about codecs and hardware at debug
// level, and a display's log keeps what went wrong, in its own lines, each
// once per show. A fatal message still ends the program as Qt's own handler
// does. Qt has one message handler for the whole process, so one route is
// taken at a time; the one before comes back as this one goes.
class QtMessageRoute {
public:
    explicit QtMessageRoute(MessageTally& tally);
    ~QtMessageRoute();
    QtMessageRoute(const QtMessageRoute&) = delete;
    QtMessageRoute& operator=(const QtMessageRoute&) = delete;

private:
    MessageTally* before_;
    QtMessageHandler handlerBefore_;
};

} // namespace tv
