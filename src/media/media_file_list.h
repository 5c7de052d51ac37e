#pragma once

#include <QObject>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

class FlexGrid;
class Split;

// The media folder's path with its "Select" button, and the file list. The
// list shows the chosen folder's files, narrowed to those that suit the
// current window whenever a window is selected. Rows are marked with the
// mouse; the grid's own selection takes no part in it.
class MediaFileList final : public QObject {
    Q_OBJECT
public:
    MediaFileList(Split& form, QWidget* client);

    QLabel* Label2 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* Command5 = nullptr;
    FlexGrid* MSFlexGrid1 = nullptr;

    // "Select": chooses the folder and lists every normal file in it.
    void Command5_Click();
    // Where the folder picker opens.
    QString pickerStart() const;
    // Refills the file list with the files that suit the current window.
    void FilterFileList();

    // A press on the file list at a row and column of the grid (row 0 the
    // header), with the keys held (1 Shift, 2 Ctrl, 4 Alt, added).
    void MSFlexGrid1_MouseDown(int row, int col, int shift);
    void PaintFileListMarks(int mouseRow, int mouseCol);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void clearFileList();
    void showFile(int row, int file);

    Split& form_;
};

// The columns shared by the file list and every playlist: column 0 hidden,
// then "No.", "File" and "Size", the size right-aligned.
void prepareFileColumns(FlexGrid& grid);

} // namespace tv
