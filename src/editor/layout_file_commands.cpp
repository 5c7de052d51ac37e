#include "editor/layout_file_commands.h"

#include "base/log_text.h"
#include "base/operator_log.h"
#include "editor/controls/beside_or_over.h"
#include "editor/controls/form_controls.h"
#include "editor/controls/modal_dialogs.h"
#include "editor/media/browse_folder.h"
#include "editor/media/layout_shape_memory.h"
#include "editor/model/layout_from_model.h"
#include "editor/model/layout_history.h"
#include "editor/model/layout_steps.h"
#include "editor/window_commands.h"
#include "files/layout_file_reading.h"
#include "layout/layout_reader.h"
#include "layout/layout_writer.h"
#include "show/show_folder.h"
#include "stage/player_window.h"
#include "stage/stage_plan.h"

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

LayoutFileCommands::LayoutFileCommands(LayoutHistory& history, WindowCommands& windows,
                                       ModalDialogs& dialogs, std::function<QString()> mediaFolder,
                                       QWidget* client)
    : QObject(client), history_(history), windows_(windows), dialogs_(dialogs),
      mediaFolder_(std::move(mediaFolder)), client_(client)
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
    dialogs_.message(client_->window(), text, QStringLiteral("+_+"));
}

LayoutDescription LayoutFileCommands::describeLayout() const
{
    return tv::describeLayout(history_.model().state());
}

std::optional<QByteArray> LayoutFileCommands::encodedOrTold(const QString& refused)
{
    auto encoded = encodeLayout(describeLayout());
    if (const auto* refusal = std::get_if<SaveRefusal>(&encoded)) {
        tell(refused + refusal->message);
        return std::nullopt;
    }
    return std::get<QByteArray>(std::move(encoded));
}

void LayoutFileCommands::Command10_Click()
{
    saveLayout();
}

bool LayoutFileCommands::saveLayout()
{
    const auto encoded = encodedOrTold(QStringLiteral("The layout was not saved. "));
    if (!encoded)
        return false;

    // The file being edited; before there is one, the preset name in the
    // folder of the layout last chosen.
    if (!currentFile_.isEmpty()) {
        CommonDialog1FileName = currentFile_;
    } else {
        const QFileInfo last(CommonDialog1FileName);
        CommonDialog1FileName =
            last.isAbsolute() ? QDir(last.absolutePath()).filePath(kPresetName) : kPresetName;
    }
    const auto chosen = dialogs_.saveFileName(client_->window(), kFilter, CommonDialog1FileName);
    if (!chosen)
        return false;
    CommonDialog1FileName = *chosen;
    // The file being edited is covered without a question: it is this layout.
    const bool editing = !currentFile_.isEmpty() && QFileInfo(*chosen) == QFileInfo(currentFile_);
    if (!editing && files_->exists(*chosen) &&
        !dialogs_.askYesNo(client_->window(), QStringLiteral("Cover the old file?"),
                           QStringLiteral("Confirm")))
        return false;
    return saveTo(*chosen, *encoded);
}

bool LayoutFileCommands::saveToCurrent()
{
    if (currentFile_.isEmpty())
        return saveLayout();
    const auto encoded = encodedOrTold(QStringLiteral("The layout was not saved. "));
    if (!encoded)
        return false;
    return saveTo(currentFile_, *encoded);
}

bool LayoutFileCommands::saveTo(const QString& path, const QByteArray& bytes)
{
    const QString failure = saveLayoutFile(bytes, path, tempLayoutPath(), *files_);
    if (!failure.isEmpty()) {
        tell(QStringLiteral("The layout was not saved. ") + failure);
        return false;
    }
    history_.stack().setClean();
    rememberShape(path, history_.model().state().shape);
    setCurrentFile(path, false);
    return true;
}

bool LayoutFileCommands::confirmSetAside()
{
    if (history_.stack().isClean())
        return true;
    switch (dialogs_.askYesNoCancel(client_->window(),
                                    QStringLiteral("Save changes to the layout?"),
                                    QStringLiteral("Confirm"))) {
    case ModalDialogs::Answer::Cancel:
        return false;
    case ModalDialogs::Answer::Yes:
        return saveToCurrent();
    case ModalDialogs::Answer::No:
        break;
    }
    return true;
}

