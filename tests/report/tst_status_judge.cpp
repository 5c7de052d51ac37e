#include "report/status_judge.h"

#include <QTest>

#include <functional>

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

// What the desk makes of a display's status.
class StatusJudgeTest : public QObject {
    Q_OBJECT
private slots:
    void states_data();
    void states();
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

QTEST_GUILESS_MAIN(StatusJudgeTest)
#include "tst_status_judge.moc"
