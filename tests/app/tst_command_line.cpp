#include "layout/layout_writer.h"
#include "report/display_status.h"
#include "show/show_folder.h"
#include "support/file_helpers.h"
#include "support/one_window_layout.h"

#include <algorithm>

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>

#include <linux/capability.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// The program as a display machine starts it.
class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
    void inspectPrintsTheLayout();
    void aDisplayGoesOnPastAFifoAndEndsAtOnce();
    void aDisplayFollowsItsLayout();
    void aDisplayTakesItsSettings();
    void signalsAtTheStart_data();
    void signalsAtTheStart();
    void aFolderThatCannotBeWatchedIsToldOnce();
    void publishesTakeTurns_data();
    void publishesTakeTurns();
    void othersFilesOutlivePublishes_data();
    void othersFilesOutlivePublishes();
    void statusTellsTheDesk_data();
    void statusTellsTheDesk();
};

namespace {

// The program started by a test (on the platform the test has), and what it
// said, on its standard error and in its log file.
struct Run {
    QProcess program;
    QString logFile;
    QByteArray out, said;
    Run(const QStringList& arguments, const QString& log = {},
        const std::function<void()>& beforeExec = {})
        : logFile(log)
    {
        if (beforeExec)
            program.setChildProcessModifier(beforeExec);
        program.start(QStringLiteral(TESSELLVIEW_EXECUTABLE), arguments);
    }
    // Main has begun once SIGUSR1 is ignored, as its first lines have it (or
    // caught, once a log file is taken).
    bool begun()
    {
        const QByteArray status =
            tv::test::contentOf(QStringLiteral("/proc/%1/status").arg(program.processId()));
        quint64 ignoredOrCaught = 0;
        for (const char* field : {"SigIgn:", "SigCgt:"})
            if (const qsizetype at = status.indexOf(field); at >= 0)
                ignoredOrCaught |= status.mid(at + 7, 18).trimmed().toULongLong(nullptr, 16);
        return (ignoredOrCaught >> (SIGUSR1 - 1)) & 1;
    }
    // How many threads it runs now.
    int threads()
    {
        const QByteArray status =
            tv::test::contentOf(QStringLiteral("/proc/%1/status").arg(program.processId()));
        const qsizetype at = status.indexOf("Threads:");
        return at < 0 ? 0 : status.mid(at + 8, status.indexOf('\n', at) - at - 8).trimmed().toInt();
    }
    bool waitToSay(const QByteArray& what, int times = 1)
    {
        const QDeadlineTimer deadline(30000);
        do {
            program.waitForReadyRead(50);
            out += program.readAllStandardError();
            said = logFile.isEmpty() ? out : out + tv::test::contentOf(logFile);
        } while (said.count(what) < times && program.state() == QProcess::Running &&
                 !deadline.hasExpired());
        return said.count(what) >= times;
    }
};

QByteArray showNaming(const QString& name)
{
    tv::LayoutDescription layout;
    layout.pictures << tv::LayoutWindow{{0, 0, 7200, 4050}, {name}, {}, 2};
    layout.switchTimes = {5};
    return std::get<QByteArray>(tv::encodeLayout(layout));
}

// The program publishing `layout` to `target`, started; `limit` caps the
// size of a file it writes, killing it with SIGXFSZ on a write beyond.
std::unique_ptr<QProcess> startPublish(const QString& layout, const QString& target,
                                       rlim_t limit = RLIM_INFINITY)
{
    auto program = std::make_unique<QProcess>();
    program->setChildProcessModifier([limit] {
        const rlimit size{limit, limit};
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_FSIZE, &size);
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::signal(SIGXFSZ, SIG_DFL);
    });
    program->setReadChannel(QProcess::StandardError);
    program->start(QStringLiteral(TESSELLVIEW_EXECUTABLE), {"--publish", layout, "--to", target});
    return program;
}

// Runs `program` to its end, serving this thread's events meanwhile; what it
// said on its standard error.
QByteArray finish(QProcess& program)
{
    QEventLoop loop;
    QObject::connect(&program, &QProcess::finished, &loop, &QEventLoop::quit);
    if (program.state() != QProcess::NotRunning)
        loop.exec();
    return program.readAllStandardError();
}

} // namespace

