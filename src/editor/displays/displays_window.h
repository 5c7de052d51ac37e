#pragma once

#include <QFileSystemWatcher>
#include <QTimer>
#include <QWidget>

#include <functional>

class QGridLayout;
class QLabel;
class QLineEdit;

namespace tv {

class DisplayTile;
class ModalDialogs;

// What the displays window takes from the machine, handed in so that tests
// choose them.
struct DisplaysWindowSettings {
    // The desk's instant, ms since 1970 UTC; by default the system's clock.
    std::function<qint64()> now;
    // How long the sync tool may take to carry a status home.
    qint64 syncLagMs = 300'000;
};

// "Displays": every display whose report folder a sync tool carries to the
// desk, as a tile each, judged as --status judges them, updated as the files
// change and as time passes (a display that stops reporting turns stale).
class DisplaysWindow final : public QWidget {
    Q_OBJECT
public:
    explicit DisplaysWindow(ModalDialogs& dialogs, DisplaysWindowSettings settings = {},
                            QWidget* parent = nullptr);

    // Shows the report folders in `folder`, and remembers it for next time.
    void setFolder(const QString& folder);
    QString folder() const { return folder_; }
    // Reads the reports again now.
    void refresh();
    QList<DisplayTile*> tiles() const { return tiles_; }

    static constexpr int kColumns = 3;
    static constexpr int kAgeingMs = 30'000;
    static constexpr int kSettleMs = 300;

private:
    void choose();

    ModalDialogs& dialogs_;
    DisplaysWindowSettings settings_;
    QString folder_;
    QLineEdit* folderField_;
    QLabel* summary_;
    QGridLayout* grid_;
    QList<DisplayTile*> tiles_;
    QFileSystemWatcher watcher_;
    QTimer soon_;
    QTimer ageing_;
};

// Shows the owner's one displays window, made on first use.
DisplaysWindow& showDisplaysWindow(QWidget* owner, ModalDialogs& dialogs);

} // namespace tv
