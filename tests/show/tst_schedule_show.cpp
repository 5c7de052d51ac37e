#include "schedule/schedule_decision.h"
#include "show/schedule_reading.h"
#include "show/show_folder.h"
#include "show/show_manifest.h"
#include "show/show_snapshot.h"
#include "support/file_helpers.h"
#include "support/one_window_layout.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace tv;

namespace {

const QTimeZone kBerlin("Europe/Berlin");

Instant berlin(const char* wall)
{
    return QDateTime::fromString(QString::fromLatin1(wall), Qt::ISODate)
        .toTimeZone(kBerlin)
        .toMSecsSinceEpoch();
}

Instant at(const char* wall)
{
    const QDateTime read = QDateTime::fromString(QString::fromLatin1(wall), Qt::ISODate);
    return QDateTime(read.date(), read.time(), kBerlin).toMSecsSinceEpoch();
}

// Why a read was refused; empty when it was not.
template <typename Read> QString refusalOf(const Read& read)
{
    const auto* why = std::get_if<QString>(&read);
    return why ? *why : QString();
}

} // namespace

// A schedule, its layouts and their media, published as one show folder and
// read back as a display reads it.
class ScheduleShowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void onePublishCarriesEveryLayout();
    void aLayoutNotWholeYieldsToTheNextBestRule();
    void refusalsNameTheLine_data();
    void refusalsNameTheLine();

private:
    QTemporaryDir dir_;
    QString source_;
};

void ScheduleShowTest::init()
{
    QVERIFY(dir_.isValid());
    source_ = dir_.filePath("source");
    QVERIFY(QDir().mkpath(source_));
    for (const char* name : {"logo.png", "eggs.png", "soup.png"})
        QVERIFY(test::put(QDir(source_).filePath(name), name));
    QVERIFY(test::put(QDir(source_).filePath("breakfast.TXT"),
                      test::layoutNaming({"logo.png", "eggs.png"})));
    QVERIFY(test::put(QDir(source_).filePath("lunch.TXT"),
                      test::layoutNaming({"logo.png", "soup.png"})));
    QVERIFY(test::put(QDir(source_).filePath("closed.TXT"), test::layoutNaming({"logo.png"})));
    QVERIFY(test::put(QDir(source_).filePath("cafe.schedule"),
                      "zone = Europe/Berlin\n"
                      "default = closed.TXT\n"
                      "breakfast.TXT mon-fri 06:30-11:00\n"
                      "lunch.TXT     mon-fri 11:00-15:00\n"
                      "breakfast.TXT sat,sun 08:00-15:00 priority 5\n"));
}

void ScheduleShowTest::onePublishCarriesEveryLayout()
{
    const QString schedulePath = QDir(source_).filePath("cafe.schedule");
    auto read = readScheduleFile(schedulePath, kBerlin, at("2026-12-07T00:00:00"));
    QVERIFY2(std::holds_alternative<ScheduleFile>(read), qPrintable(refusalOf(read)));
    const QString target = dir_.filePath("shows/cafe");
    // Lunch is for a screen stood on end; the editor knows each layout by
    // its path.
    const auto shapeOf = [this](const QString& layoutPath) {
        return layoutPath == QDir(source_).filePath("lunch.TXT") ? ScreenShape::Portrait
                                                                 : ScreenShape::Landscape;
    };
    QCOMPARE(
        publishSchedule(std::get<ScheduleFile>(read), source_, target, schedulePath, {}, shapeOf),
        QString());
    // Each file once, though three layouts show the logo.
    QStringList files = QDir(target).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files, (QStringList{"breakfast.TXT", "closed.TXT", "eggs.png", "logo.png", "lunch.TXT",
                                 "show.json", "show.schedule", "soup.png"}));
    QString why;
    const auto manifest = decodeManifest(test::contentOf(QDir(target).filePath("show.json")), &why);
    QVERIFY2(manifest, qPrintable(why));
    QCOMPARE(manifest->files.first().name, "show.schedule");
    QCOMPARE(manifest->files.size(), 7);
    QCOMPARE(manifest->shapes,
             (QMap<QString, ScreenShape>{{"breakfast.TXT", ScreenShape::Landscape},
                                         {"closed.TXT", ScreenShape::Landscape},
                                         {"lunch.TXT", ScreenShape::Portrait}}));
    auto show = readScheduleShow(target, kBerlin, at("2026-12-07T00:00:00"));
    QVERIFY2(std::holds_alternative<ScheduleShow>(show), qPrintable(refusalOf(show)));
    // Each layout is read for its screen, by the display as by --explain.
    const ShowSnapshot snapshot = ShowReader(QDir(target).filePath("show.schedule"), target,
                                             MediaHandle::Links::Refused, {}, kBerlin)
                                      .read();
    for (const auto& layouts : {std::get<ScheduleShow>(show).file.layouts, snapshot.layouts})
        for (const QString& name : manifest->shapes.keys())
            QCOMPARE(layouts.value(name).shape, manifest->shapes.value(name));
    QStringList whole = std::get<ScheduleShow>(show).whole;
    whole.sort();
    QCOMPARE(whole, (QStringList{"breakfast.TXT", "closed.TXT", "lunch.TXT"}));
    QCOMPARE(std::get<ScheduleShow>(show).publishedAt, manifest->published.toMSecsSinceEpoch());
}

