#include "editor/schedule/week_picture.h"

#include "editor/schedule/layout_colour.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <limits>

namespace tv {

namespace {

constexpr int kHeader = 36;
constexpr int kGutter = 84;
constexpr int kLegend = 52;
constexpr int kMargin = 4;
constexpr Instant kNever = std::numeric_limits<Instant>::max();

const QColor kEmpty(214, 214, 214);
const QColor kSkipped(150, 150, 150);
const QBrush kHatch(QColor(0, 0, 0, 120), Qt::BDiagPattern);

// What one row of pixels of a day shows.
struct Row {
    enum class Kind { Plays, Skipped, Absent } kind = Kind::Absent;
    QString target;       // what plays at the row's instant
    QStringList briefly;  // what plays later in the row, as slices do
    QList<int> losing;    // rules that hold during the row but never play in it
    bool overlap = false; // two rules of one priority hold at its instant
};

// Asks decide() and ruleHolds() row by row down a day, asking again only at
// the next edge they gave: nothing changes before it.
class DayRows {
public:
    DayRows(const Schedule& schedule, const ZoneClock& clock, const LayoutIsWhole& whole)
        : schedule_(schedule), clock_(clock), whole_(whole), holds_(schedule.rules.size()),
          held_(schedule.rules.size(), {kNever, kNever})
    {
    }

    Row at(Instant start, Instant end)
    {
        Row row;
        row.kind = Row::Kind::Plays;
        const ScheduleDecision first = decisionAt(start);
        row.target = first.target;
        QList<int> playing{first.rule};
        for (Instant next = first.next.value_or(kNever); next < end;) {
            const ScheduleDecision& later = decisionAt(next);
            if (!playing.contains(later.rule)) {
                playing << later.rule;
                row.briefly << later.target;
            }
            next = later.next.value_or(kNever);
        }
        QList<int> priorities;
        for (int i = 0; i < schedule_.rules.size(); ++i) {
            const ScheduleRule& rule = schedule_.rules[i];
            auto& [from, until] = held_[i];
            if (!(start >= from && start < until)) {
                holds_[i] = ruleHolds(rule, clock_, start);
                from = start;
                until = nextEdge(rule, clock_, start).value_or(kNever);
            }
            if (!playing.contains(i) && holdsBefore(i, end))
                row.losing << i;
            if (holds_[i]) {
                row.overlap = row.overlap || priorities.contains(rule.priority);
                priorities << rule.priority;
            }
        }
        return row;
    }

private:
    // Whether the rule holds at the row's instant or at one of its edges
    // before `end`: an edge may end a window it was not holding in.
    bool holdsBefore(int rule, Instant end) const
    {
        if (holds_[rule])
            return true;
        for (std::optional<Instant> edge = held_[rule].second; edge && *edge < end;
             edge = nextEdge(schedule_.rules[rule], clock_, *edge)) {
            if (ruleHolds(schedule_.rules[rule], clock_, *edge))
                return true;
        }
        return false;
    }

    const ScheduleDecision& decisionAt(Instant instant)
    {
        if (!(instant >= decidedFrom_ && instant < decidedUntil_)) {
            decision_ = decide(schedule_, clock_, instant, whole_);
            decidedFrom_ = instant;
            decidedUntil_ = decision_.next.value_or(kNever);
        }
        return decision_;
    }

