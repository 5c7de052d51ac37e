#include "report/display_status.h"
#include "report/play_log.h"
#include "report/play_sums.h"
#include "support/file_helpers.h"
#include "support/os_faults.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

using namespace tv;
using Result = PlayRecord::Result;

// The proof of play of a display, written through the real file system and
// read back as the desk reads it.
class PlayLogTest : public QObject {
    Q_OBJECT
private slots:
    void hostileNamesComeBack_data();
    void hostileNamesComeBack();
    void aKilledWriterLosesAtMostItsLastLine();
    void theDayIsTheDisplays();
    void aFullDayCountsItsLines();
    void refusalsAreReasons_data();
    void refusalsAreReasons();
    void pruning_data();
    void pruning();
    void sumsOverDisplaysAndDays();
};

namespace {

const QTimeZone berlin("Europe/Berlin");

QDateTime at(const char* text)
{
    return QDateTime::fromString(QLatin1String(text), Qt::ISODateWithMs);
}

PlayRecord play(const QString& item, const QDateTime& start, qint64 ms,
                Result result = Result::Shown)
{
    return {start, start.addMSecs(ms), ms,     "show-1", 2, "a.TXT", 1,
            item,  "0123456789abcdef", result, {}};
}

QStringList fieldsOf(const PlayRecord& r)
{
    QStringList fields{r.start.toString(Qt::ISODateWithMs), r.end.toString(Qt::ISODateWithMs)};
    fields << QString::asprintf("%lld %d %d %d", r.durationMs, r.rule, r.window, int(r.result));
    return fields << r.showId << r.layout << r.item << r.sha256 << r.why;
}

} // namespace

void PlayLogTest::hostileNamesComeBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("tab, newline, CR") << QString("a\tb\nc\rd");
    QTest::newRow("backslashes") << QString("a\\b\\");
    QTest::newRow("escapes written out") << QString("\\t\\n\\x41\\u2028\\");
    QTest::newRow("NUL, C0, DEL, C1") << QString::fromUtf16(u"\0\x01\x1b[31m\x7f\x85\x9b", 9);
    QTest::newRow("line separators") << QString::fromUtf16(u"\u2028\u2029");
    QTest::newRow("lone surrogates") << QString(QChar(0xd800)) + "x" + QChar(0xdc00);
    QTest::newRow("a pair, and a name's %1") << QString::fromUtf16(u"\U0001F600 %1.jpg");
    QTest::newRow("long") << QString(255, QChar(0xe9));
}

void PlayLogTest::hostileNamesComeBack()
{
    QFETCH(QString, name);
    QTemporaryDir report;
    PlayRecord record = play(name, at("2026-12-08T09:00:00.250+01:00"), 1234, Result::CutShort);
    record.showId = record.layout = record.why = name;
    record.rule = -1;
    PlayLog log(report.path(), berlin);
    QCOMPARE(log.append(record), QString());
    const QString path = report.filePath("plays/2026-12-08.tsv");
    const QByteArray bytes = test::contentOf(path);
    QVERIFY(bytes.count('\n') == 2 && bytes.count('\t') == 20); // the header and the one line
    const QList<PlayRecord> read = readPlays(path);
    QCOMPARE(fieldsOf(read.value(0)), fieldsOf(record));
}

void PlayLogTest::aKilledWriterLosesAtMostItsLastLine()
{
    QTemporaryDir report;
    const QDateTime start = at("2026-12-08T08:00:00.000Z");
    int ready[2];
    QCOMPARE(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        PlayLog log(report.path(), berlin);
        for (int i = 0; i < 1000000; ++i)
            if (log.append(play(QString("item %1").arg(i), start.addMSecs(i), i)).isEmpty() &&
                i == 500)
                (void)!::write(ready[1], "x", 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    char byte = 0;
    QCOMPARE(::read(ready[0], &byte, 1), 1); // the child has written 500 lines
    QCOMPARE(::kill(child, SIGKILL), 0);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    const QString path = report.filePath("plays/2026-12-08.tsv");
    const qsizetype whole = test::contentOf(path).count('\n') - 1;
    QList<PlayRecord> read = readPlays(path);
    QVERIFY(whole > 500 && read.size() == whole);
    for (qsizetype i = 0; i < read.size(); ++i)
        QCOMPARE(read[i].item, QString("item %1").arg(i));
    // A line cut in the middle: left out, and the next writer starts afresh.
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append) &&
            file.write(encodePlayLine(play("cut", start, 1)).chopped(4)) > 0 && file.flush());
    QCOMPARE(readPlays(path).size(), whole);
    PlayLog again(report.path(), berlin);
    QCOMPARE(again.append(play("after", start, 2)), QString());
    read = readPlays(path);
    QVERIFY(read.size() == whole + 1 && read.last().item == "after");
}

