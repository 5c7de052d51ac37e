#include "editor/media/media_file_list.h"

#include "editor/media/media_folder_memory.h"

#include "editor/controls/flex_grid.h"
#include "editor/controls/form_controls.h"
#include "editor/controls/modal_dialogs.h"
#include "editor/media/browse_folder.h"
#include "editor/media/file_marks.h"
#include "editor/media/file_table.h"
#include "editor/model/layout_model.h"
#include "files/folder_listing.h"
#include "files/media_resolver.h"
#include "layout/media_kind.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace tv {

namespace {

const QString kMark = QStringLiteral("ok");
const QColor kMarkedColour(192, 192, 255);
const QColor kUnmarkedColour(255, 255, 255);

int shiftOf(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? kShiftKey : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? kCtrlKey : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? kAltKey : 0);
}

} // namespace

MediaFileList::MediaFileList(LayoutModel& model, FileTable& files, ModalDialogs& dialogs,
                             std::function<QString()> lastLayoutFile, QWidget* client)
    : QObject(client), model_(model), files_(files), dialogs_(dialogs),
      lastLayoutFile_(std::move(lastLayoutFile))
{
    Label2 = makeLabel(client, "Label2", QStringLiteral(" Path:"), {7425, 135, 645, 240});
    Text2 = makeTextBox(client, "Text2", QString(), {8145, 120, 3030, 285});
    // It shows the folder chosen with Select; typing a path would only make
    // it disagree with the list.
    Text2->setReadOnly(true);
    Command5 = makeButton(client, "Command5", QStringLiteral("Select"), {11385, 90, 870, 330});

    MSFlexGrid1 = new FlexGrid(client);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    placeTwips(MSFlexGrid1, {7425, 495, 5010, 2760});
    QPalette colours = MSFlexGrid1->palette();
    colours.setColor(QPalette::Highlight, kMarkedColour);
    colours.setColor(QPalette::HighlightedText, colours.color(QPalette::Text));
    MSFlexGrid1->setPalette(colours);

    // Presses on the rows and on the header row are the list's own marking.
    MSFlexGrid1->viewport()->installEventFilter(this);
    MSFlexGrid1->horizontalHeader()->viewport()->installEventFilter(this);
    connect(Command5, &QPushButton::clicked, this, &MediaFileList::Command5_Click);
    // The list follows each selection, narrowed to the files that suit the
    // current window; an action holding the selection gets one fill at its end.
    connect(&model_, &LayoutModel::selected, this, [this] {
        if (!model_.selectionHeld())
            FilterFileList();
    });
    connect(&model_, &LayoutModel::selectionReleased, this, &MediaFileList::FilterFileList);
    // After an undo the list is filled anew only when the kind it lists
    // changed: the folder's files are no part of the layout.
    connect(&model_, &LayoutModel::restored, this, [this] {
        if (listedKind(model_.beforeRestore().table.CurrentWindow) !=
            listedKind(model_.table().CurrentWindow))
            FilterFileList();
    });
}

QString MediaFileList::pickerStart() const
{
    // The last folder chosen; before any, the folder of the layout file last
    // opened or saved.
    if (chosen_)
        return Text2->text();
    const QFileInfo layout(lastLayoutFile_());
    return layout.isAbsolute() ? layout.absolutePath() : QString();
}

