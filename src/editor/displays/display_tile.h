#pragma once

#include "report/desk_reports.h"
#include "report/status_judge.h"

#include <QFrame>

class QLabel;

namespace tv {

// One display on the desk: its screenshot, its name, its states in colour,
// what plays since when and what comes next, and its problems. Every text
// from a report is shown as plain text.
class DisplayTile final : public QFrame {
    Q_OBJECT
public:
    explicit DisplayTile(QWidget* parent = nullptr);

    void showReport(const DisplayReport& report, const QList<StatusState>& states);

    // The colour a tile's states are told in: well, to be looked at, wrong.
    static QColor stateColour(const QList<StatusState>& states);
    static constexpr int kScreenSide = 240;

private:
    QLabel* screen_;
    QLabel* name_;
    QLabel* states_;
    QLabel* playing_;
    QLabel* problems_;
};

} // namespace tv