void CommandLineTest::answers_data()
{
    QTest::addColumn<QStringList>("arguments"); // %1 stands for a scratch folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");     // on stdout for status 0, else on stderr
    QTest::addColumn<QString>("settings"); // the display's settings file, when not empty
    QTest::newRow("a file too short")
        << QStringList{"--play", "%1/short.TXT"} << 1 << "short.TXT was not opened." << QString();
    QTest::newRow("no such file") << QStringList{"--play", "%1/none.TXT"} << 1
                                  << "could not be opened: No such file or directory" << QString();
    // A folder is a show folder: its layout is show.TXT.
    QTest::newRow("a folder without a show")
        << QStringList{"--play", "%1"} << 1 << "show.TXT could not be opened" << QString();
    QTest::newRow("a show whose show.TXT is a link")
        << QStringList{"--play", "%1/linked"} << 1
        << "linked/show.TXT could not be opened: a link, not a file" << QString();
    QTest::newRow("a show to a link leading nowhere")
        << QStringList{"--publish", "%1/empty.TXT", "--to", "%1/nowhere"} << 1
        << "tessellview: %1/nowhere is a link to %1/away/deeper, which leads nowhere" << QString();
    QTest::newRow("version") << QStringList{"--version"} << 0 << "Tessellview 0.1" << QString();
    QTest::newRow("help") << QStringList{"--help"} << 0 << "--play <LAYOUT>" << QString();
    QTest::newRow("inspect a file too short") << QStringList{"--inspect", "%1/short.TXT"} << 1
                                              << "short.TXT was not opened." << QString();
    QTest::newRow("a media folder that does not exist")
        << QStringList{"--play", "%1/empty.TXT", "--media", "%1/none"} << 1
        << "the media folder " + QDir::toNativeSeparators("%1/none") + " does not exist"
        << QString();
    // Arguments that do not go together: status 2, before any display.
    const struct {
        const char* name;
        QStringList arguments;
        const char* says;
    } misuses[] = {
        {"--inspect= without a file", {"--inspect="}, "--inspect needs a FILE"},
        {"--inspect with an empty file", {"--inspect", ""}, "--inspect needs a FILE"},
        {"--play taking an option for its file",
         {"--play", "--window"},
         "--play needs a LAYOUT, not the option --window"},
        {"--media without --play", {"--media", "%1"}, "--media only goes with --play or --publish"},
        {"--window without --play", {"--window"}, "--window only goes with --play"},
        {"--publish without --to", {"--publish", "%1/a.TXT"}, "--publish and --to go together"},
        {"two files",
         {"%1/a.TXT", "%1/b.TXT"},
         "one layout file at a time; %1/b.TXT is one too many"},
        {"a file beside --inspect",
         {"--inspect", "%1/short.TXT", "x"},
         "one layout file at a time; x is one too many"},
        {"an unknown option", {"--bogus"}, "Unknown option 'bogus'"},
        {"a volume too loud", {"--volume", "101"}, "--volume needs a LEVEL from 0 to 100, not 101"},
        {"a volume in words",
         {"--volume", "loud"},
         "--volume needs a LEVEL from 0 to 100, not loud"},
        {"a volume for text",
         {"--inspect", "%1/short.TXT", "--volume", "50"},
         "--volume does not go with --publish or --inspect"},
        {"a hardware mode unknown",
         {"--hwdec", "vdpau"},
         "--hwdec needs a MODE, auto or no, not vdpau"},
        {"a turn that is none",
         {"--play", "%1/empty.TXT", "--rotate", "45"},
         "--rotate needs DEGREES, 0, 90, 180 or 270, not 45"},
        {"a turn without a show",
         {"--rotate", "90"},
         "--rotate, --screen, --log, --report, --name and --metrics only go with --play"},
        {"a log without a show",
         {"--log", "%1/log"},
         "--rotate, --screen, --log, --report, --name and --metrics only go with --play"},
        {"a report folder without a show",
         {"--report", "%1/report"},
         "--rotate, --screen, --log, --report, --name and --metrics only go with --play"},
        {"a screen without its name",
         {"--play", "%1/empty.TXT", "--screen", ""},
         "--screen needs a NAME"},
        {"screens listed with more", {"--list-screens", "%1/a.TXT"}, "--list-screens goes alone"},
        {"JSON without --status", {"--json"}, "--json and --sync-lag only go with --status"},
        {"a sync lag in words",
         {"--status", "%1", "--sync-lag", "long"},
         "--sync-lag needs SECONDS, from 0 to a year, not long"},
        {"--status with --play",
         {"--status", "%1", "--play", "%1/empty.TXT"},
         "--play, --publish, --inspect, --explain, --status and --plays do not go together"},
        {"--status at no time", {"--status", "%1", "--at", "noon"}, "--at needs a TIME"},
        {"plays without days", {"--plays", "%1"}, "--plays needs --from and --to"},
        {"a day that is none",
         {"--plays", "%1", "--from", "2026-02-30", "--to", "2026-03-01"},
         "--from needs a day, YYYY-MM-DD, not 2026-02-30"},
        {"days backwards",
         {"--plays", "%1", "--from", "2026-12-08", "--to", "2026-12-01"},
         "--from 2026-12-08 comes after --to 2026-12-01"},
        {"a first day without plays", {"--from", "2026-12-01"}, "--from only goes with --plays"},
        {"plays with a publish",
         {"--plays", "%1", "--from", "2026-12-01", "--to", "2026-12-08", "--publish", "%1/a.TXT"},
         "--play, --publish, --inspect, --explain, --status and --plays do not go together"},
    };
    for (const auto& misuse : misuses)
        QTest::newRow(misuse.name)
            << misuse.arguments << 2 << QStringLiteral("tessellview: ") + misuse.says << QString();
    const QStringList days{"--from", "2026-12-01", "--to", "2026-12-08"};
    QTest::newRow("plays summed") << QStringList{"--plays", "%1/report"} + days << 0
                                  << "display,date,item,plays,seconds\n"
                                  << QString();
    QTest::newRow("plays of no folder") << QStringList{"--plays", "%1/none"} + days << 1
                                        << "No such file or directory" << QString();
    QTest::newRow("a media folder that is a file")
        << QStringList{"--play", "%1/empty.TXT", "--media", "%1/short.TXT"} << 1
        << "is not a folder" << QString();
    // A display's settings file, read only for --play; the command line wins.
    const QStringList play{"--play", "%1/empty.TXT"};
    QTest::newRow("a setting a display does not have")
        << play << 2 << "display.conf line 2: colour is not a setting"
        << "# kiosk\ncolour = red";
    QTest::newRow("a line that is no setting")
        << play << 2 << "display.conf line 1: rotate90 is not a setting"
        << "rotate90";
    QTest::newRow("a turn in the settings that is none")
        << play << 2 << "display.conf: --rotate needs DEGREES, 0, 90, 180 or 270, not 45"
        << "rotate = 45";
    QTest::newRow("the command line over the settings")
        << play + QStringList{"--volume", "300"} << 2
        << "--volume needs a LEVEL from 0 to 100, not 300"
        << "volume = 50";
    // Installed as a link by a dotfile manager, the settings are read.
    QTest::newRow("settings through a link")
        << play << 2 << "display.conf: --rotate needs DEGREES, 0, 90, 180 or 270, not 45"
        << "link:rotate = 45";
    QTest::newRow("settings too large to be settings")
        << play << 2 << "display.conf: larger than 64 KB"
        << "#" + QString(70000, 'x');
    QTest::newRow("settings are for the display only")
        << QStringList{"--inspect", "%1/short.TXT"} << 1 << "short.TXT was not opened."
        << "colour = red";
}

