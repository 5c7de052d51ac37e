#include "stage/player_window.h"

#include "platform/screen_awake.h"
#include "stage/stage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace tv {

PlayerWindow::PlayerWindow(const QList<StageWindow>& plan, const QString& mediaFolder,
                           bool displayPlayer, StageSettings settings, QWidget* parent,
                           std::function<void(const QString& line)> log)
    : QWidget(parent), displayPlayer_(displayPlayer)
{
    setWindowTitle(displayPlayer ? QStringLiteral("Tessellview")
                                 : QStringLiteral("Tessellview Preview"));
    setAttribute(Qt::WA_DeleteOnClose);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    stage_ = new Stage(plan, mediaFolder, clock_, std::move(settings), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stage_);
    // A portrait layout's preview opens standing, as its screen does.
    // It stays within the desktop, frame and all: a standing 960 pixels is
    // more than a small desktop has.
    const bool portrait = !plan.isEmpty() && plan.first().shape == ScreenShape::Portrait;
    QSize size = portrait ? kPlayerWindowSize.transposed() : kPlayerWindowSize;
    if (const QScreen* desktop = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QSize room = desktop->availableSize() - QSize(16, 48);
        if (room.isValid() && (size.width() > room.width() || size.height() > room.height()))
            size.scale(room, Qt::KeepAspectRatio);
    }
    resize(size);
    // Qt drops a move over a child that does not track the mouse before it
    // reaches this window, but passes it through the application's filters:
    // the pointer comes back wherever it moves over the show.
    setMouseTracking(true);
    qApp->installEventFilter(this);
    pointerRest_.setSingleShot(true);
    pointerRest_.setInterval(kPointerRestMs);
    connect(&pointerRest_, &QTimer::timeout, this, &PlayerWindow::hidePointer);
    auto* awake = new ScreenAwake(this, std::move(log));
    connect(stage_, &Stage::darkChanged, awake, &ScreenAwake::setPanelAsleep);
}

void PlayerWindow::stopFor(const QString& why)
{
    if (stoppedFor_.isEmpty())
        stoppedFor_ = why;
    close();
}

void PlayerWindow::closeEvent(QCloseEvent* event)
{
    if (stoppedFor_.isEmpty())
        stoppedFor_ = QStringLiteral("the window was closed");
    QWidget::closeEvent(event);
}

void PlayerWindow::hidePointer()
{
    if (isFullScreen())
        setCursor(Qt::BlankCursor);
}

void PlayerWindow::mouseMoveEvent(QMouseEvent* event)
{
    pointerMoved();
    QWidget::mouseMoveEvent(event);
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this)
        pointerMoved();
    return QWidget::eventFilter(watched, event);
}

void PlayerWindow::pointerMoved()
{
    unsetCursor();
    pointerRest_.start();
}

void PlayerWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        if (isFullScreen())
            hidePointer();
        else
            unsetCursor();
    }
    QWidget::changeEvent(event);
}

void PlayerWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        stopFor(QStringLiteral("Esc"));
        return;
    case Qt::Key_Q:
        if (displayPlayer_) {
            stopFor(QStringLiteral("Q"));
            return;
        }
        break;
    case Qt::Key_O:
        stage_->setOutlined(!stage_->outlined());
        return;
    case Qt::Key_F11:
        if (isFullScreen())
            showNormal();
        else
            showFullScreen();
        return;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tv
