#pragma once

#include "editor/media/file_table.h"
#include "editor/model/layout_model.h"
#include "editor/model/window_table.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QUndoStack;

namespace tv {

class DisplayOutlines;
class DisplaySnapBox;
class ScreenShapeBox;
class LayoutCanvas;
class LayoutPresenter;
class LayoutFileCommands;
class LayoutHistory;
class MediaFileList;
class ModalDialogs;
class PlaylistPanel;
class PositionFields;
class SwitchTimeBox;
class WindowCommands;
class WindowPointer;

// The layout editor. The form object lives for the whole run; its controls
// exist only while it is loaded. Closing the editor unloads it (all controls
// and the layout are discarded); showing it again loads it afresh, and the
// editor start empties the window table.
class Split final : public QWidget {
    Q_OBJECT
public:
    explicit Split(ModalDialogs& dialogs);
    ~Split() override;

    // Loads the form when it is not loaded, then shows it modeless.
    void showForm();
    bool isLoaded() const { return !controls_.isNull(); }

    // The layout being edited; the controls only show it.
    LayoutModel& model() { return model_; }
    const LayoutModel& model() const { return model_; }
    WindowTable& table() { return model_.table(); }
    const WindowTable& table() const { return model_.table(); }
    // Every change to the layout is a step here, undone with Ctrl+Z.
    QUndoStack& history() const;
    LayoutHistory& steps() const { return *steps_; }
    void recordStep(const LayoutState& before, const QString& text, int mergeId = -1,
                    int window = 0);
    FileTable& fileTable() { return fileTable_; }
    const FileTable& fileTable() const { return fileTable_; }
    ModalDialogs& dialogs() { return dialogs_; }

    // The components, valid while the form is loaded.
    WindowCommands& windows() const { return *windows_; }
    LayoutCanvas& canvas() const { return *canvas_; }
    PositionFields& positions() const { return *positions_; }
    MediaFileList& fileList() const { return *files_; }
    PlaylistPanel& playlists() const { return *playlists_; }
    SwitchTimeBox& switchTime() const { return *switchTime_; }
    LayoutFileCommands& layoutFile() const { return *layoutFile_; }
    WindowPointer& pointer() const { return *pointer_; }
    LayoutPresenter& presenter() const { return *presenter_; }
    DisplaySnapBox& snap() const { return *snap_; }
    ScreenShapeBox& shapeBox() const { return *shape_; }
    DisplayOutlines& outlines() const { return *outlines_; }
    // The form's client area: what lies under the pointer where no control is.
    QWidget* client() const { return controls_; }
    QLabel* Label4 = nullptr;

    void InitPlaylistGrid(int index);

    // Which files suit the video window and which a picture window.
    static bool IsVideoFile(const QString& name);
    static bool IsPicFile(const QString& name);

    // Chains the controls for Tab in the order of their places: left to
    // right, top to bottom.
    void applyTabOrder();

    // What the controls show, for checking the window table against them.
    LayoutView layoutView() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void load();
    void showTitle();
    void Form_Load();
    void unload();

    ModalDialogs& dialogs_;
    LayoutModel model_;
    LayoutHistory* steps_ = nullptr;
    FileTable fileTable_;

    QPointer<QWidget> controls_;
    WindowCommands* windows_ = nullptr;
    LayoutCanvas* canvas_ = nullptr;
    PositionFields* positions_ = nullptr;
    MediaFileList* files_ = nullptr;
    PlaylistPanel* playlists_ = nullptr;
    SwitchTimeBox* switchTime_ = nullptr;
    LayoutFileCommands* layoutFile_ = nullptr;
    WindowPointer* pointer_ = nullptr;
    LayoutPresenter* presenter_ = nullptr;
    DisplaySnapBox* snap_ = nullptr;
    ScreenShapeBox* shape_ = nullptr;
    DisplayOutlines* outlines_ = nullptr;
};

} // namespace tv
