#pragma once

#include <QString>
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

// While it lives, what Qt says on this thread is about the file at `path`
// (an image reader's warnings name no file): the line is told under its
// name. Scopes nest; the outer one comes back as the inner one goes.
class QtMessageSubject {
public:
    explicit QtMessageSubject(const QString& path);
    ~QtMessageSubject();
    QtMessageSubject(const QtMessageSubject&) = delete;
    QtMessageSubject& operator=(const QtMessageSubject&) = delete;

private:
    const QString path_;
    const QString* before_;
};

} // namespace tv
