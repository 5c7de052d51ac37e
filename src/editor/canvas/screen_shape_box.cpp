#include "editor/canvas/screen_shape_box.h"

#include "editor/controls/form_controls.h"
#include "editor/model/layout_history.h"
#include "editor/model/layout_steps.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace tv {

ScreenShapeBox::ScreenShapeBox(LayoutHistory& history, QWidget* client)
    : QObject(client), history_(history)
{
    ShapeCombo = new QComboBox(client);
    ShapeCombo->setObjectName(QStringLiteral("ShapeCombo"));
    ShapeCombo->addItem(QStringLiteral("Landscape"), int(ScreenShape::Landscape));
    ShapeCombo->addItem(QStringLiteral("Portrait"), int(ScreenShape::Portrait));
    ShapeCombo->setToolTip(
        QStringLiteral("The screen the layout is for: landscape, 1920 x 1080 pixels, or "
                       "portrait, 1080 x 1920. The windows keep their share of the screen."));
    placeTwips(ShapeCombo, {6255, 345, 1110, 315});
    connect(ShapeCombo, &QComboBox::activated, this, &ScreenShapeBox::ShapeCombo_Click);
    LayoutModel& model = history_.model();
    connect(&model, &LayoutModel::restored, this, &ScreenShapeBox::showShape);
}

void ScreenShapeBox::ShapeCombo_Click(int index)
{
    const auto shape = ScreenShape(ShapeCombo->itemData(index).toInt());
    const StepRecorder undoable(history_, QStringLiteral("Screen Shape"));
    history_.model().setShape(shape);
}

void ScreenShapeBox::showShape()
{
    const QSignalBlocker quiet(ShapeCombo);
    ShapeCombo->setCurrentIndex(ShapeCombo->findData(int(history_.model().state().shape)));
}

} // namespace tv
