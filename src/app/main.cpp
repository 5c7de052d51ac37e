#include "app/command_line.h"
#include "app/display_config.h"
#include "app/main_form.h"
#include "app/status_command.h"
#include "base/log_text.h"
#include "base/message_tally.h"
#include "base/operator_log.h"
#include "base/qt_message_route.h"
#include "decode/media_backend.h"
#include "editor/editor_icon.h"
#include "editor/qt_modal_dialogs.h"
#include "platform/signal_pipe.h"

#include <QApplication>
#include <QDateTime>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    // Before anything else: a display started by a service manager may be
    // told to reload or stop at any moment, even as it starts.
    tv::holdDisplaySignals();
    tv::ignoreLogReopen();
    // What goes wrong is told once per show, its repeats counted.
    tv::MessageTally messages(tv::writeLogLine);
    const tv::QtMessageRoute qtMessages(messages);
    tv::preferFfmpegBackend();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // A display's own settings come first: its command line wins.
    QString problem;
    arguments = tv::withDisplayConfig(arguments, tv::displayConfigPath(), &problem);
    // Arguments that do not go together, and a layout the display could not
    // play, are refused before a window system is needed, as are answers in
    // text; everything else opens windows.
    if (problem.isEmpty())
        problem = tv::usageProblem(arguments);
    // Only a display waits for its own handlers; anything else is ended by
    // the signals as any program is.
    if (!problem.isEmpty() || !tv::asksToPlay(arguments) || tv::needsNoDisplay(arguments))
        tv::releaseDisplaySignals();
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", problem.toLocal8Bit().constData());
        return 2;
    }
    // The one place a command reads the system's clock and zone.
    const tv::CommandTime time{QDateTime::currentMSecsSinceEpoch(), QTimeZone::systemTimeZone()};
    if (const QString refusal = tv::playRefusal(arguments, time); !refusal.isEmpty()) {
        tv::releaseDisplaySignals();
        tv::writeLogLine(tv::escapedForLog(refusal));
        return 1;
    }
    const std::unique_ptr<QCoreApplication> app(tv::needsNoDisplay(arguments)
                                                    ? new QCoreApplication(argc, argv)
                                                    : new QApplication(argc, argv));
    QCoreApplication::setOrganizationName(QStringLiteral("Tessellview"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessellview"));
    QCoreApplication::setApplicationVersion(QStringLiteral("0.1"));

    // Qt takes none of them: any option of its own was refused above.
    const tv::CommandLine options = tv::readCommandLine(arguments);
    if (!options.inspect.isEmpty())
        return tv::inspectLayoutFile(options.inspect, time);
    if (!options.explain.isEmpty())
        return tv::explainScheduleCommand(options, time);
    if (!options.status.isEmpty())
        return tv::statusCommand(options, time);
    if (!options.plays.isEmpty())
        return tv::sumPlaysCommand(options);
    if (!options.publish.isEmpty())
        return tv::publishLayout(options, time);
    if (!options.play.isEmpty())
        return tv::playLayout(options, messages);
    if (options.listScreens)
        return tv::listScreens();

    QApplication::setWindowIcon(tv::editorIcon());
    tv::QtModalDialogs dialogs;
    tv::Main launcher(dialogs);
    launcher.show();
    if (!options.file.isEmpty())
        launcher.openLayout(options.file);
    return QCoreApplication::exec();
}