void PlayLogTest::theDayIsTheDisplays()
{
    // Midnight on both sides of both of 2026's changes of the clocks; the
    // last play comes with another offset than the display's.
    const char* plays[][3] = {
        // the instant, its day, as the line gives it
        {"2026-03-28T22:59:59.999Z", "2026-03-28", "2026-03-28T23:59:59.999+01:00"},
        {"2026-03-28T23:00:00.000Z", "2026-03-29", "2026-03-29T00:00:00.000+01:00"},
        {"2026-03-29T01:00:00.000Z", "2026-03-29", "2026-03-29T03:00:00.000+02:00"},
        {"2026-03-29T22:00:00.000Z", "2026-03-30", "2026-03-30T00:00:00.000+02:00"},
        {"2026-10-25T00:30:00.000Z", "2026-10-25", "2026-10-25T02:30:00.000+02:00"},
        {"2026-10-25T01:30:00.000Z", "2026-10-25", "2026-10-25T02:30:00.000+01:00"},
        {"2026-10-25T22:59:59.999Z", "2026-10-25", "2026-10-25T23:59:59.999+01:00"},
        {"2026-10-26T08:00:00.000+09:00", "2026-10-26", "2026-10-26T00:00:00.000+01:00"},
    };
    QTemporaryDir report;
    PlayLog log(report.path(), berlin);
    QMap<QString, QStringList> expected, read;
    for (const auto& [instant, day, written] : plays) {
        QCOMPARE(log.append(play("x", at(instant), 1)), QString());
        expected[QString(day) + ".tsv"] << written;
    }
    const QDir folder(report.filePath("plays"));
    for (const QString& day : folder.entryList(QDir::Files))
        for (const PlayRecord& record : readPlays(folder.filePath(day)))
            read[day] << record.start.toString(Qt::ISODateWithMs);
    QCOMPARE(read, expected);
}

void PlayLogTest::aFullDayCountsItsLines()
{
    QTemporaryDir report;
    QVERIFY(QDir(report.path()).mkdir("plays"));
    const QDateTime nine = at("2026-12-08T09:00:00.000+01:00");
    // The day filled to less than a line short of full, by lines that do not
    // read (the log goes by the length alone).
    const QByteArray filler = QByteArray(4095, 'x') + '\n';
    const QByteArray day = filler.repeated(PlayLog::kMaxDayBytes / filler.size() - 1);
    const QString path = report.filePath("plays/2026-12-08.tsv");
    QVERIFY(test::put(path, day));
    const qsizetype small = encodePlayLine(play("s", nine, 5000)).size();
    const qsizetype fit = (PlayLog::kMaxDayBytes - day.size()) / small;
    PlayLog log(report.path(), berlin);
    QStringList said;
    for (qsizetype i = 0; i < fit + 10; ++i)
        said << log.append(play("s", nine, 5000));
    QCOMPARE(said.count(QString()), fit + 9);
    QVERIFY2(said[fit].contains("counted, not written"), qPrintable(said[fit]));
    QCOMPARE(log.droppedLines(), 10);
    QVERIFY(QFileInfo(path).size() == day.size() + fit * small && readPlays(path).size() == fit);
    // The next day starts empty.
    QVERIFY(log.append(play("s", nine.addDays(1), 5000)).isEmpty() && log.droppedLines() == 0);
    // A file longer than a display writes is not one of its days.
    QVERIFY(QFile(path).resize(PlayLog::kMaxDayBytes + 1));
    QString why;
    QVERIFY(readPlays(path, &why).isEmpty() && why.contains("longer than"));
}

