#pragma once

#include "base/twips.h"
#include "editor/model/window_adding.h"
#include "editor/model/window_geometry.h"
#include "editor/split.h"

#include <QStringList>

namespace tv::test {

// Works the editor as a user does: presses its buttons, picks and types in its
// window list and fields, and reads back what the controls show.
class EditorDriver {
public:
    explicit EditorDriver(Split& form) : form_(form) {}

    void addWindow(WindowKind kind);
    void addVideo() { addWindow(WindowKind::Video); }
    void addPicture() { addWindow(WindowKind::Picture); }
    void deleteWindow();

    // Picks the entry at this position from the window list's drop-down.
    void pickListEntry(int position);
    // Empties the window list's text field and types the text, key by key.
    void typeInList(const QString& text);

    // Types the four position fields (x, y, w, h); applies them with their OK.
    void typeFields(const QStringList& texts);
    void applyFields();
    void applyRatio(ScreenRatio ratio);

    // Chooses this folder with "Select" (an empty path: the user cancels).
    void chooseFolder(const QString& path);
    // Presses a row of the file list (0: the header) as the user does.
    void pressFileRow(int row, Qt::KeyboardModifiers keys = Qt::NoModifier,
                      Qt::MouseButton button = Qt::LeftButton);
    void doubleClickFileRow(int row);
    // The file list's rows 1..: "name size" each, the empty last row included.
    QStringList fileRows() const;
    // One character per data row of the file list: 'x' marked, '.' not.
    QString fileMarks() const;

    void addMarkedFiles();
    // Clicks entry `row` of the current playlist, then Up, Down or Del.
    void clickPlaylistRow(int row);
    void playlistUp();
    void playlistDown();
    void playlistDelete();
    // The entries of window i's playlist: "number name size" each.
    QStringList playlist(int index) const;
    int playlistRow(int index) const;

    QStringList fields() const;
    QStringList listEntries() const;
    QString listText() const;
    int current() const { return form_.table().CurrentWindow; }
    TwipsRect body(int index) const;
    // The four window-table rules against the controls; empty when they hold.
    QStringList violations() const;

private:
    Split& form_;
};

} // namespace tv::test
