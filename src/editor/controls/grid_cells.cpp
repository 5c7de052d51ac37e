#include "editor/controls/grid_cells.h"

#include <algorithm>

namespace tv {

int GridCells::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int GridCells::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kCols;
}

bool GridCells::inside(int row, int col) const
{
    return row >= 0 && row < rows_.size() && col >= 0 && col < kCols;
}

QVariant GridCells::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !inside(index.row(), index.column()))
        return {};
    const Cell& cell = rows_[index.row()][std::size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        return cell.text;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(alignments_[std::size_t(index.column())]);
    case Qt::ToolTipRole:
        // The whole text, where a narrow column cuts it.
        return cell.text.isEmpty() ? QVariant() : QVariant(cell.text);
    case Qt::BackgroundRole:
        return cell.background.isValid() ? QVariant(cell.background) : QVariant();
    default:
        return {};
    }
}

QVariant GridCells::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kCols)
        return {};
    if (role == Qt::DisplayRole)
        return header_[std::size_t(section)];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(alignments_[std::size_t(section)]);
    return {};
}

Qt::ItemFlags GridCells::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void GridCells::resize(int rows)
{
    rows = std::max(0, rows);
    const int now = int(rows_.size());
    if (rows > now) {
        beginInsertRows({}, now, rows - 1);
        rows_.resize(rows);
        endInsertRows();
    } else if (rows < now) {
        beginRemoveRows({}, rows, now - 1);
        rows_.resize(rows);
        endRemoveRows();
    }
}

void GridCells::insertAt(int row)
{
    row = std::clamp(row, 0, int(rows_.size()));
    beginInsertRows({}, row, row);
    rows_.insert(row, Row{});
    endInsertRows();
}

void GridCells::removeAt(int row)
{
    if (row < 0 || row >= rows_.size())
        return;
    beginRemoveRows({}, row, row);
    rows_.remove(row);
    endRemoveRows();
}

GridCells::Row GridCells::rowOf(const QStringList& texts)
{
    Row row;
    for (int col = 0; col < std::min(int(texts.size()), kCols); ++col)
        row[std::size_t(col)].text = texts[col];
    return row;
}

void GridCells::replaceRows(const QList<QStringList>& rows)
{
    resize(0);
    if (rows.isEmpty())
        return;
    beginInsertRows({}, 0, int(rows.size()) - 1);
    rows_.reserve(rows.size());
    for (const QStringList& texts : rows)
        rows_.append(rowOf(texts));
    endInsertRows();
}

void GridCells::writeTexts(int row, int col, const QList<QStringList>& rows)
{
    int widest = col;
    int last = row - 1;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const int target = row + int(r);
        if (target < 0 || target >= rows_.size() || col < 0)
            continue;
        for (int c = 0; c < rows[r].size() && col + c < kCols; ++c) {
            rows_[target][std::size_t(col + c)].text = rows[r][c];
            widest = std::max(widest, col + c);
        }
        last = target;
    }
    if (last >= row && row >= 0)
        emit dataChanged(index(row, col), index(last, widest), {Qt::DisplayRole});
}

QString GridCells::text(int row, int col) const
{
    return inside(row, col) ? rows_[row][std::size_t(col)].text : QString();
}

QColor GridCells::background(int row, int col) const
{
    return inside(row, col) ? rows_[row][std::size_t(col)].background : QColor();
}

void GridCells::setBackground(int row, int col, const QColor& color)
{
    if (!inside(row, col) || rows_[row][std::size_t(col)].background == color)
        return;
    rows_[row][std::size_t(col)].background = color;
    const QModelIndex at = index(row, col);
    emit dataChanged(at, at, {Qt::BackgroundRole});
}

void GridCells::setHeaderText(int col, const QString& text)
{
    header_[std::size_t(col)] = text;
    emit headerDataChanged(Qt::Horizontal, col, col);
}

void GridCells::setAlignment(int col, Qt::Alignment alignment)
{
    alignments_[std::size_t(col)] = alignment;
    emit headerDataChanged(Qt::Horizontal, col, col);
    if (!rows_.isEmpty())
        emit dataChanged(index(0, col), index(int(rows_.size()) - 1, col), {Qt::TextAlignmentRole});
}

} // namespace tv
