#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace tv {

// What the displays played from `from` to `to` (their own days, both
// included), as CSV: "display,date,item,plays,seconds", one row per display,
// day and item, in that order. A failed item is no play; the seconds are
// the plays' monotonic durations summed, then rounded.
//
// `reportDir` is one display's report folder (it holds plays/) or a folder of
// them, as a desk gathers them; a display is named by its status.json, else
// by its folder. No link below `reportDir` is followed. nullopt, with `why`
// set, when the dates are none or `reportDir` holds no plays; a day file that
// does not read is left out and named in `unread` with the reason.
std::optional<QString> sumPlays(const QString& reportDir, QDate from, QDate to, QString* why,
                                QStringList* unread = nullptr);

// A CSV field as a spreadsheet will take it: quoted when it holds a comma, a
// quote or a line break, and a leading = + - @ tab or CR behind a ' so that
// a name is never run as a formula.
QString csvField(const QString& text);

} // namespace tv
