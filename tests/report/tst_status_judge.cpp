#include "report/report_summary.h"

#include "support/file_helpers.h"

#include <QDir>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sys/stat.h>

Q_DECLARE_METATYPE(tv::DisplayStatus)

namespace {

const QDateTime kWritten =
    QDateTime::fromString(QStringLiteral("2026-12-08T12:00:00.000+01:00"), Qt::ISODateWithMs);
const qint64 kWrittenMs = kWritten.toMSecsSinceEpoch();
constexpr qint64 kLagMs = 300'000;
// Three intervals of a minute and the lag.
constexpr qint64 kFreshMs = 3 * 60'000 + kLagMs;

// A display playing the café's lunch, its show whole, its clock good.
tv::DisplayStatus cafe(const std::function<void(tv::DisplayStatus&)>& change = {})
{
    tv::DisplayStatus status;
    status.time = kWritten;
    status.show.published = kWritten.addDays(-1);
    status.show.listed = 5;
    status.playing = {4, {}, QStringLiteral("lunch.TXT"), kWritten.addSecs(-3600)};
    status.next = {kWritten.addSecs(3 * 3600), 5, QStringLiteral("afternoon.TXT"), true};
    if (change)
        change(status);
    return status;
}

// A problem that lasts, and one that was cleared.
const tv::DisplayStatus::Problem kLasting{"menu.jpg", "cannot be decoded", kWritten, {}};
const tv::DisplayStatus::Problem kCleared{"menu.jpg", "cannot be decoded", kWritten, kWritten};

} // namespace

// What the desk makes of a display's status, and of its report folder.
class StatusJudgeTest : public QObject {
    Q_OBJECT
private slots:
    void states_data();
    void states();
    void deskFolder();
};

