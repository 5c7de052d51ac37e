#pragma once

#include "report/desk_reports.h"
#include "report/status_judge.h"

#include <QJsonObject>
#include <QList>
#include <QString>

namespace tv {

// What holds for a display at the desk's instant: its status judged, or
// NO STATUS, or UNREADABLE with why.
QList<StatusState> judgeReport(const DisplayReport& report, qint64 deskNowMs, qint64 syncLagMs);

// What plays since when, and what comes next, on the display's own clock:
//   lunch.TXT since 11:00 (line 4), next afternoon.TXT at 15:00
QString playingText(const DisplayStatus& status);
// Whether the states say the display is well.
bool isOk(const QList<StatusState>& states);

// One line for the display, its names escaped: its name, its states, what
// plays since when and what comes next, the times on the display's own
// clocks (with the day when it is not the status's):
//   cafe  OK  lunch.TXT since 11:00 (line 4), next afternoon.TXT at 15:00
QString reportLine(const DisplayReport& report, const QList<StatusState>& states);

// The display as JSON: its name, its states and the status as read (null
// when it has none, with why in "unreadable").
QJsonObject reportJson(const DisplayReport& report, const QList<StatusState>& states);

} // namespace tv
