#include "app/command_line.h"

#include "layoutfile/layout_file_reading.h"
#include "layoutfile/layout_reader.h"
#include "player/player_window.h"
#include "player/stage_plan.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

#include <cstdio>

namespace tv {

CommandLine readCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Composes the screen layout of a media display, and plays it."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption play(QStringLiteral("play"),
                                  QStringLiteral("Play LAYOUT full screen, without the editor."),
                                  QStringLiteral("LAYOUT"));
    const QCommandLineOption media(
        QStringLiteral("media"),
        QStringLiteral("Take the media from FOLDER (default: the layout's own folder)."),
        QStringLiteral("FOLDER"));
    const QCommandLineOption window(QStringLiteral("window"),
                                    QStringLiteral("Play in a 960 x 540 window."));
    parser.addOptions({play, media, window});
    parser.process(arguments);
    return {parser.value(play), parser.value(media), parser.isSet(window)};
}

int playLayout(const CommandLine& options)
{
    auto refuse = [](const QString& why) {
        std::fprintf(stderr, "%s\n", why.toLocal8Bit().constData());
        return 1;
    };
    const LayoutFileBytes read = readLayoutFileBytes(options.play);
    if (!read.refusal.isEmpty())
        return refuse(read.refusal);
    const auto decoded = decodeLayout(read.bytes);
    if (const auto* refusal = std::get_if<ReadRefusal>(&decoded))
        return refuse(QStringLiteral("%1 was not opened. %2")
                          .arg(QDir::toNativeSeparators(options.play), refusal->message));

    const QString folder =
        options.media.isEmpty() ? QFileInfo(options.play).absolutePath() : options.media;
    auto* player = new PlayerWindow(planStage(std::get<LayoutDescription>(decoded)), folder, true);
    if (options.window) {
        player->show();
    } else {
        if (QScreen* primary = QGuiApplication::primaryScreen())
            player->setGeometry(primary->geometry());
        player->showFullScreen();
    }
    return QApplication::exec();
}

} // namespace tv
