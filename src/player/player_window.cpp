#include "player/player_window.h"

#include "player/stage.h"

#include <QKeyEvent>
#include <QVBoxLayout>

namespace tv {

PlayerWindow::PlayerWindow(const QList<StageWindow>& plan, const QString& mediaFolder,
                           bool displayPlayer, QWidget* parent)
    : QWidget(parent), displayPlayer_(displayPlayer)
{
    setWindowTitle(displayPlayer ? QStringLiteral("Tessellview")
                                 : QStringLiteral("Tessellview Preview"));
    setAttribute(Qt::WA_DeleteOnClose);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    stage_ = new Stage(plan, mediaFolder, clock_, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stage_);
    resize(kPlayerWindowSize);
}

void PlayerWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Q:
        if (displayPlayer_) {
            close();
            return;
        }
        break;
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