void CommandLineTest::answers()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, says);
    QFETCH(QString, settings);
    QTemporaryDir scratch;
    QVERIFY(tv::test::put(scratch.filePath("short.TXT"), QByteArray(40, '\0')));
    if (!settings.isEmpty()) {
        QVERIFY(QDir(scratch.path()).mkpath("config/tessellview"));
        const QString config = scratch.filePath("config/tessellview/display.conf");
        if (settings.startsWith("link:")) {
            QVERIFY(tv::test::put(scratch.filePath("dotfiles.conf"), settings.mid(5).toUtf8()));
            QVERIFY(QFile::link(scratch.filePath("dotfiles.conf"), config));
        } else {
            QVERIFY(tv::test::put(config, settings.toUtf8()));
        }
    }
    QVERIFY(tv::test::put(scratch.filePath("empty.TXT"), QByteArray(81, '\0')));
    QVERIFY(QDir(scratch.path()).mkdir("linked"));
    QVERIFY(QFile::link(scratch.filePath("empty.TXT"), scratch.filePath("linked/show.TXT")));
    QVERIFY(QFile::link(scratch.filePath("away/deeper"), scratch.filePath("nowhere")));
    QVERIFY(QDir(scratch.path()).mkpath("report/plays"));
    for (QString& argument : arguments)
        argument.replace("%1", scratch.path());
    says.replace("%1", scratch.path());
    QProcess program;
    // Refusals and answers in text need no display.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    environment.insert("XDG_CONFIG_HOME", scratch.filePath("config"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TESSELLVIEW_EXECUTABLE), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString output = QString::fromLocal8Bit(status == 0 ? program.readAllStandardOutput()
                                                              : program.readAllStandardError());
    QVERIFY2(output.contains(says), qPrintable(output));
    QVERIFY(!QFileInfo::exists(scratch.filePath("away")));
}

