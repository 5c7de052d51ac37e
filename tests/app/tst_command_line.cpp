#include "layoutfile/layout_writer.h"
#include "layoutfile/show_manifest.h"
#include "support/file_helpers.h"
#include "support/one_window_layout.h"

#include <algorithm>

#include <QDir>
#include <QDirIterator>
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
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>

#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>

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
    void simultaneousPublishesTakeTurns_data();
    void simultaneousPublishesTakeTurns();
    void aPublishWaitsForTheLock_data();
    void aPublishWaitsForTheLock();
    void aFileWrittenDuringAPublishIsKept_data();
    void aFileWrittenDuringAPublishIsKept();
    void aKilledPublishIsClearedByTheNext_data();
    void aKilledPublishIsClearedByTheNext();
};

namespace {

// The program publishing `layout` to `target`, started and left running;
// `limit` caps the size of any file it writes, killing it with SIGXFSZ on a
// write beyond.
std::unique_ptr<QProcess> startPublish(const QString& layout, const QString& target,
                                       rlim_t limit = RLIM_INFINITY)
{
    auto program = std::make_unique<QProcess>();
    if (limit != RLIM_INFINITY)
        program->setChildProcessModifier([limit] {
            const rlimit size{limit, limit};
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_FSIZE, &size);
            ::setrlimit(RLIMIT_CORE, &noCore);
            ::signal(SIGXFSZ, SIG_DFL);
        });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    program->setProcessEnvironment(environment);
    program->start(QStringLiteral(TESSELLVIEW_EXECUTABLE), {"--publish", layout, "--to", target});
    return program;
}

// Whether `folder` holds one whole show: every file its show.json lists, with
// its size and SHA-256, and nothing else. The names played are in `played`.
bool holdsAWholeShow(const QString& folder, QStringList* played)
{
    const auto manifest = tv::decodeManifest(
        tv::test::contentOf(QDir(folder).filePath(tv::kShowManifestName)), nullptr);
    if (!manifest)
        return false;
    QStringList listed{tv::kShowManifestName};
    for (const tv::ShowFile& file : manifest->files) {
        QString why;
        const QString path = QDir(folder).filePath(file.name);
        if (QFileInfo(path).size() != file.size || tv::sha256OfFile(path, &why) != file.sha256)
            return false;
        listed << file.name;
    }
    *played = listed.mid(2);
    QStringList there = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                               QDir::NoDotAndDotDot | QDir::System);
    there.sort();
    listed.sort();
    return there == listed;
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
        << "tessellview: %1/nowhere is a link to %1/away/deeper; a show is published to a "
           "folder itself"
        << QString();
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
         "--rotate, --screen and --log only go with --play"},
        {"a log without a show",
         {"--log", "%1/log"},
         "--rotate, --screen and --log only go with --play"},
        {"a screen without its name",
         {"--play", "%1/empty.TXT", "--screen", ""},
         "--screen needs a NAME"},
        {"screens listed with more", {"--list-screens", "%1/a.TXT"}, "--list-screens goes alone"},
    };
    for (const auto& misuse : misuses)
        QTest::newRow(misuse.name)
            << misuse.arguments << 2 << QStringLiteral("tessellview: ") + misuse.says << QString();
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
    // Keys come in the file's order, so a reader by eye meets them as stored.
    QStringList order;
    for (const char* key : {"\"video\"", "\"percent\"", "\"pixels\"", "\"playlist\"",
                            "\"pictures\"", "\"slot\"", "\"switchTime\"", "\"nameCount\""})
        order << QString::number(output.indexOf(key)).rightJustified(6, '0');
    QVERIFY2(std::is_sorted(order.begin(), order.end()), output.constData());
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
    QElapsedTimer ending;
    ending.start();
    program.terminate();
    QVERIFY(program.waitForFinished(1000));
    QVERIFY(ending.elapsed() < 1000);
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

// Two publishes to one target at once, round after round: both succeed, one
// after the other, and the target is one whole show with nothing left beside.
void CommandLineTest::simultaneousPublishesTakeTurns_data()
{
    QTest::addColumn<bool>("overAShow"); // the target holds a show before each round
    QTest::newRow("to a missing folder") << false;
    QTest::newRow("over a show") << true;
}

