#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QList>

#include <array>

namespace tv {

// The cells behind a grid: a fixed number of columns, a header row and data
// rows of text and background. Rows are filled in blocks, so a list of a few
// hundred files costs one notice, not one per cell.
class GridCells final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kCols = 4;

    explicit GridCells(QObject* parent) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void resize(int rows);
    void insertAt(int row);
    void removeAt(int row);
    // Every data row replaced by `rows`, announced as one insertion.
    void replaceRows(const QList<QStringList>& rows);
    // Texts written from (`row`, `col`) on, a list a row, with one notice.
    void writeTexts(int row, int col, const QList<QStringList>& rows);

    QString text(int row, int col) const;
    QColor background(int row, int col) const;
    void setBackground(int row, int col, const QColor& color);
    QString headerText(int col) const { return header_[std::size_t(col)]; }
    void setHeaderText(int col, const QString& text);
    Qt::Alignment alignment(int col) const { return alignments_[std::size_t(col)]; }
    void setAlignment(int col, Qt::Alignment alignment);

private:
    struct Cell {
        QString text;
        QColor background; // invalid: the grid's own colour
    };
    using Row = std::array<Cell, kCols>;

    static Row rowOf(const QStringList& texts);
    bool inside(int row, int col) const;

    QList<Row> rows_;
    std::array<QString, kCols> header_{};
    std::array<Qt::Alignment, kCols> alignments_{};
};

} // namespace tv
