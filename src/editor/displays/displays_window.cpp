#include "editor/displays/displays_window.h"

#include "editor/controls/modal_dialogs.h"
#include "editor/controls/owned_window.h"
#include "editor/displays/display_tile.h"
#include "report/report_summary.h"

#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QVBoxLayout>

namespace tv {

namespace {

const QString kFolderKey = QStringLiteral("displays/folder");

} // namespace

DisplaysWindow::DisplaysWindow(ModalDialogs& dialogs, DisplaysWindowSettings settings,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), dialogs_(dialogs), settings_(std::move(settings))
{
    if (!settings_.now)
        settings_.now = [] { return QDateTime::currentMSecsSinceEpoch(); };
    setObjectName(QStringLiteral("displaysWindow"));
    setWindowTitle(QStringLiteral("Displays"));
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Reports:"), this));
    folderField_ = new QLineEdit(this);
    folderField_->setObjectName(QStringLiteral("displaysFolder"));
    top->addWidget(folderField_, 1);
    auto* choose = new QPushButton(QStringLiteral("Choose…"), this);
    choose->setObjectName(QStringLiteral("displaysChoose"));
    top->addWidget(choose);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("displaysSummary"));
    summary_->setTextFormat(Qt::PlainText);
    auto* tiles = new QWidget(this);
    grid_ = new QGridLayout(tiles);
    grid_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(tiles);
    scroll->setWidgetResizable(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(summary_);
    layout->addWidget(scroll, 1);
    resize(3 * (DisplayTile::kScreenSide + 40), 560);

    connect(choose, &QPushButton::clicked, this, &DisplaysWindow::choose);
    connect(folderField_, &QLineEdit::editingFinished, this,
            [this] { setFolder(folderField_->text()); });
    // A sync tool brings a display's files one by one: they are read once
    // it has settled.
    soon_.setSingleShot(true);
    soon_.setInterval(kSettleMs);
    connect(&soon_, &QTimer::timeout, this, &DisplaysWindow::refresh);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &soon_, qOverload<>(&QTimer::start));
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &soon_, qOverload<>(&QTimer::start));
    ageing_.setInterval(kAgeingMs);
    connect(&ageing_, &QTimer::timeout, this, &DisplaysWindow::refresh);
    ageing_.start();
    setFolder(QSettings().value(kFolderKey).toString());
}

void DisplaysWindow::choose()
{
    const QString chosen =
        dialogs_.pickFolder(this, QStringLiteral("The displays' reports"), folder_);
    if (!chosen.isEmpty())
        setFolder(chosen);
}

void DisplaysWindow::setFolder(const QString& folder)
{
    if (folder == folder_ && !folder.isEmpty()) {
        refresh();
        return;
    }
    folder_ = folder;
    folderField_->setText(QDir::toNativeSeparators(folder));
    if (!folder.isEmpty())
        QSettings().setValue(kFolderKey, folder);
    refresh();
}

void DisplaysWindow::refresh()
{
    soon_.stop();
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    if (folder_.isEmpty()) {
        summary_->setText(QStringLiteral("Choose the folder the displays' reports are synced to."));
        return;
    }
    const DeskReports desk = readReports(folder_, true);
    const qint64 now = settings_.now();
    while (tiles_.size() > desk.displays.size())
        delete tiles_.takeLast();
    int notWell = 0;
    QStringList watched{folder_};
    for (int i = 0; i < desk.displays.size(); ++i) {
        const DisplayReport& report = desk.displays[i];
        if (i == tiles_.size()) {
            tiles_.append(new DisplayTile(grid_->parentWidget()));
            grid_->addWidget(tiles_.last(), i / kColumns, i % kColumns);
        }
        const QList<StatusState> states = judgeReport(report, now, settings_.syncLagMs);
        notWell += isOk(states) ? 0 : 1;
        tiles_[i]->showReport(report, states);
        // A display's files are replaced by renames into its folder.
        const QString own = QDir(folder_).filePath(report.name);
        if (QFileInfo(own).isDir() && !QFileInfo(own).isSymLink())
            watched << own;
    }
    watcher_.addPaths(watched);
    if (!desk.error.isEmpty())
        summary_->setText(QStringLiteral("The folder cannot be read: %1").arg(desk.error));
    else if (desk.displays.isEmpty())
        summary_->setText(QStringLiteral("No display reports here yet."));
    else
        summary_->setText(
            QStringLiteral("%1 displays, %2 not well").arg(desk.displays.size()).arg(notWell));
}

DisplaysWindow& showDisplaysWindow(QWidget* owner, ModalDialogs& dialogs)
{
    return showOwnedWindow<DisplaysWindow>(owner, dialogs, DisplaysWindowSettings{});
}

} // namespace tv