void LayoutFileCommands::setCurrentFile(const QString& path, bool opened)
{
    currentFile_ = QFileInfo(path).absoluteFilePath();
    emit currentFileChanged(currentFile_, opened);
}

void LayoutFileCommands::Command11_Click()
{
    // Changes are not dropped without a question, as on closing.
    if (!confirmSetAside())
        return;
    const auto chosen = dialogs_.openFileName(client_->window(), kFilter, CommonDialog1FileName);
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
    // The file holds hundredths of the screen; which screen, the editor
    // remembers.
    const auto decoded = decodeLayout(read.bytes, rememberedShape(*chosen));
    if (const auto* refusal = std::get_if<ReadRefusal>(&decoded)) {
        tell(QStringLiteral("%1 was not opened. %2")
                 .arg(QDir::toNativeSeparators(*chosen), refusal->message));
        return;
    }
    {
        // Undoing the open brings back the layout it replaced.
        const StepRecorder undoable(history_, QStringLiteral("Open File"));
        buildLayout(std::get<LayoutDescription>(decoded));
    }
    history_.stack().setClean();
    setCurrentFile(*chosen, true);
}

void LayoutFileCommands::preview()
{
    const auto encoded = encodedOrTold(QStringLiteral("The layout cannot be previewed. "));
    if (!encoded)
        return;
    const auto decoded = decodeLayout(*encoded, history_.model().state().shape);
    if (const auto* refusal = std::get_if<ReadRefusal>(&decoded)) {
        tell(QStringLiteral("The layout cannot be previewed. ") + refusal->message);
        return;
    }
    closePreview();
    // What the preview cannot show it tells on the standard error stream, as
    // the editor tells everything else a terminal may want.
    StageSettings settings;
    settings.problemLog = [](const QString& line) { writeLogLine(line); };
    auto* player = new PlayerWindow(planStage(std::get<LayoutDescription>(decoded)), mediaFolder_(),
                                    false, std::move(settings), client_->window());
    player->setWindowFlag(Qt::Window);
    preview_ = player;
    placeBesideOrOver(player, client_->window());
    player->show();
}

void LayoutFileCommands::publish()
{
    const auto encoded = encodedOrTold(QStringLiteral("The layout cannot be published. "));
    if (!encoded)
        return;
    const QString media = mediaFolder_();
    if (media.isEmpty()) {
        tell(QStringLiteral("The layout cannot be published: choose its media folder with "
                            "Select first."));
        return;
    }
    QString target = GetFolderPath(client_->window(), dialogs_, lastPublished_);
    if (target.isEmpty())
        return;
    while (target.size() > 1 && target.endsWith(QDir::separator()))
        target.chop(1);
    const QString failure =
        publishShow(*encoded, media, target, currentFile_, {}, history_.model().state().shape);
    if (!failure.isEmpty()) {
        tell(QStringLiteral("The show was not published. ") + failure);
        return;
    }
    lastPublished_ = target;
    tell(QStringLiteral("The show was published to %1.")
             .arg(escapedForLog(QDir::toNativeSeparators(target))));
}

void LayoutFileCommands::closePreview()
{
    if (preview_)
        preview_->close();
}

void LayoutFileCommands::buildLayout(const LayoutDescription& layout)
{
    WindowCommands& windows = windows_;
    WindowTable& table = history_.model().table();
    history_.model().holdSelection();
    history_.model().beginBatch();
    windows.ClearLayout();
    history_.model().setShape(layout.shape);

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
        history_.model().setSwitchTime(int(slot) + 1, layout.switchTimes[slot]);

    history_.model().endBatch();
    history_.model().releaseSelection();
}

void LayoutFileCommands::buildWindow(int index, const QString& kindCaption,
                                     const LayoutWindow& window)
{
    LayoutModel& model = history_.model();
    model.setCurrentWindow(index);
    model.setInUse(index, true);
    windows_.LoadWindow(kindCaption, index);
    model.setRect(index, window.rect);
    QList<PlaylistEntry> entries;
    for (const QString& name : window.names)
        entries.append({name, QString()});
    model.setPlaylist(index, entries, 0, 0);
}

} // namespace tv