void CommandLineTest::simultaneousPublishesTakeTurns()
{
    QFETCH(bool, overAShow);
    QTemporaryDir scratch;
    const QDir at(scratch.path());
    QVERIFY(at.mkdir("media"));
    for (const char* name : {"a", "b"}) {
        const QString media = QStringLiteral("%1.png").arg(name);
        QVERIFY(tv::test::put(at.filePath("media/" + media), QByteArray(1 << 20, name[0])));
        QVERIFY(tv::test::put(at.filePath(QStringLiteral("media/%1.TXT").arg(name)),
                              tv::test::layoutNaming({media})));
    }
    const QString target = at.filePath("show");
    for (int round = 0; round < 10; ++round) {
        if (overAShow) {
            const auto before = startPublish(at.filePath("media/a.TXT"), target);
            QVERIFY(before->waitForFinished(20000));
            QCOMPARE(before->exitCode(), 0);
        } else {
            QVERIFY(QDir(target).removeRecursively());
        }
        const auto first = startPublish(at.filePath("media/a.TXT"), target);
        const auto second = startPublish(at.filePath("media/b.TXT"), target);
        for (QProcess* program : {first.get(), second.get()}) {
            QVERIFY(program->waitForFinished(20000));
            QVERIFY2(program->exitCode() == 0, program->readAllStandardError().constData());
        }
        QStringList played;
        QVERIFY2(holdsAWholeShow(target, &played), qPrintable(QString::number(round)));
        QVERIFY(played == QStringList{"a.png"} || played == QStringList{"b.png"});
        QCOMPARE(at.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{"media", "show"}));
    }
}

// A publish waits while the target's lock is held, writing nothing, and goes
// on once it is let go; a lock file it did not make is never removed.
void CommandLineTest::aPublishWaitsForTheLock_data()
{
    QTest::addColumn<bool>("held");
    QTest::newRow("held by a publish under way") << true;
    QTest::newRow("left by a publish that was killed") << false;
}

void CommandLineTest::aPublishWaitsForTheLock()
{
    QFETCH(bool, held);
    QTemporaryDir scratch;
    QVERIFY(tv::test::put(scratch.filePath("a.png"), "a"));
    QVERIFY(tv::test::put(scratch.filePath("a.TXT"), tv::test::layoutNaming({"a.png"})));
    const QString target = scratch.filePath("show");
    QFile lock(scratch.filePath(".show.lock"));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    if (held)
        QCOMPARE(::flock(lock.handle(), LOCK_EX), 0);
    const auto program = startPublish(scratch.filePath("a.TXT"), target);
    QByteArray said;
    if (held) {
        QElapsedTimer waited;
        waited.start();
        while (!said.contains("waiting for another publish to " + QFile::encodeName(target)) &&
               waited.elapsed() < 20000 && program->state() != QProcess::NotRunning) {
            program->waitForReadyRead(100);
            said += program->readAllStandardError();
        }
        QVERIFY2(said.contains("waiting for another publish"), said.constData());
        QVERIFY(!QFileInfo::exists(target));
        lock.close();
    }
    QVERIFY(program->waitForFinished(20000));
    said += program->readAllStandardError();
    QVERIFY2(program->exitCode() == 0, said.constData());
    QCOMPARE(said.count("waiting for another publish"), held ? 1 : 0);
    QStringList played;
    QVERIFY(holdsAWholeShow(target, &played));
    QVERIFY(QFileInfo(lock.fileName()).isFile());
}

namespace {

// The files under `root` holding exactly `bytes`, as paths below it.
QStringList filesHolding(const QString& root, const QByteArray& bytes)
{
    QStringList found;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        if (const QString path = it.next(); tv::test::contentOf(path) == bytes)
            found << path.mid(root.size() + 1);
    return found;
}

// Runs `program` to its end, serving this thread's events meanwhile.
bool finish(QProcess& program)
{
    QEventLoop loop;
    QObject::connect(&program, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    if (program.state() != QProcess::NotRunning)
        loop.exec();
    return program.state() == QProcess::NotRunning;
}

} // namespace

// Someone writes a file into the show while a publish builds the next one,
// a new name or one of the show's own put anew: it lands in the scratch the
// earlier show is swapped into, and neither that publish nor the next
// removes it; each says the scratch is left.
void CommandLineTest::aFileWrittenDuringAPublishIsKept_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("a new name") << "mine.txt";
    QTest::newRow("a file of the show's, put anew") << "a.png";
}

