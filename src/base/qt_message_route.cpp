#include "base/qt_message_route.h"

#include "base/message_tally.h"

#include <QString>

#include <atomic>
#include <utility>

namespace tv {

namespace {

// Qt's handler takes no context of its own: the route in force is found here.
std::atomic<MessageTally*> routed{nullptr};
std::atomic<QtMessageHandler> qtOwn{nullptr};
thread_local const QString* subject = nullptr;

void route(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        if (const QtMessageHandler own = qtOwn.load())
            own(type, context, text);
        return;
    }
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (MessageTally* tally = routed.load())
        tally->note(subject ? *subject : QString(), text);
}

} // namespace

QtMessageRoute::QtMessageRoute(MessageTally& tally) : before_(routed.exchange(&tally))
{
    handlerBefore_ = qInstallMessageHandler(route);
    if (handlerBefore_ != route)
        qtOwn = handlerBefore_;
}

QtMessageRoute::~QtMessageRoute()
{
    routed = before_;
    qInstallMessageHandler(handlerBefore_);
}

QtMessageSubject::QtMessageSubject(const QString& path)
    : path_(path), before_(std::exchange(subject, &path_))
{
}

QtMessageSubject::~QtMessageSubject()
{
    subject = before_;
}

} // namespace tv