void PlayLogTest::refusalsAreReasons_data()
{
    QTest::addColumn<QString>("planted"); // in place of `plays` or of the day file
    QTest::addColumn<QString>("says");
    for (const auto& [name, planted, says] :
         {std::tuple{"plays a link", "link:plays", "plays: a link, not a folder"},
          {"plays a file", "file:plays", "plays: not a folder"},
          {"the day a link", "link:plays/2026-12-08.tsv", "a link, not a file"},
          {"the day a folder", "dir:plays/2026-12-08.tsv", "Is a directory"},
          {"the day a FIFO", "fifo:plays/2026-12-08.tsv", "No such device"},
          // Past the limit the write is cut short, then refused.
          {"a size limit", "limit:150", "only 150 of"}})
        QTest::newRow(name) << QString(planted) << QString(says);
}

void PlayLogTest::refusalsAreReasons()
{
    QFETCH(QString, planted);
    QFETCH(QString, says);
    QTemporaryDir report, away;
    const QString kind = planted.section(':', 0, 0),
                  path = report.filePath(planted.section(':', 1));
    QVERIFY(QDir(report.path()).mkpath(planted.contains('/') ? "plays" : "."));
    QVERIFY(test::put(away.filePath("victim"), "theirs"));
    QVERIFY(kind != "link" ||
            QFile::link(away.filePath(planted.contains('/') ? "victim" : "."), path));
    QVERIFY(kind != "file" || test::put(path, "theirs"));
    QVERIFY(kind != "dir" || QDir().mkdir(path));
    QVERIFY(kind != "fifo" || ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0);
    PlayLog log(report.path(), berlin);
    const QDateTime nine = at("2026-12-08T09:00:00.000+01:00");
    {
        const test::FileSizeLimit limit(kind == "limit" ? 150 : RLIM_INFINITY);
        const QString why = log.append(play("x", nine, 1));
        QVERIFY2(why.contains(says), qPrintable(why));
        QVERIFY(kind != "limit" || log.append(play("y", nine, 1)).contains("File too large"));
    }
    QCOMPARE(QDir(away.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), {"victim"});
    QCOMPARE(test::contentOf(away.filePath("victim")), "theirs");
    // The fault gone, the display goes on, and what was cut spoils nothing.
    QVERIFY(kind == "limit" || QFile::remove(path) || QDir().rmdir(path));
    QCOMPARE(log.append(play("z", nine, 1)), QString());
    QCOMPARE(readPlays(report.filePath("plays/2026-12-08.tsv")).value(0).item, "z");
}

void PlayLogTest::pruning_data()
{
    // Day files as "NAME PERCENT" (a share of kMaxTotalBytes), and what another
    // put there: "link NAME", "dir NAME". The day open, if any; what is removed.
    QTest::addColumn<QString>("files");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("removed");
    QTest::newRow("400 days kept") << "2025-11-02.tsv 1,2025-11-03.tsv 1,2026-12-08.tsv 1"
                                   << ""
                                   << "2025-11-02.tsv";
    QTest::newRow("oldest first past the cap")
        << "2026-12-07.tsv 20,2026-12-05.tsv 40,2026-12-06.tsv 40,2026-12-08.tsv 20"
        << ""
        << "2026-12-05.tsv";
    QTest::newRow("both") << "2020-01-01.tsv 1,2026-12-01.tsv 60,2026-12-02.tsv 60,2026-12-08.tsv 1"
                          << ""
                          << "2020-01-01.tsv,2026-12-01.tsv";
    QTest::newRow("today and the open day kept")
        << "2026-12-06.tsv 1,2026-12-07.tsv 90,2026-12-08.tsv 90"
        << "2026-12-07"
        << "2026-12-06.tsv";
    QTest::newRow("others' files neither removed nor counted")
        << "link 2020-01-01.tsv,dir 2020-01-02.tsv,notes.txt 200,2020-1-03.tsv 1,2020-02-30.tsv 1,"
           "2020-01-04.TSV 1,x2020-01-05.tsv 1,2026-12-07.tsv 90"
        << ""
        << "";
}