// Without a display: the JSON of a layout with a video window and a picture.
void CommandLineTest::inspectPrintsTheLayout()
{
    QTemporaryDir scratch;
    tv::LayoutDescription layout;
    layout.video = tv::LayoutWindow{{3600, 2025, 3600, 2025}, {"a.avi", "b.jpg"}, {}, 1};
    layout.pictures << tv::LayoutWindow{{720, 0, 720, 810}, {"c.jpg"}, {}, 2};
    layout.switchTimes = {12};
    QVERIFY(
        tv::test::put(scratch.filePath("in.TXT"), std::get<QByteArray>(tv::encodeLayout(layout))));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TESSELLVIEW_EXECUTABLE),
                  {"--inspect", scratch.filePath("in.TXT")});
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), 0);
    const QByteArray output = program.readAllStandardOutput();
    const QJsonObject json = QJsonDocument::fromJson(output).object();
    auto rect = [](int x, int y, int width, int height) {
        return QJsonObject{{"x", x}, {"y", y}, {"width", width}, {"height", height}};
    };
    const QJsonObject video = json["video"].toObject();
    QCOMPARE(video["percent"].toObject(), rect(50, 50, 50, 50));
    QCOMPARE(video["pixels"].toObject(), rect(960, 540, 960, 540));
    QCOMPARE(video["playlist"].toArray(), (QJsonArray{"a.avi", "b.jpg"}));
    const QJsonObject picture = json["pictures"].toArray().first().toObject();
    QCOMPARE(picture["slot"].toInt(), 1);
    QCOMPARE(picture["percent"].toObject(), rect(10, 0, 10, 20));
    QCOMPARE(picture["pixels"].toObject(), rect(192, 0, 192, 216));
    QCOMPARE(picture["switchTime"].toInt(), 12);
    QCOMPARE(json["nameCount"].toInt(), 3);
    QCOMPARE(json["shape"].toString(), "landscape");
    // Keys come in the file's order, so a reader by eye meets them as stored.
    QStringList order;
    for (const char* key : {"\"shape\"", "\"video\"", "\"percent\"", "\"pixels\"", "\"playlist\"",
                            "\"pictures\"", "\"slot\"", "\"switchTime\"", "\"nameCount\""})
        order << QString::number(output.indexOf(key)).rightJustified(6, '0');
    QVERIFY2(std::is_sorted(order.begin(), order.end()), output.constData());

    // Published for a portrait screen: the same bytes, on 1080 x 1920 pixels.
    for (const char* name : {"a.avi", "b.jpg", "c.jpg"})
        QVERIFY(tv::test::put(scratch.filePath(name), name));
    QCOMPARE(tv::publishShow(tv::test::contentOf(scratch.filePath("in.TXT")), scratch.path(),
                             scratch.filePath("show"), {}, {}, tv::ScreenShape::Portrait),
             QString());
    program.start(QStringLiteral(TESSELLVIEW_EXECUTABLE),
                  {"--inspect", scratch.filePath("show/show.TXT")});
    QVERIFY(program.waitForFinished(20000));
    const QJsonObject portrait = QJsonDocument::fromJson(program.readAllStandardOutput()).object();
    QCOMPARE(portrait["shape"].toString(), "portrait");
    QCOMPARE(portrait["video"].toObject()["pixels"].toObject(), rect(540, 960, 540, 960));
}

// The display player itself, in a window on an offscreen screen: a picture
// that turns into a FIFO after the start gets its placeholder, the show goes
// on, and the process ends within a second of being told to.
void CommandLineTest::aDisplayGoesOnPastAFifoAndEndsAtOnce()
{
    QTemporaryDir scratch;
    for (const char* name : {"b.png", "c.png"})
        QVERIFY(tv::test::put(scratch.filePath(name), "no picture"));
    tv::LayoutDescription layout;
    layout.pictures << tv::LayoutWindow{{3600, 0, 3600, 2025}, {"b.png", "c.png"}, {}, 2};
    layout.switchTimes = {1};
    QVERIFY(tv::test::put(scratch.filePath("show.TXT"),
                          std::get<QByteArray>(tv::encodeLayout(layout))));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TESSELLVIEW_EXECUTABLE),
                  {"--play", scratch.filePath("show.TXT"), "--window"});
    QByteArray said;
    auto waitToSay = [&](const QByteArray& what) {
        QElapsedTimer waited;
        waited.start();
        while (!said.contains(what) && waited.elapsed() < 30000) {
            program.waitForReadyRead(100);
            said += program.readAllStandardError();
        }
        return said.contains(what);
    };
    QVERIFY2(waitToSay("showing "), said.constData());
    QVERIFY(QFile::remove(scratch.filePath("c.png")));
    QCOMPARE(::mkfifo(QFile::encodeName(scratch.filePath("c.png")).constData(), 0600), 0);
    QVERIFY2(waitToSay("c.png: not a regular file"), said.constData());
    // Still switching: b.png's problem comes round again, told once.
    QTest::qWait(1500);
    said += program.readAllStandardError();
    QCOMPARE(said.count("b.png: "), 1);
    QCOMPARE(program.state(), QProcess::Running);
    // Ended by its own answer, not by the alarm that ends a display whose
    // screen thread hangs (status 142).
    program.terminate();
    QVERIFY(program.waitForFinished(30000));
    QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
}

