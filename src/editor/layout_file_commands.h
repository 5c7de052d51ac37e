#pragma once

#include "files/save_files.h"
#include "layout/layout_description.h"

#include <QObject>

#include <QPointer>
#include <functional>
#include <optional>

class QPushButton;
class QWidget;

namespace tv {

class LayoutHistory;
class ModalDialogs;
class WindowCommands;

// "Open File" and "Save File". A save writes the whole layout or nothing: what
// the format cannot hold is refused before anything is written, the old file
// stays until the new one is complete, and every failure is told. An open
// checks the whole file before the current layout is discarded.
class LayoutFileCommands final : public QObject {
    Q_OBJECT
public:
    // Open File builds the layout through the window commands; the preview
    // takes its media from `mediaFolder`, or says that there is none.
    LayoutFileCommands(LayoutHistory& history, WindowCommands& windows, ModalDialogs& dialogs,
                       std::function<QString()> mediaFolder, QWidget* client);

    QPushButton* Command11 = nullptr;
    QPushButton* Command10 = nullptr;

    // Save File and Open File.
    void Command10_Click();
    // Save File: asks where, proposing the file being edited; whether the
    // layout was saved (not cancelled, refused or failed).
    bool saveLayout();
    // Saves to the file being edited without a question; the first save asks
    // as Save File does.
    bool saveToCurrent();
    // Open File: with unsaved changes, asks first whether to save them.
    void Command11_Click();
    // Whether the layout may be set aside: unchanged, saved on request, or
    // the user lets its changes go. False when the user cancels or the save
    // fails.
    bool confirmSetAside();
    // Opens this file as Open File opens the one chosen in its dialog: the
    // dialogs then start from its name.
    void openLayoutFile(const QString& path);

    // F5: plays what Save File would write, read back as a display reads it,
    // with the media of the chosen folder, in a window of its own.
    void preview();
    void closePreview();
    // "Publish…" (Ctrl+P): writes the layout and exactly its media, from the
    // folder the preview takes them from, as a show folder the user chooses;
    // an earlier show there is replaced whole. Says what it did.
    void publish();

    // The file name both file dialogs start from: the preset of the last save,
    // or the name last chosen.
    QString CommonDialog1FileName;

    // Lets tests make single file operations fail.
    void setSaveFiles(SaveFiles* files) { files_ = files ? files : &ownFiles_; }

    // The layout in the editor as a layout file describes it.
    LayoutDescription describeLayout() const;

    // The layout file last opened or saved, or empty.
    QString currentFile() const { return currentFile_; }

signals:
    // A layout file was opened (`opened`) or saved.
    void currentFileChanged(const QString& path, bool opened);

private:
    void buildLayout(const LayoutDescription& layout);
    void buildWindow(int index, const QString& kindCaption, const LayoutWindow& window);
    void tell(const QString& text);

    LayoutHistory& history_;
    WindowCommands& windows_;
    ModalDialogs& dialogs_;
    void setCurrentFile(const QString& path, bool opened);
    // The layout's bytes as Save File writes them; what the writer refuses
    // is told after `refused`, and gives nothing.
    std::optional<QByteArray> encodedOrTold(const QString& refused);
    bool saveTo(const QString& path, const QByteArray& bytes);

    std::function<QString()> mediaFolder_;
    QWidget* client_;
    QString currentFile_;
    QString lastPublished_;
    QPointer<QWidget> preview_;
    SaveFiles ownFiles_;
    SaveFiles* files_ = &ownFiles_;
};

} // namespace tv
