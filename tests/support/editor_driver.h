#pragma once

#include "editor/split.h"
#include "editor/window_adding.h"
#include "geometry/twips.h"
#include "geometry/window_geometry.h"

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
