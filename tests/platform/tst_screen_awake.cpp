#include "base/operator_log.h"
#include "layout/layout_writer.h"
#include "platform/screen_awake.h"
#include "platform/screen_saver_inhibit.h"
#include "support/file_helpers.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QLocalServer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#ifdef TESSELLVIEW_IDLE_PROTOCOL
#include "idle-client-protocol.h"
#include <poll.h>
#include <wayland-client.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

using tv::ScreenAwake;
using tv::ScreenSaverInhibit;

// A desktop's service on the test's bus: notes every call as "path member
// arguments" and grants Inhibit, with cookie 7 or a portal request object.
class FakeDesktop final : public QDBusVirtualObject {
public:
    QStringList calls;
    bool answerLate = false;
    QList<QDBusMessage> unanswered;

    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override
    {
        QStringList arguments;
        for (const QVariant& argument : call.arguments())
            arguments << (argument.canConvert<QDBusArgument>()
                              ? "reason=" + qdbus_cast<QVariantMap>(argument)["reason"].toString()
                              : argument.toString());
        calls << call.path() + ' ' + call.member() + ' ' + arguments.join(',');
        QDBusMessage reply = call.createReply();
        if (call.member() == "Inhibit")
            reply << (call.interface().contains("portal")
                          ? QVariant::fromValue(QDBusObjectPath(call.path() + "/request/1"))
                          : QVariant(7u));
        if (answerLate)
            unanswered << reply;
        else
            bus.send(reply);
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
};

class ScreenAwakeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void asksTheDesktop_data();
    void asksTheDesktop();
    void releasesWhenTheProgramEnds();
    void endsAtOnceWhenTheBusHangs();
    void keepsAWaylandCompositorFromIdling();

private:
    QProcess bus_;
    QString busAddress_;
};

void ScreenAwakeTest::initTestCase()
{
    // The program reaches the session bus of the process, once: a bus of the
    // test's own is set before anything connects.
    bus_.start("dbus-daemon",
               {"--config-file=/usr/share/dbus-1/session.conf", "--print-address=1", "--nofork"});
    if (!bus_.waitForStarted())
        return;
    QVERIFY(bus_.waitForReadyRead(10000));
    busAddress_ = QString::fromUtf8(bus_.readLine()).trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", busAddress_.toUtf8());
    QDBusConnection marker = QDBusConnection::connectToBus(busAddress_, "marker");
    QVERIFY(marker.registerService("io.github.tessellview.Marker"));
    QVERIFY2(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                 "io.github.tessellview.Marker"),
             "the session bus was reached before the test's own was set");
}

void ScreenAwakeTest::cleanupTestCase()
{
    bus_.kill();
    bus_.waitForFinished();
}

void ScreenAwakeTest::asksTheDesktop_data()
{
    QTest::addColumn<QString>("service"); // none when empty
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("closedBeforeTheAnswer");
    QTest::addColumn<QStringList>("calls");
    const QString saver = ScreenSaverInhibit::kScreenSaverService;
    const QString saverPath = "/org/freedesktop/ScreenSaver";
    const QString portalPath = "/org/freedesktop/portal/desktop";
    QTest::newRow("screen saver") << saver << saverPath << false
                                  << QStringList{saverPath + " Inhibit Tessellview,Playing a show",
                                                 saverPath + " UnInhibit 7"};
    QTest::newRow("screen saver at its older path")
        << saver << "/ScreenSaver" << false
        << QStringList{"/ScreenSaver Inhibit Tessellview,Playing a show",
                       "/ScreenSaver UnInhibit 7"};
    QTest::newRow("portal") << ScreenSaverInhibit::kPortalService << portalPath << false
                            << QStringList{portalPath + " Inhibit ,8,reason=Playing a show",
                                           portalPath + "/request/1 Close "};
    QTest::newRow("closed before the answer")
        << saver << saverPath << true
        << QStringList{saverPath + " Inhibit Tessellview,Playing a show",
                       saverPath + " UnInhibit 7"};
    QTest::newRow("no service") << QString() << QString() << false << QStringList();
}

