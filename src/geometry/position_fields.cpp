#include "geometry/position_fields.h"

#include "editor/form_controls.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tv {

namespace {
constexpr std::array<int, 4> kFieldLefts{765, 1800, 2835, 3870};
constexpr std::array<const char*, 4> kFieldCaptions{"x", "y", "w", "h"};
} // namespace

PositionFields::PositionFields(QWidget* form) : QObject(form)
{
    Frame4 = makeBorderFrame(form, "Frame4", {1305, 6165, 6000, 465});
    Label6 = makeLabel(Frame4, "Label6", QStringLiteral(" Size:"), {135, 180, 555, 195});

    QFont captionFont(QStringLiteral("SimSun"));
    captionFont.setPointSizeF(10.5);
    for (std::size_t i = 0; i < 4; ++i) {
        const int index = static_cast<int>(i);
        Frame2[i] = makePlainFrame(Frame4, "", {kFieldLefts[i], 135, 1005, 285});
        Frame2[i]->setObjectName(elementName(QStringLiteral("Frame2"), index));
        Label5[i] =
            makeLabel(Frame2[i], "", QString::fromLatin1(kFieldCaptions[i]), {45, 15, 195, 240});
        Label5[i]->setObjectName(elementName(QStringLiteral("Label5"), index));
        Label5[i]->setFont(captionFont);
        Text1[i] = makeTextBox(Frame2[i], "", QStringLiteral("0"), {270, 0, 645, 270});
        Text1[i]->setObjectName(elementName(QStringLiteral("Text1"), index));
    }
    Command3 = makeButton(Frame4, "Command3", QStringLiteral("OK"), {4995, 135, 915, 285});

    Frame5 = makeBorderFrame(form, "Frame5", {1305, 6660, 4335, 465});
    Label7 = makeLabel(Frame5, "Label7", QStringLiteral("Ratio:"), {180, 180, 555, 195});
    Frame3 = makePlainFrame(Frame5, "Frame3", {720, 135, 2445, 285});
    Option4 = makeOption(Frame3, "Option4", QStringLiteral("4:3"), {180, 0, 915, 285});
    Option3 = makeOption(Frame3, "Option3", QStringLiteral("16:9"), {1305, 0, 960, 285});
    Option4->setChecked(true);
    Command4 = makeButton(Frame5, "Command4", QStringLiteral("OK"), {3285, 135, 915, 285});
}

} // namespace tv
