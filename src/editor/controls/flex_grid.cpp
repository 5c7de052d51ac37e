#include "editor/controls/flex_grid.h"

#include "base/twips.h"
#include "editor/controls/grid_cells.h"

#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>

#include <algorithm>

namespace tv {

namespace {
constexpr int kRowHeightPixels = 18;
}

FlexGrid::FlexGrid(QWidget* parent) : QTableView(parent), cells_(new GridCells(this))
{
    setModel(cells_);
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
        cells_->setAlignment(col, Qt::AlignLeft | Qt::AlignVCenter);
        widthsTwips_[static_cast<std::size_t>(col)] = pixelsToTwips(columnWidth(col));
    }
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                followCurrentCell(current.row(), current.column());
                emit currentCellChanged(current.row(), current.column(), previous.row(),
                                        previous.column());
            });
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

int FlexGrid::Rows() const
{
    return cells_->rowCount() + 1;
}

void FlexGrid::setRows(int rows)
{
    cells_->resize(rows - 1);
    if (currentRow_ >= Rows())
        currentRow_ = Rows() - 1;
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    if (col < 0 || col >= kCols)
        return {};
    return row == 0 ? cells_->headerText(col) : cells_->text(row - 1, col);
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text)
{
    if (col < 0 || col >= kCols)
        return;
    if (row == 0)
        cells_->setHeaderText(col, text);
    else
        cells_->writeTexts(row - 1, col, {QStringList{text}});
}

void FlexGrid::setRowTexts(int row, int col, const QList<QStringList>& rows)
{
    cells_->writeTexts(row - 1, col, rows);
}

void FlexGrid::fillRows(const QList<QStringList>& rows)
{
    cells_->replaceRows(rows);
    if (currentRow_ >= Rows())
        currentRow_ = Rows() - 1;
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
    return col >= 0 && col < kCols ? cells_->alignment(col) : Qt::Alignment();
}

void FlexGrid::setColAlignment(int col, Qt::Alignment alignment)
{
    if (col >= 0 && col < kCols)
        cells_->setAlignment(col, alignment);
}

void FlexGrid::AddItem()
{
    cells_->insertAt(cells_->rowCount());
}

void FlexGrid::RemoveItem(int row)
{
    if (row >= 1 && row < Rows())
        cells_->removeAt(row - 1);
}

void FlexGrid::setCurrentCell(int row, int col)
{
    if (row <= 0) {
        setCurrentIndex(QModelIndex());
        currentRow_ = 0;
        currentCol_ = col;
        return;
    }
    setCurrentIndex(cells_->index(row - 1, col));
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
    const QColor own = row > 0 ? cells_->background(row - 1, col) : QColor();
    return own.isValid() ? own : palette().color(QPalette::Base);
}

void FlexGrid::setCellBackColor(int row, int col, const QColor& color)
{
    if (row > 0)
        cells_->setBackground(row - 1, col, color);
}

QString FlexGrid::note() const
{
    return note_ ? note_->text() : QString();
}

void FlexGrid::setNote(const QString& note, const QString& tip)
{
    // Laying the grid out again is what costs: only a change does it.
    if (this->note() == note && (!note_ || note_->toolTip() == tip))
        return;
    if (!note_) {
        note_ = new QLabel(this);
        note_->setObjectName(QStringLiteral("note"));
        // Names in it are the folder's: plain text, never markup.
        note_->setTextFormat(Qt::PlainText);
        note_->setIndent(4);
    }
    note_->setText(note);
    note_->setToolTip(tip);
    note_->setVisible(!note.isEmpty());
    keepNoteRoom();
    placeNote();
}

int FlexGrid::noteRoom() const
{
    return note_ && !note_->text().isEmpty() ? kRowHeightPixels : 0;
}

void FlexGrid::keepNoteRoom()
{
    // Room below the rows, so the note never covers the last of them. The
    // view keeps the other margins for its header.
    const QMargins margins = viewportMargins();
    if (margins.bottom() != noteRoom())
        setViewportMargins(margins.left(), margins.top(), margins.right(), noteRoom());
}

void FlexGrid::updateGeometries()
{
    // The view sets all its viewport margins anew, for its header, whenever
    // it lays itself out, and so drops the note's room. Giving the room back
    // lays the view out once more, so its scroll range ends where the note
    // begins and the last row shows whole above it.
    QTableView::updateGeometries();
    keepNoteRoom();
}

void FlexGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    placeNote();
}

void FlexGrid::placeNote()
{
    if (!note_)
        return;
    // In the margin left below the rows, above a scroll bar if there is one.
    const QRect inside = contentsRect();
    const int bar = horizontalScrollBar()->isVisible() ? horizontalScrollBar()->height() : 0;
    note_->setGeometry(inside.left(), inside.bottom() + 1 - bar - kRowHeightPixels,
                       inside.width() -
                           (verticalScrollBar()->isVisible() ? verticalScrollBar()->width() : 0),
                       kRowHeightPixels);
    note_->raise();
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
