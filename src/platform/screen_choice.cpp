#include "platform/screen_choice.h"

#include "base/log_text.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace tv {

namespace {

QString described(const QScreen* screen)
{
    const QRect place = screen->geometry();
    return QStringLiteral("%1 %2x%3+%4+%5")
        .arg(escapedForLog(screen->name()))
        .arg(place.width())
        .arg(place.height())
        .arg(place.x())
        .arg(place.y());
}

} // namespace

ScreenChoice::ScreenChoice(QWidget& window, QString wanted, std::function<void(const QString&)> say)
    : QObject(&window), window_(window), wanted_(std::move(wanted)), say_(std::move(say))
{
    // A screen going away is handled once Qt has let go of it.
    connect(qGuiApp, &QGuiApplication::screenRemoved, this,
            [this] { QTimer::singleShot(0, this, &ScreenChoice::follow); });
    connect(qGuiApp, &QGuiApplication::screenAdded, this,
            [this] { QTimer::singleShot(0, this, &ScreenChoice::follow); });
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this,
            [this] { QTimer::singleShot(0, this, &ScreenChoice::follow); });
}

QStringList ScreenChoice::describeScreens()
{
    QStringList lines;
    for (const QScreen* screen : QGuiApplication::screens())
        lines << described(screen) + (screen == QGuiApplication::primaryScreen()
                                          ? QStringLiteral(" primary")
                                          : QString());
    return lines;
}

QScreen* ScreenChoice::wantedScreen() const
{
    for (QScreen* screen : QGuiApplication::screens())
        if (!wanted_.isEmpty() && screen->name() == wanted_)
            return screen;
    return QGuiApplication::primaryScreen();
}

void ScreenChoice::show()
{
    QScreen* screen = wantedScreen();
    if (!wanted_.isEmpty() && (!screen || screen->name() != wanted_))
        say_(QStringLiteral("no screen %1: the show plays on %2 until it is there; the screens "
                            "are %3")
                 .arg(escapedForLog(wanted_),
                      screen ? escapedForLog(screen->name()) : QStringLiteral("none"),
                      describeScreens().join(QStringLiteral(", "))));
    moveTo(screen);
}

void ScreenChoice::follow()
{
    QScreen* screen = wantedScreen();
    if (!screen || screen == shownOn_)
        return;
    say_(QStringLiteral("the show moves to screen %1").arg(described(screen)));
    moveTo(screen);
}

void ScreenChoice::moveTo(QScreen* screen)
{
    shownOn_ = screen;
    if (!screen) {
        window_.showFullScreen();
        return;
    }
    // A full-screen window keeps its screen: it is let go, moved and made
    // full screen again there.
    if (window_.isFullScreen())
        window_.showNormal();
    window_.winId(); // the native window, so that its screen can be set
    if (QWindow* native = window_.windowHandle())
        native->setScreen(screen);
    window_.setGeometry(screen->geometry());
    window_.showFullScreen();
}

} // namespace tv