// The display as an operator sees it in the log: a refused layout is told once
// and changes nothing; a good one is reloaded; SIGHUP reads it again at once.
void CommandLineTest::aDisplayFollowsItsLayout()
{
    QTemporaryDir show;
    const QString path = show.filePath("show.TXT");
    auto layoutNaming = [](const QStringList& names) {
        tv::LayoutDescription layout;
        layout.pictures << tv::LayoutWindow{{0, 0, 7200, 4050}, names, {}, 2};
        layout.switchTimes = {5};
        return std::get<QByteArray>(tv::encodeLayout(layout));
    };
    auto replace = [&](const QByteArray& bytes) {
        return tv::test::put(path + ".tmp", bytes) &&
               ::rename(QFile::encodeName(path + ".tmp"), QFile::encodeName(path)) == 0;
    };
    QVERIFY(replace(layoutNaming({"a.png"})));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TESSELLVIEW_EXECUTABLE), {"--play", show.path(), "--window"});
    QByteArray said;
    auto waitToSay = [&](const QByteArray& what, int times = 1) {
        QElapsedTimer waited;
        waited.start();
        while (said.count(what) < times && waited.elapsed() < 30000) {
            program.waitForReadyRead(100);
            said += program.readAllStandardError();
        }
        return said.count(what) >= times;
    };
    QVERIFY2(waitToSay("showing "), said.constData());
    // logrotate's signal to every player is harmless to one that logs to
    // its standard error.
    ::kill(pid_t(program.processId()), SIGUSR1);
    QVERIFY(replace(QByteArray(40, '\0')));
    QVERIFY2(waitToSay("not reloaded: "), said.constData());
    QVERIFY(replace(layoutNaming({"b.png", "a.png"})));
    QVERIFY2(waitToSay("reloaded " + path.toLocal8Bit() + ": 0 of 1 windows went on"),
             said.constData());
    QCOMPARE(said.count("not reloaded"), 1);
    ::kill(pid_t(program.processId()), SIGHUP);
    QVERIFY2(waitToSay(": 1 of 1 windows went on"), said.constData());
    // A burst of hang-ups is read as a few: the display neither freezes nor
    // reloads once for each, and goes on following its layout.
    for (int i = 0; i < 5000; ++i)
        ::kill(pid_t(program.processId()), SIGHUP);
    QVERIFY(replace(layoutNaming({"c.png"})));
    QVERIFY2(waitToSay(": 0 of 1 windows went on", 2), said.constData());
    QVERIFY2(said.count(": 1 of 1 windows went on") < 50, said.constData());
    program.terminate();
    QVERIFY(program.waitForFinished(1000));
}

