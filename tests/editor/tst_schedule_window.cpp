#include "editor/schedule/layout_colour.h"
#include "editor/schedule/rule_table.h"
#include "editor/schedule/schedule_window.h"
#include "editor/schedule/week_picture.h"
#include "stage/player_window.h"
#include "support/cafe_schedule.h"
#include "support/editor_harness.h"
#include "support/file_helpers.h"
#include "support/one_window_layout.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace tv;
using test::ScriptedDialogs;

namespace {

const QTimeZone kBerlin("Europe/Berlin");

// An instant written with its offset, such as 2026-10-25T02:30:00+01:00.
Instant at(const char* written)
{
    return QDateTime::fromString(QString::fromLatin1(written), Qt::ISODate).toMSecsSinceEpoch();
}

// Noon on a Wednesday, between the slices of the promotion.
const Instant kNow = at("2026-10-21T12:05:00+02:00");

const QString kCafe = test::kCafeSchedule;
// Shown from 02:00 as summer time ends, for 90 minutes: through the first
// showing of the hour and half of the second.
const QString kFlash = kCafe + "flash.TXT at 2026-10-25 02:00 for 90m priority 80\n";

Schedule parsed(const QString& text)
{
    return std::get<Schedule>(parseSchedule(text.toUtf8(), kBerlin));
}

} // namespace

class ScheduleWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { window_.reset(); }
    void anEditRewritesItsLineOnly_data();
    void anEditRewritesItsLineOnly();
    void aRefusalNamesItsLine_data();
    void aRefusalNamesItsLine();
    void theWeekShowsWhatIsDecided_data();
    void theWeekShowsWhatIsDecided();
    void samePriorityAtOnceIsOutlined_data();
    void samePriorityAtOnceIsOutlined();
    void aClickTellsWhatPlaysAndWhy_data();
    void aClickTellsWhatPlaysAndWhy();
    void previewPlaysWhatIsDecided_data();
    void previewPlaysWhatIsDecided();
    void savedWholeAndOpenedAgain();
    void ctrlKInTheEditorOpensIt();
    void ctrlPPublishesTheScheduleWhole();

private:
    ScheduleWindow& open(const QString& text, Instant now)
    {
        dialogs_ = ScriptedDialogs{};
        ScheduleWindowSettings settings;
        settings.now = [now] { return now; };
        settings.localZone = kBerlin;
        window_ = std::make_unique<ScheduleWindow>(dialogs_, settings);
        window_->setText(text);
        window_->show();
        return *window_;
    }

    ScriptedDialogs dialogs_;
    std::unique_ptr<ScheduleWindow> window_;
};

void ScheduleWindowTest::anEditRewritesItsLineOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("rule");
    QTest::addColumn<QString>("field"); // a column's heading, or "Zone" or "Default"
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("rewritten");
    QString text = kCafe;
    QTest::newRow("days under a comment") << kCafe << 0 << "Days"
                                          << "mon-thu"
                                          << text.replace("breakfast.TXT   mon-fri  06:30-11:00",
                                                          "breakfast.TXT   mon-thu  06:30-11:00");
    text = kCafe;
    QTest::newRow("a priority typed as a number")
        << kCafe << 5 << "Priority"
        << "70"
        << text.replace("daily 09:00-18:00 every 15m for 30s priority 60",
                        "daily    09:00-18:00 every 15m for 30s priority 70");
    QTest::newRow("its own comment stays")
        << "a.TXT daily 10:00-12:00 # morning\n# b\nb.TXT daily\n"
        << 0 << "Hours"
        << "09:00-12:00"
        << "a.TXT           daily    09:00-12:00  # morning\n# b\nb.TXT daily\n";
    QTest::newRow("a name with a blank is quoted")
        << "# menu\na.TXT sat 10:00-12:00\n"
        << 0 << "Layout"
        << "summer menu.TXT"
        << "# menu\n\"summer menu.TXT\" sat    10:00-12:00\n";
    QTest::newRow("dates cleared") << "x.TXT 2026-12-24..2026-12-26 priority 50\n"
                                   << 0 << "Dates"
                                   << ""
                                   << "x.TXT           priority 50\n";
    QTest::newRow("line ends of another system") << "a.TXT daily\r\n# b\r\nb.TXT daily\r\n"
                                                 << 1 << "Days"
                                                 << "mon"
                                                 << "a.TXT daily\r\n# b\r\nb.TXT           mon\r\n";
    QTest::newRow("a zone where there was none")
        << "# the café\n\n# mornings\na.TXT mon\n"
        << -1 << "Zone"
        << "Europe/Paris"
        << "# the café\n\nzone = Europe/Paris\n# mornings\na.TXT mon\n";
    QTest::newRow("the default keeps its comment") << "default = a.TXT # all day\nb.TXT mon\n"
                                                   << -1 << "Default"
                                                   << "c.TXT"
                                                   << "default = c.TXT  # all day\nb.TXT mon\n";
}

