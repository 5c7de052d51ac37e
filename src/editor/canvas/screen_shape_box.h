#pragma once

#include <QObject>

class QComboBox;
class QWidget;

namespace tv {

class LayoutHistory;

// The shape of the screen the layout is for, beside the file buttons:
// "Landscape" (1920 x 1080, every layout's until chosen otherwise) or
// "Portrait" (1080 x 1920). Choosing one is a step of the layout's history;
// the windows keep their share of the screen, so the file's bytes stay the
// same, and the canvas shows the screen's shape.
class ScreenShapeBox final : public QObject {
    Q_OBJECT
public:
    ScreenShapeBox(LayoutHistory& history, QWidget* client);

    QComboBox* ShapeCombo = nullptr;

private:
    void ShapeCombo_Click(int index);
    void showShape();

    LayoutHistory& history_;
};

} // namespace tv
