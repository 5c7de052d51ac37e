#pragma once

#include <QObject>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

class FlexGrid;

// The media folder's path with its "Select" button, and the file list.
class MediaFileList final : public QObject {
    Q_OBJECT
public:
    explicit MediaFileList(QWidget* form);

    QLabel* Label2 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* Command5 = nullptr;
    FlexGrid* MSFlexGrid1 = nullptr;

    // Refills the file list with the files that suit the current window.
    void FilterFileList();
};

// The columns shared by the file list and every playlist: column 0 hidden,
// then "No.", "File" and "Size", the size right-aligned.
void prepareFileColumns(FlexGrid& grid);

} // namespace tv
