#pragma once

#include "editor/schedule/layout_colour.h"
#include "editor/schedule/week_axis.h"
#include "schedule/schedule_decision.h"

#include <QImage>
#include <QWidget>

#include <optional>

namespace tv {

// The week a schedule plays, drawn a column a day down the wall-clock hours.
// Each row of pixels shows what decide() picks at the row's instant, solid,
// with what it picks later in the row at its right edge; beside it, pale,
// the rules that hold during the row but never play in it. Layouts that are
// not whole are hatched, rules of one priority that hold at once are
// outlined in red, and a line marks now. Clicking chooses an instant.
class WeekPicture final : public QWidget {
    Q_OBJECT
public:
    explicit WeekPicture(QWidget* parent = nullptr);

    // What is drawn: the schedule, or none while its text is refused (the
    // week is drawn in `zone`, empty); and which layouts are whole.
    void setSchedule(const std::optional<Schedule>& schedule, const QTimeZone& zone,
                     LayoutIsWhole whole);
    // The week drawn is the one that holds `chosen`.
    void setInstants(Instant now, Instant chosen);
    Instant chosen() const { return chosen_; }
    const WeekAxis& axis() const { return *axis_; }

    // The instant of the row under the point; none off the days, or where a
    // day has no such time.
    std::optional<Instant> instantAt(QPoint point) const;
    // The middle of what plays, on the row that holds the instant; none
    // outside the week drawn.
    std::optional<QPoint> pointOf(Instant instant) const;

    static constexpr QRgb kOverlapColour = 0xffe00000;

    QSize sizeHint() const override { return {760, 640}; }

signals:
    void instantChosen(Instant instant);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect plot() const;
    QRect column(int index) const;
    // The lane of what plays, and the strip at its right for what plays
    // later in the row (a slice shorter than a row shows there).
    int winnerWidth(const QRect& column) const { return column.width() * 5 / 8; }
    static int briefWidth(int winner) { return winner / 5; }
    double minuteOfRow(int y) const;
    void render();
    void drawColumn(QPainter& painter, int index) const;
    void drawFrame(QPainter& painter) const;
    void drawLegend(QPainter& painter) const;

    std::optional<Schedule> schedule_;
    LayoutColours colours_;
    LayoutIsWhole whole_;
    std::optional<WeekAxis> axis_;
    Instant now_ = 0;
    Instant chosen_ = 0;
    // The week as drawn, without the marks of now and the chosen instant.
    QImage image_;
};

} // namespace tv
