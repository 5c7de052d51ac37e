#include "controls/flex_grid.h"

#include "geometry/twips.h"

#include <QHeaderView>

#include <algorithm>

namespace tv {

namespace {
constexpr int kRowHeightPixels = 18;
}

FlexGrid::FlexGrid(QWidget* parent) : QTableWidget(0, kCols, parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab moves on to the next control of the form, not through the cells.
    setTabKeyNavigation(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeightPixels);
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    for (int col = 0; col < kCols; ++col) {
        alignments_[static_cast<std::size_t>(col)] = Qt::AlignLeft | Qt::AlignVCenter;
        setHorizontalHeaderItem(col, new QTableWidgetItem());
        widthsTwips_[static_cast<std::size_t>(col)] = pixelsToTwips(columnWidth(col));
    }
    connect(this, &QTableWidget::currentCellChanged, this,
            [this](int row, int col, int, int) { followCurrentCell(row, col); });
}

FlexGrid* FlexGrid::cloneOf(const FlexGrid& templ)
{
    auto* grid = new FlexGrid(templ.parentWidget());
    grid->setGeometry(templ.geometry());
    grid->setFont(templ.font());
    grid->setPalette(templ.palette());
    for (int col = 0; col < kCols; ++col) {
        grid->setColWidth(col, templ.ColWidth(col));
        grid->setColAlignment(col, templ.ColAlignment(col));
    }
    return grid;
}

void FlexGrid::setRows(int rows)
{
    setRowCount(std::max(0, rows - 1));
    if (currentRow_ >= Rows())
        currentRow_ = Rows() - 1;
}

QTableWidgetItem* FlexGrid::cell(int row, int col) const
{
    if (col < 0 || col >= kCols || row < 0 || row >= Rows())
        return nullptr;
    return row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
}

QTableWidgetItem* FlexGrid::ensureCell(int row, int col)
{
    if (QTableWidgetItem* existing = cell(row, col))
        return existing;
    if (row <= 0 || row >= Rows() || col < 0 || col >= kCols)
        return nullptr;
    auto* created = new QTableWidgetItem();
    created->setTextAlignment(alignments_[static_cast<std::size_t>(col)]);
    setItem(row - 1, col, created);
    return created;
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    const QTableWidgetItem* found = cell(row, col);
    return found ? found->text() : QString();
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text)
{
    if (QTableWidgetItem* target = ensureCell(row, col))
        target->setText(text);
}

int FlexGrid::ColWidth(int col) const
{
    return col >= 0 && col < kCols ? widthsTwips_[static_cast<std::size_t>(col)] : 0;
}

void FlexGrid::setColWidth(int col, int twips)
{
    if (col < 0 || col >= kCols)
        return;
    widthsTwips_[static_cast<std::size_t>(col)] = twips;
    const int pixels = twipsToPixels(twips);
    // A column of width 0 is how the grid keeps a column out of sight.
    setColumnHidden(col, pixels <= 0);
    if (pixels > 0)
        setColumnWidth(col, pixels);
}

Qt::Alignment FlexGrid::ColAlignment(int col) const
{
    return col >= 0 && col < kCols ? alignments_[static_cast<std::size_t>(col)] : Qt::Alignment();
}

void FlexGrid::setColAlignment(int col, Qt::Alignment alignment)
{
    if (col < 0 || col >= kCols)
        return;
    alignments_[static_cast<std::size_t>(col)] = alignment;
    horizontalHeaderItem(col)->setTextAlignment(alignment);
    for (int row = 0; row < rowCount(); ++row)
        if (QTableWidgetItem* existing = item(row, col))
            existing->setTextAlignment(alignment);
}

void FlexGrid::AddItem()
{
    insertRow(rowCount());
}

void FlexGrid::RemoveItem(int row)
{
    if (row >= 1 && row < Rows())
        removeRow(row - 1);
}

void FlexGrid::setCurrentCell(int row, int col)
{
    if (row <= 0) {
        QTableWidget::setCurrentCell(-1, -1);
        currentRow_ = 0;
        currentCol_ = col;
        return;
    }
    QTableWidget::setCurrentCell(row - 1, col);
    currentRow_ = row;
    currentCol_ = col;
}

void FlexGrid::followCurrentCell(int tableRow, int tableCol)
{
    if (tableRow < 0)
        return;
    currentRow_ = tableRow + 1;
    currentCol_ = tableCol;
}

QColor FlexGrid::CellBackColor(int row, int col) const
{
    const QTableWidgetItem* found = cell(row, col);
    if (!found || row == 0 || found->background().style() == Qt::NoBrush)
        return palette().color(QPalette::Base);
    return found->background().color();
}

void FlexGrid::setCellBackColor(int row, int col, const QColor& color)
{
    if (row <= 0)
        return;
    if (QTableWidgetItem* target = ensureCell(row, col))
        target->setBackground(color);
}

void prepareFileColumns(FlexGrid& grid)
{
    constexpr Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    constexpr Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    grid.setColWidth(0, 0);
    grid.setColWidth(1, 600);
    grid.setColWidth(2, 3100);
    grid.setColWidth(3, 980);
    grid.setColAlignment(1, left);
    grid.setColAlignment(2, left);
    grid.setColAlignment(3, right);
    grid.setTextMatrix(0, 1, QStringLiteral("No."));
    grid.setTextMatrix(0, 2, QStringLiteral("File"));
    grid.setTextMatrix(0, 3, QStringLiteral("Size"));
}

} // namespace tv
