#pragma once

#include <QColor>
#include <QStringList>
#include <QTableView>

#include <array>

class QLabel;

namespace tv {

class GridCells;

// A grid of four columns with one fixed header row, addressed as the file
// list and the playlists need it: row 0 is the header, rows 1.. are data, and
// Rows counts both. Widths are kept in twips. Cells are never edited in place.
class FlexGrid final : public QTableView {
    Q_OBJECT
public:
    static constexpr int kCols = 4;

    explicit FlexGrid(QWidget* parent);
    // A new array element with the template's place, columns and look, and
    // the header row only.
    static FlexGrid* cloneOf(const FlexGrid& templ);

    int Rows() const;
    void setRows(int rows);

    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);
    // Texts written from (`row`, `col`) on, a list a data row, at once.
    void setRowTexts(int row, int col, const QList<QStringList>& rows);
    // Every data row replaced by `rows` (texts from column 0), at once.
    void fillRows(const QList<QStringList>& rows);

    int ColWidth(int col) const;
    void setColWidth(int col, int twips);
    Qt::Alignment ColAlignment(int col) const;
    void setColAlignment(int col, Qt::Alignment alignment);

    // Appends one empty row at the end.
    void AddItem();
    // Removes data row `row` (1..Rows-1).
    void RemoveItem(int row);

    // The current cell; row 0 is the header row, which code may make current.
    int Row() const { return currentRow_; }
    int Col() const { return currentCol_; }
    void setCurrentCell(int row, int col);

    QColor CellBackColor(int row, int col) const;
    void setCellBackColor(int row, int col, const QColor& color);

    // A line of its own at the grid's foot, below the rows: what the list
    // leaves out, for example. Empty: none.
    QString note() const;
    void setNote(const QString& note, const QString& tip = QString());

protected:
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;

signals:
    // The current cell moved, in the grid's own rows (the header not counted).
    void currentCellChanged(int row, int col, int previousRow, int previousCol);

private:
    void followCurrentCell(int tableRow, int tableCol);

    void placeNote();
    // The room below the rows the note takes: none without a note.
    int noteRoom() const;
    void keepNoteRoom();

    GridCells* cells_;
    QLabel* note_ = nullptr;
    std::array<int, kCols> widthsTwips_{};
    int currentRow_ = 0;
    int currentCol_ = 0;
};

// The columns shared by the file list and every playlist: column 0 hidden,
// then "No.", "File" and "Size", the size right-aligned.
void prepareFileColumns(FlexGrid& grid);

} // namespace tv