// A cell edited as the user edits it, or a field typed in, rewrites the one
// line it shows: the text pane and the table then show the text read again.
void ScheduleWindowTest::anEditRewritesItsLineOnly()
{
    QFETCH(QString, text);
    QFETCH(int, rule);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, rewritten);
    ScheduleWindow& window = open(text, kNow);
    RuleTable& table = window.rules();
    if (rule < 0) {
        auto* edit = window.findChild<QLineEdit*>("schedule" + field);
        QVERIFY(edit);
        edit->setText(typed);
        emit edit->editingFinished();
    } else {
        int column = 0;
        while (table.horizontalHeaderItem(column)->text() != field)
            ++column;
        table.setCurrentCell(rule, column);
        table.editItem(table.item(rule, column));
        auto* editor = table.viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText(typed);
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate takes the text once the editor has seen the key.
        QCoreApplication::processEvents();
        QCOMPARE(table.item(rule, column)->text(), typed);
    }
    QCOMPARE(window.text(), rewritten);
    // The pane shows the lines, whatever ends them.
    QCOMPARE(window.findChild<QPlainTextEdit*>("scheduleText")->toPlainText(),
             rewritten.remove('\r'));
}

void ScheduleWindowTest::aRefusalNamesItsLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("markedRow");
    QTest::newRow("a word that is no condition")
        << "zone = Europe/Berlin\n# a\na.TXT daily 10:00-12:00\nb.TXT someday\n"
        << "Refused: line 4: someday is not a condition" << 1;
    QTest::newRow("a quote not closed")
        << "\"a.TXT daily\nb.TXT mon\n"
        << "Refused: line 1: a quoted name has no closing quote" << 0;
    QTest::newRow("one priority at once")
        << "zone = Europe/Berlin\na.TXT mon 10:00-12:00\n\nb.TXT mon 11:00-13:00\n"
        << "Refused: line 4: overlaps line 2 at the same priority, first at 2026-10-26 11:00" << 1;
    QTest::newRow("none") << kCafe << "6 rules. Now: lunch.TXT; the next change at " << -1;
}

void ScheduleWindowTest::aRefusalNamesItsLine()
{
    QFETCH(QString, text);
    QFETCH(QString, status);
    QFETCH(int, markedRow);
    ScheduleWindow& window = open(text, kNow);
    const QString shown = window.findChild<QLabel*>("scheduleStatus")->text();
    QVERIFY2(shown.startsWith(status), qPrintable(shown));
    QCOMPARE(window.findChild<QLabel*>("scheduleStatus")->textFormat(), Qt::PlainText);
    for (int row = 0; row < window.rules().rowCount(); ++row)
        QCOMPARE(window.rules().item(row, 1)->background().color() ==
                     QColor::fromRgb(RuleTable::kMarkedColour),
                 row == markedRow);
}

