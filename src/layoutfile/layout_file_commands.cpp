#include "layoutfile/layout_file_commands.h"

#include "controls/form_controls.h"
#include "editor/layout_history.h"
#include "editor/layout_steps.h"
#include "editor/modal_dialogs.h"
#include "editor/split.h"
#include "editor/window_commands.h"
#include "geometry/layout_canvas.h"
#include "layoutfile/layout_file_reading.h"
#include "layoutfile/layout_from_model.h"
#include "layoutfile/layout_reader.h"
#include "layoutfile/layout_writer.h"
#include "media/media_file_list.h"
#include "media/playlist_panel.h"
#include "media/switch_time_box.h"
#include "player/player_window.h"
#include "player/stage_plan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QUndoStack>

namespace tv {

namespace {
const QString kFilter = QStringLiteral("SPLITFILE|*.TXT");
const QString kPresetName = QStringLiteral("TESSELLVIEW.TXT");

} // namespace

LayoutFileCommands::LayoutFileCommands(Split& form, QWidget* client) : QObject(client), form_(form)
{
    Command11 =
        makeButton(client, "Command11", QStringLiteral("Open File"), {3330, 270, 1230, 465});
    Command10 =
        makeButton(client, "Command10", QStringLiteral("Save File"), {4905, 270, 1230, 465});
    connect(Command10, &QPushButton::clicked, this, &LayoutFileCommands::Command10_Click);
    connect(Command11, &QPushButton::clicked, this, &LayoutFileCommands::Command11_Click);
}

void LayoutFileCommands::tell(const QString& text)
{
    form_.dialogs().message(&form_, text, QStringLiteral("+_+"));
}

LayoutDescription LayoutFileCommands::describeLayout() const
{
    return tv::describeLayout(form_.model().state());
}

void LayoutFileCommands::Command10_Click()
{
    saveLayout();
}

bool LayoutFileCommands::saveLayout()
{
    const auto encoded = encodeLayout(describeLayout());
    if (const auto* refusal = std::get_if<SaveRefusal>(&encoded)) {
        tell(QStringLiteral("The layout was not saved. ") + refusal->message);
        return false;
    }

    // The preset name, in the folder of the layout last opened or saved.
    const QFileInfo last(CommonDialog1FileName);
    CommonDialog1FileName =
        last.isAbsolute() ? QDir(last.absolutePath()).filePath(kPresetName) : kPresetName;
    const auto chosen = form_.dialogs().saveFileName(&form_, kFilter, CommonDialog1FileName);
    if (!chosen)
        return false;
    CommonDialog1FileName = *chosen;
    if (files_->exists(*chosen) &&
        !form_.dialogs().askYesNo(&form_, QStringLiteral("Cover the old file?"),
                                  QStringLiteral("Confirm")))
        return false;

    const QString failure =
        saveLayoutFile(std::get<QByteArray>(encoded), *chosen, tempLayoutPath(), *files_);
    if (!failure.isEmpty()) {
        tell(QStringLiteral("The layout was not saved. ") + failure);
        return false;
    }
    form_.history().setClean();
    return true;
}

void LayoutFileCommands::Command11_Click()
{
    const auto chosen = form_.dialogs().openFileName(&form_, kFilter, CommonDialog1FileName);
    if (chosen)
        openLayoutFile(*chosen);
}

void LayoutFileCommands::openLayoutFile(const QString& path)
{
    const QString* chosen = &path;
    CommonDialog1FileName = path;

    const LayoutFileBytes read = readLayoutFileBytes(*chosen);
    if (!read.refusal.isEmpty()) {
        tell(read.refusal);
        return;
    }
    const auto decoded = decodeLayout(read.bytes);
    if (const auto* refusal = std::get_if<ReadRefusal>(&decoded)) {
        tell(QStringLiteral("%1 was not opened. %2")
                 .arg(QDir::toNativeSeparators(*chosen), refusal->message));
        return;
    }
    {
        // Undoing the open brings back the layout it replaced.
        const StepRecorder undoable(form_.steps(), QStringLiteral("Open File"));
        buildLayout(std::get<LayoutDescription>(decoded));
    }
    form_.history().setClean();
}

void LayoutFileCommands::preview()
{
    const auto encoded = encodeLayout(describeLayout());
    if (const auto* refusal = std::get_if<SaveRefusal>(&encoded)) {
        tell(QStringLiteral("The layout cannot be previewed. ") + refusal->message);
        return;
    }
    const auto decoded = decodeLayout(std::get<QByteArray>(encoded));
    if (const auto* refusal = std::get_if<ReadRefusal>(&decoded)) {
        tell(QStringLiteral("The layout cannot be previewed. ") + refusal->message);
        return;
    }
    closePreview();
    auto* player = new PlayerWindow(planStage(std::get<LayoutDescription>(decoded)),
                                    form_.fileList().Text2->text(), false, &form_);
    player->setWindowFlag(Qt::Window);
    preview_ = player;
    player->show();
}

void LayoutFileCommands::closePreview()
{
    if (preview_)
        preview_->close();
}

void LayoutFileCommands::buildLayout(const LayoutDescription& layout)
{
    WindowCommands& windows = form_.windows();
    WindowTable& table = form_.table();
    form_.model().holdSelection();
    windows.ClearLayout();

    table.HasVideoWindow = layout.video ? 1 : 0;
    table.PictureWindowCount = 0;
    if (layout.video)
        buildWindow(kVideoWindow, windows.Option1->Caption(), *layout.video);
    for (qsizetype slot = 0; slot < layout.pictures.size(); ++slot) {
        table.PictureWindowCount += 1;
        buildWindow(int(slot) + kFirstPictureWindow, windows.Option2->Caption(),
                    layout.pictures[slot]);
    }
    for (std::size_t slot = 0; slot < layout.switchTimes.size(); ++slot)
        form_.model().setSwitchTime(int(slot) + 1, layout.switchTimes[slot]);

    form_.model().releaseSelection();
}

void LayoutFileCommands::buildWindow(int index, const QString& kindCaption,
                                     const LayoutWindow& window)
{
    LayoutModel& model = form_.model();
    model.setCurrentWindow(index);
    model.setInUse(index, true);
    form_.windows().LoadWindow(kindCaption, index);
    model.setRect(index, window.rect);
    QList<PlaylistEntry> entries;
    for (const QString& name : window.names)
        entries.append({name, QString()});
    model.setPlaylist(index, entries, 0, 0);
}

} // namespace tv
