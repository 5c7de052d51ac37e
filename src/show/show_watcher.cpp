#include "show/show_watcher.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace tv {

namespace {

// What a look at a path sees: enough to tell a change, without reading it.
QString signatureOf(const QFileInfo& file)
{
    if (!file.exists())
        return QString();
    return QStringLiteral("%1|%2|%3")
        .arg(file.size())
        .arg(file.lastModified().toMSecsSinceEpoch())
        .arg(file.metadataChangeTime().toMSecsSinceEpoch());
}

// What a look at the media folder sees. The layout file, when it lies there,
// is no medium, and neither are the hidden files and partial copies that
// writers and sync tools leave while at work.
QString folderSignature(const QString& folder, const QString& layoutName)
{
    QDirIterator entries(folder, QDir::Files | QDir::System);
    QStringList lines;
    while (entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        if (name == layoutName || name.endsWith(QLatin1String(".tmp")) ||
            name.endsWith(QLatin1String(".part")) || name.endsWith(QLatin1Char('~')))
            continue;
        lines << name + QLatin1Char('|') + signatureOf(entries.fileInfo());
    }
    lines.sort();
    return lines.join(QLatin1Char('\n'));
}

// A periodic look may take this share of the thread's time at most.
constexpr int kLookCostShare = 50;

} // namespace

// Lives on the watcher's thread: every look at the disk happens here.
class ShowWatcher::Looker final : public QObject {
    Q_OBJECT
public:
    Looker(ShowWatcher& owner, QString layoutPath, QString mediaFolder)
        : owner_(owner), layoutPath_(std::move(layoutPath)), mediaFolder_(std::move(mediaFolder))
    {
    }

    void start()
    {
        watcher_ = new QFileSystemWatcher(this);
        connect(watcher_, &QFileSystemWatcher::fileChanged, this, &Looker::look);
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &Looker::look);
        every_ = new QTimer(this);
        every_->setInterval(kLookMs);
        connect(every_, &QTimer::timeout, this, &Looker::look);
        every_->start();
        layoutSeen_ = signatureOf(QFileInfo(layoutPath_));
        mediaSeen_ = folderSignature(mediaFolder_, QFileInfo(layoutPath_).fileName());
        rewatch();
    }

private:
    // A file replaced by a rename is a new file: the watches are set again
    // after every look. A path that could not be watched (a folder without
    // read permission) is tried again only once it has changed: each failed
    // try is a warning in the log.
    void rewatch()
    {
        const QStringList watched = watcher_->files() + watcher_->directories();
        if (!watched.isEmpty())
            watcher_->removePaths(watched);
        QStringList paths{QFileInfo(layoutPath_).absolutePath(), mediaFolder_};
        if (QFileInfo::exists(layoutPath_))
            paths << layoutPath_;
        paths.removeDuplicates();
        paths.removeIf([this](const QString& path) {
            const auto failed = unwatchable_.constFind(path);
            return failed != unwatchable_.cend() && *failed == signatureOf(QFileInfo(path));
        });
        if (paths.isEmpty())
            return;
        const QStringList refused = watcher_->addPaths(paths);
        for (const QString& path : paths) {
            if (refused.contains(path))
                unwatchable_.insert(path, signatureOf(QFileInfo(path)));
            else
                unwatchable_.remove(path);
        }
    }

    void look()
    {
        QElapsedTimer took;
        took.start();
        const QString media = folderSignature(mediaFolder_, QFileInfo(layoutPath_).fileName());
        const QString layout = signatureOf(QFileInfo(layoutPath_));
        if (media != mediaSeen_ || layout != layoutSeen_) {
            mediaSeen_ = media;
            layoutSeen_ = layout;
            QMetaObject::invokeMethod(&owner_, [owner = &owner_] { emit owner->changed(); });
        }
        rewatch();
        every_->setInterval(
            int(std::clamp<qint64>(took.elapsed() * kLookCostShare, kLookMs, 10 * 60 * 1000)));
    }

    ShowWatcher& owner_;
    QString layoutPath_;
    QString mediaFolder_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* every_ = nullptr;
    QString layoutSeen_;
    QString mediaSeen_;
    QHash<QString, QString> unwatchable_; // path: its signature when refused
};

ShowWatcher::ShowWatcher(const QString& layoutPath, const QString& mediaFolder)
    : thread_(std::make_unique<QThread>()), looker_(new Looker(*this, layoutPath, mediaFolder))
{
    thread_->setObjectName(QStringLiteral("show watcher"));
    looker_->moveToThread(thread_.get());
    connect(thread_.get(), &QThread::started, looker_, &Looker::start);
    thread_->start();
}

ShowWatcher::~ShowWatcher()
{
    // The looker goes on its own thread, after any look under way, with the
    // file system watches it made there.
    QMetaObject::invokeMethod(looker_, [looker = looker_] {
        delete looker;
        QThread::currentThread()->quit();
    });
    // A look lists two folders and reads the times of their files: it ends
    // soon, and the thread with it.
    thread_->wait();
}

void ShowWatcher::runOnThread(std::function<void()> work)
{
    QMetaObject::invokeMethod(looker_, std::move(work));
}

} // namespace tv

#include "show_watcher.moc"
