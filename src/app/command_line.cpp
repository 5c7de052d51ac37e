#include "app/command_line.h"

#include "layoutfile/layout_file_reading.h"
#include "layoutfile/layout_inspection.h"
#include "layoutfile/layout_reader.h"
#include "player/media_open.h"
#include "player/media_resolver.h"
#include "player/player_window.h"
#include "player/stage.h"
#include "player/stage_plan.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

namespace tv {

namespace {

struct Options {
    QCommandLineOption play{QStringLiteral("play"),
                            QStringLiteral("Play LAYOUT full screen, without the editor."),
                            QStringLiteral("LAYOUT")};
    QCommandLineOption media{
        QStringLiteral("media"),
        QStringLiteral("Take the media from FOLDER (default: the layout's own folder)."),
        QStringLiteral("FOLDER")};
    QCommandLineOption window{QStringLiteral("window"),
                              QStringLiteral("Play in a 960 x 540 window.")};
    QCommandLineOption inspect{QStringLiteral("inspect"),
                               QStringLiteral("Print the layout FILE as JSON."),
                               QStringLiteral("FILE")};

    explicit Options(QCommandLineParser& parser)
    {
        parser.setApplicationDescription(
            QStringLiteral("Composes the screen layout of a media display, and plays it."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({play, media, window, inspect});
        parser.addPositionalArgument(QStringLiteral("FILE"),
                                     QStringLiteral("A layout file to open in the editor."),
                                     QStringLiteral("[FILE]"));
    }
};

} // namespace

CommandLine readCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    const Options options(parser);
    parser.process(arguments);
    return {parser.positionalArguments().value(0), parser.value(options.play),
            parser.value(options.media), parser.isSet(options.window),
            parser.value(options.inspect)};
}

QString usageProblem(const QStringList& arguments)
{
    QCommandLineParser parser;
    const Options options(parser);
    if (!parser.parse(arguments))
        return QStringLiteral("tessellview: ") + parser.errorText();
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version")))
        return QString();
    for (const QCommandLineOption* option : {&options.play, &options.media, &options.inspect}) {
        if (!parser.isSet(*option))
            continue;
        const QString name = QStringLiteral("--") + option->names().first();
        const QString value = parser.value(*option);
        if (value.isEmpty())
            return QStringLiteral("tessellview: %1 needs a %2").arg(name, option->valueName());
        // A value that looks like an option is one the user forgot a value
        // before; a file of such a name can be given as ./NAME.
        if (value.startsWith(QLatin1Char('-')))
            return QStringLiteral("tessellview: %1 needs a %2, not the option %3")
                .arg(name, option->valueName(), escapedForLog(value));
    }
    if (!parser.isSet(options.play) &&
        (parser.isSet(options.media) || parser.isSet(options.window)))
        return QStringLiteral("tessellview: --media and --window only go with --play");
    if (parser.isSet(options.play) && parser.isSet(options.inspect))
        return QStringLiteral("tessellview: --play and --inspect do not go together");
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1 ||
        (!files.isEmpty() && (parser.isSet(options.play) || parser.isSet(options.inspect))))
        return QStringLiteral("tessellview: one layout file at a time; %1 is one too many")
            .arg(escapedForLog(files.last()));
    return QString();
}

bool needsNoDisplay(const QStringList& arguments)
{
    // Read as the program reads them: after "--" even "-v" is a file name.
    QCommandLineParser parser;
    const Options options(parser);
    parser.parse(arguments);
    return parser.isSet(options.inspect) || parser.isSet(QStringLiteral("help")) ||
           parser.isSet(QStringLiteral("help-all")) || parser.isSet(QStringLiteral("version"));
}

namespace {

// The layout in a file, or the reason the editor would give for refusing it.
std::variant<LayoutDescription, QString> readLayout(const QString& path)
{
    const LayoutFileBytes read = readLayoutFileBytes(path);
    if (!read.refusal.isEmpty())
        return read.refusal;
    auto decoded = decodeLayout(read.bytes);
    if (const auto* refusal = std::get_if<ReadRefusal>(&decoded))
        return QStringLiteral("%1 was not opened. %2")
            .arg(QDir::toNativeSeparators(path), refusal->message);
    return std::get<LayoutDescription>(std::move(decoded));
}

int refuse(const QString& why)
{
    std::fprintf(stderr, "%s\n", why.toLocal8Bit().constData());
    return 1;
}

} // namespace

QString playRefusal(const QStringList& arguments)
{
    QCommandLineParser parser;
    const Options options(parser);
    parser.parse(arguments); // what it cannot read, the full reading reports
    if (!parser.isSet(options.play))
        return QString();
    const auto layout = readLayout(parser.value(options.play));
    if (const auto* why = std::get_if<QString>(&layout))
        return *why;
    // A display told where its media are gets them there or refuses to start:
    // a mistyped folder would otherwise play placeholders all day.
    if (parser.isSet(options.media)) {
        const QString folder = parser.value(options.media);
        const QString shown = escapedForLog(QDir::toNativeSeparators(folder));
        const QFileInfo info(folder);
        if (!info.exists())
            return QStringLiteral("tessellview: the media folder %1 does not exist").arg(shown);
        if (!info.isDir())
            return QStringLiteral("tessellview: the media folder %1 is not a folder").arg(shown);
    }
    return QString();
}

int inspectLayoutFile(const QString& path)
{
    const auto layout = readLayout(path);
    if (const auto* why = std::get_if<QString>(&layout))
        return refuse(*why);
    const QByteArray json = inspectLayout(std::get<LayoutDescription>(layout));
    std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout);
    return 0;
}

int playLayout(const CommandLine& options)
{
    const auto layout = readLayout(options.play);
    if (const auto* why = std::get_if<QString>(&layout))
        return refuse(*why);
    const QString folder = mediaFolderFor(options.media, options.play);
    auto* player = new PlayerWindow(planStage(std::get<LayoutDescription>(layout)), folder, true);
    // What the operator's log keeps: the show is on the screen.
    QObject::connect(&player->stage(), &Stage::firstShown, [path = options.play] {
        std::fprintf(stderr, "showing %s\n",
                     escapedForLog(QDir::toNativeSeparators(path)).toLocal8Bit().constData());
    });
    if (options.window) {
        player->show();
    } else {
        if (QScreen* primary = QGuiApplication::primaryScreen())
            player->setGeometry(primary->geometry());
        player->showFullScreen();
    }
    const int status = QApplication::exec();
    // The show is over: media players and decodes still busy are abandoned,
    // not waited for, so that Esc ends the display at once whatever the
    // media are doing.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

} // namespace tv
