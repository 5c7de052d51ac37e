#include "platform/screen_saver_inhibit.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QFile>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <iterator>
#include <optional>

#include <unistd.h>

namespace tv {

namespace {

struct Way {
    QString service;
    QString path;
    QString interface;
    bool portal;
};

// /ScreenSaver is where older KDE sessions and a few other desktops answer.
const Way kWays[] = {
    {ScreenSaverInhibit::kScreenSaverService, QStringLiteral("/org/freedesktop/ScreenSaver"),
     QStringLiteral("org.freedesktop.ScreenSaver"), false},
    {ScreenSaverInhibit::kScreenSaverService, QStringLiteral("/ScreenSaver"),
     QStringLiteral("org.freedesktop.ScreenSaver"), false},
    {ScreenSaverInhibit::kPortalService, QStringLiteral("/org/freedesktop/portal/desktop"),
     QStringLiteral("org.freedesktop.portal.Inhibit"), true},
};
constexpr int kPortalWay = 2;

QDBusMessage inhibitCall(const Way& way, const QString& reason)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(way.service, way.path, way.interface, "Inhibit");
    if (way.portal)
        call << QString() << ScreenSaverInhibit::kPortalIdleFlag
             << QVariantMap{{QStringLiteral("reason"), reason}};
    else
        call << QStringLiteral("Tessellview") << reason;
    return call;
}

// The call that gives back what `reply` granted, if it granted anything: the
// service's UnInhibit with its cookie, or closing the portal's request object.
std::optional<QDBusMessage> releaseFor(const Way& way, const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return std::nullopt;
    const QVariant granted = reply.arguments().constFirst();
    if (way.portal) {
        if (granted.metaType() != QMetaType::fromType<QDBusObjectPath>())
            return std::nullopt;
        const QString handle = granted.value<QDBusObjectPath>().path();
        if (handle.isEmpty() || handle == QLatin1String("/"))
            return std::nullopt;
        return QDBusMessage::createMethodCall(way.service, handle,
                                              QStringLiteral("org.freedesktop.portal.Request"),
                                              QStringLiteral("Close"));
    }
    if (granted.metaType() != QMetaType::fromType<uint>())
        return std::nullopt;
    QDBusMessage release =
        QDBusMessage::createMethodCall(way.service, way.path, way.interface, "UnInhibit");
    release << granted;
    return release;
}

void send(const QDBusMessage& message)
{
    // Sent without waiting for the answer: nothing is left to do with it, and
    // a program on its way out must not hang on a desktop that does not reply.
    QDBusConnection::sessionBus().send(message);
}

struct BusSocket {
    QString name;
    bool abstract;
};

// The local socket libdbus reaches the session bus on: the first unix path or
// abstract name in DBUS_SESSION_BUS_ADDRESS, else the bus systemd starts in
// XDG_RUNTIME_DIR. Nothing for the other transports.
std::optional<BusSocket> sessionBusSocket()
{
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty()) {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        if (runtime.isEmpty())
            return std::nullopt;
        return BusSocket{QFile::decodeName(runtime) + "/bus", false};
    }
    const QByteArray first = address.split(';').constFirst();
    if (!first.startsWith("unix:"))
        return std::nullopt;
    for (const QByteArray& pair : first.mid(5).split(',')) {
        const QString value =
            QFile::decodeName(QByteArray::fromPercentEncoding(pair.mid(pair.indexOf('=') + 1)));
        if (pair.startsWith("path="))
            return BusSocket{value, false};
        if (pair.startsWith("abstract="))
            return BusSocket{value, true};
    }
    return std::nullopt;
}

} // namespace

