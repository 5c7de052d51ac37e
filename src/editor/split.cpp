#include "editor/split.h"

#include "base/twips.h"
#include "editor/canvas/canvas_keys.h"
#include "editor/canvas/display_outlines.h"
#include "editor/canvas/display_snap_box.h"
#include "editor/canvas/layout_canvas.h"
#include "editor/canvas/placement_marks.h"
#include "editor/canvas/position_fields.h"
#include "editor/canvas/screen_centring.h"
#include "editor/canvas/screen_shape_box.h"
#include "editor/canvas/window_pointer.h"
#include "editor/canvas/window_thumbnails.h"
#include "editor/controls/form_controls.h"
#include "editor/controls/modal_dialogs.h"
#include "editor/displays/displays_window.h"
#include "editor/editor_icon.h"
#include "editor/layout_file_commands.h"
#include "editor/layout_presenter.h"
#include "editor/media/media_file_list.h"
#include "editor/media/playlist_panel.h"
#include "editor/media/switch_time_box.h"
#include "editor/model/layout_history.h"
#include "editor/model/layout_steps.h"
#include "editor/schedule/schedule_window.h"
#include "editor/window_commands.h"
#include "files/media_resolver.h"
#include "layout/media_kind.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QUndoStack>

#include <algorithm>
#include <vector>