    const Schedule& schedule_;
    const ZoneClock& clock_;
    const LayoutIsWhole& whole_;
    ScheduleDecision decision_;
    Instant decidedFrom_ = kNever;
    Instant decidedUntil_ = kNever;
    QList<bool> holds_;
    QList<std::pair<Instant, Instant>> held_;
};

// The rows of a day's column, `height` pixels down the axis.
QList<Row> rowsOfDay(const Schedule& schedule, const WeekAxis& axis, const LayoutIsWhole& whole,
                     int column, int height)
{
    const double rowMinutes = double(axis.minutes()) / height;
    QList<Row> rows;
    DayRows day(schedule, axis.clock(), whole);
    for (int y = 0; y < height; ++y) {
        // As WeekPicture::minuteOfRow() has it, to the last bit.
        const double minute = double(y) * axis.minutes() / height;
        if (const std::optional<Instant> start = axis.instantAt(column, minute)) {
            rows << day.at(*start, *start + Instant(rowMinutes * kMinuteMs));
            continue;
        }
        Row row;
        const bool repeated = axis.repeatMinutes() && minute >= axis.repeatStart() &&
                              minute < axis.repeatStart() + axis.repeatMinutes();
        row.kind = repeated ? Row::Kind::Absent : Row::Kind::Skipped;
        rows << row;
    }
    return rows;
}

// Red edges round rules of one priority holding at once.
void outline(QPainter& painter, const QRect& mark)
{
    const QColor red = QColor::fromRgb(WeekPicture::kOverlapColour);
    painter.fillRect(mark.left(), mark.top(), 2, mark.height(), red);
    painter.fillRect(mark.right() - 1, mark.top(), 2, mark.height(), red);
    painter.fillRect(mark.left(), mark.top(), mark.width(), 2, red);
    painter.fillRect(mark.left(), mark.bottom() - 1, mark.width(), 2, red);
}

QString hourText(int minute)
{
    return QStringLiteral("%1:%2")
        .arg(minute / 60 % 24, 2, 10, QLatin1Char('0'))
        .arg(minute % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

WeekPicture::WeekPicture(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("weekPicture"));
    setMinimumSize(420, 360);
    axis_.emplace(ZoneClock(QTimeZone::utc()), QDate(1970, 1, 1));
}

void WeekPicture::setSchedule(const std::optional<Schedule>& schedule, const QTimeZone& zone,
                              LayoutIsWhole whole)
{
    schedule_ = schedule;
    colours_ = LayoutColours(schedule ? schedule->layouts() : QStringList());
    whole_ = std::move(whole);
    axis_.emplace(ZoneClock(schedule ? schedule->zone : zone), axis_->monday());
    setInstants(now_, chosen_);
    image_ = QImage();
    update();
}

void WeekPicture::setInstants(Instant now, Instant chosen)
{
    ZoneClock clock = axis_->clock();
    // The header marks today.
    if (clock.dayOf(now) != clock.dayOf(now_))
        image_ = QImage();
    now_ = now;
    chosen_ = chosen;
    const QDate day = clock.dayOf(chosen);
    if (day < axis_->monday() || day > axis_->day(6)) {
        axis_.emplace(std::move(clock), day);
        image_ = QImage();
    }
    update();
}

QRect WeekPicture::plot() const
{
    return QRect(kGutter, kHeader, width() - kGutter - kMargin,
                 height() - kHeader - kLegend - kMargin);
}

QRect WeekPicture::column(int index) const
{
    const QRect area = plot();
    const int left = area.left() + area.width() * index / 7;
    const int right = area.left() + area.width() * (index + 1) / 7;
    return QRect(left + 2, area.top(), right - left - 3, area.height());
}

double WeekPicture::minuteOfRow(int y) const
{
    return double(y - plot().top()) * axis_->minutes() / plot().height();
}

std::optional<Instant> WeekPicture::instantAt(QPoint point) const
{
    const QRect area = plot();
    if (!area.contains(point))
        return std::nullopt;
    const int index = (point.x() - area.left()) * 7 / area.width();
    return axis_->instantAt(index, minuteOfRow(point.y()));
}

std::optional<QPoint> WeekPicture::pointOf(Instant instant) const
{
    const std::optional<WeekAxis::Place> place = axis_->placeOf(instant);
    if (!place)
        return std::nullopt;
    const QRect area = column(place->column);
    const int y = area.top() + int(place->minute * area.height() / axis_->minutes());
    const int winner = winnerWidth(area);
    return QPoint(area.left() + (winner - briefWidth(winner)) / 2, y);
}

void WeekPicture::resizeEvent(QResizeEvent* event)
{
    image_ = QImage();
    QWidget::resizeEvent(event);
}

void WeekPicture::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    if (const std::optional<Instant> instant = instantAt(event->position().toPoint()))
        emit instantChosen(*instant);
}

void WeekPicture::render()
{
    image_ = QImage(size(), QImage::Format_RGB32);
    image_.fill(palette().color(QPalette::Window));
    QPainter painter(&image_);
    painter.setFont(font());
    drawFrame(painter);
    for (int index = 0; index < 7; ++index)
        drawColumn(painter, index);
    drawLegend(painter);
}

void WeekPicture::drawColumn(QPainter& painter, int index) const
{
    const QRect area = column(index);
    if (!schedule_) {
        painter.fillRect(area, kEmpty);
        return;
    }
    const QList<Row> rows = rowsOfDay(*schedule_, *axis_, whole_, index, area.height());
    // Each rule that loses on this day has a lane of its own beside what
    // plays, in the schedule's order.
    QList<int> lanes;
    for (const Row& row : rows)
        for (const int rule : row.losing)
            if (!lanes.contains(rule))
                lanes << rule;
    std::sort(lanes.begin(), lanes.end());
    const int winner = winnerWidth(area);
    const int side = area.width() - winner - 1;
    const auto notWhole = [this](const QString& target) {
        return target != QLatin1String("off") && whole_ && !whole_(target);
    };
    int overlapFrom = -1;
    for (int i = 0; i <= int(rows.size()); ++i) {
        const int y = area.top() + i;
        const bool overlap = i < rows.size() && rows[i].overlap;
        if (overlap && overlapFrom < 0)
            overlapFrom = y;
        if (!overlap && overlapFrom >= 0) {
            // Drawn once the rows under it are.
            outline(painter, QRect(area.left(), overlapFrom, area.width(), y - overlapFrom));
            overlapFrom = -1;
        }
        if (i == rows.size())
            break;
        const Row& row = rows[i];
        if (row.kind != Row::Kind::Plays) {
            painter.fillRect(area.left(), y, area.width(), 1, kEmpty);
            if (row.kind == Row::Kind::Skipped)
                painter.fillRect(area.left(), y, area.width(), 1,
                                 QBrush(kSkipped, Qt::FDiagPattern));
            continue;
        }
        // What plays at the row's instant, and at its edge what plays later
        // in the row.
        const int main = winner - briefWidth(winner);
        painter.fillRect(area.left(), y, winner, 1, colours_.of(row.target));
        for (int k = 0; k < row.briefly.size(); ++k) {
            const int left = area.left() + main + briefWidth(winner) * k / int(row.briefly.size());
            const int right =
                area.left() + main + briefWidth(winner) * (k + 1) / int(row.briefly.size());
            painter.fillRect(left, y, right - left, 1, colours_.of(row.briefly[k]));
        }
        if (notWhole(row.target))
            painter.fillRect(area.left(), y, main, 1, kHatch);
        for (int lane = 0; lane < lanes.size(); ++lane) {
            if (!row.losing.contains(lanes[lane]))
                continue;
            const int left = area.left() + winner + 1 + side * lane / int(lanes.size());
            const int right = area.left() + winner + 1 + side * (lane + 1) / int(lanes.size());
            const QString target = schedule_->rules[lanes[lane]].target();
            painter.fillRect(left, y, right - left, 1, fadedColour(colours_.of(target)));
            if (notWhole(target))
                painter.fillRect(left, y, right - left, 1, kHatch);
        }
    }
}

void WeekPicture::drawFrame(QPainter& painter) const
{
    const QRect area = plot();
    const QColor text = palette().color(QPalette::WindowText);
    const QLocale c = QLocale::c();
    const QDate today = axis_->clock().dayOf(now_);
    for (int index = 0; index < 7; ++index) {
        const QRect day = column(index);
        const QDate date = axis_->day(index);
        QFont font = painter.font();
        font.setBold(date == today);
        painter.setFont(font);
        painter.setPen(text);
        QString caption = c.toString(date, QStringLiteral("ddd d MMM"));
        if (const qint64 hours = axis_->dayMs(index) / kHourMs; hours != 24)
            caption += QStringLiteral("\n%1-hour day").arg(hours);
        painter.drawText(QRect(day.left(), 0, day.width(), kHeader - 2),
                         Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap, caption);
    }
    painter.setFont(font());
    painter.drawText(QRect(0, 0, area.left() - 6, kHeader - 2), Qt::AlignRight | Qt::AlignBottom,
                     QString::number(axis_->monday().year()));
    // An hour a label where there is room, else every second or third.
    const double perHour = area.height() * 60.0 / axis_->minutes();
    const int step = perHour >= 16 ? 1 : perHour >= 8 ? 2 : 3;
    const auto yOf = [&](double minute) {
        return area.top() + int(minute * area.height() / axis_->minutes());
    };
    if (axis_->repeatMinutes()) {
        const int top = yOf(axis_->repeatStart());
        const int bottom = yOf(axis_->repeatStart() + axis_->repeatMinutes());
        painter.fillRect(QRect(0, top, area.left(), bottom - top), QColor(255, 236, 170));
        painter.drawText(QRect(0, top, area.left() - 6, bottom - top),
                         Qt::AlignRight | Qt::AlignVCenter,
                         hourText(axis_->repeatWall()) + QStringLiteral(" again"));
    }
    for (int hour = 0; hour <= 24; hour += step) {
        const int y = yOf(axis_->axisMinuteOf(hour * 60));
        painter.setPen(text);
        painter.drawText(QRect(0, y - 8, area.left() - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                         hourText(hour * 60));
        painter.setPen(QColor(160, 160, 160));
        painter.drawLine(area.left() - 4, y, area.left(), y);
    }
}

void WeekPicture::drawLegend(QPainter& painter) const
{
    const QRect area(kGutter, height() - kLegend - kMargin + 4, width() - kGutter - kMargin,
                     kLegend - 4);
    const QFontMetrics metrics(painter.font());
    QStringList names;
    if (schedule_) {
        names = schedule_->layouts();
        const bool off = schedule_->defaultTarget().isEmpty() || schedule_->defaultOff ||
                         std::any_of(schedule_->rules.begin(), schedule_->rules.end(),
                                     [](const ScheduleRule& rule) { return rule.off; });
        if (off)
            names << QStringLiteral("off");
    }
    int x = area.left();
    const int line = metrics.height() + 4;
    for (const QString& name : names) {
        const int wide = 14 + metrics.horizontalAdvance(name) + 12;
        if (x + wide > area.right())
            break;
        painter.fillRect(x, area.top() + 3, 10, line - 6, colours_.of(name));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(x + 14, area.top(), wide, line), Qt::AlignVCenter, name);
        x += wide;
    }
    painter.drawText(QRect(area.left(), area.top() + line, area.width(), area.height() - line),
                     Qt::AlignTop | Qt::TextWordWrap,
                     QStringLiteral("Solid: plays; at its right, what plays later in the row.  "
                                    "Pale: holds, never plays.  Hatched: layout not found.  "
                                    "Red edge: same priority at once."));
}

void WeekPicture::paintEvent(QPaintEvent*)
{
    if (image_.size() != size())
        render();
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
    // Now: a line across its day.
    if (const std::optional<QPoint> now = pointOf(now_)) {
        const QRect day = column(axis_->placeOf(now_)->column);
        painter.fillRect(day.left(), now->y() - 1, day.width(), 3, Qt::white);
        painter.fillRect(day.left(), now->y(), day.width(), 1, Qt::black);
    }
    // The chosen instant: a mark beside what plays, never over it.
    if (const std::optional<QPoint> chosen = pointOf(chosen_)) {
        const QRect day = column(axis_->placeOf(chosen_)->column);
        const int left = day.left() + winnerWidth(day) + 1;
        painter.setPen(QPen(Qt::black, 2, Qt::DashLine));
        painter.drawLine(left, chosen->y(), day.right(), chosen->y());
        painter.setBrush(Qt::black);
        const QPoint tip(left, chosen->y());
        const QPoint arrow[] = {tip, tip + QPoint(6, -5), tip + QPoint(6, 5)};
        painter.drawPolygon(arrow, 3);
    }
}

} // namespace tv
