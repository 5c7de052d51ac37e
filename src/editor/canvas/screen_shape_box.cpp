#include "editor/canvas/screen_shape_box.h"

#include "editor/controls/form_controls.h"
#include "editor/model/layout_history.h"
#include "editor/model/layout_steps.h"

#include <QCheckBox>
#include <QSignalBlocker>

namespace tv {

ScreenShapeBox::ScreenShapeBox(LayoutHistory& history, QWidget* client)
    : QObject(client), history_(history)
{
    PortraitCheck = new QCheckBox(QStringLiteral("Portrait"), client);
    PortraitCheck->setObjectName(QStringLiteral("PortraitCheck"));
    PortraitCheck->setToolTip(
        QStringLiteral("The layout is for a portrait screen, 1080 x 1920 pixels; clear, for a "
                       "landscape one, 1920 x 1080. The windows keep their share of the screen."));
    placeTwips(PortraitCheck, {6255, 375, 1110, 270});
    connect(PortraitCheck, &QCheckBox::clicked, this, &ScreenShapeBox::PortraitCheck_Click);
    LayoutModel& model = history_.model();
    connect(&model, &LayoutModel::restored, this, &ScreenShapeBox::showShape);
}

void ScreenShapeBox::PortraitCheck_Click(bool checked)
{
    const StepRecorder undoable(history_, QStringLiteral("Screen Shape"));
    history_.model().setShape(checked ? ScreenShape::Portrait : ScreenShape::Landscape);
}

void ScreenShapeBox::showShape()
{
    const QSignalBlocker quiet(PortraitCheck);
    PortraitCheck->setChecked(history_.model().state().shape == ScreenShape::Portrait);
}

} // namespace tv
