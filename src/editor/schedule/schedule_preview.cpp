#include "editor/schedule/schedule_preview.h"

#include "base/operator_log.h"
#include "editor/controls/beside_or_over.h"
#include "editor/media/layout_shape_memory.h"
#include "files/layout_file_reading.h"
#include "files/media_resolver.h"
#include "stage/player_window.h"
#include "stage/stage_plan.h"

#include <QDir>
#include <QFileInfo>

namespace tv {

QWidget* previewTarget(const QString& target, const QString& scheduleFile, QWidget* owner,
                       QString* refusal)
{
    QList<StageWindow> plan;
    QString media;
    if (target != QLatin1String("off")) {
        if (scheduleFile.isEmpty()) {
            *refusal = QStringLiteral("%1 cannot be previewed: save the schedule first, beside "
                                      "its layouts.")
                           .arg(target);
            return nullptr;
        }
        const QString path = QFileInfo(scheduleFile).dir().filePath(target);
        const auto read = readLayout(path, MediaHandle::Links::Followed, rememberedShape(path));
        if (const auto* why = std::get_if<QString>(&read)) {
            *refusal = QStringLiteral("%1 cannot be previewed. %2").arg(target, *why);
            return nullptr;
        }
        plan = planStage(std::get<LayoutDescription>(read));
        media = mediaFolderFor(QString(), path);
    }
    // What the preview cannot show it tells on the standard error stream, as
    // the editor's own preview does.
    StageSettings settings;
    settings.problemLog = [](const QString& line) { writeLogLine(line); };
    auto* player = new PlayerWindow(plan, media, false, std::move(settings), owner);
    player->setWindowFlag(Qt::Window);
    player->setWindowTitle(target);
    placeBesideOrOver(player, owner->window());
    player->show();
    return player;
}

} // namespace tv
