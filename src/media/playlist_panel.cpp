#include "media/playlist_panel.h"

#include "editor/modal_dialogs.h"
#include "editor/split.h"
#include "media/media_file_list.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace tv {

PlaylistPanel::PlaylistPanel(Split& form, QWidget* client) : QObject(client), form_(form)
{
    Label3 = makeLabel(client, "Label3", QStringLiteral("  List:"), {7470, 3465, 825, 195});
    Command6 = makeButton(client, "Command6", QStringLiteral("Up"), {8505, 3375, 825, 375});
    Command7 = makeButton(client, "Command7", QStringLiteral("Down"), {9495, 3375, 825, 375});
    Command8 = makeButton(client, "Command8", QStringLiteral("\u2193Add"), {10485, 3375, 825, 375});
    Command9 = makeButton(client, "Command9", QStringLiteral("\u2191Del"), {11475, 3375, 825, 375});

    auto* templ = new FlexGrid(client);
    placeTwips(templ, {7425, 3870, 5010, 3255});
    MSFlexGrid2.setTemplate(templ);

    connect(Command6, &QPushButton::clicked, this, &PlaylistPanel::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &PlaylistPanel::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &PlaylistPanel::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &PlaylistPanel::Command9_Click);
}

void PlaylistPanel::InitPlaylistGrid(int index)
{
    if (FlexGrid* grid = MSFlexGrid2(index))
        prepareFileColumns(*grid);
}

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

FlexGrid* PlaylistPanel::currentPlaylist() const
{
    return MSFlexGrid2(form_.table().CurrentWindow);
}

void PlaylistPanel::Command8_Click()
{
    FlexGrid* playlist = currentPlaylist();
    const FlexGrid* files = form_.fileList().MSFlexGrid1;
    if (!playlist)
        return;
    const int last = files->Rows() - 1;
    for (int i = 1; i <= last; ++i) {
        if (files->TextMatrix(i, 0) != QLatin1String("ok"))
            continue;
        const QString name = files->TextMatrix(i, 2);
        if (name.size() > kMaxNameLength) {
            form_.dialogs().message(&form_, QStringLiteral("The max character number is 20"),
                                    QStringLiteral("+_+"));
            return;
        }
        playlist->AddItem();
        const int n = playlist->Rows() - 1;
        playlist->setTextMatrix(n, 1, QString::number(n));
        playlist->setTextMatrix(n, 2, name);
        playlist->setTextMatrix(n, 3, files->TextMatrix(i, 3));
    }
}

void PlaylistPanel::Command9_Click()
{
    FlexGrid* playlist = currentPlaylist();
    if (!playlist)
        return;
    const int current = playlist->Row();
    if (playlist->Rows() > 2) {
        // Of several entries, only the current one goes; without one, none.
        if (current == 0)
            return;
        playlist->RemoveItem(current);
        const int last = playlist->Rows() - 1;
        for (int r = 1; r <= last; ++r)
            playlist->setTextMatrix(r, 1, QString::number(r));
        playlist->setCurrentCell(std::min(current, last), std::max(playlist->Col(), 1));
    } else {
        playlist->setRows(1);
        playlist->setCurrentCell(0, 0);
    }
}

void PlaylistPanel::Command6_Click()
{
    FlexGrid* playlist = currentPlaylist();
    if (!playlist)
        return;
    const int current = playlist->Row();
    if (current <= 1)
        return;
    SwapPlaylistRows(current, current - 1);
    playlist->setCurrentCell(current - 1, std::max(playlist->Col(), 1));
}

void PlaylistPanel::Command7_Click()
{
    FlexGrid* playlist = currentPlaylist();
    if (!playlist)
        return;
    const int current = playlist->Row();
    const int last = playlist->Rows() - 1;
    if (current == 0 || current >= last)
        return;
    SwapPlaylistRows(current, current + 1);
    playlist->setCurrentCell(current + 1, std::max(playlist->Col(), 1));
}

void PlaylistPanel::SwapPlaylistRows(int a, int b)
{
    FlexGrid* playlist = currentPlaylist();
    for (int col : {2, 3}) {
        const QString held = playlist->TextMatrix(a, col);
        playlist->setTextMatrix(a, col, playlist->TextMatrix(b, col));
        playlist->setTextMatrix(b, col, held);
    }
}

} // namespace tv
