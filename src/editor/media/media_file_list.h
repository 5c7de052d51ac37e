#pragma once

#include <QObject>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

class FlexGrid;
class LayoutModel;
class ModalDialogs;
struct FileTable;
struct FolderListing;
struct PlaylistEntry;

// The media folder's path with its "Select" button, and the file list. The
// list shows the chosen folder's files, narrowed to those that suit the
// current window whenever a window is selected. Rows are marked with the
// mouse; the grid's own selection takes no part in it. A double click asks
// for the marked files to be added to the current playlist.
class MediaFileList final : public QObject {
    Q_OBJECT
public:
    // `lastLayoutFile` tells the layout file last opened or saved, whose
    // folder the picker opens at before any folder was chosen.
    MediaFileList(LayoutModel& model, FileTable& files, ModalDialogs& dialogs,
                  std::function<QString()> lastLayoutFile, QWidget* client);

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
    // The folder chosen with Select, or the one chosen before with the
    // layout file opened; empty when none was.
    QString chosenFolder() const;
    // A layout file was opened or saved. The media folder chosen with it
    // before comes back when it is opened; one chosen now is kept with it
    // when it is saved. Until a folder is chosen, the list shows the folder
    // the layout lies in, where its media are found then.
    void followLayoutFile(const QString& path, bool opened);

    // A press on the file list at a row and column of the grid (row 0 the
    // header), with the keys held (1 Shift, 2 Ctrl, 4 Alt, added).
    void MSFlexGrid1_MouseDown(int row, int col, int shift);
    void PaintFileListMarks(int mouseRow, int mouseCol);
    // The marked rows' names and sizes, top to bottom.
    QList<PlaylistEntry> markedFiles() const;

signals:
    void addRequested();
    // The list shows another folder.
    void folderChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Which files a window lists: 0 none, 1 videos, 2 pictures.
    static int listedKind(int window);
    // Lists the files of the table at these places, numbered from 1.
    void showFiles(const QList<int>& files);
    // Says at the list's foot how many of the folder's files the window does
    // not play.
    void noteUnlisted(int unlisted, int window);
    // Puts a folder's files into the file table and lists every one.
    void showListing(const FolderListing& listing);
    // Lists the folder at `path` in the path box and the list; false, with
    // nothing changed, when it cannot be read.
    bool showFolder(const QString& path);

    LayoutModel& model_;
    FileTable& files_;
    ModalDialogs& dialogs_;
    std::function<QString()> lastLayoutFile_;
    bool chosen_ = false;
    QString layoutFile_; // the layout file last opened or saved
};

} // namespace tv
