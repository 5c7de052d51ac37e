#include "app/command_line.h"

#include "app/display_config.h"
#include "base/log_text.h"
#include "base/operator_lines.h"

#include "display/display_run.h"
#include "editor/media/layout_shape_memory.h"
#include "platform/screen_choice.h"

#include "base/operator_log.h"
#include "files/layout_file_reading.h"
#include "files/media_open.h"
#include "files/media_resolver.h"
#include "layout/layout_inspection.h"
#include "layout/layout_reader.h"
#include "report/play_log.h"
#include "report/play_sums.h"
#include "schedule/schedule_report.h"
#include "show/schedule_reading.h"
#include "show/show_folder.h"
#include "show/show_manifest.h"
#include "stage/stage_turn.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSysInfo>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace tv {

namespace {

struct Options {
    QCommandLineOption play{
        QStringLiteral("play"),
        QStringLiteral("Play LAYOUT (a layout file or a show folder) full screen, without the "
                       "editor; changes to it are played as they come."),
        QStringLiteral("LAYOUT")};
    QCommandLineOption publish{QStringLiteral("publish"),
                               QStringLiteral("Publish LAYOUT and its media as a show folder."),
                               QStringLiteral("LAYOUT")};
    QCommandLineOption to{QStringLiteral("to"),
                          QStringLiteral("The show folder --publish writes, replaced whole; "
                                         "with --plays, the last day summed (YYYY-MM-DD)."),
                          QStringLiteral("DIR")};
    QCommandLineOption media{
        QStringLiteral("media"),
        QStringLiteral("Take the media from FOLDER (default: the layout's own folder)."),
        QStringLiteral("FOLDER")};
    QCommandLineOption window{QStringLiteral("window"),
                              QStringLiteral("Play in a 960 x 540 window.")};
    QCommandLineOption volume{
        QStringLiteral("volume"),
        QStringLiteral("Play the sound of clips at LEVEL, from 0 (silent) to 100 (the default), "
                       "on the display and in the editor's preview."),
        QStringLiteral("LEVEL")};
    QCommandLineOption rotate{
        QStringLiteral("rotate"),
        QStringLiteral("Turn the show DEGREES clockwise (0, 90, 180 or 270), for a panel mounted "
                       "turned."),
        QStringLiteral("DEGREES")};
    QCommandLineOption screen{QStringLiteral("screen"),
                              QStringLiteral("Play on the screen NAME (see --list-screens)."),
                              QStringLiteral("NAME")};
    QCommandLineOption listScreens{QStringLiteral("list-screens"),
                                   QStringLiteral("List the screens, their names and places.")};
    QCommandLineOption log{QStringLiteral("log"),
                           QStringLiteral("Append the display's log to FILE, opened anew on "
                                          "SIGUSR1 (for logrotate)."),
                           QStringLiteral("FILE")};
    QCommandLineOption report{
        QStringLiteral("report"),
        QStringLiteral("Keep the display's status, screenshot and plays in DIR, for a sync tool "
                       "to carry home (default: ~/.local/state/tessellview/report)."),
        QStringLiteral("DIR")};
    QCommandLineOption name{QStringLiteral("name"),
                            QStringLiteral("Call the display NAME in its reports (default: the "
                                           "host's name)."),
                            QStringLiteral("NAME")};
    QCommandLineOption metrics{
        QStringLiteral("metrics"),
        QStringLiteral("Write the display's figures to FILE each minute, for a monitoring "
                       "system's text file collector."),
        QStringLiteral("FILE")};
    QCommandLineOption hwdec{
        QStringLiteral("hwdec"),
        QStringLiteral("Decode clips on the video hardware where there is some (auto), or always "
                       "in software (no, the default)."),
        QStringLiteral("MODE")};
    QCommandLineOption inspect{QStringLiteral("inspect"),
                               QStringLiteral("Print the layout or schedule FILE as JSON."),
                               QStringLiteral("FILE")};
    QCommandLineOption explain{
        QStringLiteral("explain"),
        QStringLiteral("Tell what SCHEDULE (a schedule file or a show folder) plays now, or at "
                       "--at, why each other rule does not, and its next 20 changes."),
        QStringLiteral("SCHEDULE")};
    QCommandLineOption at{
        QStringLiteral("at"),
        QStringLiteral("The instant --explain explains, or --status judges at: \"YYYY-MM-DD "
                       "HH:MM\" on the schedule's (or this machine's) clocks, or an ISO 8601 "
                       "time with its offset."),
        QStringLiteral("TIME")};
    QCommandLineOption status{
        QStringLiteral("status"),
        QStringLiteral("Tell how each display whose report folder is in REPORTDIR is doing, one "
                       "line each; the exit status is 0 when all are well, 1 when one is not."),
        QStringLiteral("REPORTDIR")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("Tell --status as a JSON array.")};
    QCommandLineOption syncLag{
        QStringLiteral("sync-lag"),
        QStringLiteral("How long the sync tool may take to carry a status, for --status "
                       "(default 300)."),
        QStringLiteral("SECONDS")};