QTEST_GUILESS_MAIN(CommandLineTest)
// A display set up by its settings file alone, on the second of two screens,
// logging to a file: every line stamped, the last one saying why it stopped.
void CommandLineTest::aDisplayTakesItsSettings()
{
    QTemporaryDir scratch;
    QVERIFY(tv::test::put(scratch.filePath("show.TXT"), QByteArray(81, '\0')));
    QVERIFY(QDir(scratch.path()).mkpath("config/tessellview"));
    const QString logFile = scratch.filePath("display.log");
    QVERIFY(tv::test::put(scratch.filePath("config/tessellview/display.conf"),
                          "# the panel by the door\nrotate = 270\nscreen = RIGHT-2\nlog = " +
                              logFile.toUtf8() + "\n"));
    QVERIFY(tv::test::put(
        scratch.filePath("screens.json"),
        R"({"screens": [{"name": "LEFT-1", "x": 0, "y": 0, "width": 800, "height": 600,
                         "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
                        {"name": "RIGHT-2", "x": 800, "y": 0, "width": 540, "height": 960,
                         "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 2}]})"));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM",
                       "offscreen:configfile=" + scratch.filePath("screens.json"));
    environment.insert("XDG_CONFIG_HOME", scratch.filePath("config"));
    environment.remove("JOURNAL_STREAM");
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TESSELLVIEW_EXECUTABLE), {"--play", scratch.filePath("show.TXT")});
    QFile log(logFile);
    QElapsedTimer waited;
    waited.start();
    QByteArray said;
    while (!said.contains("showing ") && waited.elapsed() < 30000) {
        QTest::qWait(50);
        if (log.open(QIODevice::ReadOnly)) {
            said = log.readAll();
            log.close();
        }
    }
    // In the screen's own pixels: twice its size in Qt's.
    QVERIFY2(said.contains("on screen RIGHT-2 1080x1920, turned 270 degrees"), said.constData());
    program.terminate();
    QVERIFY(program.waitForFinished(1000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().trimmed().split('\n');
    const QRegularExpression stamped(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d([+-]\d\d:\d\d|Z) \S)");
    for (const QByteArray& line : lines)
        QVERIFY2(stamped.match(QString::fromLocal8Bit(line)).hasMatch(), line.constData());
    QVERIFY2(lines.last().endsWith(" stopped: SIGTERM"), lines.last().constData());
    // From the moment the log file is open, every line goes there.
    const QByteArray onStderr = program.readAllStandardError();
    QVERIFY2(!onStderr.contains("started ") && !onStderr.contains("stopped"), onStderr.constData());
}

void CommandLineTest::signalsAtTheStart_data()
{
    QTest::addColumn<QStringList>("arguments"); // %1 stands for a scratch folder
    QTest::addColumn<int>("signal");
    // When it is sent: as main begins, once the window system's threads are
    // up (before the show's handlers are), or once the show has started.
    QTest::addColumn<QString>("moment");
    QTest::addColumn<QString>("outcome"); // stops cleanly, goes on, or dies
    const QStringList play{"--play", "%1/show.TXT", "--window"};
    const QStringList logged = play + QStringList{"--log", "%1/display.log"};
    for (const QString moment : {"main", "threads", "started"}) {
        const QByteArray at = " at " + moment.toLatin1();
        QTest::newRow("SIGTERM" + at) << play << SIGTERM << moment << "stops";
        QTest::newRow("SIGHUP" + at) << play << SIGHUP << moment << "goes on";
        QTest::newRow("SIGUSR1" + at) << play << SIGUSR1 << moment << "goes on";
        QTest::newRow("SIGUSR1 to a log file" + at) << logged << SIGUSR1 << moment << "goes on";
    }
    QTest::newRow("SIGINT at main") << play << SIGINT << "main"
                                    << "stops";
    QTest::newRow("SIGTERM to a log file at threads") << logged << SIGTERM << "threads"
                                                      << "stops";
    // What is not a display ends as any program does.
    QTest::newRow("the editor, SIGTERM at main") << QStringList() << SIGTERM << "main"
                                                 << "dies";
    QTest::newRow("the editor, SIGHUP at main") << QStringList() << SIGHUP << "main"
                                                << "dies";
}

// A display signalled as it starts, as a service manager may do, never dies
// of it.
void CommandLineTest::signalsAtTheStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, signal);
    QFETCH(QString, moment);
    QFETCH(QString, outcome);
    QTemporaryDir scratch;
    QVERIFY(tv::test::put(scratch.filePath("show.TXT"), showNaming("a.png")));
    arguments.replaceInStrings("%1", scratch.path());
    Run run(arguments, arguments.contains("--log") ? arguments.last() : QString());
    for (const QDeadlineTimer deadline(30000); !run.begun();)
        QVERIFY(!deadline.hasExpired());
    if (moment == "threads")
        for (const QDeadlineTimer deadline(30000); run.threads() < 2;)
            QVERIFY(!deadline.hasExpired());
    if (moment == "started")
        QVERIFY2(run.waitToSay("started "), run.said.constData());
    QCOMPARE(::kill(pid_t(run.program.processId()), signal), 0);
    if (outcome == "dies") {
        QVERIFY(run.program.waitForFinished(30000));
        QCOMPARE(run.program.exitStatus(), QProcess::CrashExit);
        return;
    }
    if (outcome == "goes on") {
        QVERIFY2(run.waitToSay("showing "), run.said.constData());
        QCOMPARE(run.program.state(), QProcess::Running);
        run.program.terminate();
    }
    const char* stop = sigabbrev_np(outcome == "stops" ? signal : SIGTERM);
    QVERIFY2(run.waitToSay(QByteArray("stopped: SIG") + stop), run.said.constData());
    QVERIFY(run.program.state() == QProcess::NotRunning || run.program.waitForFinished(30000));
    QVERIFY(run.program.exitStatus() == QProcess::NormalExit && run.program.exitCode() == 0);
}

// A media folder the display may not read cannot be watched: that is told
// once, not again at every look at the folders.
void CommandLineTest::aFolderThatCannotBeWatchedIsToldOnce()
{
    QTemporaryDir scratch;
    const QString show = scratch.filePath("show.TXT"), media = scratch.filePath("media");
    QVERIFY(tv::test::put(show, showNaming("a.png")) && QDir().mkdir(media));
    QVERIFY(QFile::setPermissions(media, {}));
    // Root may read any folder: its display runs without that power.
    if (::geteuid() == 0 && ::prctl(PR_CAPBSET_READ, CAP_SETPCAP) != 1)
        QSKIP("root here cannot give up reading every folder");
    Run run({"--play", show, "--media", media, "--window"}, {}, [] {
        ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE);
        ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH);
    });
    QVERIFY2(run.waitToSay("showing ") && run.waitToSay("inotify_add_watch"), run.said.constData());
    // Each change of the layout has the folders looked at and watched again.
    for (const int change : {1, 2}) {
        QVERIFY(tv::test::put(show + ".tmp", showNaming(QString("%1.png").arg(change))));
        QCOMPARE(::rename(QFile::encodeName(show + ".tmp"), QFile::encodeName(show)), 0);
        QVERIFY2(run.waitToSay("reloaded ", change), run.said.constData());
    }
    QVERIFY2(run.said.count("inotify_add_watch") == 1, run.said.constData());
    run.program.terminate();
    QVERIFY(run.program.waitForFinished(30000));
}