// The soup picture has not arrived: lunch is not whole, so at lunch time the
// next rule that holds plays, and the default only when none does.
void ScheduleShowTest::aLayoutNotWholeYieldsToTheNextBestRule()
{
    const QString schedulePath = QDir(source_).filePath("cafe.schedule");
    QVERIFY(test::put(schedulePath, "zone = Europe/Berlin\n"
                                    "default = closed.TXT\n"
                                    "breakfast.TXT mon-fri 06:30-15:00 priority 5\n"
                                    "lunch.TXT     mon-fri 11:00-15:00\n"));
    auto read = readScheduleFile(schedulePath, kBerlin, at("2026-12-07T00:00:00"));
    QVERIFY2(std::holds_alternative<ScheduleFile>(read), qPrintable(refusalOf(read)));
    const QString target = dir_.filePath("cafe");
    QCOMPARE(publishSchedule(std::get<ScheduleFile>(read), source_, target, schedulePath),
             QString());
    QVERIFY(QFile::remove(QDir(target).filePath("soup.png")));
    QVERIFY(QFile::remove(QDir(target).filePath("closed.TXT")));
    auto show = readScheduleShow(target, kBerlin, at("2026-12-07T00:00:00"));
    QVERIFY2(std::holds_alternative<ScheduleShow>(show), qPrintable(refusalOf(show)));
    const ScheduleShow& cafe = std::get<ScheduleShow>(show);
    QCOMPARE(cafe.whole, QStringList{"breakfast.TXT"});
    const auto whole = [&](const QString& layout) { return cafe.whole.contains(layout); };
    const ZoneClock clock(cafe.file.schedule.zone);
    const ScheduleDecision noon =
        decide(cafe.file.schedule, clock, at("2026-12-07T12:00:00"), whole);
    QCOMPARE(noon.target, "breakfast.TXT");
    QCOMPARE(noon.lost[1], "its layout lunch.TXT is not whole yet");
    // Before the publish time, the clock is not believed.
    const ScheduleDecision early = decide(cafe.file.schedule, clock, cafe.publishedAt - kDayMs,
                                          whole, {true, cafe.publishedAt});
    QCOMPARE(early.target, "closed.TXT");
    QCOMPARE(early.next, cafe.publishedAt);
}

void ScheduleShowTest::refusalsNameTheLine_data()
{
    QTest::addColumn<QByteArray>("schedule");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("missing layout") << QByteArray("zone = Europe/Berlin\n\ngone.TXT daily\n")
                                    << "line 3: the layout gone.TXT cannot be read";
    QTest::newRow("not a layout") << QByteArray("eggs.png daily\n")
                                  << "line 1: the layout eggs.png is not one";
    QTest::newRow("overlap") << QByteArray("zone = Europe/Berlin\nlunch.TXT mon 11:00-15:00\n"
                                           "closed.TXT daily 14:00-16:00\n")
                             << "line 3: overlaps line 2 at the same priority, first at 2026-12-07 "
                                "14:00 +01:00";
}

void ScheduleShowTest::refusalsNameTheLine()
{
    QFETCH(QByteArray, schedule);
    QFETCH(QString, refusal);
    const QString path = QDir(source_).filePath("other.schedule");
    QVERIFY(test::put(path, schedule));
    const auto read = readScheduleFile(path, kBerlin, berlin("2026-12-07T00:00:00+01:00"));
    QVERIFY2(refusalOf(read).contains(refusal), qPrintable(refusalOf(read)));
}

QTEST_MAIN(ScheduleShowTest)
#include "tst_schedule_show.moc"
