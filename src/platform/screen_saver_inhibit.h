#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QDBusPendingCallWatcher;
class QThread;

namespace tv {

// Asks the desktop over the session bus not to blank the screen or lock the
// session while this object lives: org.freedesktop.ScreenSaver where the
// desktop offers it (GNOME, KDE, Xfce and others), else the desktop portal's
// Inhibit. Every call is asynchronous and the bus is first reached off the GUI
// thread, once its daemon has answered at all, so a bus or a service that
// never answers can neither stall the show nor keep Esc from ending it.
class ScreenSaverInhibit final : public QObject {
    Q_OBJECT
public:
    // Takes a line for the operator's log, plain text.
    using Log = std::function<void(const QString& line)>;

    // That no service would grant it is told to `log` (an empty one tells
    // nothing).
    ScreenSaverInhibit(const QString& reason, Log log, QObject* parent = nullptr);
    // Releases what the desktop granted. An answer still on its way is
    // released when it comes, if the program still runs then.
    ~ScreenSaverInhibit() override;

    // The services asked, in turn, until one grants it.
    static inline const QString kScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
    static inline const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
    // The portal's flag for "the session must not go idle".
    static constexpr uint kPortalIdleFlag = 8;
    static constexpr int kCallTimeoutMs = 10'000;
    // How long the bus daemon has to answer at all.
    static constexpr int kProbeTimeoutMs = 5'000;

signals:
    // The desktop granted it: the screen stays on while this object lives.
    void held();
    // No service on the bus would grant it (or there is no bus).
    void unavailable();

private:
    void connectToBus();
    void giveUp();
    void ask(int attempt);
    void answered(QDBusPendingCallWatcher* call);

    // Every field is the GUI thread's: the thread that connects to the bus
    // touches none of them, and is only started and waited for from here.
    QString reason_;
    Log log_;
    // Reaches the session bus for Qt (see connectToBus); none until then.
    std::unique_ptr<QThread> connecting_;
    int attempt_ = 0;
    QDBusPendingCallWatcher* pending_ = nullptr;
    // What gives the grant back; a null message until one is held.
    QDBusMessage release_;
};

} // namespace tv
