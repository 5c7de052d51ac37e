#include "editor/schedule/rule_table.h"

#include <QHeaderView>
#include <QScopedValueRollback>

namespace tv {

RuleTable::RuleTable(QWidget* parent) : QTableWidget(parent)
{
    setObjectName(QStringLiteral("scheduleRules"));
    setColumnCount(1 + kRuleFields);
    setHorizontalHeaderLabels({QStringLiteral("Line"), QStringLiteral("Layout"),
                               QStringLiteral("Days"), QStringLiteral("Hours"),
                               QStringLiteral("Dates"), QStringLiteral("Slices"),
                               QStringLiteral("Priority")});
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!showing_ && item->column() > 0)
            emit fieldEdited(item->row(), RuleField(item->column() - 1), item->text());
    });
}

void RuleTable::showRules(const QList<RuleRow>& rows, int markedLine, const LayoutIsWhole& found)
{
    // The items are kept and their texts set, since this is called while a
    // cell's edit is being taken.
    const QScopedValueRollback showing(showing_, true);
    setRowCount(int(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        const bool marked = rows[row].line == markedLine;
        for (int column = 0; column <= kRuleFields; ++column) {
            QTableWidgetItem* cell = item(row, column);
            if (!cell) {
                cell = new QTableWidgetItem;
                if (column == 0)
                    cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
                setItem(row, column, cell);
            }
            cell->setText(column == 0 ? QString::number(rows[row].line)
                                      : rows[row].fields[column - 1]);
            cell->setBackground(marked ? QBrush(QColor::fromRgb(kMarkedColour)) : QBrush());
        }
        const QString layout = rows[row].fields[int(RuleField::Layout)];
        const bool missing = layout != QLatin1String("off") && !layout.isEmpty() && !found(layout);
        QTableWidgetItem* cell = item(row, 1 + int(RuleField::Layout));
        cell->setForeground(missing ? QBrush(QColor::fromRgb(kMissingColour)) : QBrush());
        cell->setToolTip(missing ? QStringLiteral("Not found beside the schedule: a display plays "
                                                  "the next rule that holds instead.")
                                 : QString());
    }
    resizeColumnsToContents();
}

} // namespace tv
