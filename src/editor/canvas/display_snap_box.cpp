#include "editor/canvas/display_snap_box.h"

#include "editor/controls/form_controls.h"
#include "editor/model/layout_model.h"

#include <QCheckBox>
#include <QSettings>

namespace tv {

namespace {
const QString kSetting = QStringLiteral("editor/snapToDisplay");
}

DisplaySnapBox::DisplaySnapBox(const LayoutModel& model, QWidget* client)
    : QObject(client), model_(model)
{
    SnapCheck = new QCheckBox(QStringLiteral("Snap to the display"), client);
    SnapCheck->setObjectName(QStringLiteral("SnapCheck"));
    placeTwips(SnapCheck, {5325, 5880, 1965, 270});
    SnapCheck->setToolTip(QStringLiteral(
        "Drags, typed values and the arrow keys put windows on the places a layout file holds "
        "(steps of 19.2 x 10.8 screen pixels) and on the edges of other windows and the screen, "
        "so that the display draws them where the canvas shows them."));
    SnapCheck->setChecked(QSettings().value(kSetting, false).toBool());
    connect(SnapCheck, &QCheckBox::toggled, this,
            [](bool checked) { QSettings().setValue(kSetting, checked); });
}

bool DisplaySnapBox::on() const
{
    return SnapCheck->isChecked();
}

TwipsRect DisplaySnapBox::place(int index, const TwipsRect& rect, SnapEdit edit) const
{
    if (!on())
        return rect;
    QList<TwipsRect> others;
    for (int other = 1; other < kLayoutIndices; ++other)
        if (other != index && model_.table().inUse(other))
            others << model_.window(other).rect;
    return snappedToDisplay(rect, others, edit, model_.state().shape);
}

} // namespace tv