void ScreenAwakeTest::asksTheDesktop()
{
    QFETCH(QString, service);
    QFETCH(QString, path);
    QFETCH(bool, closedBeforeTheAnswer);
    QFETCH(QStringList, calls);
    if (busAddress_.isEmpty())
        QSKIP("dbus-daemon is not installed (package dbus-daemon)");
    QDBusConnection desktopBus =
        QDBusConnection::connectToBus(busAddress_, QTest::currentDataTag());
    FakeDesktop desktop;
    desktop.answerLate = closedBeforeTheAnswer;
    const auto leave = qScopeGuard([&] {
        desktopBus.unregisterService(service);
        desktopBus.unregisterObject(path);
        QDBusConnection::disconnectFromBus(QTest::currentDataTag());
    });
    if (!service.isEmpty()) {
        QVERIFY(desktopBus.registerVirtualObject(path, &desktop, QDBusConnection::SubPath));
        QVERIFY(desktopBus.registerService(service));
    }
    QWidget window;
    QStringList told;
    auto* awake = new ScreenAwake(&window, [&told](const QString& line) { told << line; });
    QSignalSpy held(&awake->sessionInhibit(), &ScreenSaverInhibit::held);
    QSignalSpy unavailable(&awake->sessionInhibit(), &ScreenSaverInhibit::unavailable);
    if (closedBeforeTheAnswer) {
        QTRY_COMPARE_WITH_TIMEOUT(desktop.unanswered.size(), 1, 30000);
        delete awake;
        desktopBus.send(desktop.unanswered.takeFirst());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(held.size() + unavailable.size(), 1, 30000);
        QCOMPARE(unavailable.size(), service.isEmpty() ? 1 : 0);
        // Held for as long as the player lives.
        QCOMPARE(desktop.calls, calls.mid(0, 1));
        delete awake;
    }
    QTRY_COMPARE_WITH_TIMEOUT(desktop.calls, calls, 30000);
    // Only a desktop that grants nothing is worth a line in the log.
    QCOMPARE(told.size(), service.isEmpty() ? 1 : 0);
}

// The program's own way out: the window goes after the event loop, then the
// application. What the desktop granted must still be given back.
int holdUntilGranted(QApplication& app)
{
    QWidget window;
    auto* awake = new ScreenAwake(&window, tv::writeLogLine);
    QObject::connect(&awake->sessionInhibit(), &ScreenSaverInhibit::held, &app,
                     &QCoreApplication::quit);
    QObject::connect(&awake->sessionInhibit(), &ScreenSaverInhibit::unavailable, &app,
                     [] { QCoreApplication::exit(1); });
    return QApplication::exec();
}

void ScreenAwakeTest::releasesWhenTheProgramEnds()
{
    if (busAddress_.isEmpty())
        QSKIP("dbus-daemon is not installed (package dbus-daemon)");
    QDBusConnection desktopBus = QDBusConnection::connectToBus(busAddress_, "desktop");
    FakeDesktop desktop;
    const auto leave = qScopeGuard([&] {
        desktopBus.unregisterService(ScreenSaverInhibit::kScreenSaverService);
        desktopBus.unregisterObject("/org/freedesktop/ScreenSaver");
        QDBusConnection::disconnectFromBus("desktop");
    });
    QVERIFY(desktopBus.registerVirtualObject("/org/freedesktop/ScreenSaver", &desktop));
    QVERIFY(desktopBus.registerService(ScreenSaverInhibit::kScreenSaverService));
    QProcess program;
    program.start(QCoreApplication::applicationFilePath(), {"--hold-until-granted"});
    // The test's own loop answers the program's calls meanwhile.
    QTRY_COMPARE_WITH_TIMEOUT(program.state(), QProcess::NotRunning, 20000);
    QCOMPARE(program.exitCode(), 0);
    QTRY_COMPARE(desktop.calls,
                 (QStringList{"/org/freedesktop/ScreenSaver Inhibit Tessellview,Playing a show",
                              "/org/freedesktop/ScreenSaver UnInhibit 7"}));
}