void CommandLineTest::aFileWrittenDuringAPublishIsKept()
{
    QFETCH(QString, name);
    QTemporaryDir scratch;
    const QDir at(scratch.path());
    QVERIFY(at.mkdir("media"));
    QVERIFY(tv::test::put(at.filePath("media/a.png"), "a"));
    // Long enough to copy that the write comes while it is copied.
    QVERIFY(tv::test::put(at.filePath("media/big.png"), QByteArray(32 << 20, 'b')));
    const QString layout = at.filePath("media/show.TXT");
    QVERIFY(tv::test::put(layout, tv::test::layoutNaming({"a.png", "big.png"})));
    const QString target = at.filePath("show");
    const auto before = startPublish(layout, target);
    QVERIFY(finish(*before) && before->exitCode() == 0);

    // Written aside and renamed in, as an editor or a sync tool does, as soon
    // as the next show's scratch appears. A write that comes only after the
    // swap is in the new show, and the round is run again.
    for (int round = 0;; ++round) {
        QVERIFY2(round < 5, "no write came while a publish was under way");
        const QByteArray theirs = "someone's own file, round " + QByteArray::number(round);
        QFileSystemWatcher watcher({scratch.path()});
        bool put = false;
        QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, [&] {
            if (put || at.entryList({".show.new-*"}, QDir::Dirs | QDir::Hidden).isEmpty())
                return;
            put = tv::test::put(at.filePath("media/aside"), theirs) &&
                  ::rename(QFile::encodeName(at.filePath("media/aside")).constData(),
                           QFile::encodeName(target + '/' + name).constData()) == 0;
        });
        const auto during = startPublish(layout, target);
        QVERIFY(finish(*during));
        const QByteArray said = during->readAllStandardError();
        QVERIFY2(put && during->exitCode() == 0, said.constData());
        if (filesHolding(target, theirs) == QStringList{name}) {
            QVERIFY(QFile::remove(target + '/' + name));
            continue;
        }
        const QStringList kept = filesHolding(scratch.path(), theirs);
        QCOMPARE(kept.size(), 1);
        QVERIFY2(QRegularExpression("^\\.show\\.new-\\w{6}/").match(kept.first()).hasMatch(),
                 qPrintable(kept.first()));
        QVERIFY2(said.contains(" is left as it is: it holds "), said.constData());

        const auto next = startPublish(layout, target);
        QVERIFY(finish(*next));
        const QByteArray nextSaid = next->readAllStandardError();
        QVERIFY2(next->exitCode() == 0, nextSaid.constData());
        QCOMPARE(filesHolding(scratch.path(), theirs), kept);
        QVERIFY2(nextSaid.contains(" is left as it is: it holds show/" + name.toUtf8()),
                 nextSaid.constData());
        break;
    }
}

// A publish killed while it copies leaves its scratch; the next removes what
// the killed one wrote there, and nothing else: a folder holding a file of
// someone else's stays, and it says so.
void CommandLineTest::aKilledPublishIsClearedByTheNext_data()
{
    QTest::addColumn<bool>("othersFile");
    QTest::newRow("nothing else in it") << false;
    QTest::newRow("someone's file in it") << true;
}

void CommandLineTest::aKilledPublishIsClearedByTheNext()
{
    QFETCH(bool, othersFile);
    QTemporaryDir scratch;
    const QDir at(scratch.path());
    QVERIFY(at.mkdir("media"));
    QVERIFY(tv::test::put(at.filePath("media/big.png"), QByteArray(1 << 20, 'b')));
    const QString layout = at.filePath("media/show.TXT");
    QVERIFY(tv::test::put(layout, tv::test::layoutNaming({"big.png"})));
    const QString target = at.filePath("show");
    const auto killed = startPublish(layout, target, 256 << 10);
    QVERIFY(finish(*killed));
    QCOMPARE(killed->exitStatus(), QProcess::CrashExit);
    const QStringList left = at.entryList({".show.new-*"}, QDir::Dirs | QDir::Hidden);
    QCOMPARE(left.size(), 1);
    QDir leftover(at.filePath(left.first()));
    if (othersFile) {
        const QStringList inside = leftover.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(inside.size(), 1);
        QVERIFY(tv::test::put(leftover.filePath(inside.first() + "/theirs.txt"), "theirs"));
    }

    const auto next = startPublish(layout, target);
    QVERIFY(finish(*next));
    const QByteArray said = next->readAllStandardError();
    QVERIFY2(next->exitCode() == 0, said.constData());
    QStringList played;
    QVERIFY(holdsAWholeShow(target, &played));
    QCOMPARE(filesHolding(scratch.path(), "theirs").size(), othersFile ? 1 : 0);
    QCOMPARE(at.entryList({".show.new-*"}, QDir::Dirs | QDir::Hidden),
             othersFile ? left : QStringList());
    QCOMPARE(said.contains(" is left as it is: it holds show/theirs.txt"), othersFile);
    if (othersFile)
        QCOMPARE(filesHolding(scratch.path(), QByteArray(256 << 10, 'b')), QStringList());
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_command_line.moc"