void ScheduleWindowTest::theWeekShowsWhatIsDecided_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Instant>("instant");
    QTest::addColumn<QString>("plays");
    // The week of 2026-10-25, when the clocks go back from 03:00 to 02:00.
    QTest::newRow("monday breakfast")
        << kFlash << at("2026-10-19T07:10:00+02:00") << "breakfast.TXT";
    QTest::newRow("saturday night") << kFlash << at("2026-10-24T23:30:00+02:00") << "off";
    QTest::newRow("first 02:15") << kFlash << at("2026-10-25T02:15:00+02:00") << "flash.TXT";
    QTest::newRow("second 02:15") << kFlash << at("2026-10-25T02:15:00+01:00") << "flash.TXT";
    QTest::newRow("second 02:45") << kFlash << at("2026-10-25T02:45:00+01:00") << "off";
    QTest::newRow("first 02:45") << kFlash << at("2026-10-25T02:45:00+02:00") << "flash.TXT";
    QTest::newRow("before brunch") << kFlash << at("2026-10-25T07:40:00+01:00") << "afternoon.TXT";
    QTest::newRow("brunch") << kFlash << at("2026-10-25T08:20:00+01:00") << "brunch.TXT";
    // The week of 2026-03-29, when they go on from 02:00 to 03:00.
    QTest::newRow("saturday late") << kCafe << at("2026-03-28T23:20:00+01:00") << "off";
    QTest::newRow("after the gap") << kCafe << at("2026-03-29T03:20:00+02:00") << "off";
    QTest::newRow("before six") << kCafe << at("2026-03-29T05:40:00+02:00") << "off";
    QTest::newRow("after six") << kCafe << at("2026-03-29T06:20:00+02:00") << "afternoon.TXT";
    QTest::newRow("brunch ends") << kCafe << at("2026-03-29T16:20:00+02:00") << "afternoon.TXT";
    QTest::newRow("christmas") << kCafe << at("2026-12-25T13:20:00+01:00") << "xmas.TXT";
}

// The pixel where the week shows an instant has the colour of what decide()
// picks then, on the days the clocks change too.
void ScheduleWindowTest::theWeekShowsWhatIsDecided()
{
    QFETCH(QString, text);
    QFETCH(Instant, instant);
    QFETCH(QString, plays);
    // Now is at noon on the Wednesday of the week shown: marked, but not here.
    const ZoneClock clock(kBerlin);
    const QDate day = clock.dayOf(instant);
    ScheduleWindow& window = open(text, clock.at(day.addDays(3 - day.dayOfWeek()), 12 * 60));
    window.choose(instant);
    QCOMPARE(decide(parsed(text), clock, instant).target, plays);
    const std::optional<QPoint> point = window.picture().pointOf(instant);
    QVERIFY(point);
    const QImage image = window.picture().grab().toImage();
    const LayoutColours colours(parsed(text).layouts());
    const QStringList layouts = parsed(text).layouts() << "off";
    QCOMPARE(QColor(image.pixel(*point)), colours.of(plays));
    // Which would prove little if layouts shared colours.
    QSet<QRgb> distinct;
    for (const QString& layout : layouts)
        distinct.insert(colours.of(layout).rgb());
    QCOMPARE(distinct.size(), layouts.size());
}

void ScheduleWindowTest::samePriorityAtOnceIsOutlined_data()
{
    QTest::addColumn<QString>("rules");
    QTest::addColumn<Instant>("instant");
    QTest::addColumn<bool>("outlined");
    const QString overlapping = "a.TXT mon 10:00-12:00\nb.TXT mon 11:00-13:00\n";
    QTest::newRow("both hold") << overlapping << at("2026-10-19T11:30:00+02:00") << true;
    QTest::newRow("one holds") << overlapping << at("2026-10-19T10:30:00+02:00") << false;
    QTest::newRow("priorities differ")
        << "a.TXT mon 10:00-12:00 priority 20\nb.TXT mon 11:00-13:00\n"
        << at("2026-10-19T11:30:00+02:00") << false;
    QTest::newRow("overnight into the next day") << "a.TXT sat 22:00-02:00\nb.TXT sun 01:00-03:00\n"
                                                 << at("2026-10-25T01:30:00+02:00") << true;
}

void ScheduleWindowTest::samePriorityAtOnceIsOutlined()
{
    QFETCH(QString, rules);
    QFETCH(Instant, instant);
    QFETCH(bool, outlined);
    ScheduleWindow& window = open("zone = Europe/Berlin\n" + rules, kNow);
    window.choose(instant);
    const std::optional<QPoint> point = window.picture().pointOf(instant);
    QVERIFY(point);
    const QImage image = window.picture().grab().toImage();
    bool red = false;
    for (int x = 0; x < image.width(); ++x)
        red = red || image.pixel(x, point->y()) == WeekPicture::kOverlapColour;
    QCOMPARE(red, outlined);
}