    QCommandLineOption plays{
        QStringLiteral("plays"),
        QStringLiteral("Print as CSV how often and how long each item played on the display "
                       "whose report folder is REPORTDIR, or on each display of a folder of "
                       "them, day by day from --from to --to."),
        QStringLiteral("REPORTDIR")};
    QCommandLineOption from{QStringLiteral("from"),
                            QStringLiteral("The first day --plays sums (YYYY-MM-DD)."),
                            QStringLiteral("DAY")};

    explicit Options(QCommandLineParser& parser)
    {
        parser.setApplicationDescription(
            QStringLiteral("Composes the screen layout of a media display, and plays it."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({play,   media,  window,  rotate,      screen,  volume,  hwdec, log,
                           report, name,   metrics, listScreens, inspect, explain, at,    publish,
                           to,     status, json,    syncLag,     plays,   from});
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
    return {parser.positionalArguments().value(0),
            parser.value(options.play),
            parser.value(options.media),
            parser.isSet(options.window),
            parser.value(options.inspect),
            parser.value(options.publish),
            parser.value(options.to),
            parser.isSet(options.volume) ? parser.value(options.volume).toInt() : 100,
            parser.value(options.hwdec) == QLatin1String("auto"),
            parser.value(options.rotate).toInt(),
            parser.value(options.screen),
            parser.isSet(options.listScreens),
            parser.value(options.log),
            parser.value(options.explain),
            parser.value(options.at),
            parser.value(options.report),
            parser.value(options.name),
            parser.value(options.metrics),
            parser.value(options.status),
            parser.isSet(options.json),
            parser.isSet(options.syncLag) ? parser.value(options.syncLag).toLongLong() : 300,
            parser.value(options.plays),
            parser.value(options.from)};
}

QString usageProblem(const QStringList& arguments)
{
    QCommandLineParser parser;
    const Options options(parser);
    if (!parser.parse(arguments))
        return QStringLiteral("tessellview: ") + parser.errorText();
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version")))
        return QString();
    for (const QCommandLineOption* option :
         {&options.play, &options.media, &options.inspect, &options.publish, &options.to,
          &options.explain, &options.at, &options.volume, &options.hwdec, &options.rotate,
          &options.screen, &options.log, &options.report, &options.name, &options.metrics,
          &options.status, &options.syncLag, &options.plays, &options.from}) {
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
    const bool play = parser.isSet(options.play);
    const bool publish = parser.isSet(options.publish);
    if (!play && !publish && parser.isSet(options.media))
        return QStringLiteral("tessellview: --media only goes with --play or --publish");
    if (!play && parser.isSet(options.window))
        return QStringLiteral("tessellview: --window only goes with --play");
    if (parser.isSet(options.volume)) {
        bool number = false;
        const int level = parser.value(options.volume).toInt(&number);
        if (!number || level < 0 || level > 100)
            return QStringLiteral("tessellview: --volume needs a LEVEL from 0 to 100, not %1")
                .arg(escapedForLog(parser.value(options.volume)));
        if (publish || parser.isSet(options.inspect))
            return QStringLiteral("tessellview: --volume does not go with --publish or --inspect");
    }
    if (parser.isSet(options.hwdec)) {
        const QString mode = parser.value(options.hwdec);
        if (mode != QLatin1String("auto") && mode != QLatin1String("no"))
            return QStringLiteral("tessellview: --hwdec needs a MODE, auto or no, not %1")
                .arg(escapedForLog(mode));
        if (publish || parser.isSet(options.inspect))
            return QStringLiteral("tessellview: --hwdec does not go with --publish or --inspect");
    }
    if (parser.isSet(options.rotate)) {
        bool number = false;
        const int degrees = parser.value(options.rotate).toInt(&number);
        if (!number || quarterTurnsOf(degrees) < 0)
            return QStringLiteral("tessellview: --rotate needs DEGREES, 0, 90, 180 or 270, not %1")
                .arg(escapedForLog(parser.value(options.rotate)));
    }
    if (!play && (parser.isSet(options.rotate) || parser.isSet(options.screen) ||
                  parser.isSet(options.log) || parser.isSet(options.report) ||
                  parser.isSet(options.name) || parser.isSet(options.metrics)))
        return QStringLiteral("tessellview: --rotate, --screen, --log, --report, --name and "
                              "--metrics only go with --play");
    if (parser.isSet(options.listScreens) && arguments.size() > 2)
        return QStringLiteral("tessellview: --list-screens goes alone");
    const bool explain = parser.isSet(options.explain);
    const bool status = parser.isSet(options.status);
    const bool plays = parser.isSet(options.plays);
    if (parser.isSet(options.at) && !explain && !status)
        return QStringLiteral("tessellview: --at only goes with --explain or --status");
    if (!status && (parser.isSet(options.json) || parser.isSet(options.syncLag)))
        return QStringLiteral("tessellview: --json and --sync-lag only go with --status");
    if (parser.isSet(options.syncLag)) {
        // Up to a year: more is a mistake, and would overflow as milliseconds.
        bool number = false;
        const qint64 seconds = parser.value(options.syncLag).toLongLong(&number);
        if (!number || seconds < 0 || seconds > 366 * 86'400)
            return QStringLiteral("tessellview: --sync-lag needs SECONDS, from 0 to a year, not %1")
                .arg(escapedForLog(parser.value(options.syncLag)));
    }
    if (int(play) + int(publish) + int(parser.isSet(options.inspect)) + int(explain) + int(status) +
            int(plays) >
        1)
        return QStringLiteral("tessellview: --play, --publish, --inspect, --explain, --status and "
                              "--plays do not go together");
    if (plays) {
        for (const QCommandLineOption* day : {&options.from, &options.to}) {
            if (!parser.isSet(*day))
                return QStringLiteral("tessellview: --plays needs --from and --to");
            if (!dayOfText(parser.value(*day)).isValid())
                return QStringLiteral("tessellview: --%1 needs a day, YYYY-MM-DD, not %2")
                    .arg(day->names().first(), escapedForLog(parser.value(*day)));
        }
        if (dayOfText(parser.value(options.from)) > dayOfText(parser.value(options.to)))
            return QStringLiteral("tessellview: --from %1 comes after --to %2")
                .arg(parser.value(options.from), parser.value(options.to));
    } else if (parser.isSet(options.from)) {
        return QStringLiteral("tessellview: --from only goes with --plays");
    } else if (publish != parser.isSet(options.to)) {
        return QStringLiteral("tessellview: --publish and --to go together");
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1 ||
        (!files.isEmpty() && (play || publish || plays || parser.isSet(options.inspect) || status)))
        return QStringLiteral("tessellview: one layout file at a time; %1 is one too many")
            .arg(escapedForLog(files.last()));
    return QString();
}

bool asksToPlay(const QStringList& arguments)
{
    QCommandLineParser parser;
    const Options options(parser);
    parser.parse(arguments);
    return parser.isSet(options.play);
}

bool needsNoDisplay(const QStringList& arguments)
{
    // Read as the program reads them: after "--" even "-v" is a file name.
    QCommandLineParser parser;
    const Options options(parser);
    parser.parse(arguments);
    return parser.isSet(options.inspect) || parser.isSet(options.publish) ||
           parser.isSet(options.explain) || parser.isSet(options.status) ||
           parser.isSet(options.plays) || parser.isSet(QStringLiteral("help")) ||
           parser.isSet(QStringLiteral("help-all")) || parser.isSet(QStringLiteral("version"));
}

namespace {

// The layout file --play plays: the file given, followed when it is a link
// (the user named it), or the one in a show folder, which is read as its
// media are, a link refused.
struct PlayedLayout {
    QString path;
    MediaHandle::Links links = MediaHandle::Links::Followed;
};

PlayedLayout layoutToPlay(const QString& path)
{
    if (!QFileInfo(path).isDir())
        return {path};
    const QString layout = showLayoutIn(path);
    return {layout.isEmpty() ? QDir(path).filePath(QLatin1String(kShowLayoutName)) : layout,
            MediaHandle::Links::Refused};
}

// Where the media of what --play plays are found: the folder given with
// --media, else the folder of the layout file (a show folder's own).
QString playedMediaFolder(const CommandLine& options)
{
    return mediaFolderFor(options.media, layoutToPlay(options.play).path);
}

} // namespace

QString playRefusal(const QStringList& arguments, const CommandTime& time)
{
    QCommandLineParser parser;
    const Options options(parser);
    parser.parse(arguments); // what it cannot read, the full reading reports
    if (!parser.isSet(options.play))
        return QString();
    const PlayedLayout played = layoutToPlay(parser.value(options.play));
    if (isScheduleName(played.path)) {
        // A schedule whose layouts have not all arrived still plays what it
        // can; one that does not read is refused.
        const auto read = readScheduleFile(played.path, time.local, time.now, played.links, true);
        if (const auto* why = std::get_if<QString>(&read))
            return QStringLiteral("tessellview: ") + *why;
    } else if (const auto layout = readLayout(played.path, played.links);
               const auto* why = std::get_if<QString>(&layout)) {
        return *why;
    }
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

namespace {

void print(const QByteArray& text)
{
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
}

} // namespace

std::optional<Instant> instantOf(const QString& text, const ZoneClock& clock)
{
    static const QRegularExpression wall(
        QStringLiteral("^([0-9]{4}-[0-9]{2}-[0-9]{2})[ T]([0-9]{2}):([0-9]{2})(?::([0-9]{2}))?$"));
    if (const QRegularExpressionMatch match = wall.match(text); match.hasMatch()) {
        const QDate day = QDate::fromString(match.captured(1), Qt::ISODate);
        const int hours = match.captured(2).toInt(), minutes = match.captured(3).toInt();
        const int seconds = match.captured(4).toInt();
        if (!day.isValid() || hours > 23 || minutes > 59 || seconds > 59)
            return std::nullopt;
        return clock.at(day, hours * 60 + minutes) + seconds * 1000;
    }
    const QDateTime given = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (given.isValid() && given.timeSpec() != Qt::LocalTime)
        return given.toMSecsSinceEpoch();
    return std::nullopt;
}

int explainScheduleCommand(const CommandLine& options, const CommandTime& time)
{
    const QTimeZone& local = time.local;
    const Instant instantNow = time.now;
    ScheduleShow show;
    if (QFileInfo(options.explain).isDir()) {
        auto read = readScheduleShow(options.explain, local, instantNow);
        if (const auto* why = std::get_if<QString>(&read))
            return refuse(QStringLiteral("tessellview: ") + *why);
        show = std::get<ScheduleShow>(std::move(read));
    } else {
        auto read = readScheduleFile(options.explain, local, instantNow);
        if (const auto* why = std::get_if<QString>(&read))
            return refuse(QStringLiteral("tessellview: ") + *why);
        show.file = std::get<ScheduleFile>(std::move(read));
        show.whole = show.file.layouts.keys();
    }
    const ZoneClock clock(show.file.schedule.zone);
    const std::optional<Instant> at =
        options.at.isEmpty() ? instantNow : instantOf(options.at, clock);
    if (!at)
        return refuse(QStringLiteral("tessellview: --at needs a TIME such as \"2026-12-24 18:00\", "
                                     "not %1")
                          .arg(options.at));
    const QStringList whole = show.whole;
    print(explainSchedule(
              show.file.schedule, clock, *at,
              [&whole](const QString& layout) { return whole.contains(layout); },
              ClockFacts{true, show.publishedAt})
              .toUtf8());
    return 0;
}

int inspectLayoutFile(const QString& path, const CommandTime& time)
{
    if (isScheduleName(path)) {
        QString why;
        const QByteArray bytes = readScheduleBytes(path, MediaHandle::Links::Followed, &why);
        if (!why.isEmpty())
            return refuse(QStringLiteral("tessellview: the schedule %1 cannot be read: %2")
                              .arg(QDir::toNativeSeparators(path), why));
        const auto read = parseSchedule(bytes, time.local);
        if (const auto* refused = std::get_if<ScheduleRefusal>(&read))
            return refuse(QStringLiteral("tessellview: the schedule %1 is refused: %2")
                              .arg(QDir::toNativeSeparators(path), refused->text()));
        print(inspectSchedule(std::get<Schedule>(read)));
        return 0;
    }
    // A layout in a show folder is for the screen its manifest tells.
    const QFileInfo file(path);
    const auto layout = readLayout(
        path, MediaHandle::Links::Followed,
        layoutShapesIn(file.absolutePath()).value(file.fileName(), ScreenShape::Landscape));
    if (const auto* why = std::get_if<QString>(&layout))
        return refuse(*why);
    const QByteArray json = inspectLayout(std::get<LayoutDescription>(layout));
    std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout);
    return 0;
}

int publishLayout(const CommandLine& options, const CommandTime& time)
{
    if (isScheduleName(options.publish)) {
        const auto read = readScheduleFile(options.publish, time.local, time.now);
        if (const auto* why = std::get_if<QString>(&read))
            return refuse(QStringLiteral("tessellview: ") + *why);
        const QString media = mediaFolderFor(options.media, options.publish);
        QElapsedTimer took;
        took.start();
        const QString failure = publishSchedule(
            std::get<ScheduleFile>(read), media, options.to, options.publish,
            [](const QString& line) { writeLogLine(line); }, rememberedShape);
        if (!failure.isEmpty())
            return refuse(QStringLiteral("tessellview: ") + failure);
        say(QStringLiteral("published %1 to %2 in %3 ms")
                .arg(QDir::toNativeSeparators(options.publish),
                     QDir::toNativeSeparators(options.to))
                .arg(took.elapsed()));
        return 0;
    }
    const LayoutFileBytes read = readLayoutFileBytes(options.publish);
    if (!read.refusal.isEmpty())
        return refuse(read.refusal);
    const QString media = mediaFolderFor(options.media, options.publish);
    QElapsedTimer took;
    took.start();
    // What publishing tells on the way has its names escaped already.
    // The layout is for the screen the editor last saved it for.
    const QString failure = publishShow(
        read.bytes, media, options.to, options.publish,
        [](const QString& line) { writeLogLine(line); }, rememberedShape(options.publish));
    if (!failure.isEmpty())
        return refuse(QStringLiteral("tessellview: ") + failure);
    say(QStringLiteral("published %1 to %2 in %3 ms")
            .arg(QDir::toNativeSeparators(options.publish), QDir::toNativeSeparators(options.to))
            .arg(took.elapsed()));
    return 0;
}

int playLayout(const CommandLine& options, MessageTally& messages)
{
    const PlayedLayout played = layoutToPlay(options.play);
    DisplaySettings settings;
    settings.layoutPath = played.path;
    settings.layoutLinks = played.links;
    settings.mediaFolder = playedMediaFolder(options);
    settings.log = options.log;
    settings.rotate = options.rotate;
    settings.screen = options.screen;
    settings.window = options.window;
    settings.hashCache = hashCachePath(played.path);
    settings.reportFolder = options.report.isEmpty() ? defaultReportFolder() : options.report;
    settings.name = options.name.isEmpty() ? QSysInfo::machineHostName() : options.name;
    settings.metricsFile = options.metrics;
    settings.decoding = {options.volume, options.hardwareDecoding, &messages};
    return runDisplay(settings);
}

int sumPlaysCommand(const CommandLine& options)
{
    QString why;
    QStringList unread;
    const std::optional<QString> csv =
        sumPlays(options.plays, dayOfText(options.from), dayOfText(options.to), &why, &unread);
    if (!csv)
        return refuse(QStringLiteral("tessellview: ") + why);
    // What could not be read is told, and the sums of the rest are still
    // worth having.
    for (const QString& file : unread)
        say(QStringLiteral("tessellview: left out ") + file);
    print(csv->toUtf8());
    return 0;
}

int listScreens()
{
    for (const QString& line : ScreenChoice::describeScreens())
        std::printf("%s\n", line.toLocal8Bit().constData());
    return 0;
}

} // namespace tv
