#include "support/editor_fixture.h"

#include "editor/canvas/canvas_controls.h"
#include "editor/controls/form_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace tv::test {

QString captionOf(const QWidget* control)
{
    if (auto* option = qobject_cast<const OptionButton*>(control))
        return option->Caption();
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    if (auto* frame = qobject_cast<const QGroupBox*>(control))
        return frame->title();
    if (auto* tag = qobject_cast<const NameTag*>(control))
        return tag->Caption();
    return QString();
}

} // namespace tv::test