void ScheduleWindowTest::aClickTellsWhatPlaysAndWhy_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Instant>("instant");
    QTest::addColumn<QString>("plays");
    QTest::newRow("breakfast") << kCafe << at("2026-10-20T08:10:00+02:00")
                               << "breakfast.TXT plays. line 4 holds: ";
    QTest::newRow("night") << kCafe << at("2026-10-21T03:40:00+02:00")
                           << "the screen is off. line 7 holds: ";
    QTest::newRow("the default") << kCafe << at("2026-10-22T16:40:00+02:00")
                                 << "afternoon.TXT plays. no rule holds";
    QTest::newRow("markup in a name")
        << "zone = Europe/Berlin\n<i>x.TXT daily 10:00-12:00\n"
        << at("2026-10-22T10:40:00+02:00") << "<i>x.TXT plays. line 2 holds: ";
}

// A click on the week chooses the instant of the row under it, and the label
// says what decide() says of it, as plain text.
void ScheduleWindowTest::aClickTellsWhatPlaysAndWhy()
{
    QFETCH(QString, text);
    QFETCH(Instant, instant);
    QFETCH(QString, plays);
    ScheduleWindow& window = open(text, instant);
    const QPoint point = *window.picture().pointOf(instant);
    QTest::mouseClick(&window.picture(), Qt::LeftButton, {}, point);
    const std::optional<Instant> chosen = window.picture().instantAt(point);
    QVERIFY(chosen);
    QCOMPARE(window.chosen(), *chosen);
    QVERIFY(qAbs(*chosen - instant) < 5 * kMinuteMs);
    const ZoneClock clock(kBerlin);
    const ScheduleDecision decision = decide(parsed(text), clock, *chosen);
    const auto* label = window.findChild<QLabel*>("chosenPlays");
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QVERIFY2(label->text().contains(plays), qPrintable(label->text()));
    QVERIFY(label->text().startsWith(wallText(clock, *chosen) + ": "));
    QVERIFY(label->text().endsWith(decision.why));
}

void ScheduleWindowTest::previewPlaysWhatIsDecided_data()
{
    QTest::addColumn<Instant>("instant");
    QTest::addColumn<int>("windows"); // -1: not played, and told why
    QTest::addColumn<QString>("told");
    QTest::newRow("a layout beside it") << at("2026-10-20T08:10:00+02:00") << 1 << "";
    QTest::newRow("off is black") << at("2026-10-20T01:10:00+02:00") << 0 << "";
    // lunch.TXT is not there, so the default plays, and it is not there either.
    QTest::newRow("none beside it")
        << at("2026-10-20T12:10:00+02:00") << -1 << "Schedule: afternoon.TXT cannot be previewed. ";
}

// F5 plays the layout that plays at the chosen instant, read from beside the
// schedule; off plays black.
void ScheduleWindowTest::previewPlaysWhatIsDecided()
{
    QFETCH(Instant, instant);
    QFETCH(int, windows);
    QFETCH(QString, told);
    QTemporaryDir folder;
    QVERIFY(test::put(folder.filePath("cafe.schedule"), kCafe.toUtf8()));
    QVERIFY(test::put(folder.filePath("breakfast.TXT"), test::layoutNaming({"a.png"})));
    ScheduleWindow& window = open(QString(), instant);
    QVERIFY(window.openFile(folder.filePath("cafe.schedule")));
    window.choose(instant);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(window.windowHandle(), Qt::Key_F5);
    auto* player = window.findChild<PlayerWindow*>();
    QCOMPARE(player ? int(player->stage().windows().size()) : -1, windows);
    if (windows < 0)
        QVERIFY2(dialogs_.messages().value(0).startsWith(told),
                 qPrintable(dialogs_.messages().value(0)));
    else
        QCOMPARE(dialogs_.messages(), QStringList());
}

