#pragma once

#include <QObject>

class QCheckBox;
class QWidget;

namespace tv {

class LayoutHistory;

// The shape of the screen the layout is for, beside the file buttons: a
// "Portrait" check box, checked for a portrait screen (1080 x 1920), clear
// for a landscape one (1920 x 1080, every layout's until chosen otherwise).
// Each change is a step of the layout's history; the windows keep their
// share of the screen, so the file's bytes stay the same, and the canvas
// shows the screen's shape.
class ScreenShapeBox final : public QObject {
    Q_OBJECT
public:
    ScreenShapeBox(LayoutHistory& history, QWidget* client);

    QCheckBox* PortraitCheck = nullptr;

private:
    void PortraitCheck_Click(bool checked);
    void showShape();

    LayoutHistory& history_;
};

} // namespace tv