namespace tv {

namespace {
constexpr int kClientWidthTwips = 12540;
constexpr int kClientHeightTwips = 7245;
} // namespace

Split::Split(ModalDialogs& dialogs) : QWidget(nullptr), dialogs_(dialogs)
{
    steps_ = new LayoutHistory(model_, this);
    // Window-wide keys; a text box that has the focus keeps its own undo.
    QAction* undo = history().createUndoAction(this);
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = history().createRedoAction(this);
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    addAction(undo);
    addAction(redo);
    // The form's buttons are fixed; the file commands also have their
    // usual keys.
    auto addKey = [this](const QString& text, const QKeySequence& key, auto command) {
        auto* action = new QAction(text, this);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, [this, command] {
            if (isLoaded())
                command(*layoutFile_);
        });
        addAction(action);
    };
    addKey(QStringLiteral("Preview"), Qt::Key_F5, [](LayoutFileCommands& file) { file.preview(); });
    addKey(QStringLiteral("Save"), QKeySequence::Save,
           [](LayoutFileCommands& file) { file.saveToCurrent(); });
    addKey(QStringLiteral("Save As"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
           [](LayoutFileCommands& file) { file.saveLayout(); });
    addKey(QStringLiteral("Open"), QKeySequence::Open,
           [](LayoutFileCommands& file) { file.Command11_Click(); });
    addKey(QStringLiteral("Publish…"), QKeySequence(Qt::CTRL | Qt::Key_P),
           [](LayoutFileCommands& file) { file.publish(); });
    auto* schedule = new QAction(QStringLiteral("Schedule"), this);
    schedule->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    connect(schedule, &QAction::triggered, this, [this] { showScheduleWindow(this, dialogs_); });
    addAction(schedule);
    auto* displays = new QAction(QStringLiteral("Displays"), this);
    displays->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    connect(displays, &QAction::triggered, this, [this] { showDisplaysWindow(this, dialogs_); });
    addAction(displays);
    setObjectName(QStringLiteral("Split"));
    setWindowTitle(QStringLiteral("Tessellview"));
    // The title names the file being edited and marks unsaved changes.
    connect(&history(), &QUndoStack::cleanChanged, this, &Split::showTitle);
    setWindowIcon(editorIcon());
    setFont(formFont(font()));
    setFixedSize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
    // A window of fixed size offers no maximize button.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
}

Split::~Split()
{
    // The controls go while the model they act on is still here: closing the
    // window moves the focus, and a control losing it may still act (the
    // window list's edited text is taken as a choice).
    if (isLoaded())
        unload();
}

void Split::showForm()
{
    if (!isLoaded())
        load();
    const bool wasOpen = isVisible();
    show();
    if (wasOpen) {
        raise();
        activateWindow();
    }
}

void Split::load()
{
    // Every control is built in its design state, then the editor start runs.
    controls_ = new QWidget(this);
    controls_->setObjectName(QStringLiteral("SplitControls"));
    controls_->setGeometry(rect());

    windows_ = new WindowCommands(*steps_, dialogs_, controls_);
    // Where the media are found, for the preview and the canvas alike.
    const auto mediaFolder = [this] {
        return mediaFolderFor(files_->chosenFolder(), layoutFile_->currentFile());
    };
    layoutFile_ =
        new LayoutFileCommands(*steps_, *windows_, dialogs_, mediaFolder, controls_.data());
    switchTime_ = new SwitchTimeBox(*steps_, dialogs_, controls_);
    canvas_ = new LayoutCanvas(controls_);
    snap_ = new DisplaySnapBox(model_, controls_);
    shape_ = new ScreenShapeBox(*steps_, controls_);
    pointer_ = new WindowPointer(*steps_, *canvas_, *snap_, *this, controls_, controls_);
    auto* keys = new CanvasKeys(*steps_, *snap_, canvas_->Picture1, controls_);
    canvas_->setPointerFilter(pointer_);
    positions_ = new PositionFields(*steps_, dialogs_, *snap_,
                                    {[this] { return canvas_->Image1(0)->twips(); },
                                     [this](const TwipsRect& rect) {
                                         canvas_->Image1(0)->setTwips(rect);
                                         canvas_->PlaceWindowParts(0);
                                     }},
                                    controls_);
    connect(keys, &CanvasKeys::deleteRequested, windows_, &WindowCommands::Command2_Click);
    files_ = new MediaFileList(
        model_, fileTable_, dialogs_, [this] { return layoutFile_->CommonDialog1FileName; },
        controls_);
    playlists_ = new PlaylistPanel(
        *steps_, dialogs_, [this] { return files_->markedFiles(); }, controls_);
    connect(files_, &MediaFileList::addRequested, playlists_, &PlaylistPanel::Command8_Click);
    connect(layoutFile_, &LayoutFileCommands::currentFileChanged, files_,
            &MediaFileList::followLayoutFile);
    connect(layoutFile_, &LayoutFileCommands::currentFileChanged, this, &Split::showTitle);
    // A window just added is moved with the arrow keys at once.
    connect(windows_->Command1, &QPushButton::clicked, canvas_->Picture1,
            [this] { canvas_->Picture1->setFocus(Qt::OtherFocusReason); });
    presenter_ = new LayoutPresenter(
        model_, *canvas_, windows_->Combo1, [this] { applyTabOrder(); }, controls_);
    outlines_ = new DisplayOutlines(model_, canvas_->Picture1);
    // What the display will cut off or cover, marked on the canvas and noted under it.
    new PlacementMarks(model_, canvas_->Picture1);
    auto* thumbnails = new WindowThumbnails(model_, *canvas_, mediaFolder, controls_);
    connect(files_, &MediaFileList::folderChanged, thumbnails, &WindowThumbnails::refreshAll);
    connect(layoutFile_, &LayoutFileCommands::currentFileChanged, thumbnails,
            &WindowThumbnails::refreshAll);
    Label4 = makeLabel(controls_, "Label4", QStringLiteral("Ver: 0.1"), {6300, 6930, 870, 195});
    controls_->show();
    applyTabOrder();

    Form_Load();
}

void Split::Form_Load()
{
    centreOnPrimaryScreen(this);
    // The table is emptied; the switch times are left as they are.
    LayoutState start;
    start.table.SwitchTime = model_.table().SwitchTime;
    {
        // The fresh controls already show an empty layout.
        const QSignalBlocker quiet(&model_);
        model_.restore(start);
    }
    history().clear();
    canvas_->hideTemplates();
    prepareFileColumns(*files_->MSFlexGrid1);
    InitPlaylistGrid(0);
}

void Split::unload()
{
    history().clear();
    layoutFile_->closePreview();
    presenter_ = nullptr;
    windows_ = nullptr;
    layoutFile_ = nullptr;
    pointer_ = nullptr;
    switchTime_ = nullptr;
    canvas_ = nullptr;
    positions_ = nullptr;
    files_ = nullptr;
    playlists_ = nullptr;
    snap_ = nullptr;
    shape_ = nullptr;
    outlines_ = nullptr;
    Label4 = nullptr;
    delete controls_.data();
    // The controls are gone; the layout goes with them.
    LayoutState closed;
    closed.table.SwitchTime = model_.table().SwitchTime;
    {
        const QSignalBlocker quiet(&model_);
        model_.restore(closed);
    }
    // The title follows what is shown: no layout now.
    showTitle();
}

void Split::applyTabOrder()
{
    // Left to right, top to bottom: controls whose middles lie within a few
    // pixels of each other's height form one row.
    struct Place {
        QWidget* control;
        QPoint middle;
    };
    std::vector<Place> places;
    for (QWidget* control : controls_->findChildren<QWidget*>())
        if (control->focusPolicy() & Qt::TabFocus && !control->focusProxy() &&
            control->window() == this)
            places.push_back({control, control->mapTo(this, control->rect().center())});
    std::sort(places.begin(), places.end(),
              [](const Place& a, const Place& b) { return a.middle.y() < b.middle.y(); });
    constexpr int kRowTolerance = 12;
    for (std::size_t first = 0; first < places.size();) {
        std::size_t end = first + 1;
        while (end < places.size() &&
               places[end].middle.y() - places[end - 1].middle.y() <= kRowTolerance)
            ++end;
        std::sort(places.begin() + std::ptrdiff_t(first), places.begin() + std::ptrdiff_t(end),
                  [](const Place& a, const Place& b) { return a.middle.x() < b.middle.x(); });
        first = end;
    }
    for (std::size_t i = 1; i < places.size(); ++i)
        setTabOrder(places[i - 1].control, places[i].control);
}

QUndoStack& Split::history() const
{
    return steps_->stack();
}

void Split::recordStep(const LayoutState& before, const QString& text, int mergeId, int window)
{
    steps_->recordStep(before, text, mergeId, window);
}

void Split::closeEvent(QCloseEvent* event)
{
    // A layout changed since the start, the last save or the last open is
    // not dropped without asking; an unchanged one closes at once. A drag
    // still under way is a change: it ends here, as one step.
    if (isLoaded()) {
        pointer_->endDrag();
        if (!layoutFile_->confirmSetAside()) {
            event->ignore();
            return;
        }
    }
    // So is a schedule changed in its window, which goes with the editor.
    if (auto* schedule = findChild<ScheduleWindow*>(QString(), Qt::FindDirectChildrenOnly);
        schedule && !schedule->close()) {
        event->ignore();
        return;
    }
    event->accept();
    unload();
}

void Split::showTitle()
{
    const QString file = layoutFile_ ? layoutFile_->currentFile() : QString();
    setWindowFilePath(file);
    if (file.isEmpty())
        setWindowTitle(history().isClean() ? QStringLiteral("Tessellview")
                                           : QStringLiteral("Tessellview[*]"));
    else
        setWindowTitle(QStringLiteral("Tessellview - %1[*]").arg(QFileInfo(file).fileName()));
    setWindowModified(!history().isClean());
}

void Split::InitPlaylistGrid(int index)
{
    playlists_->InitPlaylistGrid(index);
}

bool Split::IsVideoFile(const QString& name)
{
    return tv::IsVideoFile(name);
}

bool Split::IsPicFile(const QString& name)
{
    return tv::IsPicFile(name);
}

LayoutView Split::layoutView() const
{
    LayoutView view;
    if (!isLoaded())
        return view;
    for (int i = 0; i < kWindowSlots; ++i) {
        WindowPartsView& window = view.windows[static_cast<std::size_t>(i)];
        const FlexGrid* grid = playlists_->MSFlexGrid2(i);
        window.existing = canvas_->existingParts(i) + int(grid != nullptr);
        window.visible = canvas_->visibleParts(i) + int(grid && !grid->isHidden());
        if (const NameTag* tag = canvas_->Label1(i))
            window.name = tag->Caption();
        if (const WindowBody* body = canvas_->Image1(i))
            window.body = body->twips();
        if (const WindowOutline* outline = canvas_->Shape1(i))
            window.marked = outline->FillColor() == QColor(255, 0, 0);
        for (int row = 1; grid && row < grid->Rows(); ++row)
            window.playlist << grid->TextMatrix(row, 2);
    }
    const QComboBox* list = windows_->Combo1;
    for (int i = 0; i < list->count(); ++i)
        view.listedNames << list->itemText(i);
    view.listText = list->currentText();
    return view;
}

} // namespace tv