// Save writes the text whole under a schedule's name, nothing left beside it;
// Open reads it back as it was.
void ScheduleWindowTest::savedWholeAndOpenedAgain()
{
    QTemporaryDir folder;
    ScheduleWindow& window = open(kCafe, kNow);
    dialogs_.fileChoices << folder.filePath("cafe");
    QVERIFY(window.save());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"cafe.schedule"});
    QCOMPARE(test::contentOf(folder.filePath("cafe.schedule")), kCafe.toUtf8());
    QCOMPARE(dialogs_.shown.first().filter, QStringLiteral("SCHEDULE|*.schedule"));

    window.setText(QStringLiteral("off daily\n"));
    dialogs_.threeWayAnswers << ModalDialogs::Answer::No;
    dialogs_.fileChoices << folder.filePath("cafe.schedule");
    window.open();
    QCOMPARE(window.text(), kCafe);
    QCOMPARE(window.currentFile(), folder.filePath("cafe.schedule"));
    QCOMPARE(window.rules().rowCount(), 6);
}

// Ctrl+P saves the schedule, then publishes it with its layouts and their
// media as one show; a missing layout is refused, by line, with nothing
// written.
void ScheduleWindowTest::ctrlPPublishesTheScheduleWhole()
{
    QTemporaryDir folder;
    QVERIFY(test::put(folder.filePath("logo.png"), "logo"));
    QVERIFY(test::put(folder.filePath("day.TXT"), test::layoutNaming({"logo.png"})));
    ScheduleWindow& window = open(QStringLiteral("zone = Europe/Berlin\ndefault = day.TXT\n"
                                                 "night.TXT daily 20:00-06:00\n"),
                                  kNow);
    const QList<QAction*> actions = window.actions();
    QVERIFY(std::any_of(actions.begin(), actions.end(), [](const QAction* action) {
        return action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_P);
    }));
    dialogs_.fileChoices << folder.filePath("shop");
    dialogs_.folderChoices << folder.filePath("show");
    window.publish();
    QVERIFY(!dialogs_.messages().isEmpty());
    QVERIFY2(dialogs_.messages().last().contains("line 3: the layout night.TXT cannot be read"),
             qPrintable(dialogs_.messages().last()));
    // Saved beside day.TXT: the table marks the one layout not there.
    const auto* table = window.findChild<QTableWidget*>("scheduleRules");
    QCOMPARE(table->rowCount(), 1);
    QVERIFY(table->item(0, 1)->toolTip().startsWith("Not found beside the schedule"));
    QVERIFY(!QFileInfo::exists(folder.filePath("show")));

    QVERIFY(test::put(folder.filePath("night.TXT"), test::layoutNaming({"logo.png"})));
    dialogs_.folderChoices << folder.filePath("show");
    window.publish();
    QCOMPARE(dialogs_.messages().last(),
             "Schedule: The schedule was published to " + folder.filePath("show") + ".");
    QCOMPARE(QDir(folder.filePath("show")).entryList(QDir::Files),
             (QStringList{"day.TXT", "logo.png", "night.TXT", "show.json", "show.schedule"}));
}

// Ctrl+K in the layout editor shows its one schedule window, which goes
// with the editor.
void ScheduleWindowTest::ctrlKInTheEditorOpensIt()
{
    test::EditorHarness harness;
    harness.open();
    QTest::keyClick(harness.form->windowHandle(), Qt::Key_K, Qt::ControlModifier);
    QTest::keyClick(harness.form->windowHandle(), Qt::Key_K, Qt::ControlModifier);
    const auto windows = harness.form->findChildren<ScheduleWindow*>();
    QCOMPARE(windows.size(), 1);
    QVERIFY(windows.first()->isVisible());
    QCOMPARE(windows.first()->windowTitle(), QStringLiteral("Schedule"));

    // Quitting the editor does not drop a changed schedule unasked.
    windows.first()->setText(QStringLiteral("off daily 22:00-06:00\n"));
    harness.dialogs.threeWayAnswers << ModalDialogs::Answer::Cancel << ModalDialogs::Answer::No;
    QVERIFY(!harness.form->close());
    QVERIFY(windows.first()->isVisible());
    QCOMPARE(harness.dialogs.shown.last().text, "Save changes to the schedule?");
    QVERIFY(harness.form->close());
    QVERIFY(harness.dialogs.threeWayAnswers.isEmpty());
    harness.close();
}

QTEST_MAIN(ScheduleWindowTest)
#include "tst_schedule_window.moc"
