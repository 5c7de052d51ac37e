#include "support/editor_driver.h"

#include "editor/canvas/layout_canvas.h"
#include "editor/canvas/position_fields.h"
#include "editor/controls/flex_grid.h"
#include "editor/controls/form_controls.h"
#include "editor/media/media_file_list.h"
#include "editor/media/playlist_panel.h"
#include "editor/window_commands.h"
#include "support/scripted_dialogs.h"

#include <QComboBox>
#include <QHeaderView>
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

void EditorDriver::chooseFolder(const QString& path)
{
    auto& dialogs = static_cast<ScriptedDialogs&>(form_.dialogs());
    dialogs.folderChoices.enqueue(path);
    QTest::mouseClick(form_.fileList().Command5, Qt::LeftButton);
}

namespace {

QPoint cellCentre(FlexGrid* grid, int row)
{
    if (row == 0) {
        QHeaderView* header = grid->horizontalHeader();
        return QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2);
    }
    return grid->visualRect(grid->model()->index(row - 1, 2)).center();
}

QWidget* surfaceOf(FlexGrid* grid, int row)
{
    return row == 0 ? grid->horizontalHeader()->viewport() : grid->viewport();
}

} // namespace

void EditorDriver::pressFileRow(int row, Qt::KeyboardModifiers keys, Qt::MouseButton button)
{
    FlexGrid* grid = form_.fileList().MSFlexGrid1;
    QTest::mouseClick(surfaceOf(grid, row), button, keys, cellCentre(grid, row));
}

void EditorDriver::doubleClickFileRow(int row)
{
    // A double click is a press and release, then the double-click event.
    FlexGrid* grid = form_.fileList().MSFlexGrid1;
    QTest::mouseClick(surfaceOf(grid, row), Qt::LeftButton, Qt::NoModifier, cellCentre(grid, row));
    QTest::mouseDClick(surfaceOf(grid, row), Qt::LeftButton, Qt::NoModifier, cellCentre(grid, row));
}

QStringList EditorDriver::fileRows() const
{
    QStringList rows;
    const FlexGrid* grid = form_.fileList().MSFlexGrid1;
    for (int r = 1; r < grid->Rows(); ++r)
        rows << (grid->TextMatrix(r, 1) + ' ' + grid->TextMatrix(r, 2) + ' ' +
                 grid->TextMatrix(r, 3))
                    .trimmed();
    return rows;
}

QString EditorDriver::fileMarks() const
{
    QString marks;
    const FlexGrid* grid = form_.fileList().MSFlexGrid1;
    for (int r = 1; r < grid->Rows(); ++r)
        marks += grid->TextMatrix(r, 0) == "ok" ? 'x' : '.';
    return marks;
}

void EditorDriver::addMarkedFiles()
{
    QTest::mouseClick(form_.playlists().Command8, Qt::LeftButton);
}

void EditorDriver::clickPlaylistRow(int row)
{
    FlexGrid* grid = form_.playlists().MSFlexGrid2(current());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(grid, row));
}

void EditorDriver::playlistUp()
{
    QTest::mouseClick(form_.playlists().Command6, Qt::LeftButton);
}

void EditorDriver::playlistDown()
{
    QTest::mouseClick(form_.playlists().Command7, Qt::LeftButton);
}

void EditorDriver::playlistDelete()
{
    QTest::mouseClick(form_.playlists().Command9, Qt::LeftButton);
}

QStringList EditorDriver::playlist(int index) const
{
    QStringList entries;
    const FlexGrid* grid = form_.playlists().MSFlexGrid2(index);
    for (int r = 1; grid && r < grid->Rows(); ++r)
        entries << (grid->TextMatrix(r, 1) + ' ' + grid->TextMatrix(r, 2) + ' ' +
                    grid->TextMatrix(r, 3))
                       .trimmed();
    return entries;
}

int EditorDriver::playlistRow(int index) const
{
    const FlexGrid* grid = form_.playlists().MSFlexGrid2(index);
    return grid ? grid->Row() : -1;
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
    const LayoutView view = form_.layoutView();
    return windowTableViolations(form_.table(), view) +
           layoutViewViolations(form_.model().state(), view);
}

} // namespace tv::test