void MediaFileList::Command5_Click()
{
    // A cancelled picker changes nothing: the path box keeps the last folder
    // and the list keeps following the current window.
    const QString before = Text2->text();
    const QString chosen = GetFolderPath(Text2->window(), dialogs_, pickerStart());
    if (chosen.isEmpty())
        return;
    Text2->setText(chosen);
    const FolderListing listing = listFolder(Text2->text());
    if (!listing.error.isEmpty()) {
        // The list keeps the folder it shows, and so does the path box.
        Text2->setText(before);
        dialogs_.message(
            Text2->window(),
            QStringLiteral("The folder %1 could not be read: %2").arg(chosen, listing.error),
            QStringLiteral("+_+"));
        return;
    }
    chosen_ = true;
    showListing(listing);
    emit folderChanged();
    // Chosen for the layout being edited: it comes back with the layout.
    if (!layoutFile_.isEmpty())
        rememberMediaFolder(layoutFile_, Text2->text());

    QStringList notes;
    if (listing.truncated)
        notes << QStringLiteral("Only the first %1 files of the folder are listed.")
                     .arg(kMaxListedFiles);
    if (listing.undecodable > 0)
        notes << QStringLiteral("%1 file name(s) are not valid text and are not listed: a layout "
                                "file cannot hold them. Rename those files to use them.")
                     .arg(listing.undecodable);
    if (!notes.isEmpty())
        dialogs_.message(Text2->window(), notes.join(QLatin1Char(' ')), QStringLiteral("+_+"));
}

QString MediaFileList::chosenFolder() const
{
    return chosen_ ? Text2->text() : QString();
}

void MediaFileList::followLayoutFile(const QString& path, bool opened)
{
    layoutFile_ = path;
    if (opened) {
        const QString remembered = rememberedMediaFolder(path);
        // The folder listed already is not listed again.
        if (chosen_ && !remembered.isEmpty() &&
            QDir(remembered) == QDir(QDir::fromNativeSeparators(Text2->text())))
            return;
        if (!remembered.isEmpty() && showFolder(remembered)) {
            chosen_ = true;
            return;
        }
    } else if (chosen_) {
        rememberMediaFolder(path, Text2->text());
    }
    if (chosen_)
        return;
    const QString folder = mediaFolderFor(QString(), path);
    if (!folder.isEmpty())
        showFolder(folder);
}

bool MediaFileList::showFolder(const QString& path)
{
    QString shown = QDir::toNativeSeparators(path);
    if (!shown.endsWith(QDir::separator()))
        shown += QDir::separator();
    const FolderListing listing = listFolder(shown);
    if (!listing.error.isEmpty())
        return false;
    Text2->setText(shown);
    showListing(listing);
    FilterFileList();
    emit folderChanged();
    return true;
}

void MediaFileList::showListing(const FolderListing& listing)
{
    FileTable& table = files_;
    table.FileCount = 0;
    for (const MediaFile& file : listing.files) {
        ++table.FileCount;
        table.FileNames[static_cast<std::size_t>(table.FileCount)] = {file.name, file.sizeText};
    }
    QList<int> every;
    for (int f = 1; f <= table.FileCount; ++f)
        every.append(f);
    showFiles(every);
    noteUnlisted(0, 0);
}

int MediaFileList::listedKind(int window)
{
    return window == kVideoWindow ? 1 : window >= kFirstPictureWindow ? 2 : 0;
}

void MediaFileList::FilterFileList()
{
    if (Text2->text().isEmpty())
        return;
    const FileTable& table = files_;
    const int current = model_.table().CurrentWindow;
    QList<int> listed;
    for (int c = 1; c <= table.FileCount; ++c) {
        const QString& name = table.FileNames[static_cast<std::size_t>(c)][0];
        const bool video = IsVideoFile(name);
        const bool picture = IsPicFile(name);
        if ((video && current == kVideoWindow) || (picture && current >= kFirstPictureWindow))
            listed.append(c);
    }
    showFiles(listed);
    noteUnlisted(table.FileCount - int(listed.size()), current);
}

void MediaFileList::noteUnlisted(int unlisted, int window)
{
    const QString why = listedKind(window) == 1
                            ? QStringLiteral("The video window plays .mpg, .avi, .ts, .mkv, .mp4, "
                                             ".vob and .wmv files and shows .jpg, .bmp and .png "
                                             "pictures.")
                            : QStringLiteral("A picture window shows .jpg and .bmp pictures.");
    if (unlisted <= 0)
        MSFlexGrid1->setNote(QString());
    else if (listedKind(window) == 0)
        MSFlexGrid1->setNote(QStringLiteral("Select a window to list the files it plays."));
    else if (unlisted == 1)
        MSFlexGrid1->setNote(QStringLiteral("1 file is of a kind this window does not play"), why);
    else
        MSFlexGrid1->setNote(
            QStringLiteral("%1 files are of kinds this window does not play").arg(unlisted), why);
}

