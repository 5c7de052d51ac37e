#pragma once

#include "editor/schedule/schedule_lines.h"
#include "schedule/schedule_decision.h"

#include <QPointer>
#include <QTimeZone>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tv {

class ModalDialogs;
class RuleTable;
class WeekPicture;

// What the schedule window takes from the machine, handed in so that tests
// choose them.
struct ScheduleWindowSettings {
    // The current instant; by default the system's clock.
    std::function<Instant()> now;
    // The zone `zone = local` means; by default the system's.
    QTimeZone localZone = QTimeZone::systemTimeZone();
};

// "Schedule": edits a schedule file and shows the week it plays. Its text is
// what the file holds; the rule table and the zone and default fields rewrite
// only the line they show, the text is read again after each change, and a
// refusal is told below the table with its row marked. The week picture
// shows what plays; a click on it chooses an instant, says what plays then
// and why, and Preview (F5) plays it.
class ScheduleWindow final : public QWidget {
    Q_OBJECT
public:
    explicit ScheduleWindow(ModalDialogs& dialogs, ScheduleWindowSettings settings = {},
                            QWidget* parent = nullptr);

    QString text() const { return lines_.text(); }
    // Takes the text as if typed whole.
    void setText(const QString& text);
    // Opens the file as Open opens the one chosen; false when it was not.
    bool openFile(const QString& path);
    QString currentFile() const { return currentFile_; }
    // The schedule the text holds; none while it is refused.
    const std::optional<Schedule>& schedule() const { return schedule_; }

    // Open and Save, with their dialogs.
    void open();
    bool save();
    // Chooses the instant whose week is shown and whose layout Preview plays.
    void choose(Instant instant);
    Instant chosen() const { return chosen_; }
    void preview();
    // Publishes the saved schedule, its layouts and their media as one show
    // folder chosen with the folder dialog (Ctrl+P).
    void publish();

    WeekPicture& picture() const { return *picture_; }
    RuleTable& rules() const { return *table_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class From { Table, Text, Fields, File };
    void apply(const ScheduleLines& lines, From from);
    void readAgain();
    void showChosen();
    void tell(const QString& text);
    // Whether the changes may be set aside: saved, or let go.
    bool confirmSetAside();
    LayoutIsWhole wholeLayouts() const;
    ZoneClock clock() const;

    ModalDialogs& dialogs_;
    ScheduleWindowSettings settings_;
    ScheduleLines lines_;
    std::optional<Schedule> schedule_;
    QTimeZone zone_; // the last zone read, for drawing a refused schedule's week
    QString currentFile_;
    QString lastPublished_;
    bool modified_ = false;
    Instant chosen_ = 0;

    QLabel* fileName_ = nullptr;
    QLineEdit* zoneField_ = nullptr;
    QLineEdit* defaultField_ = nullptr;
    RuleTable* table_ = nullptr;
    QPlainTextEdit* textPane_ = nullptr;
    QLabel* status_ = nullptr;
    WeekPicture* picture_ = nullptr;
    QLabel* plays_ = nullptr;
    QPointer<QWidget> preview_;
};

// Shows the schedule window that belongs to `owner`, made the first time.
ScheduleWindow& showScheduleWindow(QWidget* owner, ModalDialogs& dialogs);

} // namespace tv