void PlayLogTest::pruning()
{
    QFETCH(QString, files);
    QFETCH(QString, open);
    QFETCH(QString, removed);
    QTemporaryDir report, away;
    const QDir plays(report.filePath("plays"));
    QVERIFY(plays.mkpath("."));
    QVERIFY(test::put(away.filePath("theirs.tsv"), "theirs"));
    for (const QString& file : files.split(',')) {
        const QString first = file.section(' ', 0, 0), path = plays.filePath(file.section(' ', 1));
        if (first == "link")
            QVERIFY(QFile::link(away.filePath("theirs.tsv"), path));
        else if (first == "dir")
            QVERIFY(plays.mkdir(path));
        else // sparse: its length is all that counts
            QVERIFY(test::put(plays.filePath(first), {}) &&
                    QFile::resize(plays.filePath(first),
                                  PlayLog::kMaxTotalBytes * file.section(' ', 1).toInt() / 100));
    }
    PlayLog log(report.path(), berlin);
    if (!open.isEmpty())
        log.append(play("x", QDateTime(QDate::fromString(open, Qt::ISODate), {12, 0}, berlin), 1));
    QString why;
    QCOMPARE(log.prune(QDate(2026, 12, 8), &why).join(','), removed);
    QCOMPARE(why, QString());
    const QStringList left =
        plays.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : removed.split(',', Qt::SkipEmptyParts))
        QVERIFY(!left.contains(name));
    QCOMPARE(left.size() + removed.count(".tsv"), files.count(',') + 1);
    QCOMPARE(test::contentOf(away.filePath("theirs.tsv")), "theirs");
}

void PlayLogTest::sumsOverDisplaysAndDays()
{
    QTemporaryDir desk;
    DisplayStatus status;
    status.display = "Door, east";
    status.time = at("2026-12-08T09:00:00.000+01:00");
    QVERIFY(QDir(desk.path()).mkpath("door") && QDir(desk.path()).mkpath("till/plays"));
    QVERIFY(test::put(desk.filePath("door/status.json"), encodeStatus(status)));
    PlayLog door(desk.filePath("door"), berlin), till(desk.filePath("till"), berlin);
    const QDateTime seventh = at("2026-12-07T09:00:00.000+01:00");
    for (const PlayRecord& record :
         {play("menu.jpg", seventh.addDays(-1), 5000), play("menu.jpg", seventh, 5000),
          play("menu.jpg", seventh, 1499, Result::CutShort),
          play("menu.jpg", seventh, 9000, Result::Failed), play("=cmd.jpg", seventh, 2500),
          play("menu.jpg", seventh.addDays(1), 1000), play("menu.jpg", seventh.addDays(2), 1)})
        QCOMPARE(door.append(record), QString());
    QCOMPARE(till.append(play("a \"b\".jpg", seventh.addDays(1), 400)), QString());
    // Links are not followed: the door would count twice.
    QVERIFY(QFile::link(desk.filePath("door"), desk.filePath("door again")));
    QVERIFY(QFile::link(desk.filePath("door/plays/2026-12-07.tsv"),
                        desk.filePath("till/plays/2026-12-07.tsv")));
    const QString doorRows = "\"Door, east\",2026-12-07,'=cmd.jpg,1,3\n"
                             "\"Door, east\",2026-12-07,menu.jpg,2,6\n"
                             "\"Door, east\",2026-12-08,menu.jpg,1,1\n";
    QString why;
    QStringList unread;
    QCOMPARE(
        sumPlays(desk.path(), QDate(2026, 12, 7), QDate(2026, 12, 8), &why, &unread).value_or(why),
        "display,date,item,plays,seconds\n" + doorRows +
            "till,2026-12-08,\"a \"\"b\"\".jpg\",1,0\n");
    QVERIFY(unread.size() == 1 && unread[0].endsWith("2026-12-07.tsv: a link, not a file"));
    QCOMPARE(
        sumPlays(desk.filePath("door"), QDate(2026, 12, 7), QDate(2026, 12, 8), &why).value_or(why),
        "display,date,item,plays,seconds\n" + doorRows);
    QVERIFY(!sumPlays(desk.filePath("door/plays"), QDate(2026, 12, 7), QDate(2026, 12, 8), &why) &&
            why.contains("holds no plays folder"));
}

QTEST_GUILESS_MAIN(PlayLogTest)
#include "tst_play_log.moc"