void MediaFileList::showFiles(const QList<int>& files)
{
    // Every earlier row goes with its mark and colour, and the list ends
    // with one empty row; the rows are made in one pass.
    QList<QStringList> rows;
    rows.reserve(files.size() + 1);
    for (qsizetype row = 0; row < files.size(); ++row) {
        const auto& entry = files_.FileNames[static_cast<std::size_t>(files[row])];
        rows.append({QString(), QString::number(row + 1), entry[0], entry[1]});
    }
    rows.append(QStringList());
    MSFlexGrid1->fillRows(rows);
}

void MediaFileList::MSFlexGrid1_MouseDown(int row, int col, int shift)
{
    if (row == 0) {
        MSFlexGrid1->setCurrentCell(0, 0);
        return;
    }
    const int rows = MSFlexGrid1->Rows();
    FileMarks marks;
    marks.anchor = files_.FileListAnchor;
    marks.marked.resize(rows);
    for (int i = 1; i < rows; ++i)
        marks.marked[i] = MSFlexGrid1->TextMatrix(i, 0) == kMark;
    pressRow(marks, row, shift);
    for (int i = 1; i < rows; ++i)
        MSFlexGrid1->setTextMatrix(i, 0, marks.marked[i] ? kMark : QString());
    files_.FileListAnchor = marks.anchor;
    PaintFileListMarks(row, col);
}

void MediaFileList::PaintFileListMarks(int mouseRow, int mouseCol)
{
    const int rows = MSFlexGrid1->Rows();
    for (int i = 1; i < rows; ++i) {
        const QColor& colour =
            MSFlexGrid1->TextMatrix(i, 0) == kMark ? kMarkedColour : kUnmarkedColour;
        for (int col = 0; col < FlexGrid::kCols; ++col)
            MSFlexGrid1->setCellBackColor(i, col, colour);
    }
    if (rows > 1)
        MSFlexGrid1->setCurrentCell(mouseRow, mouseCol);
}

bool MediaFileList::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseButtonRelease && type != QEvent::MouseMove)
        return QObject::eventFilter(watched, event);

    // The grid never sees a press, a drag or a release of its own: the marks
    // are the only selection.
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    const bool onHeader = watched == MSFlexGrid1->horizontalHeader()->viewport();
    if (type == QEvent::MouseButtonPress) {
        const int col = std::max(0, onHeader ? MSFlexGrid1->horizontalHeader()->logicalIndexAt(at)
                                             : MSFlexGrid1->columnAt(at.x()));
        if (onHeader) {
            MSFlexGrid1_MouseDown(0, col, shiftOf(mouse->modifiers()));
        } else if (const int tableRow = MSFlexGrid1->rowAt(at.y()); tableRow >= 0) {
            MSFlexGrid1->setFocus(Qt::MouseFocusReason);
            MSFlexGrid1_MouseDown(tableRow + 1, col, shiftOf(mouse->modifiers()));
        }
    } else if (type == QEvent::MouseButtonDblClick) {
        emit addRequested();
    }
    return true;
}

QList<PlaylistEntry> MediaFileList::markedFiles() const
{
    QList<PlaylistEntry> marked;
    const int last = MSFlexGrid1->Rows() - 1;
    for (int row = 1; row <= last; ++row)
        if (MSFlexGrid1->TextMatrix(row, 0) == QLatin1String("ok"))
            marked.append({MSFlexGrid1->TextMatrix(row, 2), MSFlexGrid1->TextMatrix(row, 3)});
    return marked;
}

} // namespace tv
