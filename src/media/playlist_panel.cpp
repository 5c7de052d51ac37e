#include "media/playlist_panel.h"

#include "media/media_file_list.h"

#include <QLabel>
#include <QPushButton>

namespace tv {

PlaylistPanel::PlaylistPanel(QWidget* form) : QObject(form)
{
    Label3 = makeLabel(form, "Label3", QStringLiteral("  List:"), {7470, 3465, 825, 195});
    Command6 = makeButton(form, "Command6", QStringLiteral("Up"), {8505, 3375, 825, 375});
    Command7 = makeButton(form, "Command7", QStringLiteral("Down"), {9495, 3375, 825, 375});
    Command8 = makeButton(form, "Command8", QStringLiteral("\u2193Add"), {10485, 3375, 825, 375});
    Command9 = makeButton(form, "Command9", QStringLiteral("\u2191Del"), {11475, 3375, 825, 375});

    auto* templ = new FlexGrid(form);
    placeTwips(templ, {7425, 3870, 5010, 3255});
    MSFlexGrid2.setTemplate(templ);
}

void PlaylistPanel::InitPlaylistGrid(int index)
{
    if (FlexGrid* grid = MSFlexGrid2(index))
        prepareFileColumns(*grid);
}

} // namespace tv

namespace tv {

void PlaylistPanel::createGrid(int index)
{
    FlexGrid* grid = MSFlexGrid2.load(index);
    grid->setRows(1);
    grid->show();
    grid->raise();
}

void PlaylistPanel::bringToFront(int index)
{
    if (FlexGrid* grid = MSFlexGrid2(index))
        grid->raise();
}

} // namespace tv
