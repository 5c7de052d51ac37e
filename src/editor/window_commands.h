#pragma once

#include "base/twips.h"

#include <QObject>

class QComboBox;
class QFrame;
class QPushButton;

namespace tv {

class LayoutHistory;
class LayoutModel;
class ModalDialogs;
class OptionButton;

// The window kind choice, Add Window and Del Window, and the window list with
// the selection it drives. Whenever the list's text or selected entry changes
// (typed, picked, or set by code) the selection refresh runs at once, before
// the code that changed it goes on.
class WindowCommands final : public QObject {
    Q_OBJECT
public:
    WindowCommands(LayoutHistory& history, ModalDialogs& dialogs, QWidget* client);

    QFrame* Frame1 = nullptr;
    OptionButton* Option1 = nullptr;
    OptionButton* Option2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QComboBox* Combo1 = nullptr;

    // Add Window: adds a window of the chosen kind, or reports the limit.
    void Command1_Click();
    // Del Window: hides the current window and frees its index.
    void Command2_Click();

    // Creates window i's canvas parts and names, lists and selects it. The
    // caller has created its playlist grid, marked it in use and counted it.
    void LoadWindow(const QString& kindCaption, int index);
    // Destroys every window and empties the table and the list, without a
    // selection refresh.
    void ClearLayout();

    // The selection refresh, for a typed text and for a picked entry.
    void Combo1_Change();
    void Combo1_Click();

    // The ways code changes the list; each runs the selection refresh once.
    void setListText(const QString& text);
    void selectListEntry(int position);

private:
    void showNameFromStart();
    void refreshSelection();
    void showVideoAgain();
    void createVideo();
    void showPictureAgain(int index);
    void createPicture();
    TwipsRect newWindowPlace(const TwipsRect& onLandscape) const;

    LayoutHistory& history_;
    LayoutModel& model_;
    ModalDialogs& dialogs_;
};

} // namespace tv