ScreenSaverInhibit::ScreenSaverInhibit(const QString& reason, Log log, QObject* parent)
    : QObject(parent), reason_(reason), log_(std::move(log))
{
    const auto bus = sessionBusSocket();
    if (!bus) {
        connectToBus();
        return;
    }
    // Qt's connection to a bus daemon that takes it but never answers blocks
    // its D-Bus thread for good, and with it the end of the program. So the
    // daemon is first asked to authenticate us on a socket of our own, and Qt
    // connects only once it has answered.
    auto* probe = new QLocalSocket(this);
    if (bus->abstract)
        probe->setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    auto* patience = new QTimer(probe);
    auto settle = [this, probe, patience](bool answered) {
        patience->stop();
        probe->disconnect(this);
        probe->abort();
        probe->deleteLater();
        if (answered)
            connectToBus();
        else
            giveUp();
    };
    connect(probe, &QLocalSocket::connected, this, [probe] {
        probe->write(QByteArray(1, '\0') + "AUTH EXTERNAL " +
                     QByteArray::number(::getuid()).toHex() + "\r\n");
    });
    connect(probe, &QLocalSocket::readyRead, this, [settle] { settle(true); });
    connect(probe, &QLocalSocket::errorOccurred, this, [settle] { settle(false); });
    connect(patience, &QTimer::timeout, this, [settle] { settle(false); });
    patience->start(kProbeTimeoutMs);
    // From the event loop, so that whoever made this object hears the outcome.
    QMetaObject::invokeMethod(
        probe, [probe, name = bus->name] { probe->connectToServer(name); }, Qt::QueuedConnection);
}

void ScreenSaverInhibit::connectToBus()
{
    // Opening the connection still waits for the daemon's answers, so it is
    // done on a thread of its own; the calls then go out from here,
    // asynchronously.
    connecting_.reset(QThread::create([] { QDBusConnection::sessionBus(); }));
    connect(connecting_.get(), &QThread::finished, this, [this] { ask(0); });
    connecting_->start();
}

void ScreenSaverInhibit::giveUp()
{
    // Each object gives up at most once: its tries end here.
    if (log_)
        log_(QStringLiteral("no screen saver service on the session bus: only the X11 reset and "
                            "the Wayland idle inhibitor keep the screen awake"));
    emit unavailable();
}

ScreenSaverInhibit::~ScreenSaverInhibit()
{
    // The thread starts once the probe has found the daemon answering, so
    // the connection is made in moments and this wait is short. Only a bus
    // that cannot be probed (named by no local socket, or not named at all)
    // is connected to unprobed; Qt's own connect sets the pace there.
    if (connecting_)
        connecting_->wait();
    if (!QCoreApplication::instance())
        return;
    if (release_.type() == QDBusMessage::MethodCallMessage) {
        send(release_);
        return;
    }
    if (pending_) {
        // A window closed at once: the grant may still come, and the desktop
        // must not keep the screen on for a show that has ended.
        disconnect(pending_, nullptr, this, nullptr);
        pending_->setParent(nullptr);
        const Way way = kWays[attempt_];
        connect(pending_, &QDBusPendingCallWatcher::finished, pending_,
                [way](QDBusPendingCallWatcher* call) {
                    if (const auto release = releaseFor(way, call->reply()))
                        send(*release);
                    call->deleteLater();
                });
    }
}

void ScreenSaverInhibit::ask(int attempt)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || attempt >= int(std::size(kWays))) {
        giveUp();
        return;
    }
    attempt_ = attempt;
    pending_ = new QDBusPendingCallWatcher(
        bus.asyncCall(inhibitCall(kWays[attempt], reason_), kCallTimeoutMs), this);
    connect(pending_, &QDBusPendingCallWatcher::finished, this, &ScreenSaverInhibit::answered);
}

void ScreenSaverInhibit::answered(QDBusPendingCallWatcher* call)
{
    pending_ = nullptr;
    call->deleteLater();
    const QDBusMessage reply = call->reply();
    if (const auto release = releaseFor(kWays[attempt_], reply)) {
        release_ = *release;
        emit held();
        return;
    }
    // A desktop without the service answers so at once; its other path would
    // only be refused again.
    const bool absent =
        reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown");
    ask(absent && !kWays[attempt_].portal ? kPortalWay : attempt_ + 1);
}

} // namespace tv
