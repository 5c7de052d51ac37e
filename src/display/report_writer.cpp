#include "display/report_writer.h"

#include "files/save_files.h"
#include "report/play_log.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace tv {

ReportWriter::ReportWriter(QString folder, QTimeZone zone, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), zone_(std::move(zone)),
      thread_([this] { run(); })
{
}

ReportWriter::~ReportWriter()
{
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
        waiting_.clear(); // the plays waiting are still recorded: they end the day's account
    }
    wake_.notify_all();
    thread_.join();
}

void ReportWriter::replace(const QString& name, QByteArray bytes)
{
    {
        const std::lock_guard lock(mutex_);
        waiting_.insert(name, std::move(bytes));
    }
    wake_.notify_all();
}

void ReportWriter::appendPlay(PlayRecord play)
{
    {
        const std::lock_guard lock(mutex_);
        if (plays_.size() >= kPlaysWaiting) {
            ++playsDropped_;
            return;
        }
        plays_.push_back(std::move(play));
    }
    wake_.notify_all();
}

void ReportWriter::flush()
{
    std::unique_lock lock(mutex_);
    done_.wait(lock,
               [this] { return quit_ || (waiting_.isEmpty() && plays_.empty() && !writing_); });
}

void ReportWriter::run()
{
    SaveFiles files;
    PlayLog plays(folder_, zone_);
    if (!QFileInfo(folder_).isSymLink())
        QDir().mkpath(folder_);
    diskFree_ = QStorageInfo(folder_).bytesAvailable();
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || !waiting_.isEmpty() || !plays_.empty(); });
        if (quit_ && plays_.empty())
            break;
        if (!plays_.empty()) {
            const PlayRecord play = std::move(plays_.front());
            plays_.pop_front();
            const qint64 dropped = std::exchange(playsDropped_, 0);
            writing_ = true;
            lock.unlock();
            record(plays, play, dropped);
            lock.lock();
            writing_ = false;
            done_.notify_all();
            continue;
        }
        if (quit_)
            break;
        const QString name = waiting_.firstKey();
        const QByteArray bytes = waiting_.take(name);
        writing_ = true;
        lock.unlock();

        QString why;
        const QFileInfo folder(folder_);
        if (QDir::isAbsolutePath(name)) {
            // A file of its own elsewhere (the metrics), in a folder that is
            // there.
            if (QString error;
                !files.writeScratch(name, bytes, &error, SaveFiles::Readers::Everyone))
                why = error;
        } else if (folder.isSymLink()) {
            // The folder is the display's own: made when missing, and never
            // reached through a link, which might lead into the show.
            why = QStringLiteral("the report folder %1 is a link").arg(folder_);
        } else if (!folder.isDir() && !QDir().mkpath(folder_)) {
            why = QStringLiteral("the report folder %1 cannot be made").arg(folder_);
        } else if (QString error; !files.writeScratch(QDir(folder_).filePath(name), bytes, &error,
                                                      SaveFiles::Readers::Everyone)) {
            why = error;
        }
        diskFree_ = QStorageInfo(folder_).bytesAvailable();
        if (why != lastTrouble_) {
            lastTrouble_ = why;
            QMetaObject::invokeMethod(this, [this, why] { emit trouble(why); });
        }

        lock.lock();
        writing_ = false;
        done_.notify_all();
    }
    done_.notify_all();
}

void ReportWriter::record(PlayLog& plays, const PlayRecord& play, qint64 dropped)
{
    const QDate day = play.start.toTimeZone(zone_).date();
    if (prunedOn_ != day) {
        prunedOn_ = day;
        QString why;
        const QStringList removed = plays.prune(day, &why);
        if (!removed.isEmpty())
            QMetaObject::invokeMethod(this, [this, removed] { emit pruned(removed); });
    }
    QString why = plays.append(play);
    if (why.isEmpty() && dropped > 0)
        why =
            QStringLiteral("%1 plays were not recorded: more came than the disk took").arg(dropped);
    if (why != lastPlayTrouble_) {
        lastPlayTrouble_ = why;
        QMetaObject::invokeMethod(this, [this, why] {
            emit trouble(why.isEmpty() ? QString() : QStringLiteral("plays: ") + why);
        });
    }
}

} // namespace tv