void StatusJudgeTest::states_data()
{
    using Status = tv::DisplayStatus;
    QTest::addColumn<Status>("status");
    QTest::addColumn<qint64>("ageMs"); // the desk's now, after the status's time
    QTest::addColumn<QString>("states");
    QTest::newRow("fresh at the last instant") << cafe() << kFreshMs << "OK";
    QTest::newRow("stale a moment after") << cafe() << kFreshMs + 1 << "STALE 8 min";
    QTest::newRow("a long interval waited for")
        << cafe([](Status& s) { s.intervalS = 600; }) << qint64(30 * 60'000) << "OK";
    QTest::newRow("a day at most")
        << cafe([](Status& s) { s.intervalS = 1'000'000'000; }) << 4 * 86'400'000LL << "STALE 4 d";
    QTest::newRow("unsynchronised, within its bound")
        << cafe([](Status& s) { s.clockSynchronised = false, s.clockErrorMs = 10'000; })
        << qint64(0) << "OK";
    QTest::newRow("unsynchronised, past its bound")
        << cafe([](Status& s) { s.clockSynchronised = false, s.clockErrorMs = 10'001; })
        << qint64(0) << "CLOCK (not synchronised, error bound 10 s)";
    QTest::newRow("unsynchronised, no bound")
        << cafe([](Status& s) { s.clockSynchronised = false; }) << qint64(0)
        << "CLOCK (not synchronised)";
    QTest::newRow("ahead of the desk, within the bound") << cafe() << qint64(-10'000) << "OK";
    QTest::newRow("ahead of the desk")
        << cafe() << qint64(-130'000) << "CLOCK (dated 2 min ahead of the desk)";
    QTest::newRow("published a moment later, within the bound")
        << cafe([](Status& s) { s.show.published = kWritten.addSecs(10); }) << qint64(0) << "OK";
    QTest::newRow("before its show was published")
        << cafe([](Status& s) { s.show.published = kWritten.addMSecs(10'001); }) << qint64(0)
        << "CLOCK (dated before its show was published)";
    QTest::newRow("waiting 2 of 5") << cafe([](Status& s) {
        s.show.whole = false, s.show.missing = {"a.jpg", "b.jpg"};
    }) << qint64(0) << "WAITING 2 of 5";
    QTest::newRow("waiting for more than are named") << cafe([](Status& s) {
        s.show.whole = false, s.show.listed = 90;
        s.show.missing = QStringList(Status::kMissingShown, "a.jpg");
    }) << qint64(0) << "WAITING 20+ of 90";
    QTest::newRow("next not whole, within a day")
        << cafe([](Status& s) { s.next.whole = false, s.next.at = kWritten.addDays(1); })
        << qint64(0) << "NEXT NOT WHOLE";
    QTest::newRow("next not whole, past a day")
        << cafe([](Status& s) { s.next.whole = false, s.next.at = kWritten.addMSecs(86'400'001); })
        << qint64(0) << "OK";
    QTest::newRow("problems lasting") << cafe([](Status& s) {
        s.problems = {kLasting, kCleared, kLasting};
    }) << qint64(0) << "PROBLEMS 2";
    const char* all =
        "STALE 3 h 5 min, CLOCK (not synchronised), WAITING 1 of 5, NEXT NOT WHOLE, PROBLEMS 1";
    QTest::newRow("all at once, in order") << cafe([](Status& s) {
        s.problems = {kLasting}, s.next.whole = false, s.clockSynchronised = false;
        s.show.whole = false, s.show.missing = {"a.jpg"};
    }) << qint64(3 * 3'600'000 + 300'000) << all;
}

void StatusJudgeTest::states()
{
    QFETCH(tv::DisplayStatus, status);
    QFETCH(qint64, ageMs);
    QFETCH(QString, states);
    QStringList texts;
    for (const tv::StatusState& state : tv::judgeStatus(status, kWrittenMs + ageMs, kLagMs))
        texts << tv::stateText(state);
    QCOMPARE(texts.join(", "), states);
}

// A desk folder as a sync tool fills it, with what a hostile or broken
// display could leave in it: only folders are looked into, no link is
// followed, and a status that is no status says why.
void StatusJudgeTest::deskFolder()
{
    QTemporaryDir desk;
    const QDir dir(desk.path());
    const auto status = [&dir](const QString& folder, const QByteArray& bytes) {
        return dir.mkpath(folder) && tv::test::put(dir.filePath(folder + "/status.json"), bytes);
    };
    QVERIFY(status("cafe", tv::encodeStatus(cafe())));
    // A name from a display is data; the day shows when it is not today's.
    QVERIFY(status("Kiosk", tv::encodeStatus(cafe([](tv::DisplayStatus& s) {
                       s.playing = {-1, {}, "menu\x1b[2J.TXT", kWritten.addDays(-1)};
                       s.next = {};
                   }))));
    const QByteArray broken = "{\"format\": 1, \"display\": ";
    QVERIFY(status("bar", broken));
    QVERIFY(status("Big", QByteArray(tv::DisplayStatus::kMaxBytes + 1, ' ')));
    QVERIFY(dir.mkpath("door") && dir.mkpath("hall") && dir.mkpath(".stversions/cafe"));
    QVERIFY(dir.mkpath("fifo") &&
            ::mkfifo(qPrintable(dir.filePath("fifo/status.json")), 0600) == 0);
    QVERIFY(QFile::link(dir.filePath("cafe/status.json"), dir.filePath("hall/status.json")));
    QVERIFY(QFile::link(dir.filePath("cafe"), dir.filePath("linked")));
    QVERIFY(tv::test::put(dir.filePath("notes.txt"), tv::encodeStatus(cafe())));

    const tv::DeskReports reports = tv::readReports(desk.path());
    QVERIFY2(reports.error.isEmpty(), qPrintable(reports.error));
    QStringList lines;
    for (const tv::DisplayReport& report : reports.displays)
        lines << tv::reportLine(report, tv::judgeReport(report, kWrittenMs, kLagMs));
    QJsonParseError error{};
    QJsonDocument::fromJson(broken, &error);
    const QStringList expected{
        "bar  UNREADABLE: " + error.errorString(),
        "Big  UNREADABLE: larger than 256 KB",
        "cafe  OK  lunch.TXT since 11:00 (line 4), next afternoon.TXT at 15:00",
        "door  NO STATUS",
        "fifo  UNREADABLE: not a regular file",
        "hall  UNREADABLE: a link, not a file",
        "Kiosk  OK  menu\\x1b[2J.TXT since 2026-12-07 12:00",
    };
    QCOMPARE(lines, expected);
}

QTEST_GUILESS_MAIN(StatusJudgeTest)
#include "tst_status_judge.moc"
