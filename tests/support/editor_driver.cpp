#include "support/editor_driver.h"

#include "editor/form_controls.h"
#include "editor/window_commands.h"
#include "geometry/layout_canvas.h"
#include "geometry/position_fields.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace tv::test {

void EditorDriver::addWindow(WindowKind kind)
{
    WindowCommands& windows = form_.windows();
    QTest::mouseClick(kind == WindowKind::Video ? windows.Option1 : windows.Option2,
                      Qt::LeftButton);
    QTest::mouseClick(windows.Command1, Qt::LeftButton);
}

void EditorDriver::deleteWindow()
{
    QTest::mouseClick(form_.windows().Command2, Qt::LeftButton);
}

void EditorDriver::pickListEntry(int position)
{
    // What the drop-down does when the user picks an entry.
    QComboBox* list = form_.windows().Combo1;
    list->setCurrentIndex(position);
    emit list->activated(position);
}

void EditorDriver::typeInList(const QString& text)
{
    QLineEdit* edit = form_.windows().Combo1->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

void EditorDriver::typeFields(const QStringList& texts)
{
    PositionFields& positions = form_.positions();
    for (int i = 0; i < 4 && i < texts.size(); ++i) {
        QLineEdit* field = positions.Text1[static_cast<std::size_t>(i)];
        field->selectAll();
        field->del();
        QTest::keyClicks(field, texts[i]);
    }
}

void EditorDriver::applyFields()
{
    QTest::mouseClick(form_.positions().Command3, Qt::LeftButton);
}

void EditorDriver::applyRatio(ScreenRatio ratio)
{
    PositionFields& positions = form_.positions();
    QTest::mouseClick(ratio == ScreenRatio::FourThree ? positions.Option4 : positions.Option3,
                      Qt::LeftButton);
    QTest::mouseClick(positions.Command4, Qt::LeftButton);
}

QStringList EditorDriver::fields() const
{
    QStringList texts;
    for (const QLineEdit* field : form_.positions().Text1)
        texts << field->text();
    return texts;
}

QStringList EditorDriver::listEntries() const
{
    QStringList entries;
    const QComboBox* list = form_.windows().Combo1;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    return entries;
}

QString EditorDriver::listText() const
{
    return form_.windows().Combo1->currentText();
}

TwipsRect EditorDriver::body(int index) const
{
    const WindowBody* found = form_.canvas().Image1(index);
    return found ? found->twips() : TwipsRect{};
}

QStringList EditorDriver::violations() const
{
    return windowTableViolations(form_.table(), form_.layoutView());
}

} // namespace tv::test