// Two publishes to one target at once, round after round: both succeed, one
// after the other, saying so when it waits, and the target is one whole show
// with nothing beside it but a lock file the publishes did not make.
void CommandLineTest::publishesTakeTurns_data()
{
    QTest::addColumn<bool>("overAShow"); // the target holds a show before each round
    QTest::addColumn<bool>("held");      // the target's lock is held until both wait
    QTest::newRow("to a missing folder") << false << false;
    QTest::newRow("over a show") << true << false;
    QTest::newRow("while the lock is held") << false << true;
}

void CommandLineTest::publishesTakeTurns()
{
    QFETCH(bool, overAShow);
    QFETCH(bool, held);
    QTemporaryDir scratch;
    const QDir at(scratch.path());
    for (const QString name : {"a", "b"}) {
        QVERIFY(tv::test::put(at.filePath(name + ".png"), QByteArray(1 << 20, 'x')));
        QVERIFY(tv::test::put(at.filePath(name + ".TXT"), tv::test::layoutNaming({name + ".png"})));
    }
    const QString target = at.filePath("show");
    QFile lock(at.filePath(".show.lock"));
    for (int round = 0; round < 10; ++round) {
        QVERIFY(overAShow
                    ? finish(*startPublish(at.filePath("a.TXT"), target)).contains("published")
                    : QDir(target).removeRecursively());
        QVERIFY(!held || (lock.open(QIODevice::WriteOnly) && ::flock(lock.handle(), LOCK_EX) == 0));
        const auto first = startPublish(at.filePath("a.TXT"), target);
        const auto second = startPublish(at.filePath("b.TXT"), target);
        for (QProcess* program : {first.get(), second.get()})
            QVERIFY(!held || (program->waitForReadyRead(20000) &&
                              program->peek(300).contains("waiting for another publish to " +
                                                          target.toUtf8())));
        QVERIFY(!held || !QFileInfo::exists(target));
        lock.close();
        for (QProcess* program : {first.get(), second.get()})
            QVERIFY2(finish(*program).contains("published"), program->readAll().constData());
        const QString played = QDir(target).entryList(QDir::Files).join(' ');
        QVERIFY2(played == "a.png show.json show.TXT" || played == "b.png show.json show.TXT",
                 qPrintable(played));
        QCOMPARE(at.entryList(QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot).size(),
                 5 + int(held));
    }
}

// A file of someone else's in a publish's scratch, come there by a write into
// the show while it was built (a new name, or one of the show's put anew), or
// into the scratch of a publish that was killed: no publish removes it, and
// each says the scratch is left; every file a publish wrote there goes.
void CommandLineTest::othersFilesOutlivePublishes_data()
{
    QTest::addColumn<QString>("name"); // written into the show; empty: into a killed one's scratch
    QTest::newRow("a new name") << "mine.txt";
    QTest::newRow("a file of the show's, put anew") << "a.png";
    QTest::newRow("in a killed publish's scratch") << QString();
}

