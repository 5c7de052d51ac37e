#include "player/show_watcher.h"

#include "layoutfile/layout_file_reading.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QThread>
#include <QTimer>

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
        auto* every = new QTimer(this);
        every->setInterval(kLookMs);
        connect(every, &QTimer::timeout, this, &Looker::look);
        every->start();
        settle_ = new QTimer(this);
        settle_->setSingleShot(true);
        settle_->setInterval(kSettleMs);
        connect(settle_, &QTimer::timeout, this, &Looker::settled);
        layoutSeen_ = signatureOf(QFileInfo(layoutPath_));
        layoutTaken_ = layoutSeen_;
        mediaSeen_ = folderSignature(mediaFolder_, QFileInfo(layoutPath_).fileName());
        rewatch();
    }

    void reloadNow()
    {
        layoutTaken_ = QStringLiteral("(again)");
        read();
    }

private:
    // A file replaced by a rename is a new file: the watches are set again
    // after every look.
    void rewatch()
    {
        const QStringList watched = watcher_->files() + watcher_->directories();
        if (!watched.isEmpty())
            watcher_->removePaths(watched);
        QStringList paths{QFileInfo(layoutPath_).absolutePath(), mediaFolder_};
        if (QFileInfo::exists(layoutPath_))
            paths << layoutPath_;
        paths.removeDuplicates();
        watcher_->addPaths(paths);
    }

    void look()
    {
        const QString media = folderSignature(mediaFolder_, QFileInfo(layoutPath_).fileName());
        if (media != mediaSeen_) {
            mediaSeen_ = media;
            tell([](ShowWatcher& owner) { emit owner.mediaChanged(); });
        }
        const QString layout = signatureOf(QFileInfo(layoutPath_));
        if (layout != layoutTaken_ && !settle_->isActive()) {
            layoutSeen_ = layout;
            settle_->start();
        }
        rewatch();
    }

    void settled()
    {
        const QString layout = signatureOf(QFileInfo(layoutPath_));
        if (layout != layoutSeen_) {
            // Still being written: look again later.
            layoutSeen_ = layout;
            settle_->start();
            return;
        }
        if (layout == layoutTaken_)
            return;
        layoutTaken_ = layout;
        read();
    }

    void read()
    {
        const LayoutFileBytes file = readLayoutFileBytes(layoutPath_);
        tell([file](ShowWatcher& owner) { emit owner.layoutRead(file.bytes, file.refusal); });
    }

    // The watcher's signals are sent on the thread the watcher lives on.
    template <typename Signal> void tell(Signal signal)
    {
        QMetaObject::invokeMethod(&owner_, [owner = &owner_, signal] { signal(*owner); });
    }

    ShowWatcher& owner_;
    QString layoutPath_;
    QString mediaFolder_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* settle_ = nullptr;
    QString layoutSeen_;
    QString layoutTaken_;
    QString mediaSeen_;
};

ShowWatcher::ShowWatcher(const QString& layoutPath, const QString& mediaFolder)
    : thread_(new QThread), looker_(new Looker(*this, layoutPath, mediaFolder))
{
    thread_->setObjectName(QStringLiteral("show watcher"));
    looker_->moveToThread(thread_);
    connect(thread_, &QThread::started, looker_, &Looker::start);
    // The thread goes once it has ended, whenever that is.
    connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
    thread_->start();
}

ShowWatcher::~ShowWatcher()
{
    // A look that hangs on a share is not waited for: the thread is left to
    // end with the program.
    QMetaObject::invokeMethod(looker_, [looker = looker_] { looker->deleteLater(); });
    thread_->quit();
}

void ShowWatcher::reloadNow()
{
    QMetaObject::invokeMethod(looker_, &Looker::reloadNow);
}

} // namespace tv

#include "show_watcher.moc"
