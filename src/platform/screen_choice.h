#pragma once

#include <QObject>
#include <QPointer>
#include <QScreen>

#include <functional>

class QWidget;

namespace tv {

// Keeps the display player full screen on the screen it was told (by name,
// as QScreen::name() gives it; the primary screen when none is named). When
// that screen is unplugged the show goes to the primary one, and back when
// it is plugged in again; a named screen that is not there at the start is
// waited for the same way. Each move is told to the operator's log.
class ScreenChoice final : public QObject {
    Q_OBJECT
public:
    ScreenChoice(QWidget& window, QString wanted, std::function<void(const QString&)> say);

    // Shows the window full screen where it belongs now.
    void show();
    // The screen it is shown on.
    QScreen* screen() const { return shownOn_; }

    // One line for each screen: its name, size and place; the primary one
    // marked.
    static QStringList describeScreens();

private:
    QScreen* wantedScreen() const;
    void follow();
    void moveTo(QScreen* screen);

    QWidget& window_;
    QString wanted_;
    std::function<void(const QString&)> say_;
    QPointer<QScreen> shownOn_;
};

} // namespace tv
