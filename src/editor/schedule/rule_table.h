#pragma once

#include "editor/schedule/schedule_lines.h"
#include "schedule/schedule_decision.h"

#include <QTableWidget>

namespace tv {

// The rules of a schedule, a row each, a column for each part of a rule; the
// first column is the line in the file. What is typed in a cell is handed on
// as is: the schedule's text is rewritten from it and read again, and the
// table then shows what the text says.
class RuleTable final : public QTableWidget {
    Q_OBJECT
public:
    explicit RuleTable(QWidget* parent = nullptr);

    // Shows the rule lines; the row of `markedLine` is marked (the status
    // below the table says why), and so is each layout `found` does not find.
    void showRules(const QList<RuleRow>& rows, int markedLine, const LayoutIsWhole& found);

    static constexpr QRgb kMarkedColour = 0xffffc8c8;
    static constexpr QRgb kMissingColour = 0xffc00000;

signals:
    void fieldEdited(int rule, RuleField field, const QString& text);

private:
    bool showing_ = false;
};

} // namespace tv
