#include "display/display_run.h"

#include "base/log_text.h"
#include "base/message_tally.h"
#include "base/operator_lines.h"
#include "base/operator_log.h"
#include "display/live_show.h"
#include "display/report_keeper.h"
#include "display/report_writer.h"
#include "files/layout_file_reading.h"
#include "platform/hangup_signal.h"
#include "platform/screen_choice.h"
#include "platform/signal_pipe.h"
#include "platform/wall_clock.h"
#include "schedule/schedule.h"
#include "stage/player_window.h"
#include "stage/stage.h"
#include "stage/stage_clock.h"
#include "stage/stage_turn.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

#include <csignal>
#include <cstring>

namespace tv {

int runDisplay(const DisplaySettings& settings)
{
    // The signals held since the program started are taken first, before
    // the show starts threads of its own (which would inherit the mask).
    // A service manager or a terminal ends the show as Esc does, and the log
    // says which; a GUI thread that never answers is ended by the alarm.
    HangupSignal hangup;
    SignalPipe stopSignals({SIGTERM, SIGINT});
    stopSignals.setAnswerDeadline(3);
    if (QString why; !settings.log.isEmpty() && !logToFile(settings.log, &why))
        return refuse(QStringLiteral("tessellview: the log %1 cannot be written: %2")
                          .arg(QDir::toNativeSeparators(settings.log), why));
    const QString& layoutPath = settings.layoutPath;
    if (!isScheduleName(layoutPath))
        if (const auto layout = readLayout(layoutPath, settings.layoutLinks);
            const auto* why = std::get_if<QString>(&layout))
            return refuse(*why);
    const QString& folder = settings.mediaFolder;
    const QString shown = QDir::toNativeSeparators(layoutPath);
    // The show is read off this thread: the stage starts empty and takes it
    // as soon as it is read.
    MessageTally& messages = *settings.decoding.messages;
    StageSettings staging;
    staging.decoding = settings.decoding;
    staging.problemLog = [](const QString& line) { writeLogLine(line); };
    PlayerWindow player({}, QString(), true, std::move(staging));
    player.setAttribute(Qt::WA_DeleteOnClose, false); // it ends with this function
    Stage& stage = player.stage();
    stage.setTurns(quarterTurnsOf(settings.rotate));
    ScreenChoice screens(player, settings.screen, say);
    say(QStringLiteral("started %1, media from %2").arg(shown, QDir::toNativeSeparators(folder)));
    // What the operator's log keeps: the show is on the screen.
    QObject::connect(&stage, &Stage::firstShown,
                     [shown] { say(QStringLiteral("showing %1").arg(shown)); });
    SteadyClock clock;
    SystemWallClock wall;
    LiveShow live(stage, layoutPath, folder, clock, say, settings.layoutLinks, settings.hashCache,
                  &wall);
    // A message that comes again and again is told once per show.
    QObject::connect(&live, &LiveShow::readDone, [&messages] { messages.newShow(); });
    QObject::connect(&hangup, &HangupSignal::hangUp, &live, &LiveShow::reloadNow);
    QObject::connect(&stopSignals, &SignalPipe::arrived, &player, [&player](int number) {
        player.stopFor(QStringLiteral("SIG") + QString::fromLatin1(sigabbrev_np(number)));
    });

    // What the display tells of itself goes to its report folder.
    std::unique_ptr<ReportWriter> reportWriter;
    std::unique_ptr<ReportKeeper> report;
    if (!settings.reportFolder.isEmpty()) {
        reportWriter = std::make_unique<ReportWriter>(settings.reportFolder, wall.localZone());
        QObject::connect(reportWriter.get(), &ReportWriter::trouble, [](const QString& why) {
            say(why.isEmpty()
                    ? QStringLiteral("the report folder is written again")
                    : QStringLiteral("the report cannot be written: %1").arg(escapedForLog(why)));
        });
        QObject::connect(reportWriter.get(), &ReportWriter::pruned, [](const QStringList& names) {
            for (const QString& name : names)
                say(QStringLiteral("plays/%1 removed: the oldest, to keep the plays within bounds")
                        .arg(escapedForLog(name)));
        });
        report = std::make_unique<ReportKeeper>(
            *reportWriter, stage, live, wall, clock,
            ReportKeeper::Identity{settings.name, QCoreApplication::applicationVersion()});
        if (!settings.metricsFile.isEmpty())
            report->setMetricsFile(QFileInfo(settings.metricsFile).absoluteFilePath());
        say(QStringLiteral("reports of %1 go to %2")
                .arg(escapedForLog(settings.name),
                     QDir::toNativeSeparators(settings.reportFolder)));
    }

    if (settings.window) {
        player.show();
    } else {
        // No frame, title or margin of the window system's, under X11 or a
        // Wayland kiosk alike.
        player.setWindowFlag(Qt::FramelessWindowHint);
        screens.show();
    }
    if (const QScreen* screen = player.screen()) {
        // In the screen's own pixels, whatever the desktop's scaling.
        const QSize pixels = (QSizeF(screen->size()) * screen->devicePixelRatio()).toSize();
        say(QStringLiteral("on screen %1 %2x%3, turned %4 degrees")
                .arg(escapedForLog(screen->name()))
                .arg(pixels.width())
                .arg(pixels.height())
                .arg(settings.rotate));
        if (report)
            report->setScreen({screen->name(), pixels, settings.rotate});
    }
    const int status = QApplication::exec();
    stage.endTurns();
    messages.newShow();
    // The last line says why the show ended.
    say(QStringLiteral("stopped: %1").arg(player.stoppedFor()));
    return status;
}

} // namespace tv