void CommandLineTest::othersFilesOutlivePublishes()
{
    QFETCH(QString, name);
    QTemporaryDir scratch;
    const QDir at(scratch.path());
    QVERIFY(tv::test::put(at.filePath("a.png"), "a"));
    // Long enough to copy that a write comes while it is copied.
    QVERIFY(tv::test::put(at.filePath("big.png"), QByteArray(32 << 20, 'b')));
    const QString layout = at.filePath("show.TXT");
    QVERIFY(tv::test::put(layout, tv::test::layoutNaming({"a.png", "big.png"})));
    const QString target = at.filePath("show");
    QVERIFY(finish(*startPublish(layout, target)).contains("published"));
    const auto scratches = [&] { return at.entryList({".show.new-*"}, QDir::Dirs | QDir::Hidden); };
    const QByteArray theirs = "someone's own file";
    const bool killed = name.isEmpty();
    if (killed) {
        const auto publish = startPublish(layout, target, 1 << 20);
        finish(*publish);
        QCOMPARE(publish->exitStatus(), QProcess::CrashExit);
        name = "theirs";
        QVERIFY(tv::test::put(at.filePath(scratches().value(0) + "/show/" + name), theirs));
    }
    // Written aside and renamed in, as a sync tool does, once the next show's
    // scratch is there; one that comes only after the swap is in the new show,
    // and the round is run again.
    QByteArray said;
    for (int round = 0; scratches().isEmpty(); ++round) {
        QVERIFY2(round < 5, "no write that came while a publish was under way was kept");
        QFileSystemWatcher watcher({scratch.path()});
        bool put = false;
        QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, [&] {
            put = put || (!scratches().isEmpty() && tv::test::put(at.filePath("aside"), theirs) &&
                          ::rename(QFile::encodeName(at.filePath("aside")).constData(),
                                   QFile::encodeName(target + '/' + name).constData()) == 0);
        });
        said = finish(*startPublish(layout, target));
        QVERIFY2(put, said.constData());
        QVERIFY(tv::test::contentOf(target + '/' + name) != theirs ||
                QFile::remove(target + '/' + name));
    }
    said += finish(*startPublish(layout, target));
    const QDir left(at.filePath(scratches().value(0)));
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QCOMPARE(left.entryList(all), QStringList{"show"});
    QCOMPARE(QDir(left.filePath("show")).entryList(all), QStringList{name});
    QCOMPARE(tv::test::contentOf(left.filePath("show/" + name)), theirs);
    QVERIFY2(said.count(" is left as it is: it holds show/" + name.toUtf8()) == (killed ? 1 : 2),
             said.constData());
}

// The desk's look at the displays' report folders, for a cron job: the lines,
// or JSON, and the exit status, at the instant --at gives.
void CommandLineTest::statusTellsTheDesk_data()
{
    QTest::addColumn<QStringList>("arguments"); // %1 stands for the desk's folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says"); // on stdout or stderr
    // The café's status was written at 11:00Z; it is fresh a minute later, stale an hour later.
    const QString fresh = "2026-12-08T11:01:00Z", late = "2026-12-08T12:00:00Z";
    const QStringList desk{"--status", "%1/desk", "--at"};
    QTest::newRow("all well") << desk + QStringList{fresh} << 0
                              << "cafe  OK  lunch.TXT since 11:00 (line 4)\n";
    QTest::newRow("one stale") << desk + QStringList{late} << 1 << "cafe  STALE 1 h  lunch.TXT";
    QTest::newRow("the sync tool's lag waited for")
        << desk + QStringList{late, "--sync-lag", "3600"} << 0 << "cafe  OK";
    QTest::newRow("as JSON") << desk + QStringList{late, "--json"} << 1
                             << "cafe:STALE:lunch.TXT:not ok";
    // A display's own report folder, given alone.
    QTest::newRow("one display") << QStringList{"--status", "%1/desk/cafe", "--at", fresh} << 0
                                 << "cafe  OK";
    QTest::newRow("a display that says nothing")
        << QStringList{"--status", "%1/quiet", "--at", fresh} << 1 << "door  NO STATUS\n";
    QTest::newRow("nothing reports")
        << QStringList{"--status", "%1/quiet/door"} << 1 << "no display reports in %1/quiet/door";
    QTest::newRow("no such folder")
        << QStringList{"--status", "%1/none"} << 2 << "the report folder %1/none cannot be read";
}

void CommandLineTest::statusTellsTheDesk()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, says);
    QTemporaryDir scratch;
    const QDir dir(scratch.path());
    tv::DisplayStatus cafe;
    cafe.display = "cafe";
    cafe.time = QDateTime::fromString("2026-12-08T12:00:00+01:00", Qt::ISODate);
    cafe.playing = {4, {}, "lunch.TXT", cafe.time.addSecs(-3600)};
    QVERIFY(dir.mkpath("desk/cafe") && dir.mkpath("quiet/door"));
    QVERIFY(tv::test::put(dir.filePath("desk/cafe/status.json"), tv::encodeStatus(cafe)));
    for (QString& argument : arguments)
        argument.replace("%1", scratch.path());
    says.replace("%1", scratch.path());
    Run run(arguments);
    QVERIFY(run.program.waitForFinished(20000));
    QCOMPARE(run.program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.program.exitCode(), status);
    const QByteArray out = run.program.readAllStandardOutput();
    QString output = QString::fromUtf8(out + run.program.readAllStandardError());
    if (arguments.contains("--json")) { // name:first state:what plays:ok, from the JSON
        const QJsonValue display = QJsonDocument::fromJson(out)[0];
        output = QStringList{display["name"].toString(), display["states"][0]["state"].toString(),
                             display["status"]["playing"]["layout"].toString(),
                             display["ok"].toBool() ? "ok" : "not ok"}
                     .join(':');
    }
    QVERIFY2(output.contains(says), qPrintable(output));
}

#include "tst_command_line.moc"
