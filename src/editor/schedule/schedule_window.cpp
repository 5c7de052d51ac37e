#include "editor/schedule/schedule_window.h"

#include "editor/controls/modal_dialogs.h"
#include "editor/controls/owned_window.h"
#include "editor/media/browse_folder.h"
#include "editor/media/layout_shape_memory.h"
#include "editor/schedule/rule_table.h"
#include "editor/schedule/schedule_file.h"
#include "editor/schedule/schedule_preview.h"
#include "editor/schedule/week_picture.h"
#include "files/save_files.h"
#include "show/schedule_reading.h"
#include "show/show_folder.h"

#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTimer>

namespace tv {

namespace {

const QString kFilter = QStringLiteral("SCHEDULE|*.schedule");
const QString kNewRule = QStringLiteral("layout.TXT      daily    09:00-17:00");

QLabel* textLabel(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    // Names, zones and the rules' own text are data, never markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* made = new QPushButton(caption, parent);
    made->setObjectName(name);
    return made;
}

} // namespace

ScheduleWindow::ScheduleWindow(ModalDialogs& dialogs, ScheduleWindowSettings settings,
                               QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), settings_(std::move(settings)), zone_(settings_.localZone)
{
    setObjectName(QStringLiteral("ScheduleWindow"));
    setWindowTitle(QStringLiteral("Schedule"));
    setWindowFlag(Qt::Window);
    if (!settings_.now)
        settings_.now = [] { return QDateTime::currentMSecsSinceEpoch(); };
    chosen_ = settings_.now();

    auto* edit = new QWidget;
    auto* open = button(QStringLiteral("scheduleOpen"), QStringLiteral("Open"), edit);
    auto* save = button(QStringLiteral("scheduleSave"), QStringLiteral("Save"), edit);
    fileName_ = textLabel(QStringLiteral("scheduleFile"), edit);
    fileName_->setWordWrap(false);
    zoneField_ = new QLineEdit(edit);
    zoneField_->setObjectName(QStringLiteral("scheduleZone"));
    defaultField_ = new QLineEdit(edit);
    defaultField_->setObjectName(QStringLiteral("scheduleDefault"));
    table_ = new RuleTable(edit);
    auto* add = button(QStringLiteral("addRule"), QStringLiteral("Add rule"), edit);
    auto* remove = button(QStringLiteral("removeRule"), QStringLiteral("Remove rule"), edit);
    textPane_ = new QPlainTextEdit(edit);
    textPane_->setObjectName(QStringLiteral("scheduleText"));
    textPane_->setFont(QFont(QStringLiteral("monospace")));
    textPane_->setLineWrapMode(QPlainTextEdit::NoWrap);
    status_ = textLabel(QStringLiteral("scheduleStatus"), edit);

    auto* files = new QHBoxLayout;
    files->addWidget(open);
    files->addWidget(save);
    files->addWidget(fileName_, 1);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Zone"), zoneField_);
    fields->addRow(QStringLiteral("Default"), defaultField_);
    auto* ruleButtons = new QHBoxLayout;
    ruleButtons->addWidget(add);
    ruleButtons->addWidget(remove);
    ruleButtons->addStretch();
    auto* editing = new QVBoxLayout(edit);
    editing->addLayout(files);
    editing->addLayout(fields);
    editing->addWidget(table_, 3);
    editing->addLayout(ruleButtons);
    editing->addWidget(textPane_, 2);
    editing->addWidget(status_);

    auto* week = new QWidget;
    auto* before = button(QStringLiteral("weekBefore"), QStringLiteral("< Week"), week);
    auto* thisWeek = button(QStringLiteral("thisWeek"), QStringLiteral("This week"), week);
    auto* after = button(QStringLiteral("weekAfter"), QStringLiteral("Week >"), week);
    picture_ = new WeekPicture(week);
    plays_ = textLabel(QStringLiteral("chosenPlays"), week);
    auto* preview = button(QStringLiteral("schedulePreview"), QStringLiteral("Preview"), week);
    auto* weeks = new QHBoxLayout;
    weeks->addWidget(before);
    weeks->addWidget(thisWeek);
    weeks->addWidget(after);
    weeks->addStretch();
    auto* playing = new QHBoxLayout;
    playing->addWidget(plays_, 1);
    playing->addWidget(preview);
    auto* showing = new QVBoxLayout(week);
    showing->addLayout(weeks);
    showing->addWidget(picture_, 1);
    showing->addLayout(playing);

    auto* split = new QSplitter(this);
    split->addWidget(edit);
    split->addWidget(week);
    split->setStretchFactor(1, 1);
    split->setSizes({640, 760});
    auto* whole = new QVBoxLayout(this);
    whole->setContentsMargins(4, 4, 4, 4);
    whole->addWidget(split);
    resize(1400, 820);

    connect(open, &QPushButton::clicked, this, &ScheduleWindow::open);
    connect(save, &QPushButton::clicked, this, &ScheduleWindow::save);
    connect(preview, &QPushButton::clicked, this, &ScheduleWindow::preview);
    auto* previewKey = new QAction(QStringLiteral("Preview"), this);
    previewKey->setShortcut(Qt::Key_F5);
    connect(previewKey, &QAction::triggered, this, &ScheduleWindow::preview);
    addAction(previewKey);
    auto* publishKey = new QAction(QStringLiteral("Publish"), this);
    publishKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(publishKey, &QAction::triggered, this, &ScheduleWindow::publish);
    addAction(publishKey);
    connect(table_, &RuleTable::fieldEdited, this,
            [this](int rule, RuleField field, const QString& text) {
                ScheduleLines lines = lines_;
                lines.setField(rule, field, text);
                apply(lines, From::Table);
            });
    for (const auto& [field, name] : {std::pair{zoneField_, QStringLiteral("zone")},
                                      std::pair{defaultField_, QStringLiteral("default")}}) {
        connect(field, &QLineEdit::editingFinished, this, [this, field, name] {
            if (field->text().trimmed() == lines_.setting(name))
                return;
            ScheduleLines lines = lines_;
            lines.setSetting(name, field->text());
            apply(lines, From::Fields);
        });
    }
    connect(textPane_, &QPlainTextEdit::textChanged, this,
            [this] { apply(ScheduleLines(textPane_->toPlainText()), From::Text); });
    connect(add, &QPushButton::clicked, this, [this] {
        ScheduleLines lines = lines_;
        lines.addRule(kNewRule);
        apply(lines, From::Table);
        table_->setCurrentCell(table_->rowCount() - 1, 1);
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (table_->currentRow() < 0)
            return;
        ScheduleLines lines = lines_;
        lines.removeRule(table_->currentRow());
        apply(lines, From::Table);
    });
    const auto weekFrom = [this](int days) {
        const ZoneClock zone = clock();
        choose(zone.at(zone.dayOf(chosen_).addDays(days), zone.minuteOf(chosen_)));
    };
    connect(before, &QPushButton::clicked, this, [weekFrom] { weekFrom(-7); });
    connect(after, &QPushButton::clicked, this, [weekFrom] { weekFrom(7); });
    connect(thisWeek, &QPushButton::clicked, this, [this] { choose(settings_.now()); });
    connect(picture_, &WeekPicture::instantChosen, this, &ScheduleWindow::choose);
    // The line at now moves on.
    auto* tick = new QTimer(this);
    connect(tick, &QTimer::timeout, this,
            [this] { picture_->setInstants(settings_.now(), chosen_); });
    tick->start(30'000);

    apply(ScheduleLines(), From::File);
    modified_ = false;
}

void ScheduleWindow::setText(const QString& text)
{
    apply(ScheduleLines(text), From::File);
}

void ScheduleWindow::apply(const ScheduleLines& lines, From from)
{
    lines_ = lines;
    modified_ = true;
    if (from != From::Text) {
        const QSignalBlocker quiet(textPane_);
        textPane_->setPlainText(lines_.text());
    }
    if (from != From::Fields) {
        zoneField_->setText(lines_.setting(QStringLiteral("zone")));
        defaultField_->setText(lines_.setting(QStringLiteral("default")));
    }
    readAgain();
}

ZoneClock ScheduleWindow::clock() const
{
    return ZoneClock(zone_);
}

LayoutIsWhole ScheduleWindow::wholeLayouts() const
{
    // Before the schedule is saved there is no folder to look in, and every
    // layout is taken to be there.
    QHash<QString, bool> found;
    if (schedule_ && !currentFile_.isEmpty()) {
        const QDir folder = QFileInfo(currentFile_).dir();
        for (const QString& layout : schedule_->layouts())
            found.insert(layout, QFileInfo(folder.filePath(layout)).isFile());
    }
    return [found](const QString& layout) { return found.value(layout, true); };
}

void ScheduleWindow::readAgain()
{
    const auto read = parseSchedule(lines_.text().toUtf8(), settings_.localZone);
    const Instant now = settings_.now();
    int marked = 0;
    if (const auto* refusal = std::get_if<ScheduleRefusal>(&read)) {
        schedule_.reset();
        marked = refusal->line;
        status_->setText(QStringLiteral("Refused: ") + refusal->text());
    } else {
        schedule_ = std::get<Schedule>(read);
        zone_ = schedule_->zone;
        const ZoneClock zone = clock();
        if (const auto overlap = overlapRefusal(*schedule_, zone, now)) {
            marked = overlap->line;
            status_->setText(QStringLiteral("Refused: ") + overlap->text());
        } else {
            const ScheduleDecision decision = decide(*schedule_, zone, now, wholeLayouts());
            status_->setText(QStringLiteral("%1 rules. Now: %2; %3.")
                                 .arg(QString::number(schedule_->rules.size()), decision.target,
                                      decision.next ? QStringLiteral("the next change at ") +
                                                          wallText(zone, *decision.next)
                                                    : QStringLiteral("no change to come")));
        }
    }
    table_->showRules(lines_.rules(), marked, wholeLayouts());
    picture_->setSchedule(schedule_, zone_, wholeLayouts());
    picture_->setInstants(now, chosen_);
    showChosen();
}

void ScheduleWindow::choose(Instant instant)
{
    chosen_ = instant;
    picture_->setInstants(settings_.now(), chosen_);
    showChosen();
}

void ScheduleWindow::showChosen()
{
    if (!schedule_) {
        plays_->setText(QStringLiteral("What plays is not known while the schedule is refused."));
        return;
    }
    const ZoneClock zone = clock();
    const ScheduleDecision decision = decide(*schedule_, zone, chosen_, wholeLayouts());
    plays_->setText(QStringLiteral("%1: %2. %3")
                        .arg(wallText(zone, chosen_),
                             decision.off() ? QStringLiteral("the screen is off")
                                            : decision.target + QStringLiteral(" plays"),
                             decision.why));
}

void ScheduleWindow::publish()
{
    // What is published is the file, with the layouts beside it: unsaved
    // edits are saved first.
    if ((modified_ || currentFile_.isEmpty()) && !save())
        return;
    const auto read = readScheduleFile(currentFile_, settings_.localZone, settings_.now());
    if (const auto* why = std::get_if<QString>(&read)) {
        tell(QStringLiteral("The schedule was not published. ") + *why);
        return;
    }
    const QString target = GetFolderPath(this, dialogs_, lastPublished_);
    if (target.isEmpty())
        return;
    const QString media = QFileInfo(currentFile_).absolutePath();
    const QString failure = publishSchedule(std::get<ScheduleFile>(read), media, target,
                                            currentFile_, {}, rememberedShape);
    if (!failure.isEmpty()) {
        tell(QStringLiteral("The schedule was not published. ") + failure);
        return;
    }
    lastPublished_ = target;
    tell(QStringLiteral("The schedule was published to %1.")
             .arg(QDir::toNativeSeparators(QDir::cleanPath(target))));
}

void ScheduleWindow::tell(const QString& text)
{
    dialogs_.message(this, text, QStringLiteral("Schedule"));
}

bool ScheduleWindow::confirmSetAside()
{
    if (!modified_)
        return true;
    switch (dialogs_.askYesNoCancel(this, QStringLiteral("Save changes to the schedule?"),
                                    QStringLiteral("Confirm"))) {
    case ModalDialogs::Answer::Cancel:
        return false;
    case ModalDialogs::Answer::Yes:
        return save();
    case ModalDialogs::Answer::No:
        break;
    }
    return true;
}

void ScheduleWindow::open()
{
    if (!confirmSetAside())
        return;
    const QString preset =
        currentFile_.isEmpty() ? QString::fromLatin1(kShowScheduleName) : currentFile_;
    if (const auto chosen = dialogs_.openFileName(this, kFilter, preset))
        openFile(*chosen);
}

bool ScheduleWindow::openFile(const QString& path)
{
    const ScheduleFileText read = readScheduleFile(path);
    if (!read.refusal.isEmpty()) {
        tell(read.refusal);
        return false;
    }
    currentFile_ = QFileInfo(path).absoluteFilePath();
    fileName_->setText(QDir::toNativeSeparators(currentFile_));
    apply(ScheduleLines(read.text), From::File);
    modified_ = false;
    return true;
}

bool ScheduleWindow::save()
{
    if (!schedule_ &&
        !dialogs_.askYesNo(this,
                           QStringLiteral("The display would refuse this schedule (%1). "
                                          "Save it all the same?")
                               .arg(status_->text()),
                           QStringLiteral("Confirm")))
        return false;
    const QString preset =
        currentFile_.isEmpty() ? QString::fromLatin1(kShowScheduleName) : currentFile_;
    const auto chosen = dialogs_.saveFileName(this, kFilter, preset);
    if (!chosen)
        return false;
    // A display knows a schedule by its name.
    QString path = *chosen;
    if (!isScheduleName(path))
        path += QStringLiteral(".schedule");
    const bool editing = !currentFile_.isEmpty() && QFileInfo(path) == QFileInfo(currentFile_);
    if (!editing && QFileInfo::exists(path) &&
        !dialogs_.askYesNo(this, QStringLiteral("Cover the old file?"), QStringLiteral("Confirm")))
        return false;
    SaveFiles files;
    if (const QString failure = writeScheduleFile(path, lines_.text(), files); !failure.isEmpty()) {
        tell(QStringLiteral("The schedule was not saved. ") + failure);
        return false;
    }
    currentFile_ = QFileInfo(path).absoluteFilePath();
    fileName_->setText(QDir::toNativeSeparators(currentFile_));
    modified_ = false;
    // The layouts are now looked for beside it.
    readAgain();
    return true;
}

void ScheduleWindow::preview()
{
    if (!schedule_) {
        tell(QStringLiteral("Nothing can be previewed while the schedule is refused. ") +
             status_->text());
        return;
    }
    const ScheduleDecision decision = decide(*schedule_, clock(), chosen_, wholeLayouts());
    if (preview_)
        preview_->close();
    QString why;
    preview_ = previewTarget(decision.target, currentFile_, this, &why);
    if (!preview_)
        tell(why);
}

void ScheduleWindow::closeEvent(QCloseEvent* event)
{
    if (!confirmSetAside()) {
        event->ignore();
        return;
    }
    if (preview_)
        preview_->close();
    event->accept();
}

ScheduleWindow& showScheduleWindow(QWidget* owner, ModalDialogs& dialogs)
{
    return showOwnedWindow<ScheduleWindow>(owner, dialogs, ScheduleWindowSettings{});
}

} // namespace tv