// A bus daemon that takes the connection and never says a word: the program
// must still end when told, while it waits on the bus, without waiting for
// the bus or for itself to give up on it.
void ScreenAwakeTest::endsAtOnceWhenTheBusHangs()
{
    QTemporaryDir scratch;
    QLocalServer mute;
    QVERIFY(mute.listen(scratch.filePath("bus")));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + mute.fullServerName());
    program.setProcessEnvironment(environment);
    program.start(QCoreApplication::applicationFilePath(), {"--end-when-told"});
    QTRY_VERIFY_WITH_TIMEOUT(mute.hasPendingConnections(), 30000);
    program.closeWriteChannel(); // told to end
    QTRY_COMPARE_WITH_TIMEOUT(program.state(), QProcess::NotRunning, 30000);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

// Ends when its standard input does: 0 when it had not given up on the bus
// by then.
int endWhenTold(QApplication& app)
{
    QWidget window;
    bool gaveUp = false;
    new ScreenAwake(&window, [&gaveUp](const QString& line) {
        gaveUp = true;
        tv::writeLogLine(line);
    });
    QSocketNotifier told(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&told, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    QApplication::exec();
    return gaveUp ? 2 : 0;
}

#ifdef TESSELLVIEW_IDLE_PROTOCOL
namespace {

struct IdleWatch {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    org_kde_kwin_idle* idle = nullptr;
};

void announced(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* watch = static_cast<IdleWatch*>(data);
    if (qstrcmp(interface, wl_seat_interface.name) == 0)
        watch->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (qstrcmp(interface, org_kde_kwin_idle_interface.name) == 0)
        watch->idle = static_cast<org_kde_kwin_idle*>(
            wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
}
void withdrawn(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry = {announced, withdrawn};
void wentIdle(void* data, org_kde_kwin_idle_timeout*)
{
    *static_cast<bool*>(data) = true;
}
void resumed(void*, org_kde_kwin_idle_timeout*) {}
const org_kde_kwin_idle_timeout_listener kTimeout = {wentIdle, resumed};

// How long to wait for the compositor to call the seat idle where it should:
// generous, since it ends as soon as it does; and how long it must not where
// it should not.
constexpr int kGoesIdleWithinMs = 20000;
constexpr int kStaysAwakeForMs = 1000;

// Whether the compositor calls the seat idle within `waitMs`, once 200 ms
// have passed without input, as an idle daemon blanking the screen would ask.
bool goesIdle(const IdleWatch& watch, int waitMs)
{
    bool idle = false;
    auto* timeout = org_kde_kwin_idle_get_idle_timeout(watch.idle, watch.seat, 200);
    org_kde_kwin_idle_timeout_add_listener(timeout, &kTimeout, &idle);
    QElapsedTimer waited;
    waited.start();
    while (!idle && waited.elapsed() < waitMs) {
        wl_display_flush(watch.display);
        pollfd ready{wl_display_get_fd(watch.display), POLLIN, 0};
        if (::poll(&ready, 1, 50) > 0 && wl_display_dispatch(watch.display) < 0)
            break;
    }
    org_kde_kwin_idle_timeout_release(timeout);
    return idle;
}

} // namespace
#endif

// The player under cage, a wlroots kiosk compositor that honours the
// idle-inhibit protocol and tells idle time to whoever asks.
void ScreenAwakeTest::keepsAWaylandCompositorFromIdling()
{
#ifndef TESSELLVIEW_IDLE_PROTOCOL
    QSKIP("built without plasma-wayland-protocols");
#else
    const QString cage = QStandardPaths::findExecutable("cage");
    if (cage.isEmpty() || QStandardPaths::findExecutable("Xwayland").isEmpty())
        QSKIP("cage or Xwayland is not installed (packages cage, xwayland)");
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       "/platforms/libqwayland-generic.so"))
        QSKIP("Qt's Wayland platform plugin is not installed (package qt6-wayland)");
    QTemporaryDir scratch;
    const QString runtime = scratch.filePath("cage"), playerRuntime = scratch.filePath("player");
    QVERIFY(QDir().mkdir(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(QDir().mkdir(playerRuntime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QStringList command{cage, "--", "cat"};
    // cage refuses to run as root: then it runs as nobody.
    if (::getuid() == 0) {
        QVERIFY(::chown(QFile::encodeName(runtime), 65534, 65534) == 0);
        QVERIFY(::chmod(QFile::encodeName(scratch.path()), 0755) == 0);
        command =
            QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} + command;
    }
    QProcess compositor;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtime);
    environment.insert("WLR_BACKENDS", "headless");
    environment.insert("WLR_RENDERER", "pixman");
    compositor.setProcessEnvironment(environment);
    const QString program = command.takeFirst();
    compositor.start(program, command); // cat keeps it up while its input is open
    QVERIFY(compositor.waitForStarted());
    const QString socket = runtime + "/wayland-0";
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket) || compositor.state() != QProcess::Running,
                             10000);
    QVERIFY2(QFile::exists(socket), compositor.readAllStandardError().constData());
    IdleWatch watch;
    watch.display = wl_display_connect(QFile::encodeName(socket).constData());
    QVERIFY(watch.display);
    watch.registry = wl_display_get_registry(watch.display);
    wl_registry_add_listener(watch.registry, &kRegistry, &watch);
    wl_display_roundtrip(watch.display);
    QVERIFY(watch.seat && watch.idle);
    QVERIFY2(goesIdle(watch, kGoesIdleWithinMs),
             "the compositor never goes idle: nothing to keep it from");

    tv::LayoutDescription layout;
    layout.pictures << tv::LayoutWindow{{0, 0, 7200, 4050}, {"a.png"}, {}, 1};
    layout.switchTimes = {5};
    QVERIFY(tv::test::put(scratch.filePath("show.TXT"),
                          std::get<QByteArray>(tv::encodeLayout(layout))));
    QProcess player;
    environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "wayland");
    environment.insert("WAYLAND_DISPLAY", socket);
    environment.insert("XDG_RUNTIME_DIR", playerRuntime);
    player.setProcessEnvironment(environment);
    player.start(TESSELLVIEW_EXECUTABLE, {"--play", scratch.filePath("show.TXT")});
    QVERIFY(player.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    bool idle = true;
    while (idle && waited.elapsed() < 30000 && player.state() == QProcess::Running)
        idle = goesIdle(watch, kStaysAwakeForMs);
    if (idle) {
        player.kill();
        player.waitForFinished();
        QFAIL(("the compositor went idle under the show: " + player.readAllStandardError())
                  .constData());
    }
    QVERIFY(!goesIdle(watch, kStaysAwakeForMs));
    // Ended, the show lets the screen blank again.
    player.terminate();
    QVERIFY(player.waitForFinished(5000));
    QVERIFY(goesIdle(watch, kGoesIdleWithinMs));
    org_kde_kwin_idle_destroy(watch.idle);
    wl_seat_destroy(watch.seat);
    wl_registry_destroy(watch.registry);
    wl_display_disconnect(watch.display);
    compositor.closeWriteChannel();
    QVERIFY(compositor.waitForFinished(5000));
#endif
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "--hold-until-granted") == 0)
        return holdUntilGranted(app);
    if (argc == 2 && qstrcmp(argv[1], "--end-when-told") == 0)
        return endWhenTold(app);
    ScreenAwakeTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screen_awake.moc"
